# Sourced by the window's checks on a real X server: checks the tools named
# in "$@" are installed, makes a work folder ($work), starts Xvfb (1920 x
# 1080, no window manager) as $DISPLAY, and on exit kills the game
# ($game_pid, if the check started one) and the server and removes $work.
# fail MESSAGE ends the check, showing the game's stderr ($work/err).
for tool in "$@"; do
  if ! command -v "$tool" >/dev/null; then
    echo "missing $tool: scripts/setup installs xvfb, xdotool, x11-utils and imagemagick"
    exit 1
  fi
done

work=$(mktemp -d)
xvfb_pid= game_pid=
cleanup() {
  [ -n "$game_pid" ] && kill -KILL "$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  [ -s "$work/err" ] && { echo "the game's stderr:"; cat "$work/err"; }
  exit 1
}

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display")
