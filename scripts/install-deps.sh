#!/usr/bin/env bash
# Installs the Debian packages Tavrix needs to build, test and run, and only
# those that are missing, so that `make run` and `make test` work on a fresh
# Debian 12 machine and cost nothing on a prepared one.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-l10n-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  fonts-noto-cjk
  iproute2 procps
  xvfb xauth
  lintian desktop-file-utils appstream librsvg2-bin
  pkexec polkitd
  zsh fish
  gcovr clang-tidy clang-format
  ansible-core tshark
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo=sudo
fi
echo "install-deps: installing ${missing[*]}"
$sudo apt-get update -qq
# tshark asks whether non-root users may capture; the tests capture as root
# and the machine's policy stays as it was.
echo "wireshark-common wireshark-common/install-setuid boolean false" | $sudo debconf-set-selections
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
