#!/usr/bin/env bash
# Starts the Tavrix window from a build tree, or says plainly why it cannot.
set -euo pipefail
build=${1:-build}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "make run: no desktop display (DISPLAY/WAYLAND_DISPLAY unset)." >&2
  echo "Run it from a desktop session, or over 'ssh -X'." >&2
  exit 1
fi
exec "$build/ui/main/tavrix"
