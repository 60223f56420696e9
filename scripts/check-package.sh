#!/usr/bin/env bash
# Tries the Debian package as a user would (run as root, as CI does): builds it, validates the menu
# entry and the AppStream description, installs it with apt, starts the menu entry's command with
# a fresh HOME under Xvfb, dismisses the first-start box and finds the login window running in the
# new data folder with its book; a second start and an upgrade leave the book as it was; removing
# and purging the package leave the data folder.
set -euo pipefail
cd "$(dirname "$0")/.."

say() { echo "package: $*"; }
fail() { echo "package: FAILED: $*" >&2; exit 1; }

make deb
deb=$(ls dist/txl_*.deb)
version=$(dpkg-deb -f "$deb" Version)

source scripts/display.sh

apt-get install -y -qq "./$deb" >/dev/null
say "installed $deb ($(du -k "$deb" | cut -f1) KiB)"
say "Depends: $(dpkg-deb -f "$deb" Depends)"
entry=/usr/share/applications/txl.desktop
metainfo=$(ls /usr/share/metainfo/*txl*.metainfo.xml)
desktop-file-validate "$entry"
say "desktop-file-validate $entry: no findings"
appstreamcli validate --no-net "$metainfo"

start_display

home=$work/home
mkdir -p "$home"
data=$home/.local/share/txl
book=$data/DataBase/txl.mdb
command=$(sed -n 's/^Exec=//p' "$entry")

need_window() {   # find_window, failing the check when no window appears
  find_window "$1" || fail "no window '$1' appeared"
}

# Starts the menu entry's command from / as the user would, with nothing else of ours in the
# environment; the launcher returns once txl is started.
start_from_menu() {
  (cd / && env -u XDG_DATA_HOME HOME="$home" $command) >>"$work/start.log" 2>&1 || fail "$command failed"
}
# Finds the login window; sets pid to its txl's and checks that txl runs in the data folder.
login_window() {
  local id
  read -r id pid < <(need_window 311x210)
  pids+=("$pid")
  [ "$(readlink "/proc/$pid/cwd")" = "$data" ] || fail "txl runs in $(readlink "/proc/$pid/cwd"), not $data"
  say "login window $id (311 x 210) of txl $pid, running in $data"
}
stop() { kill "$1"; wait_gone "$1"; }
wait_gone() { for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done; fail "txl $1 did not end"; }

# First start: the launcher shows its information box before txl starts.
start_from_menu &
starter=$!
read -r box _ < <(need_window "^Information$")
say "first start shows the information box $box"
xdotool windowactivate --sync "$box" key Return
wait "$starter" || fail "$command failed: $(cat "$work/start.log")"
login_window
[ -f "$book" ] || fail "no book at $book"
[ "$(stat -c %a "$data")" = 700 ] || fail "$data is not private ($(stat -c %a "$data"))"
say "new data folder $data (mode 700) holds DataBase/txl.mdb ($(stat -c %s "$book") bytes) and images/$(ls "$data/images" | tr '\n' ' ')"
stop "$pid"
before=$(sha256sum "$book")

# Later start: no box, the book untouched.
start_from_menu
login_window
wmctrl -l | grep -q ' Information$' && fail "a later start showed the information box again"
stop "$pid"
[ "$(sha256sum "$book")" = "$before" ] || fail "a later start changed the book"
say "a later start showed no box and left the book as it was"

# An upgrade to a later version of the same package.
mkdir "$work/next"
dpkg-deb -R "$deb" "$work/next/root"
sed -i "s/^Version: .*/Version: $version+upgrade/" "$work/next/root/DEBIAN/control"
dpkg-deb -b "$work/next/root" "$work/next/txl_next.deb" >/dev/null
apt-get install -y -qq "$work/next/txl_next.deb" >/dev/null
[ "$(dpkg-query -W -f '${Version}' txl)" = "$version+upgrade" ] || fail "the upgrade did not happen"
[ "$(sha256sum "$book")" = "$before" ] || fail "the upgrade changed the book"
say "upgrade $version -> $version+upgrade left the book as it was"

apt-get remove -y -qq txl >/dev/null
[ ! -e /usr/bin/txl ] || fail "txl still installed after removal"
[ "$(sha256sum "$book")" = "$before" ] || fail "removal changed the book"
# The package has no configuration files, so removal leaves nothing for a purge; purge if it does.
if dpkg-query -W txl >/dev/null 2>&1; then apt-get purge -y -qq txl >/dev/null; fi
[ "$(sha256sum "$book")" = "$before" ] || fail "purging changed the book"
say "after apt-get remove (and purge), $data still holds the book as it was"
