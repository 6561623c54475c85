#!/usr/bin/env bash
# Runs a Windows program inside a wine virtual desktop of its own and exits
# with the program's exit code.
#
#   run-in-wine-desktop.sh WINE WIDTHxHEIGHT LAUNCHER.exe PROGRAM.exe [ARGS...]
#
# Inside a virtual desktop every window and everything drawn on the screen DC
# make up one desktop picture, as on Windows, and no X window manager is
# waited for. The desktop does not pass its program's exit code on, so the
# program runs under LAUNCHER (deskball_desktop_launch.exe), which writes the
# code to a file. Uses the caller's WINEPREFIX and DISPLAY.
set -u
wine=$1 size=$2 launcher=$3 program=$4
shift 4

result=$(mktemp "${TMPDIR:-/tmp}/deskball-wine.XXXXXX")
rm -f "$result"
trap 'rm -f "$result"' EXIT

# Absolute paths as Windows sees them: wine maps the Unix root to drive Z:.
args=()
for a in "$@"; do
  if [[ $a == /* ]]; then args+=("Z:$a"); else args+=("$a"); fi
done

"$wine" explorer "/desktop=deskball-$$,$size" "Z:$launcher" "Z:$result" "Z:$program" "${args[@]}"

if [[ ! -s $result ]]; then
  echo "run-in-wine-desktop: $(basename "$program") left no exit code" >&2
  exit 1
fi
exit "$(tr -dc 0-9 < "$result")"
