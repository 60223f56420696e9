#!/usr/bin/env bash
# Takes the README's pictures from the real program: starts build/txl under a private Xvfb (with
# openbox, so windows carry their frames) on a sample book of 50 contacts, signs in as chief and
# photographs the login window, the main window, the contact dialog, a search and the report's
# preview into docs/screenshots/.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
root=$PWD
out=$root/docs/screenshots
mkdir -p "$out"

source scripts/display.sh
start_display

cp -r images "$work/"
"$build/txldb" init --sample 50 "$work" >/dev/null
(cd "$work" && exec env LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 "$root/$build/txl") >"$work/txl.log" 2>&1 &
pids+=($!)

# The id of the window $1 (see find_window), or the end with txl's own words.
wait_window() {
  local id
  read -r id _ < <(find_window "$1") || { cat "$work/txl.log" >&2; exit 1; }
  echo "$id"
}
click() {   # window x y [count]
  xdotool mousemove --window "$1" "$2" "$3" click --repeat "${4:-1}" --delay 120 1
  sleep 0.5
}
shot() {    # window name
  sleep 1
  import -window "$1" -frame "$out/$2.png"
  echo "screenshots: docs/screenshots/$2.png"
}

login=$(wait_window 311x210)
click "$login" 170 131
xdotool type --delay 50 123456
shot "$login" login
click "$login" 96 189

main=$(wait_window '的同学录$')
xdotool mousemove --window "$main" 600 140   # the pointer off the list
shot "$main" main

click "$main" 120 214 2   # a double-click on the second contact: the change dialog
dialog=$(wait_window 424x238)
shot "$dialog" contact
wmctrl -ic "$dialog"
sleep 1

click "$main" 113 80      # 模糊查找
click "$main" 475 81
xdotool type --delay 80 '王'
click "$main" 561 81      # 查找
shot "$main" search

click "$main" 151 18      # 打印报表
preview=$(wait_window '^Print Preview$')
sleep 2
click "$preview" 70 17    # Zoom to fit: the whole first page
shot "$preview" preview
