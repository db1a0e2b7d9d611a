# Shared by run.sh and test.sh: installs what is missing and builds.
# Sourced, not run.

VELORIN_PACKAGES="qt6-base-dev qt6-base-dev-tools libgl-dev libmpv-dev libturbojpeg0-dev
pkg-config cmake ninja-build g++ xvfb xauth ffmpeg fonts-liberation libgtest-dev
libqt6opengl6-dev qt6-translations-l10n libavformat-dev libavcodec-dev libswresample-dev
libavutil-dev libwebrtc-audio-processing-dev libfftw3-dev espeak-ng libuchardet-dev zlib1g-dev
libhunspell-dev hunspell-cs hunspell-en-us"

# What the sanitizer and fuzzing builds need besides: clang, its sanitizer
# runtimes (only recommended by clang, and recommends are not installed) and
# libFuzzer.
VELORIN_CHECK_PACKAGES="clang libclang-rt-14-dev libfuzzer-14-dev"

# What building and checking the Debian package needs besides.
VELORIN_PACKAGE_PACKAGES="dpkg-dev file lintian desktop-file-utils appstream"

# velorin_install_missing [more packages]
velorin_install_missing() {
  local missing=()
  for p in $VELORIN_PACKAGES ${1:-}; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  # sudo clears the environment, so the variable goes through env after it.
  local apt=(env DEBIAN_FRONTEND=noninteractive apt-get)
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "Not running as root and sudo is missing; as root, run:" >&2
      echo "  apt-get install ${missing[*]}" >&2
      return 1
    fi
    apt=(sudo "${apt[@]}")
  fi
  "${apt[@]}" update
  "${apt[@]}" install -y --no-install-recommends "${missing[@]}"
}

# A compiler cache, where the machine has one, shares unchanged objects between
# builds and checkouts; without it the build is the same, only slower.
velorin_launcher() {
  if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$PWD")}"
    echo "-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
  fi
}

# Warnings stop the build only where VELORIN_WERROR=ON says so (CI does).
velorin_werror() { echo "-DVELORIN_WERROR=${VELORIN_WERROR:-OFF}"; }

velorin_build() {
  local dir="$1"
  # shellcheck disable=SC2046
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(velorin_launcher) \
    "$(velorin_werror)" >/dev/null
  cmake --build "$dir" -j2
}

# The sanitizer build: everything with AddressSanitizer and UBSan, and the
# fuzz targets, built by clang in build-sanitize/. Arguments: targets to build
# (all when none).
VELORIN_CHECK_DIR=build-sanitize
velorin_build_checked() {
  # shellcheck disable=SC2046
  CC=clang CXX=clang++ cmake -S . -B "$VELORIN_CHECK_DIR" -G Ninja $(velorin_launcher) \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELORIN_SANITIZE=ON -DVELORIN_FUZZ=ON "$(velorin_werror)" \
    >/dev/null
  local targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  cmake --build "$VELORIN_CHECK_DIR" -j2 "${targets[@]}"
}

velorin_sanitizer_env() {
  export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
}

# One fuzz target for a number of seconds; its log goes to the work folder.
velorin_fuzz_one() {
  local name=$1 seconds=$2 work=$3
  local short=${name%_fuzz}
  mkdir -p "$work/corpus/$short" "$work/crashes"
  local dict=()
  [ -f "tests/fuzz/$short.dict" ] && dict=("-dict=tests/fuzz/$short.dict")
  "$VELORIN_CHECK_DIR/tests/fuzz/$name" -max_total_time="$seconds" -print_final_stats=1 \
    -timeout=25 -artifact_prefix="$work/crashes/$short-" "${dict[@]}" \
    "$work/corpus/$short" "tests/fuzz/corpus/$short" >"$work/$short.log" 2>&1
  echo $? >"$work/$short.status"
}

# Runs every fuzz target for the given seconds, two at a time, and sums up.
velorin_fuzz() {
  local seconds=$1 work="$VELORIN_CHECK_DIR/fuzz"
  local targets
  mapfile -t targets <"$VELORIN_CHECK_DIR/fuzz_targets.txt"
  mkdir -p "$work"
  rm -f "$work"/*.status
  export -f velorin_fuzz_one
  export VELORIN_CHECK_DIR
  printf '%s\n' "${targets[@]}" |
    xargs -P 2 -I{} bash -c 'velorin_fuzz_one "$1" "$2" "$3"' _ {} "$seconds" "$work"
  local passed=0 failed=0
  printf '%-18s %14s %8s %7s  %s\n' target executions seconds corpus result
  for name in "${targets[@]}"; do
    local short=${name%_fuzz} log="$work/${name%_fuzz}.log"
    local status runs time units
    status=$(cat "$work/$short.status" 2>/dev/null || echo 1)
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    time=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
    units=$(ls "$work/corpus/$short" | wc -l)
    if [ "$status" = 0 ]; then
      passed=$((passed + 1))
      printf '%-18s %14s %8s %7s  %s\n' "$short" "${runs:-?}" "${time:-?}" "$units" ok
    else
      failed=$((failed + 1))
      printf '%-18s %14s %8s %7s  %s\n' "$short" "${runs:-?}" "${time:-?}" "$units" "FAILED ($log)"
      tail -n 40 "$log"
    fi
  done
  echo "fuzz: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

# Builds the Debian package in the given build folder, checks it as Debian's
# tools do, installs it into this machine, runs both programs from /usr/bin
# and removes it again.
velorin_package_check() {
  local dir=$1
  rm -f "$dir"/velorin_*.deb
  cmake --build "$dir" -j2 --target package
  local deb
  deb=$(ls "$dir"/velorin_*_*.deb)
  dpkg-deb --info "$deb"
  dpkg-deb --contents "$deb"
  desktop-file-validate resources/velorin.desktop
  appstreamcli validate --no-net packaging/velorin.metainfo.xml
  # Errors fail; warnings are listed.
  lintian --fail-on error --display-level ">=warning" "$deb"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "./$deb"
  local status=0
  /usr/bin/velorin-cli --help >/dev/null && /usr/bin/velorin-cli --version &&
    QT_QPA_PLATFORM=offscreen /usr/bin/velorin --version &&
    test -f /usr/share/velorin/info.htm && test -f /usr/lib/velorin/libvelorin_listen.so &&
    dpkg -L velorin | grep -q "man1/velorin-cli.1.gz$" || status=1
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y velorin
  [ $status -eq 0 ] && echo "package: 1 passed, 0 failed" || echo "package: 0 passed, 1 failed"
  return $status
}
