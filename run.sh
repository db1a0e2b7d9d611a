#!/usr/bin/env bash
# Builds Velorin and starts it, with an optional subtitle file to open.
set -euo pipefail
cd "$(dirname "$0")"
. ./scripts_common.sh
velorin_install_missing
velorin_build build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Velorin is built (build/velorin) but there is no display to show its window on."
  echo "Run ./run.sh from a desktop session, or without one under a virtual display:"
  echo "  xvfb-run -a ./run.sh [subtitle-file]"
  exit 1
fi
exec build/velorin "$@"
