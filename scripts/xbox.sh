# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# The program's boxes under Xvfb, answered with xdotool; sourced by the scripts
# that drive the window. There is no window manager: the pointer gives the
# focus. WID is the main window's id, set by the caller.

# The newest visible window of the program other than the main one: a message
# box or a dialog; empty when there is none.
other_window() { xdotool search --onlyvisible --class quincunx 2>/dev/null | grep -vx "$WID" | tail -1 || true; }

# wait_box TRIES: the box that shows within TRIES times 0.2 seconds, else empty.
wait_box() {
  local box="" _
  for _ in $(seq 1 "$1"); do
    box="$(other_window)"
    [ -n "$box" ] && break
    sleep 0.2
  done
  echo "$box"
}

# press_ok BOX: Return (OK) in the box, with the pointer on it.
press_ok() {
  # shellcheck disable=SC2034  # all set by getwindowgeometry --shell
  local WINDOW X Y WIDTH HEIGHT SCREEN
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + 10))
  xdotool windowfocus --sync "$1" 2> /dev/null || true
  sleep 0.2
  xdotool key Return
}
