# What the scripts that drive the player under a virtual X server share; sourced inside the
# session, where the player's process id is in $pid once started.
#   fail MESSAGE...           says it, kills the player and ends the script with 1
#   wait_player_window TITLE  prints the id of the player's window once it shows (20 s at most)
#   answer_prompt [TITLE]     the start-up question (titled TITLE, "Prompt" unless given), if one
#                             comes within 5 s, declined with Escape as a user in a hurry would
#   close_player WINDOW       a click on the window's own close button: no window manager runs
#                             there to ask, so the tool bar's right end, inside the 1-pixel frame
#   wait_exit                 waits up to 10 s for the player to end (fails if it does not) and
#                             sets $status to its exit code

fail() {
  echo "$*"
  [ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null
  exit 1
}

wait_player_window() {
  timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -1
}

answer_prompt() {
  local question
  if question=$(timeout 5 xdotool search --sync --onlyvisible --name "^${1:-Prompt}$" | head -1); then
    xdotool windowactivate --sync "$question" 2>/dev/null || true
    # Pressed on the keyboard, not sent to the window: xdotool sends the release of a key given a
    # window that has lost the focus meanwhile (the question goes on the press) to that window
    # only, and the server then holds the key down and repeats it. The question has the focus,
    # and the window's Escape declines it wherever the focus is.
    xdotool key Escape
    for _ in $(seq 50); do
      xdotool search --onlyvisible --name "^${1:-Prompt}$" >/dev/null 2>&1 || return 0
      sleep 0.1
    done
    fail "the start-up question stayed after Escape"
  fi
}

close_player() {
  local WIDTH HEIGHT X Y SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove --window "$1" $((WIDTH - 1 - 22)) $((1 + 14)) click 1
}

wait_exit() {
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "still running after its close"
  status=0
  wait "$pid" || status=$?
}
