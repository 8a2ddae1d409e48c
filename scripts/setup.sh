#!/usr/bin/env bash
# Installs what building, running and testing need on a fresh Debian 12 machine.
# Run as root (or with sudo available). Does nothing when everything is already there.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  libwxgtk3.2-dev libgtk-3-dev libplist-dev libsqlite3-dev libgcrypt20-dev libexpat1-dev rapidjson-dev
  libjpeg-dev libpng-dev gettext libmimalloc-dev libutf8proc-dev
  googletest libgtest-dev xvfb xauth tzdata
  clang libclang-rt-14-dev
  chromium fonts-dejavu-core fonts-noto-cjk fonts-noto-color-emoji locales
)
# Locales the tests switch to: two whose decimal separator is a comma.
LOCALES=(de_DE.UTF-8 fr_FR.UTF-8)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi

# Generates the locales that are not there yet (locale -a spells them "de_DE.utf8").
generate_locales() {
  local wanted=()
  for l in "${LOCALES[@]}"; do
    locale -a 2>/dev/null | grep -qix "${l/UTF-8/utf8}" || wanted+=("$l")
  done
  [ ${#wanted[@]} -eq 0 ] && return 0
  echo "setup: generating the locales ${wanted[*]}"
  for l in "${wanted[@]}"; do
    grep -qx "$l UTF-8" /etc/locale.gen 2>/dev/null || echo "$l UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
  done
  $SUDO locale-gen >/dev/null
}

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  generate_locales
  exit 0
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
generate_locales
