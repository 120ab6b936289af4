#!/usr/bin/env bash
# Takes the README's picture of the level editor: the demo runs on a private X server on a copy
# of demo/, xdotool switches the editor on, drops a crate, carries it to the left on the grid and
# turns it, copies it, pastes the copy to its right and turns that, and F9 ends the game (through a script
# added to the copy: Escape would ask first and put its question in the picture), which writes
# its last frame. The game keeps its settings in the scratch folder, so the player's own play no
# part.
#   scripts/editor-screenshot.sh [OUT.png]     (default docs/editor.png; needs xvfb-run, xdotool)
set -eu
top="$(cd "$(dirname "$0")/.." && pwd)"
out="$(realpath -m "${1:-$top/docs/editor.png}")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r "$top/demo" "$work/demo"
printf 'loop\nsetb 16,true\nkey "F9",1,n\nif b,1,=,16\nquit\nendif\nendloop\n' > "$work/demo/Data/end on F9"
sed -i '1i includeScript "Data/end on F9"' "$work/demo/Levels/start/load script"
cat > "$work/drive.sh" <<'DRIVE'
set -u
"$1" --mute --data "$2" --windowed 960x540 --frames 400000 --fixed-step 20 --seed 1 --screenshot "$3" &
pid=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --pid $pid | head -n 1)
xdotool windowfocus --sync "$win" || xdotool windowfocus "$win"
key() { xdotool key "$@"; sleep 0.4; }
ctrl() { xdotool keydown ctrl; sleep 0.2; xdotool key "$1"; sleep 0.2; xdotool keyup ctrl; sleep 0.4; }
sleep 1.5
xdotool mousemove --window "$win" 480 270
sleep 0.3
key e
sleep 1
for i in 1 2 3 4; do xdotool mousemove_relative -- 0 14; sleep 0.1; done
for i in 1 2 3 4 5 6; do xdotool mousemove_relative -- -16 0; sleep 0.1; done
sleep 0.3
key 1
key g
key t
for i in 1 2 3 4 5; do xdotool mousemove_relative -- -10 0; sleep 0.1; done
sleep 0.3
key t
key x
ctrl c
for i in 1 2 3 4 5 6; do xdotool mousemove_relative -- 14 0; sleep 0.1; done
sleep 0.3
ctrl v
key x
key x
key x
for i in 1 2 3; do xdotool mousemove_relative -- -12 -8; sleep 0.1; done
sleep 0.5
xdotool key F9
wait $pid
DRIVE
XDG_CONFIG_HOME="$work" ALSOFT_DRIVERS=null xvfb-run -a -s "-screen 0 1280x720x24" bash "$work/drive.sh" "$top/build/kesrow" "$work/demo" "$out"
echo "wrote $out"
