#!/usr/bin/env bash
# Takes the README's picture of the level editor again: replays the kept editor session
# (tests/app/data/sessions/editor/session.rec, played with xdotool by scripts/record-sessions.sh,
# which ends on a crate dropped, carried to the left and turned, copied, and the copy pasted to
# its right and turned further) on a copy of demo/ up to the pass its file picture-pass names, a
# second before the player quit, and writes that frame. The game keeps its settings in the
# scratch folder, so the player's own settings play no part. When the demo has changed so that the
# session no longer replays as recorded, record it again first (scripts/record-sessions.sh
# editor, which also takes this picture).
#   scripts/editor-screenshot.sh [OUT.png]     (default docs/editor.png; needs xvfb-run)
set -eu
top="$(cd "$(dirname "$0")/.." && pwd)"
out="$(realpath -m "${1:-$top/docs/editor.png}")"
session="$top/tests/app/data/sessions/editor"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r "$top/demo" "$work/demo"
XDG_CONFIG_HOME="$work" ALSOFT_DRIVERS=null xvfb-run -a -s "-screen 0 1280x720x24" "${KESROW_BUILD:-$top/build}/kesrow" \
  --data "$work/demo" --replay "$session/session.rec" --frames "$(cat "$session/picture-pass")" --screenshot "$out" \
  > "$work/replay.out" || { cat "$work/replay.out"; exit 1; }
grep '^//Replay' "$work/replay.out"
echo "wrote $out"
