// Shared helpers of the window tests live in window_test_support.h.
