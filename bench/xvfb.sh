# Sourced by the benchmark scripts: start_xvfb WxH starts an X server of the script's own and exports
# DISPLAY. The server picks a free display itself (-displayfd), so runs side by side never collide,
# also with servers in other chroots or containers that share the abstract socket names. It is ended
# with the script (xvfb holds its pid for the script's own trap).
start_xvfb() {
  local fifo
  fifo=$(mktemp -u /tmp/xvfb-display.XXXXXX)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb=$!
  local number=
  read -r -t 15 number <"$fifo" || true
  rm -f "$fifo"
  [ -n "$number" ] || { echo "Xvfb did not start" >&2; kill $xvfb 2>/dev/null; exit 1; }
  export DISPLAY=":$number" QT_QPA_PLATFORM=xcb
}
