#!/usr/bin/env bash
# Sets up, builds and runs the program. Without any iTunes backup on the machine, it first writes
# a sample backup into the build folder and points the program at it.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
echo "run: checking the Debian packages (scripts/setup.sh installs what is missing)"
"$here/scripts/setup.sh"
# Only what running needs: the tests, benchmarks and fuzzers are left to scripts/test.sh.
echo "run: building the reader library, the program, mkbackup and ibdump into $here/build"
NINJA_TARGETS=runnable "$here/scripts/build.sh" "$here/build"
root="$here/build/root"

appdata="${APPDATA:-${XDG_CONFIG_HOME:-$HOME/.config}}"
if ! ls -d "$appdata/Apple Computer/MobileSync/Backup/"*/ >/dev/null 2>&1; then
  sample="$here/build/sample"
  echo "run: no iTunes backup on this machine; using the sample backup in $sample"
  if [ ! -d "$sample/Apple Computer/MobileSync/Backup" ]; then
    echo "run: writing the sample backup with mkbackup"
    "$root/bin/mkbackup" --out "$sample/Apple Computer/MobileSync/Backup/0f3a9c2be1d4a5b6c7d8e9f00112233445566778" >/dev/null
  fi
  export APPDATA="$sample"
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: starting $root/bin/backupview"
  exec "$root/bin/backupview"
fi
# Without a display there is no window to show: print what the reader finds instead, the
# backups and every kind of the first one.
echo "run: no display (DISPLAY is not set); showing the backups with ibdump instead of the window"
"$root/bin/ibdump" list
"$root/bin/ibdump" kind 0 all
