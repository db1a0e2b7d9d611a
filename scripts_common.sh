# Shared by run.sh and test.sh: installs what is missing and builds.
# Sourced, not run.

VELORIN_PACKAGES="qt6-base-dev qt6-base-dev-tools libgl-dev libmpv-dev libturbojpeg0-dev
pkg-config cmake ninja-build g++ xvfb xauth ffmpeg fonts-liberation libgtest-dev
libbenchmark-dev libqt6opengl6-dev qt6-translations-l10n"

velorin_install_missing() {
  local missing=()
  for p in $VELORIN_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

velorin_build() {
  local dir="$1"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$dir" -j2
}
