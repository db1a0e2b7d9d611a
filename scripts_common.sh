# Shared by run.sh and test.sh: installs what is missing and builds.
# Sourced, not run.

VELORIN_PACKAGES="qt6-base-dev qt6-base-dev-tools libgl-dev libmpv-dev libturbojpeg0-dev
pkg-config cmake ninja-build g++ xvfb xauth ffmpeg fonts-liberation libgtest-dev
libqt6opengl6-dev qt6-translations-l10n libavformat-dev libavcodec-dev libswresample-dev
libavutil-dev libwebrtc-audio-processing-dev libfftw3-dev espeak-ng"

velorin_install_missing() {
  local missing=()
  for p in $VELORIN_PACKAGES; do
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

velorin_build() {
  local dir="$1"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$dir" -j2
}
