// Helpers of the window tests are header-only (window_test_support.h).
