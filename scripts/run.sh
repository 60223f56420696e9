#!/usr/bin/env bash
# Starts txl from the repository root, creating the database there first when it is absent.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "txl: no display found (DISPLAY is not set); start it from a desktop session or under xvfb-run." >&2
  exit 1
fi
# A DISPLAY left over from another session names a server that is gone; Qt would abort with a page
# about platform plugins. xdotool comes with the set-up.
if [ -z "${WAYLAND_DISPLAY:-}" ] && command -v xdotool >/dev/null &&
   ! xdotool getdisplaygeometry >/dev/null 2>&1; then
  echo "txl: cannot reach the display $DISPLAY; start it from a desktop session or under xvfb-run." >&2
  exit 1
fi
if [ ! -f DataBase/txl.mdb ]; then
  "$build/txldb" init --sample 50 .
  echo "txl: created DataBase/txl.mdb; sign in as chief with the password 123456."
fi
exec "$build/txl"
