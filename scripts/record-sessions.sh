#!/usr/bin/env bash
# Records the demo sessions the tests replay (tests/app/data/sessions/NAME), played for real:
# the game runs on a copy of demo/ in a window on a private X server, at the real clock's pace,
# and xdotool plays it with keys, the mouse and the console as a player would. Each session is
# replayed at once on a fresh copy and must give the live run's files and last frame exactly;
# then the recording, the files the session wrote (its expected/ folder, paths as in the data
# folder) and the last frame (last.png) replace the kept ones.
#   win     walk up to the warden and shoot him, then the lookout; through the door into the
#           yard; shoot the sentry and the keeper: the demo is won
#   death   stand by the warden until he has struck the player down; the level starts again
#   editor  switch the editor on, drop a humanoid, turn and grow it, save, load the level again
#           and save again; fly to Crate2, point at it and select it, carry it to the right,
#           turn it twice, undo both turns and redo one, save; save the level as "room" from the
#           console, delete Crate2 and save there; then, for the README's picture, drop a crate,
#           carry it to the left and turn it, copy it, paste the copy to its right and turn that
#           further; the pass a second before the end goes to picture-pass, and
#           scripts/editor-screenshot.sh takes the README's picture of the editor
#           (docs/editor.png) from the replay up to there
# Re-record when the demo's content or scripts change in a way that changes these sessions (the
# replay tests then say that the game went its own way):
#   scripts/record-sessions.sh [NAME...]      (needs xvfb-run and xdotool; default: all three)
# The player looks where he needs to by asking the game: a console line puts the cross-hair
# actor at his feet with his heading and pitch, a snapshot ("savekey 90") is read back, and the
# cross-hair is put back; the mouse then turns (and tilts) the view by the pixels the angle takes.
set -eu
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${KESROW_BUILD:-$top/build}"
kept="$top/tests/app/data/sessions"
[ -x "$build/kesrow" ] || { echo "build the game first (scripts/build.sh)"; exit 1; }
command -v xdotool >/dev/null && command -v xvfb-run >/dev/null || { echo "needs xdotool and xvfb-run"; exit 1; }
names=("$@")
[ ${#names[@]} -eq 0 ] && names=(win death editor)
export ALSOFT_DRIVERS=null LIBGL_ALWAYS_SOFTWARE=1

# The player, as a shell library the driver sources on the private X server; a file of this run's
# own, so that two recordings at once do not share it.
library="$(mktemp)"
trap 'rm -f "$library"' EXIT
cat > "$library" <<'PLAYER'
set -u
sensitivity=0.14
view=0   # the view's heading (viewangle) as the player last read it, in degrees
start_game() { # size
  "$game" --data "$data" --windowed "$1" --record "$work/session.rec" --screenshot "$work/live.png" \
    > "$work/game.out" 2>&1 &
  pid=$!
  win=$(timeout 30 xdotool search --sync --onlyvisible --pid $pid 2>/dev/null | head -n 1)
  [ -n "$win" ] || { echo "driver: no game window"; exit 3; }
  wait_loads 1
  xdotool windowfocus --sync $win || xdotool windowfocus $win
  sleep 0.5
}
loads() { grep -c '^//Loading level' "$work/game.out" 2>/dev/null || echo 0; }
wait_loads() { for i in $(seq 1 300); do [ "$(loads)" -ge "$1" ] && return 0; sleep 0.1; done; echo "driver: no load $1"; exit 4; }
running() { kill -0 $pid 2>/dev/null; }
# Types lines into the console (the game waits meanwhile) and closes it.
console() {
  xdotool key grave; sleep 0.1
  for line in "$@"; do xdotool type --delay 2 "$line"; xdotool key Return; sleep 0.02; done
  xdotool key grave; sleep 0.1
}
# Runs console lines that end in "savekey N" and waits for the snapshot, in whichever level
# folder is current; the file's path goes to $snap. Nothing outside the game touches the data
# folder: a replay could not know of it.
snap_with() { # N lines...
  local n=$1; shift
  touch "$work/marker"; sleep 0.01
  console "$@"
  for i in $(seq 1 200); do
    for f in "$data"/Levels/*/keyframe$n; do
      [ "$f" -nt "$work/marker" ] && { snap=$f; return 0; }
    done
    sleep 0.05
  done
  echo "driver: no snapshot $n"; exit 5
}
snapshot() { snap_with "$1" "savekey $1"; }
# Reads the player's feet, heading and pitch (down is positive), and every actor, into px, py,
# pz, view, pitch and the file actors.
where() {
  snap_with 90 'player' 'mark' 'get "Crosshair"' 'put' 'player' 'axis' 'get "Crosshair"' 'spin' 'savekey 90' \
    'put 0,0,-1' 'spin 0,0,0'
  cp "$snap" "$work/actors"
  read px py pz view pitch < <(awk -F, '$12 == "Crosshair" { print $2, $3, $4, 180 - $6, $5 }' "$work/actors")
}
field() { awk -F, -v n="$1" -v f="$2" '$12 == n { print $f }' "$work/actors"; } # name, field
# Moves the mouse by pixels along x or y, a few at a time.
drag() { # x|y pixels
  local px=$2 step
  while [ "$px" -ne 0 ]; do
    step=$px; [ $step -gt 20 ] && step=20; [ $step -lt -20 ] && step=-20
    if [ "$1" = x ]; then xdotool mousemove_relative -- $step 0; else xdotool mousemove_relative -- 0 $step; fi
    sleep 0.02
    px=$((px - step))
  done
  sleep 0.1
}
pixels() { awk -v d="$1" -v s=$sensitivity 'BEGIN { printf "%d", (d >= 0 ? d / s + 0.5 : d / s - 0.5) }'; }
# Turns the view by degrees (positive: to the right), tilts it (positive: down).
turn() { drag x "$(pixels "$1")"; }
tilt() { drag y "$(pixels "$1")"; }
# The heading change that faces the point x,z from where the player stands, within -180..180.
bearing() {
  awk -v x="$1" -v z="$2" -v px="$px" -v pz="$pz" -v v="$view" 'BEGIN {
    want = atan2(x - px, -(z - pz)) * 180 / 3.14159265358979; d = want - v
    while (d > 180) d -= 360; while (d < -180) d += 360; printf "%.2f", d }'
}
distance() { awk -v x="$1" -v z="$2" -v px="$px" -v pz="$pz" 'BEGIN { printf "%.2f", sqrt((x-px)^2 + (z-pz)^2) }'; }
face() { where; turn "$(bearing "$1" "$2")"; }
# Faces the point x,y,z and looks down (or up) at it from the eye, a unit above the feet.
aim() { # x y z
  face "$1" "$3"
  tilt "$(awk -v y="$2" -v py="$py" -v p="$pitch" -v d="$(distance "$1" "$3")" \
    'BEGIN { printf "%.2f", atan2(py + 1 - y, d) * 180 / 3.14159265358979 - p }')"
}
# Turns and tilts the view to a heading and a pitch.
look() { # heading pitch
  where
  turn "$(awk -v want="$1" -v v="$view" 'BEGIN { d = want - v; while (d > 180) d -= 360; while (d < -180) d += 360; printf "%.2f", d }')"
  tilt "$(awk -v want="$2" -v p="$pitch" 'BEGIN { printf "%.2f", want - p }')"
}
# Walks (or, in the editor, flies at the speed given) toward x,z until within reach (or the
# level changes), looking where it goes: a second at a time while walking (walls and guards may
# turn him aside), the whole way at once while flying (nothing stops him).
walk_to() { # x z reach [units a second]
  local before=$(loads)
  for i in $(seq 1 30); do
    where
    local d=$(distance "$1" "$2")
    awk -v d="$d" -v r="$3" 'BEGIN { exit !(d <= r) }' && return 0
    turn "$(bearing "$1" "$2")"
    local t=$(awk -v d="$d" -v r="$3" -v v="${4:-4}" 'BEGIN { t = (d - r / 2) / v; if (t > 1 && v <= 4) t = 1; if (t < 0.4 / v) t = 0.4 / v; print t }')
    xdotool keydown w; sleep "$t"; xdotool keyup w
    [ "$(loads)" -gt "$before" ] && return 0
  done
  echo "driver: did not reach $1,$2"
}
# Faces the guard and shoots him until he is down; walks toward him while he is far.
take_down() { # name
  for i in $(seq 1 40); do
    where
    local health=$(field "$1" 10)
    [ -n "$health" ] || { echo "driver: no $1"; exit 6; }
    [ "$health" -le 0 ] && return 0
    local x=$(field "$1" 2) z=$(field "$1" 4)
    turn "$(bearing "$x" "$z")"
    local d=$(distance "$x" "$z")
    if awk -v d="$d" 'BEGIN { exit !(d > 5) }'; then
      xdotool keydown w; sleep 0.5; xdotool keyup w
    else
      xdotool click 1; sleep 0.5
    fi
  done
  echo "driver: $1 still stands"; exit 7
}
quit_game() {
  sleep 0.5
  xdotool key Escape; sleep 0.3; xdotool key Escape
  for i in $(seq 1 100); do running || break; sleep 0.1; done
  wait $pid
}
PLAYER

session_win() {
  cat <<'DRIVE'
start_game 480x270
xdotool mousemove --window $win 240 135; sleep 0.3
# A look round first, then the warden before the door: walk toward him until he comes.
turn -30; turn 55
snapshot 1
take_down Warden
take_down Lookout
snapshot 2
# The door is up: through the passage into the yard.
walk_to 0 -7 0.6
walk_to 0 -13 0.3
wait_loads 2
sleep 1
take_down Sentry
take_down Keeper
sleep 1.5
snapshot 3
quit_game
DRIVE
}

session_death() {
  cat <<'DRIVE'
start_game 400x300
xdotool mousemove --window $win 200 150; sleep 0.3
walk_to 0 -3 1.5
# The warden strikes until the player is down; the level starts again two seconds later.
for i in $(seq 1 200); do [ "$(loads)" -ge 2 ] && break; sleep 0.1; done
wait_loads 2
sleep 1
snapshot 1
quit_game
DRIVE
}

session_editor() {
  cat <<'DRIVE'
start_game 960x540
xdotool mousemove --window $win 480 270; sleep 0.3
key() { for k in "$@"; do xdotool key $k; sleep 0.2; done; }
# Control is held as a hand holds it: down before the key, up after it, each in ticks of their own.
ctrl() { xdotool keydown ctrl; sleep 0.1; xdotool key "$1"; sleep 0.1; xdotool keyup ctrl; sleep 0.2; }
# K, and the wait until the level's person file (in the folder given) is written.
save() { # level
  touch "$work/marker"; sleep 0.01
  xdotool key k
  for i in $(seq 1 100); do [ "$data/Levels/$1/person" -nt "$work/marker" ] && return 0; sleep 0.1; done
  echo "driver: $1 not saved"; exit 8
}
has() { grep -qi "$2" "$data/Levels/$1/person"; } # level text
key e
wait_loads 2
sleep 0.3
# To the right, a humanoid on the floor, turned and grown, saved; the level loaded again from
# its files (the player at its start) and saved once more.
turn 90
tilt 22
key 2 g v x
save start
key 3
wait_loads 3
sleep 0.3
save start
has start ',15,0,.*,110,humanoid1$' || { echo "driver: no humanoid1"; exit 9; }
# Crate2, as designed: flown to, pointed at and selected (Q), carried to the right (T, the view
# turned, T), turned twice (X X), both turns taken back (Ctrl+Z twice) and the first done again
# (Ctrl+Y); saved.
walk_to -5.3 -5.5 0.3 7
aim -5.3 0.25 -8.6
key q t
turn 14
key t x x
ctrl z
ctrl z
ctrl y
save start
has start ',30,0,0,0,100,80,Crate2$' || { echo "driver: Crate2 not edited"; exit 9; }
# Saved as a new level, whose folder K writes from then on: Crate2 deleted there.
console 'saveAs "room"'
for i in $(seq 1 100); do [ -e "$data/Levels/room/person" ] && break; sleep 0.1; done
key Delete
save room
has room Crate2 && { echo "driver: Crate2 still in room"; exit 9; }
# For the README's picture, near the start looking left and down past the step: a crate
# dropped, carried to the left on the grid and turned; copied, the copy pasted to its right and
# turned further; held a second.
walk_to 0.5 5 0.3 7
look -25 8
key 1 g t
turn -10
key t x
ctrl c
turn 14
ctrl v
key x x x
turn -6
tilt -3
sleep 1
quit_game
DRIVE
}

for name in "${names[@]}"; do
  declare -F "session_$name" >/dev/null || { echo "no session $name"; exit 1; }
  work="$(mktemp -d)"
  cp -r "$top/demo" "$work/demo"
  mkdir -p "$work/config"
  { echo "game='$build/kesrow'; data='$work/demo'; work='$work'; session='$name'"
    echo ". '$library'"
    "session_$name"; } > "$work/drive.sh"
  echo "recording $name ..."
  XDG_CONFIG_HOME="$work/config" xvfb-run -a -s "-screen 0 1280x720x24" bash "$work/drive.sh"
  grep -q '^//Recorded' "$work/game.out" || { cat "$work/game.out"; echo "$name: not recorded"; exit 1; }
  # The replay on a fresh copy must give what the live run gave.
  cp -r "$top/demo" "$work/replayed"
  XDG_CONFIG_HOME="$work/config" xvfb-run -a -s "-screen 0 1280x720x24" "$build/kesrow" --data "$work/replayed" \
    --replay "$work/session.rec" --screenshot "$work/last.png" > "$work/replay.out" 2>&1 ||
    { cat "$work/replay.out"; echo "$name: the replay failed"; exit 1; }
  cmp "$work/live.png" "$work/last.png" || { echo "$name: the replay's last frame differs"; exit 1; }
  diff -r "$work/demo" "$work/replayed" || { echo "$name: the replay wrote other files"; exit 1; }
  rm -rf "$kept/$name"
  mkdir -p "$kept/$name/expected"
  cp "$work/session.rec" "$work/last.png" "$kept/$name/"
  # The files the session wrote: new ones and those it changed.
  (cd "$work/replayed" && find . -type f | sort | while read -r f; do
     cmp -s "$f" "$top/demo/$f" || { mkdir -p "$kept/$name/expected/$(dirname "$f")"; cp "$f" "$kept/$name/expected/$f"; }
   done)
  passes=$(sed -n 's#^//Ended: .* after \([0-9]*\) passes.*#\1#p' "$work/replay.out")
  echo "$name: $passes passes, $(stat -c %s "$work/session.rec") bytes, $(find "$kept/$name/expected" -type f | wc -l) files"
  if [ "$name" = editor ]; then
    # The README's picture: the frame a second before the player pressed Escape.
    echo $((passes - 60)) > "$kept/$name/picture-pass"
    KESROW_BUILD="$build" bash "$top/scripts/editor-screenshot.sh"
  fi
  rm -rf "$work"
done
