#!/usr/bin/env bash
# Installs what building, running and testing need on a fresh Debian 12 machine.
# Run as root (or with sudo available). Does nothing when everything is already there.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  libwxgtk3.2-dev libplist-dev libsqlite3-dev libgcrypt20-dev libexpat1-dev rapidjson-dev
  libjpeg-dev libpng-dev gettext
  googletest libgtest-dev xvfb xauth
  clang libclang-rt-14-dev
  chromium fonts-dejavu-core fonts-noto-cjk
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
