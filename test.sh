#!/usr/bin/env bash
# Installs what is missing, builds Velorin and runs its tests.
#   ./test.sh                  builds in build/ and runs the whole suite
#   ./test.sh --sanitize       builds everything with AddressSanitizer and UBSan in
#                              build-sanitize/ and runs the whole suite, leaks checked
#   ./test.sh --fuzz SECONDS   builds the libFuzzer targets of tests/fuzz there and
#                              runs each for SECONDS on its seeds and what it finds
#   ./test.sh --package        builds the Debian package in build/, checks it with
#                              lintian, installs it, runs it and removes it
# With VELORIN_WERROR=ON in the environment (as .ci/run sets it) a warning
# fails the build.
set -euo pipefail
cd "$(dirname "$0")"
. ./scripts_common.sh
usage() { sed -n '2,11s/^# \{0,1\}//p' "$0"; }
case "${1:-}" in
  "")
    velorin_install_missing
    velorin_build build
    cd build
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 600
    ;;
  --sanitize)
    velorin_install_missing "$VELORIN_CHECK_PACKAGES"
    velorin_build_checked
    velorin_sanitizer_env
    cd "$VELORIN_CHECK_DIR"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 900
    ;;
  --fuzz)
    if ! [[ "${2:-}" =~ ^[1-9][0-9]*$ ]]; then
      usage >&2
      exit 2
    fi
    velorin_install_missing "$VELORIN_CHECK_PACKAGES"
    velorin_build_checked fuzz_targets
    velorin_sanitizer_env
    velorin_fuzz "$2"
    ;;
  --package)
    velorin_install_missing "$VELORIN_PACKAGE_PACKAGES"
    velorin_build build
    velorin_package_check build
    ;;
  *)
    usage >&2
    exit 2
    ;;
esac
