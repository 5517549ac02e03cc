#!/usr/bin/env bash
# End-to-end test of the native window (the FLTK program varnholt) on a
# private Xvfb display, driven like a user with xdotool at the layout's client
# coordinates. Result files are compared byte for byte with varnholt-cli's for
# the same fields; field texts are read back through the clipboard (Ctrl+A,
# Ctrl+C, xclip); what is painted is compared, pixel for pixel, with the
# same texts painted at the layout's places by native-probe.
#
#   tests/e2e/native_window_test.sh BUILD_DIR [SAMPLE_DIR]
#
# BUILD_DIR holds varnholt, varnholt-cli and native-probe; the screenshot of
# the window after the last command is kept as BUILD_DIR/e2e/native-window.png.
# Needs Xvfb, xdotool, xclip, xprop and ImageMagick; no display of its own.
# Prints 'N passed, N failed'; exit status 0 only when nothing failed.
# KEEP_WORK=1 keeps the run directory (files, logs, screenshots).
set -uo pipefail

BUILD=$(cd "${1:?usage: native_window_test.sh BUILD_DIR [SAMPLE_DIR]}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
SAMPLE=$(cd "${2:-$HERE/../../sample}" && pwd)
PROG="$BUILD/varnholt" CLI="$BUILD/varnholt-cli" PROBE="$BUILD/native-probe"
OUT="$BUILD/e2e"
mkdir -p "$OUT"
WORK=$(mktemp -d "$OUT/native.XXXXXX")

pass=0
fail=0
ok() { pass=$((pass + 1)); echo "PASS $*"; }
bad() { fail=$((fail + 1)); echo "FAIL $*"; }
check() { local what=$1; shift; if "$@"; then ok "$what"; return 0; fi; bad "$what"; return 1; }
# For what an input brings about: it reaches the window asynchronously.
check_soon() {
  local what=$1; shift
  for _ in $(seq 20); do "$@" >/dev/null 2>&1 && { ok "$what"; return 0; }; sleep 0.1; done
  check "$what" "$@"
}
t0=$(date +%s)
note() { echo "[$(($(date +%s) - t0))s] $*"; }

XVFB_PID= PROG_PID=
cleanup() {
  [ -n "$PROG_PID" ] && kill "$PROG_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  wait 2>/dev/null
  rm -f "$OUT"/*.pgm
  [ -n "${KEEP_WORK:-}" ] || rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

for tool in Xvfb xdotool xclip xprop import convert compare iconv; do
  command -v "$tool" >/dev/null || { echo "FAIL missing tool: $tool"; echo "0 passed, 1 failed"; exit 1; }
done
for f in "$PROG" "$CLI" "$PROBE"; do
  [ -x "$f" ] || { echo "FAIL missing $f"; echo "0 passed, 1 failed"; exit 1; }
done

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" 2>"$WORK/xvfb.log" &
XVFB_PID=$!
for _ in $(seq 200); do [ -s "$WORK/display" ] && break; sleep 0.05; done
[ -s "$WORK/display" ] || { echo "FAIL Xvfb did not start"; echo "0 passed, 1 failed"; exit 1; }
export DISPLAY=":$(cat "$WORK/display")"
note "display $DISPLAY"

# The desktop's opener, replaced by one that notes the file it was given.
mkdir -p "$WORK/bin" "$WORK/win" "$WORK/cli"
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >>"%s"\n' "$WORK/opened.log" >"$WORK/bin/xdg-open"
chmod +x "$WORK/bin/xdg-open"
: >"$WORK/opened.log"
for d in win cli; do cp "$SAMPLE/zarbel.dat" "$SAMPLE/config.txt" "$WORK/$d/"; done

# ---- helpers -------------------------------------------------------------------
click() { xdotool mousemove --window "$WIN" "$1" "$2" click 1; sleep 0.15; }
# Types into the edit field at (x, y), replacing its text.
type_into() { click "$1" "$2"; xdotool key ctrl+a; xdotool type --delay 10 "$3"; }
# The text of the edit field at (x, y), copied out through the clipboard.
field_at() { click "$1" "$2"; xdotool key ctrl+a ctrl+c; sleep 0.1; timeout 5 xclip -o -selection clipboard 2>/dev/null; }
# Selects item n of the drop-down list at (x, y): the click opens its menu,
# Escape closes it and leaves the list focused, Home and Down step.
select_item() { click "$1" "$2"; wait_idle; xdotool key Escape; wait_idle; xdotool key Home; local i; for ((i = 0; i < $3; i++)); do xdotool key Down; done; }
# Returns once the window has handled all input sent so far (and so has run
# the command it started): the window owns the clipboard after the first
# field_at, and answers a request for it only between commands (and while
# the narrowing shows a progress caption).
wait_idle() { timeout 120 xclip -o -selection clipboard >/dev/null 2>&1; sleep 0.2; }
caption() { xdotool getwindowname "$WIN"; }
shot() { rm -f "$1.pgm"; import -window "$WIN" "$1"; }
# A screenshot's gray levels as plain text beside it, made once: rectangles of
# it are then measured by one awk each, not by one image tool run each.
gray_map() { [ -s "$1.pgm" ] || convert "$1" -colorspace gray -depth 8 -compress none "pgm:$1.pgm"; }
# Reads lines "tag x y w h"; prints "tag mean" for each rectangle of screenshot
# $1 (mean gray, 0 black to 1 white).
area_means() {
  gray_map "$1"
  awk 'NR == FNR { q[++n] = $0; next }
       { for (i = 1; i <= NF; i++) { t++; if (t == 2) W = $i; else if (t > 4) p[t - 5] = $i } }
       END {
         for (k = 1; k <= n; k++) {
           split(q[k], f, " "); s = 0
           for (y = f[3]; y < f[3] + f[5]; y++) for (x = f[2]; x < f[2] + f[4]; x++) s += p[y * W + x]
           printf "%s %.4f\n", f[1], s / (255 * f[4] * f[5])
         }
       }' - "$1.pgm"
}
# Whether anything is drawn in a rectangle of a screenshot (file x y w h).
drawn() { echo "r $2 $3 $4 $5" | area_means "$1" | awk '{ exit !($2 < 0.995) }'; }
blank() { ! drawn "$@"; }
# Reads lines "tag x y w h drawn|blank"; prints the tags whose rectangle in
# screenshot $1 is not as expected.
not_as_expected() {
  local want
  want=$(cat)
  paste -d' ' <(awk '{ print $1, $2, $3, $4, $5 }' <<<"$want" | area_means "$1") <(awk '{ print $6 }' <<<"$want") |
    awk '($3 == "drawn") != ($2 < 0.995) { print $1 }' | sort -u | tr '\n' ' '
}
# Reads lines "tag x y w h"; prints the tags whose rectangles differ, pixel
# for pixel, between screenshots $1 and $2.
areas_differ() {
  gray_map "$1"
  gray_map "$2"
  awk 'NR == FNR { q[++n] = $0; next }
       FNR == 1 { m++; t = 0 }
       { for (i = 1; i <= NF; i++) { t++; if (t == 2) W = $i; else if (t > 4) p[m, t - 5] = $i } }
       END {
         for (k = 1; k <= n; k++) {
           split(q[k], f, " "); d = 0
           for (y = f[3]; y < f[3] + f[5] && !d; y++)
             for (x = f[2]; x < f[2] + f[4]; x++) if (p[1, y * W + x] != p[2, y * W + x]) { d = 1; break }
           if (d) print f[1]
         }
       }' - "$1.pgm" "$2.pgm"
}
same_area() { [ -z "$(echo "r $3 $4 $5 $6" | areas_differ "$1" "$2")" ]; }  # file-a file-b x y w h
differs() { ! same_area "$@"; }
same_file() { [ -f "$1" ] && [ -f "$2" ] && cmp -s "$1" "$2"; }
cli() { (cd "$WORK/cli" && "$CLI" "$@"); }
sjis_hex() { printf '%s' "$1" | iconv -f UTF-8 -t CP932 | od -An -tx1 | tr -d ' \n'; }

# Paints the items of file $1 in the probe's window and takes its screenshot $2.
render_shot() {
  "$PROBE" render "$1" >/dev/null 2>&1 &
  local pid=$! rwin=
  for _ in $(seq 100); do
    rwin=$(xdotool search --name '^probe-render$' 2>/dev/null | head -1)
    [ -n "$rwin" ] && break
    sleep 0.05
  done
  [ -n "$rwin" ] && sleep 0.3 && rm -f "$2.pgm" && import -window "$rwin" "$2"
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  [ -n "$rwin" ]
}

start_program() {
  (cd "$WORK/win" && PATH="$WORK/bin:$PATH" exec "$PROG" >"$WORK/varnholt.log" 2>&1) &
  PROG_PID=$!
  WIN=
  for _ in $(seq 100); do
    WIN=$(xdotool search --name '^Varnholt$' 2>/dev/null | head -1)
    [ -n "$WIN" ] && break
    sleep 0.05
  done
  sleep 0.3
}

# Asks the window to close as a window manager's close box does; sets CLOSE_STATUS.
close_program() {
  "$PROBE" close "$WIN"
  CLOSE_STATUS=timeout
  for _ in $(seq 50); do
    if ! kill -0 "$PROG_PID" 2>/dev/null; then wait "$PROG_PID"; CLOSE_STATUS=$?; PROG_PID=; break; fi
    sleep 0.1
  done
  [ -n "$PROG_PID" ] && { kill "$PROG_PID" 2>/dev/null; wait "$PROG_PID" 2>/dev/null; PROG_PID=; }
}

# The controls: id x y w h kind (edit, combo, check, button, display), in creation order.
CONTROLS='100 78 24 20 22 edit
101 118 24 20 22 edit
102 158 24 20 22 edit
103 198 24 20 22 edit
104 238 24 20 22 edit
105 278 24 20 22 edit
300 55 49 120 22 combo
108 170 115 60 22 edit
109 320 115 60 22 edit
106 150 145 40 22 edit
107 330 145 40 22 edit
900 180 50 100 25 check
902 10 115 100 25 check
200 240 180 100 25 button
907 10 180 100 25 check
302 120 180 100 22 combo
303 65 83 120 22 combo
150 200 84 24 22 edit
116 500 24 96 22 edit
110 478 49 20 22 edit
111 518 49 20 22 edit
112 558 49 20 22 edit
113 598 49 20 22 edit
114 638 49 20 22 edit
115 678 49 20 22 edit
301 455 74 120 22 combo
901 580 75 100 25 check
904 680 75 100 25 check
903 410 110 100 25 check
908 410 170 100 25 check
118 570 110 60 22 edit
119 720 110 60 22 edit
117 410 140 40 22 edit
202 580 170 100 25 button
930 20 274 60 22 display
210 100 274 100 25 button
133 95 309 20 22 edit
134 135 309 20 22 edit
135 175 309 20 22 edit
136 215 309 20 22 edit
137 255 309 20 22 edit
138 295 309 20 22 edit
132 200 339 24 22 edit
310 50 338 120 22 combo
211 270 339 120 25 button
140 520 250 96 22 edit
142 490 279 24 22 edit
143 540 279 24 22 edit
311 600 279 100 22 combo
144 420 309 100 22 edit
145 600 309 48 22 edit
212 680 309 100 25 button
146 420 420 36 22 edit
147 550 420 90 22 edit
148 670 420 36 22 edit
312 450 449 120 22 combo
313 450 479 120 22 combo
314 650 449 120 22 combo
213 580 510 180 25 button
315 420 510 120 22 combo'
declare -A RECT
while read -r id x y w h kind; do RECT[$id]="$x $y $w $h"; done <<<"$CONTROLS"

# The labels and dividers, each at its place (x y text).
LABELS=$(grep -v '^#' "$HERE/labels.txt")

# A bordered control's frame lies exactly on its rectangle: its four outer
# lines are drawn; two pixels left of it, above it, below it and right of its
# bottom corner nothing is (a label may follow a field directly on the right).
frame_rects() {  # tag x y w h
  local t=$1 x=$2 y=$3 w=$4 h=$5
  echo "$t $x $((y + 3)) 1 $((h - 6)) drawn"
  echo "$t $((x + w - 1)) $((y + 3)) 1 $((h - 6)) drawn"
  echo "$t $((x + 3)) $y $((w - 6)) 1 drawn"
  echo "$t $((x + 3)) $((y + h - 1)) $((w - 6)) 1 drawn"
  echo "$t $((x - 2)) $((y + 3)) 1 $((h - 6)) blank"
  echo "$t $((x + 3)) $((y - 2)) $((w - 6)) 1 blank"
  echo "$t $((x + 3)) $((y + h + 1)) $((w - 6)) 1 blank"
  echo "$t $((x + w + 1)) $((y + h - 1)) 2 1 blank"
}
framed_at() { [ -z "$(frame_rects f "$2" "$3" "$4" "$5" | not_as_expected "$1")" ]; }
controls_at_places() {
  local s=$1 id x y w h kind wrong
  wrong=$(while read -r id x y w h kind; do
    case $kind in
      edit | combo | button) frame_rects "$id" "$x" "$y" "$w" "$h" ;;
      # A check box's square stands at the left of its rectangle, its caption after it.
      check) echo "$id $((x + 2)) $((y + 6)) 14 13 drawn"; echo "$id $((x - 2)) $y 1 $h blank" ;;
      display) echo "$id $x $y 12 $h drawn"; echo "$id $((x - 2)) $y 1 $h blank" ;;
    esac
  done <<<"$CONTROLS" | not_as_expected "$s")
  [ -z "$wrong" ] || { echo "  not at their places: $wrong"; return 1; }
}
# Screenshot $1 against the labels and dividers painted by the probe, pixel
# for pixel everywhere outside the controls.
labels_as_layout() {
  local items="$WORK/labels.txt" x y text id w h kind
  printf 'L 400 0 400 800\nL 0 249 800 249\n' >"$items"
  while read -r x y text; do echo "$x $y $(sjis_hex "$text")" >>"$items"; done <<<"$LABELS"
  render_shot "$items" "$WORK/labels.png" || { echo "  no probe window"; return 1; }
  local draw=()
  while read -r id x y w h kind; do draw+=(-draw "rectangle $x,$y,$((x + w - 1)),$((y + h - 1))"); done <<<"$CONTROLS"
  convert "$1" -fill '#ff00ff' "${draw[@]}" "$WORK/masked-a.png"
  convert "$WORK/labels.png" -fill '#ff00ff' "${draw[@]}" "$WORK/masked-b.png"
  local diff
  diff=$(compare -metric AE "$WORK/masked-a.png" "$WORK/masked-b.png" null: 2>&1)
  [ "$diff" = 0 ] || { echo "  $diff pixels differ outside the controls"; return 1; }
}

# The result areas: candidate rows 0-7 (inside the window), the boot and
# load lines, the ideal roaming count (name x y w h).
areas=()
for i in 0 1 2 3 4 5 6 7; do areas+=("row$i 114 $((375 + 25 * i)) 70 18"); done
areas+=("boot 410 350 382 18" "load 410 380 382 18" "roaming 600 480 192 18")
# Paints what varnholt-cli printed for its last paint (UTF-8 lines in $2, after
# the last line "zarbel名" that 'show 147' prints) at the result areas' places,
# and compares every result area of screenshot $1 with it pixel by pixel.
painted_as_cli() {
  local shot=$1 lines=$2 items="$WORK/render.txt" row=0 line x y
  : >"$items"
  while IFS= read -r line; do
    case "$line" in
      起動:*) x=410 y=350 ;;
      ロード:*) x=410 y=380 ;;
      理想徘徊消費:*) x=600 y=480 ;;
      *) [[ "$line" =~ ^[0-9A-F]{8}$ ]] || continue; x=114 y=$((375 + 25 * row)); row=$((row + 1)) ;;
    esac
    echo "$x $y $(sjis_hex "$line")" >>"$items"
  done < <(awk '$0 == "zarbel名" { n = 0; delete l; next } { l[++n] = $0 } END { for (i = 1; i <= n; i++) print l[i] }' "$lines")
  render_shot "$items" "$WORK/render.png" || return 1
  local wrong
  wrong=$(printf '%s\n' "${areas[@]}" | areas_differ "$shot" "$WORK/render.png" | tr '\n' ' ')
  [ -z "$wrong" ] || { echo "  differ: $wrong"; return 1; }
}

# ---- start-up --------------------------------------------------------------------
start_program
[ -n "$WIN" ] || { bad "window 'Varnholt' appears"; cat "$WORK/varnholt.log"; echo "$pass passed, $fail failed"; exit 1; }
ok "window appears with caption $(caption)"
check "client area 800x600" [ "$(xdotool getwindowgeometry "$WIN" | awk '/Geometry/{print $2}')" = 800x600 ]
shot "$OUT/native-window-start.png"
check "the 60 controls at their places and sizes" controls_at_places "$OUT/native-window-start.png"
check "every label and both dividers at their places, nothing else painted" labels_as_layout "$OUT/native-window-start.png"
check "no candidate rows, boot/load lines or roaming line at start" \
  eval 'blank "$OUT/native-window-start.png" 114 375 70 225 && blank "$OUT/native-window-start.png" 410 350 380 50 && blank "$OUT/native-window-start.png" 600 480 190 16'
check "edit 144 holds config.txt line 1" [ "$(field_at 470 320)" = "$(sed -n 1p "$SAMPLE/config.txt" | tr -d '\r')" ]
check "edit 145 holds config.txt line 2" [ "$(field_at 624 320)" = "$(sed -n 2p "$SAMPLE/config.txt" | tr -d '\r')" ]
check "edit 147 starts with zarbel名" [ "$(field_at 595 431)" = zarbel名 ]
note "start-up done"

# ---- Tab chain: each Tab moves the focus mark from one control to the next --------------
chain=(100 101 102 103 104 105 300 108 109 106 107 200 303 150 116 110 111 112 113 114 115 301 118 119
  117 202 133 134 135 136 137 138 132 310 211 140 142 143 311 144 145 212 146 147 148 312 313 314 213
  315 100)
# Whether what changed between two screenshots lies within the two controls' rectangles.
changed_within() {  # before after id-a id-b
  local box bx by bw bh
  box=$(convert "$1" "$2" -compose difference -composite -colorspace gray -threshold 0 -format '%@' info: 2>/dev/null)
  [[ "$box" =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || return 1
  bw=${BASH_REMATCH[1]} bh=${BASH_REMATCH[2]} bx=${BASH_REMATCH[3]} by=${BASH_REMATCH[4]}
  [ "$bw" -gt 0 ] || return 1
  local ax ay aw ah cx cy cw ch
  read -r ax ay aw ah <<<"${RECT[$3]}"
  read -r cx cy cw ch <<<"${RECT[$4]}"
  local x0=$((ax < cx ? ax : cx)) y0=$((ay < cy ? ay : cy))
  local x1=$((ax + aw > cx + cw ? ax + aw : cx + cw)) y1=$((ay + ah > cy + ch ? ay + ah : cy + ch))
  # Nothing outside the two changed, and the change reaches into both.
  [ "$bx" -ge "$x0" ] && [ "$by" -ge "$y0" ] && [ $((bx + bw)) -le "$x1" ] && [ $((by + bh)) -le "$y1" ] &&
    meets "$bx" "$by" "$bw" "$bh" "$ax" "$ay" "$aw" "$ah" && meets "$bx" "$by" "$bw" "$bh" "$cx" "$cy" "$cw" "$ch"
}
meets() { [ "$1" -lt $(($5 + $7)) ] && [ "$5" -lt $(($1 + $3)) ] && [ "$2" -lt $(($6 + $8)) ] && [ "$6" -lt $(($2 + $4)) ]; }
tab_chain() {
  local i prev="$WORK/tab-0.png" next wrong= seen
  click 88 35
  wait_idle
  shot "$prev"
  for ((i = 1; i < ${#chain[@]}; i++)); do
    xdotool key Tab
    next="$WORK/tab-$i.png"
    seen=
    # The key reaches the window asynchronously: look again for up to a second.
    for _ in 1 2 3 4 5 6 7 8 9 10; do
      sleep 0.05
      shot "$next"
      changed_within "$prev" "$next" "${chain[$((i - 1))]}" "${chain[$i]}" && { seen=1; break; }
    done
    # After a wrong step every later one is off too: stop at the first.
    [ -n "$seen" ] || { wrong=" ${chain[$((i - 1))]}->${chain[$i]}"; break; }
    prev=$next
  done
  [ -z "$wrong" ] || { echo "  step not seen:$wrong"; return 1; }
}
check "Tab walks the focus chain and wraps to 100" tab_chain
shift_tab() {
  shot "$WORK/stab-a.png"
  xdotool key shift+Tab
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    sleep 0.05
    shot "$WORK/stab-b.png"
    changed_within "$WORK/stab-a.png" "$WORK/stab-b.png" 100 315 && return 0
  done
  return 1
}
check "Shift+Tab from 100 goes back to 315" shift_tab
note "tab chain done"

# ---- edit fields take text longer than their width ---------------------------------------
type_into 88 35 123456789
check "20-pixel edit 100 takes all of '123456789'" [ "$(field_at 88 35)" = 123456789 ]
type_into 88 35 0

# ---- frame list (202) ---------------------------------------------------------------------
type_into 548 35 12345678
type_into 430 151 3
rm -f "$WORK/win/list.txt"
click 630 182
wait_idle
cli 116=12345678 117=3 press 202 >/dev/null 2>&1
check_soon "seed 12345678, 3 frames: list.txt equals varnholt-cli's" same_file "$WORK/win/list.txt" "$WORK/cli/list.txt"
check "that list.txt has a header and three rows" [ "$(wc -l <"$WORK/win/list.txt")" = 4 ]
check "list.txt handed to the desktop's opener" [ "$(tail -1 "$WORK/opened.log")" = list.txt ]
type_into 548 35 5A0C0400
type_into 430 151 40
select_item 515 86 3
click 586 87                                   # check box 901
rm -f "$WORK/win/list.txt"
click 630 182
wait_idle
cli 116=5A0C0400 117=40 301=3 901=on press 202 >/dev/null 2>&1
check_soon "list.txt (nature, synchronize) equals varnholt-cli's" same_file "$WORK/win/list.txt" "$WORK/cli/list.txt"
# Space on the focused button presses it: Tab from field 117 reaches 202.
rm -f "$WORK/win/list.txt"
click 430 151
xdotool key Tab space
wait_idle
check_soon "Tab to リスト出力 and Space writes the same list.txt" same_file "$WORK/win/list.txt" "$WORK/cli/list.txt"
# Enter and Escape do nothing, on a button or in a field.
rm -f "$WORK/win/list.txt"
click 430 151
xdotool key Tab Return Escape
click 88 35
xdotool key Return Escape
sleep 0.3
check "Enter and Escape press nothing and leave the window open" \
  eval '[ ! -e "$WORK/win/list.txt" ] && kill -0 "$PROG_PID" && [ -n "$(xdotool search --name "^Varnholt\$")" ]'
note "frame list done"

# ---- narrowing (200): progress in the caption while it runs ----------------------------------
for x in 88 128 168 208 248 288; do type_into "$x" 35 27; done
rm -f "$WORK/win/syokiseed.txt" "$WORK/cli/syokiseed.txt"
xprop -spy -id "$WIN" _NET_WM_NAME >"$WORK/captions.txt" 2>/dev/null &   # every caption as it is set
watcher=$!
sleep 0.3
click 290 192
wait_idle
# The window also answers between progress captions: the caption back to
# Varnholt tells that the narrowing has ended.
for _ in $(seq 600); do [ "$(caption)" = Varnholt ] && break; sleep 0.1; done
cli 100=27 101=27 102=27 103=27 104=27 105=27 press 200 >/dev/null 2>&1
check_soon "syokiseed.txt from the window equals varnholt-cli's" same_file "$WORK/win/syokiseed.txt" "$WORK/cli/syokiseed.txt"
kill "$watcher" 2>/dev/null
wait "$watcher" 2>/dev/null
check "progress shown in the caption while the narrowing ran" grep -q '"逆処理:27-27-27-27-27-' "$WORK/captions.txt"
check_soon "caption back to Varnholt after the narrowing" [ "$(caption)" = Varnholt ]
check "syokiseed.txt handed to the desktop's opener" [ "$(tail -1 "$WORK/opened.log")" = syokiseed.txt ]
for x in 88 128 168 208 248 288; do type_into "$x" 35 0; done
note "narrowing done"

# ---- stopwatch (210) --------------------------------------------------------------------------
shot "$WORK/sw-0.png"
click 150 286
wait_idle
shot "$WORK/sw-1.png"
sleep 0.3
shot "$WORK/sw-2.png"
check "first press: the button's caption changes" differs "$WORK/sw-0.png" "$WORK/sw-1.png" 104 278 92 17
check "display counts while running" differs "$WORK/sw-1.png" "$WORK/sw-2.png" 20 274 60 22
click 150 286
wait_idle
shot "$WORK/sw-3.png"
sleep 0.3
shot "$WORK/sw-4.png"
check "second press: the button reads 起動 again" same_area "$WORK/sw-0.png" "$WORK/sw-3.png" 104 278 92 17
check "display keeps its reading after the stop" same_area "$WORK/sw-3.png" "$WORK/sw-4.png" 20 274 60 22
note "stopwatch done"

# ---- candidates (211) and adoption (1001) ---------------------------------------------------------
ivs=(8 30 19 15 29 15)
for i in 0 1 2 3 4 5; do type_into $((105 + 40 * i)) 320 "${ivs[$i]}"; done
type_into 212 350 12
select_item 110 350 11
click 330 351
wait_idle
cli 133=8 134=30 135=19 136=15 137=29 138=15 132=12 310=11 press 211 >"$WORK/cli-211.txt" 2>/dev/null
rows=$(grep -cE '^[0-9A-F]{8}$' "$WORK/cli-211.txt")
check "varnholt-cli finds candidates for these fields ($rows)" [ "$rows" -ge 1 ]
sleep 0.3
shot "$WORK/after-211.png"
buttons_ok() {
  local n
  for ((n = 0; n < rows; n++)); do framed_at "$WORK/after-211.png" 185 $((375 + 25 * n)) 45 22 || return 1; done
  [ "$rows" -ge 10 ] || blank "$WORK/after-211.png" 185 $((375 + 25 * rows)) 45 22
}
check "one adoption button per candidate at its place, none below" buttons_ok
check "candidate rows painted as varnholt-cli's, pixel for pixel" painted_as_cli "$WORK/after-211.png" "$WORK/cli-211.txt"
click 207 386
wait_idle
reading=$(field_at 470 320)
cli 133=8 134=30 135=19 136=15 137=29 138=15 132=12 310=11 press 211 press 1001 show 145 >"$WORK/cli-1001.txt" 2>/dev/null
check "adoption copies the stopwatch reading into 144 ($reading)" \
  awk -v r="$reading" 'BEGIN{exit !(r ~ /^[0-9]+\.[0-9][0-9]$/ && r > 0.3 && r < 30)}'
check "adoption writes the candidate's delay into 145 as varnholt-cli does" [ "$(field_at 624 320)" = "$(tail -1 "$WORK/cli-1001.txt")" ]
note "candidates done"

# ---- boot and load time (212) -------------------------------------------------------------------
type_into 568 261 5A0C0400
click 730 321
wait_idle
shot "$WORK/after-212.png"
cli 133=8 134=30 135=19 136=15 137=29 138=15 132=12 310=11 press 211 show 147 144="$reading" \
  145="$(field_at 624 320)" 140=5A0C0400 press 212 >"$WORK/cli-212.txt" 2>/dev/null
check "boot and load lines painted" eval 'drawn "$WORK/after-212.png" 410 350 200 16 && drawn "$WORK/after-212.png" 410 380 200 16'
check "candidate rows and boot/load lines painted as varnholt-cli's, pixel for pixel" \
  painted_as_cli "$WORK/after-212.png" "$WORK/cli-212.txt"

# ---- check list (213) -----------------------------------------------------------------------------
type_into 438 431 3
type_into 688 431 50
rm -f "$WORK/win/zure.txt"
click 670 522
wait_idle
cli 140=5A0C0400 146=3 148=50 press 213 >"$WORK/cli-213.txt" 2>/dev/null
cli 133=8 134=30 135=19 136=15 137=29 138=15 132=12 310=11 press 211 144="$reading" \
  145="$(field_at 624 320)" 140=5A0C0400 press 212 146=3 148=50 show 147 press 213 >"$WORK/cli-all.txt" 2>/dev/null
check_soon "zure.txt from the window equals varnholt-cli's" same_file "$WORK/win/zure.txt" "$WORK/cli/zure.txt"
check "zure.txt handed to the desktop's opener" [ "$(tail -1 "$WORK/opened.log")" = zure.txt ]
shot "$OUT/native-window.png"
check "all results painted as varnholt-cli's after 213, pixel for pixel" painted_as_cli "$OUT/native-window.png" "$WORK/cli-all.txt"
check "varnholt-cli paints an ideal roaming line here, and so does the window" \
  eval 'grep -q "理想徘徊消費" "$WORK/cli-213.txt" && drawn "$OUT/native-window.png" 600 480 120 16'
note "check list done"

# ---- a search without candidates removes the buttons -----------------------------------------------
for i in 0 1 2 3 4 5; do type_into $((105 + 40 * i)) 320 31; done
click 330 351
wait_idle
cli 133=31 134=31 135=31 136=31 137=31 138=31 132=12 310=11 press 211 >"$WORK/cli-211b.txt" 2>/dev/null
rows_b=$(grep -cE '^[0-9A-F]{8}$' "$WORK/cli-211b.txt")
sleep 0.3
shot "$WORK/after-211b.png"
check "a search with $rows_b candidates (as varnholt-cli) leaves no adoption button" \
  eval '[ "$rows_b" = 0 ] && blank "$WORK/after-211b.png" 114 375 120 225'

# ---- a result file that cannot be created ------------------------------------------------------------
rm -f "$WORK/win/list.txt"
mkdir "$WORK/win/list.txt"                      # a directory stands where the file goes
handed=$(wc -l <"$WORK/opened.log")
click 630 182
wait_idle
check_soon "list.txt that cannot be created: the caption says so" [ "$(caption)" = "list.txtを作成できません" ]
check "list.txt that cannot be created is not handed to the opener" [ "$(wc -l <"$WORK/opened.log")" = "$handed" ]

# ---- close while the stopwatch runs ---------------------------------------------------------------------
click 150 286
sleep 0.2
close_program
check "closing while the stopwatch runs ends the program with exit code 0 (got $CLOSE_STATUS)" [ "$CLOSE_STATUS" = 0 ]

note "screenshot kept: $OUT/native-window.png"
echo "$pass passed, $fail failed"
[ "$fail" -eq 0 ]
