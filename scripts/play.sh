#!/usr/bin/env bash
# Sets up everything the game needs, builds it and starts the demo game.
# Extra arguments go to the game (default: a 1280x720 window the first time; afterwards the window
# or full screen the game's settings file keeps).
set -eu
top="$(cd "$(dirname "$0")/.." && pwd)"
bash "$top/scripts/install-deps.sh"
# Only the game: the tests, benchmarks and tools are built by scripts/test.sh.
bash "$top/scripts/build.sh" --target kesrow
args=("$@")
settings="${XDG_CONFIG_HOME:-$HOME/.config}/kesrow/settings"
case "${XDG_CONFIG_HOME:-}" in /*) ;; *) settings="$HOME/.config/kesrow/settings" ;; esac
[ ${#args[@]} -eq 0 ] && [ ! -e "$settings" ] && args=(--windowed)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display here. To run headless, for example 300 passes of 20 ms with a screenshot:"
  echo "  xvfb-run -a -s \"-screen 0 1280x720x24\" env ALSOFT_DRIVERS=null $top/build/kesrow --data $top/demo --windowed --frames 300 --fixed-step 20 --screenshot shot.png"
  exit 0
fi
echo "Keys: W/S or Up/Down walk, A/D or Left/Right step sideways, mouse looks, left button shoots, E edits the level (README: Level editor), \` (left of 1) opens the console, F11 full screen, Escape twice quits."
exec "$top/build/kesrow" --data "$top/demo" "${args[@]}"
