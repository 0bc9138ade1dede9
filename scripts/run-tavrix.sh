#!/usr/bin/env bash
# `make run`: installs with root rights only what is missing - the packages
# of scripts/install-deps.sh, and the helper and polkit action through which
# a normal user's window flushes the neighbour table - then builds and starts
# the window as the user who asked, the one behind sudo when run through it.
# The window never runs as root because of sudo: desktop sessions refuse
# root clients, and its one privileged step asks polkit by itself.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "make run: no desktop display (DISPLAY/WAYLAND_DISPLAY unset)." >&2
  echo "Run it from a desktop session, or over 'ssh -X'." >&2
  exit 1
fi

user=${SUDO_USER:-$(id -un)}
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
as_user() {
  if [ "$(id -u)" -eq 0 ] && [ "$user" != root ]; then
    # sudo drops the session's runtime folder, where a Wayland display lives.
    runuser -u "$user" -- env XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-/run/user/$(id -u "$user")}" "$@"
  else
    "$@"
  fi
}

bash scripts/install-deps.sh
# The window names the helper at the path the package gives it.
install_if_missing() {
  cmp -s "$1" "$3" || as_root install -D -m "$2" "$1" "$3"
}
install_if_missing resources/polkit/tavrix-flush-neigh 755 /usr/libexec/tavrix/tavrix-flush-neigh
install_if_missing resources/polkit/org.tavrix.Tavrix.flush-neighbours.policy 644 \
  /usr/share/polkit-1/actions/org.tavrix.Tavrix.flush-neighbours.policy

as_user make --no-print-directory build BUILD="$build"
as_user "$build/ui/main/tavrix"
