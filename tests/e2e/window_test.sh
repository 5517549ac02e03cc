#!/usr/bin/env bash
# End-to-end test of the real Windows program: varnholt.exe under Wine on a
# private Xvfb display, driven like a user with xdotool at the window's client
# coordinates. The result files the window writes are compared byte for byte
# with what varnholt-cli writes for the same fields; the live controls are
# read with window-probe.exe. The whole test runs twice, under a Japanese
# locale (code page 932) and under an English one (code page 1252): the window
# must show and do the same under both.
#
#   tests/e2e/window_test.sh WIN_BUILD_DIR CLI [SAMPLE_DIR]
#
# WIN_BUILD_DIR holds varnholt.exe, varnholt-autoscroll.exe and
# window-probe.exe; the test keeps its Wine prefix and its screenshots
# (window.png and window-start.png from the Japanese run, window-en.png and
# window-start-en.png from the English one) in WIN_BUILD_DIR/e2e. Needs Xvfb,
# wine, xdotool and ImageMagick's import/convert; needs no display of its own.
# Prints 'N passed, N failed'; exit status 0 only when nothing failed.
# KEEP_WORK=1 keeps the run directories (files, logs, crops) in WIN_BUILD_DIR/e2e.
# E2E_LOCALE=ja_JP.UTF-8 (or en_US.UTF-8) runs the test under that locale only.
set -uo pipefail
# 1 (the default) runs the case that presses Escape during a long narrowing;
# 0 leaves it out.
ESCAPE_CASE=${ESCAPE_CASE:-1}

if [ -z "${E2E_LOCALE:-}" ]; then
  total_pass=0 total_fail=0
  summary=$(mktemp)
  for loc in ja_JP.UTF-8 en_US.UTF-8; do
    E2E_LOCALE=$loc bash "$0" "$@" 2>&1 | sed -u "s/^/[${loc%%_*}] /" | tee "$summary"
    counts=$(sed -n 's/^\[[a-z]*\] \([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p' "$summary" | tail -1)
    read -r p f <<<"${counts:-0 1}"
    total_pass=$((total_pass + p)) total_fail=$((total_fail + f))
  done
  rm -f "$summary"
  echo "$total_pass passed, $total_fail failed"
  [ "$total_fail" -eq 0 ]
  exit
fi

WIN_BUILD=$(cd "${1:?usage: window_test.sh WIN_BUILD_DIR CLI [SAMPLE_DIR]}" && pwd)
CLI=$(realpath "${2:?usage: window_test.sh WIN_BUILD_DIR CLI [SAMPLE_DIR]}")
HERE=$(cd "$(dirname "$0")" && pwd)
SAMPLE=$(cd "${3:-$HERE/../../sample}" && pwd)
WINE_RUN=$(cd "$HERE/../../cmake" && pwd)/wine-run.sh
PROBE_EXE="$WIN_BUILD/window-probe.exe"

OUT="$WIN_BUILD/e2e"
mkdir -p "$OUT"
WORK=$(mktemp -d "$OUT/run.XXXXXX")
# The prefix is private to this build tree and kept between runs.
export WINEPREFIX="$OUT/wineprefix"
export TMPDIR="$OUT"          # the server's socket directory: the same for start and stop
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine takes the system's ANSI code page from the locale, made first where it
# is missing (so that the shell itself can switch to it).
locale -a 2>/dev/null | grep -qix "${E2E_LOCALE%%.*}.utf8" || localedef -i "${E2E_LOCALE%%.*}" -f UTF-8 "$E2E_LOCALE"
export LANG=$E2E_LOCALE LC_ALL=$E2E_LOCALE
# Screenshots of the Japanese run keep their plain names.
case $E2E_LOCALE in ja_*) SUFFIX= ;; *) SUFFIX=-${E2E_LOCALE%%_*} ;; esac

pass=0
fail=0
ok() { pass=$((pass + 1)); echo "PASS $*"; }
bad() { fail=$((fail + 1)); echo "FAIL $*"; }
check() { local what=$1; shift; if "$@"; then ok "$what"; return 0; fi; bad "$what"; return 1; }
# For what an input brings about: input reaches the window asynchronously, and a
# probe's message can be answered before it, so the condition may take a moment
# to hold (up to about two seconds).
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
  wineserver -k 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  wait 2>/dev/null
  [ -n "${KEEP_WORK:-}" ] || rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

for tool in Xvfb wine wineserver xdotool import convert compare identify iconv; do
  command -v "$tool" >/dev/null || { echo "FAIL missing tool: $tool"; echo "0 passed, 1 failed"; exit 1; }
done
for f in varnholt.exe varnholt-autoscroll.exe window-probe.exe; do
  [ -f "$WIN_BUILD/$f" ] || { echo "FAIL missing $WIN_BUILD/$f"; echo "0 passed, 1 failed"; exit 1; }
done

# ---- display and Wine --------------------------------------------------------
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" 2>"$WORK/xvfb.log" &
XVFB_PID=$!
for _ in $(seq 200); do [ -s "$WORK/display" ] && break; sleep 0.05; done
[ -s "$WORK/display" ] || { echo "FAIL Xvfb did not start"; cat "$WORK/xvfb.log"; echo "0 passed, 1 failed"; exit 1; }
export DISPLAY=":$(cat "$WORK/display")"
timeout 120 "$WINE_RUN" --warm
note "display $DISPLAY, prefix ready"

# ---- helpers -------------------------------------------------------------------
hex() { od -An -tx1 | tr -d ' \n'; }
unhex() { local h; read -r h; [ "$h" = - ] || printf "$(sed 's/../\\x&/g' <<<"$h")"; }
sjis_hex() { local h; h=$(printf '%s' "$1" | iconv -f UTF-8 -t CP932 | hex); echo "${h:--}"; }
# The probe blocks while the window thread is busy, so it also waits for a command to end.
probe() { timeout 120 "$WINE_RUN" "$PROBE_EXE" "$@" | tr -d '\r'; }
text_of() { probe text "$1"; }
click() { xdotool mousemove --window "$WIN" "$1" "$2" click 1; sleep 0.25; }
# Types into an edit field at (x, y), replacing its text.
type_into() { click "$1" "$2"; xdotool key End shift+Home; xdotool type --delay 15 "$3"; sleep 0.1; }
# Selects item n of a closed drop-down list at (x, y).
select_item() { click "$1" "$2"; xdotool key Escape; sleep 0.1; xdotool key Home; local i; for ((i = 0; i < $3; i++)); do xdotool key Down; done; }
shot() { import -window "$WIN" "$1"; }
# Whether anything is drawn in a client rectangle of a screenshot.
drawn() { local m; m=$(convert "$1" -crop "$4x$5+$2+$3" +repage -colorspace gray -format '%[fx:mean]' info:); awk -v m="$m" 'BEGIN{exit !(m < 0.995)}'; }
blank() { ! drawn "$@"; }
same_file() { [ -f "$1" ] && [ -f "$2" ] && cmp -s "$1" "$2"; }
cli() { (cd "$WORK/cli" && "$CLI" "$@"); }

# Paints the items of file $WORK/$1 in the probe's window and takes its screenshot $2.
render_shot() {
  (cd "$WORK" && exec "$WINE_RUN" "$PROBE_EXE" render "$1" >/dev/null 2>&1) &
  local pid=$! rwin=
  for _ in $(seq 100); do
    rwin=$(xdotool search --name '^probe-render$' 2>/dev/null | head -1)
    [ -n "$rwin" ] && break
    sleep 0.1
  done
  [ -n "$rwin" ] || { kill "$pid" 2>/dev/null; echo "  render window missing"; return 1; }
  sleep 0.5
  import -window "$rwin" "$2"
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return 0
}

# The window's labels and dividers, each at its place (x y text).
LABELS=$(grep -v '^#' "$HERE/labels.txt")
# Screenshot $1 against the labels and dividers painted by the probe, pixel
# for pixel everywhere outside the child controls (as they show now).
labels_as_layout() {
  local spec="$WORK/labels.txt" x y text
  printf 'L 400 0 400 800\nL 0 249 800 249\n' >"$spec"
  while read -r x y text; do echo "$x $y $(sjis_hex "$text")" >>"$spec"; done <<<"$LABELS"
  render_shot labels.txt "$WORK/labels.png" || return 1
  local draw=() w h
  while read -r x y w h; do draw+=(-draw "rectangle $x,$y,$((x + w - 1)),$((y + h - 1))"); done < <(probe rects)
  convert "$1" -fill '#ff00ff' "${draw[@]}" "$WORK/masked-a.png"
  convert "$WORK/labels.png" -fill '#ff00ff' "${draw[@]}" "$WORK/masked-b.png"
  local diff
  diff=$(compare -metric AE "$WORK/masked-a.png" "$WORK/masked-b.png" null: 2>&1)
  [ "$diff" = 0 ] || { echo "  $diff pixels differ outside the controls"; return 1; }
}

# The result areas: candidate rows 0-7 (those inside the client area), the
# boot and load lines, the ideal roaming count. name x y w h
areas=()
for i in 0 1 2 3 4 5 6 7; do areas+=("row$i 114 $((375 + 25 * i)) 70 18"); done
areas+=("boot 410 350 382 18" "load 410 380 382 18" "roaming 600 480 192 18")
# Paints what varnholt-cli printed for its last paint (UTF-8 lines in $2,
# after the last line "zarbel名" that 'show 147' prints) at the result areas' places in a window of the probe's own, with the device
# context's defaults, and compares every result area of screenshot $1 with
# it pixel by pixel: the same texts at the same places, and nothing elsewhere.
painted_as_cli() {
  local shot=$1 lines=$2 spec="$WORK/render.txt" row=0 line x y
  : >"$spec"
  while IFS= read -r line; do
    case "$line" in
      起動:*) x=410 y=350 ;;
      ロード:*) x=410 y=380 ;;
      理想徘徊消費:*) x=600 y=480 ;;
      *) [[ "$line" =~ ^[0-9A-F]{8}$ ]] || continue; x=114 y=$((375 + 25 * row)); row=$((row + 1)) ;;
    esac
    echo "$x $y $(sjis_hex "$line")" >>"$spec"
  done < <(awk '$0 == "zarbel名" { n = 0; delete l; next } { l[++n] = $0 } END { for (i = 1; i <= n; i++) print l[i] }' "$lines")
  render_shot render.txt "$WORK/render.png" || return 1
  local a name w h diff result=0
  for a in "${areas[@]}"; do
    read -r name x y w h <<<"$a"
    convert "$shot" -crop "${w}x${h}+$x+$y" +repage "$WORK/crop-a.png"
    convert "$WORK/render.png" -crop "${w}x${h}+$x+$y" +repage "$WORK/crop-b.png"
    diff=$(compare -metric AE "$WORK/crop-a.png" "$WORK/crop-b.png" null: 2>&1)
    [ "$diff" = 0 ] || { echo "  $name: $diff pixels differ"; result=1; }
  done
  return $result
}

start_program() {  # exe
  (cd "$WORK/win" && exec "$WINE_RUN" "$WIN_BUILD/$1" >"$WORK/$1.log" 2>&1) &
  PROG_PID=$!
  WIN=
  for _ in $(seq 300); do
    WIN=$(xdotool search --name '^Varnholt$' 2>/dev/null | head -1)
    [ -n "$WIN" ] && break
    sleep 0.1
  done
  [ -n "$WIN" ] || return 0
  probe focus >/dev/null   # returns once the window takes messages
  # The window is mapped before its first paint has created every control,
  # and messages sent to it can be answered while that creation runs: wait
  # until all controls exist.
  for _ in $(seq 50); do
    probe layout 2>/dev/null | grep -q 'child windows, want' || break
    sleep 0.1
  done
}

stop_program() {  # closes with Alt+F4 from edit field 100; sets CLOSE_STATUS
  click 88 35
  xdotool key alt+F4
  CLOSE_STATUS=timeout
  for _ in $(seq 100); do
    if ! kill -0 "$PROG_PID" 2>/dev/null; then wait "$PROG_PID"; CLOSE_STATUS=$?; PROG_PID=; break; fi
    sleep 0.1
  done
  [ -n "$PROG_PID" ] && { kill "$PROG_PID" 2>/dev/null; wait "$PROG_PID" 2>/dev/null; PROG_PID=; }
}

mkdir -p "$WORK/win" "$WORK/cli"
for d in win cli; do cp "$SAMPLE/zarbel.dat" "$SAMPLE/config.txt" "$WORK/$d/"; done
# The last species is renamed to what a read of field 147 (10 bytes) keeps of
# NAME_TYPED: the first byte of its last, double-byte character stays.
NAME_TYPED=aピダラヂヅ
for d in win cli; do
  { head -n 492 "$SAMPLE/zarbel.dat"
    printf '%s,' "$(tail -n 1 "$SAMPLE/zarbel.dat" | cut -d, -f1-6)"
    printf '%s' "$NAME_TYPED" | iconv -f UTF-8 -t CP932 | head -c 10
    printf '\r\n'; } >"$WORK/$d/zarbel.dat"
done

# ---- start-up --------------------------------------------------------------------
acp=$(probe acp)
case $E2E_LOCALE in ja_*) want_acp=932 ;; *) want_acp=1252 ;; esac
check "system code page under $E2E_LOCALE is $want_acp (got $acp)" [ "$acp" = "$want_acp" ]
start_program varnholt.exe
[ -n "$WIN" ] || { bad "window 'Varnholt' appears"; echo "$pass passed, $fail failed"; exit 1; }
ok "window appears with caption $(xdotool getwindowname "$WIN")"
note "window $WIN"
probe layout >"$WORK/layout.txt"
check "live controls match the control table (ID, class, style, place, size, text, items, order)" \
  grep -q ' 0 mismatches' "$WORK/layout.txt" || sed -n 1,20p "$WORK/layout.txt"
line1=$(sed -n 1p "$SAMPLE/config.txt" | tr -d '\r')
line2=$(sed -n 2p "$SAMPLE/config.txt" | tr -d '\r')
check "edit 144 holds config.txt line 1" [ "$(text_of 144)" = "$(sjis_hex "$line1")" ]
check "edit 145 holds config.txt line 2" [ "$(text_of 145)" = "$(sjis_hex "$line2")" ]
shot "$OUT/window-start$SUFFIX.png"
start_blank() {
  blank "$OUT/window-start$SUFFIX.png" 114 375 70 250 && blank "$OUT/window-start$SUFFIX.png" 410 350 380 50 &&
    blank "$OUT/window-start$SUFFIX.png" 600 480 190 16 && drawn "$OUT/window-start$SUFFIX.png" 0 0 120 16
}
check "labels painted; no candidate rows, boot/load lines or roaming line at start" start_blank
check "every label and both dividers at their places, nothing else painted" labels_as_layout "$OUT/window-start$SUFFIX.png"
# A larger window keeps the layout where it is and repaints all of it.
xdotool windowsize "$WIN" 1000 700
sleep 1
probe focus >/dev/null
resized_layout() {
  shot "$WORK/resized-full.png"
  [ "$(identify -format '%wx%h' "$WORK/resized-full.png")" = 1000x700 ] || { echo "  window not resized"; return 1; }
  convert "$WORK/resized-full.png" -crop "$(identify -format '%wx%h' "$OUT/window-start$SUFFIX.png")+0+0" +repage "$WORK/resized.png"
  labels_as_layout "$WORK/resized.png" || return 1
  # The outer size is the one thing that changed.
  probe layout >"$WORK/layout-resized.txt"
  ! grep -vE '^main window [0-9]+x[0-9]+, want|controls checked' "$WORK/layout-resized.txt"
}
check "resized window: controls, labels and dividers stay at their places" resized_layout
xdotool windowsize "$WIN" "$(identify -format '%w' "$OUT/window-start$SUFFIX.png")" "$(identify -format '%h' "$OUT/window-start$SUFFIX.png")"
sleep 0.5

# ---- Tab chain ----------------------------------------------------------------------
chain=(100 101 102 103 104 105 300 108 109 106 107 200 303 150 116 110 111 112 113 114 115 301 118 119
  117 202 133 134 135 136 137 138 132 310 211 140 142 143 311 144 145 212 146 147 148 312 313 314 213
  315 100)
# Sends a key and prints the control that has the focus afterwards. The key
# reaches the window asynchronously: read until the focus has left `from`
# (neighbours in the chain always differ), or give up after about a second.
focus_after_key() {  # key from
  xdotool key "$1"
  local now
  for _ in $(seq 20); do
    now=$(probe focus)
    [ -n "$now" ] && [ "$now" != "$2" ] && break
    sleep 0.05
  done
  echo "$now"
}
click 88 35
walked=$(probe focus)
last=$walked
for ((i = 1; i < ${#chain[@]}; i++)); do
  last=$(focus_after_key Tab "$last")
  walked="$walked $last"
done
check "Tab walks the focus chain and wraps to 100" [ "$walked" = "${chain[*]}" ] || echo "  walked: $walked"
check "Shift+Tab from 100 goes back to 315" [ "$(focus_after_key shift+Tab 100)" = 315 ]
note "tab chain done"

# ---- a field that does not scroll cuts what is typed -----------------------------------
type_into 88 35 123456789
typed=$(text_of 100 | sed 's/../&\n/g' | grep -c .)
check "standard build: 20-pixel edit 100 takes only part of '123456789' ($typed bytes)" [ "$typed" -lt 9 ]
type_into 88 35 0

# ---- frame list (202) -------------------------------------------------------------------
type_into 548 35 5A0C0400
type_into 430 151 40
select_item 515 86 3
click 586 87                                   # check box 901
check_soon "check box 901 ticked by a click" [ "$(probe check 901)" = 1 ]
rm -f "$WORK/win/list.txt"
click 630 182
probe focus >/dev/null
cli 116=5A0C0400 117=40 301=3 901=on press 202 >/dev/null 2>&1
check_soon "list.txt from the window equals varnholt-cli's" same_file "$WORK/win/list.txt" "$WORK/cli/list.txt"
check_soon "list.txt was handed to the command interpreter by its bare name" grep -aq 'list\.txt' "$WORK/varnholt.exe.log"
# Space on the focused button presses it: Tab from field 117 reaches 202.
rm -f "$WORK/win/list.txt"
click 430 151
xdotool key Tab
sleep 0.1
xdotool key space
sleep 0.3
probe focus >/dev/null
check_soon "Tab to リスト出力 and Space writes the same list.txt" same_file "$WORK/win/list.txt" "$WORK/cli/list.txt"

# ---- narrowing (200) --------------------------------------------------------------------
for x in 88 128 168 208 248 288; do type_into "$x" 35 30; done
rm -f "$WORK/win/syokiseed.txt" "$WORK/cli/syokiseed.txt"
click 290 192
probe focus >/dev/null                         # waits until the narrowing has ended
cli 100=30 101=30 102=30 103=30 104=30 105=30 press 200 >/dev/null 2>&1
if [ ! -e "$WORK/cli/syokiseed.txt" ] && [ ! -e "$WORK/win/syokiseed.txt" ]; then
  ok "syokiseed.txt: neither the window nor varnholt-cli writes one for these fields"
else
  check "syokiseed.txt from the window equals varnholt-cli's" same_file "$WORK/win/syokiseed.txt" "$WORK/cli/syokiseed.txt"
fi
check_soon "caption back to Varnholt after the narrowing" [ "$(xdotool getwindowname "$WIN")" = Varnholt ]
note "narrowing done"

# ---- stopwatch (210) --------------------------------------------------------------------
check "stopwatch button reads 起動 at start" [ "$(text_of 210)" = "$(sjis_hex 起動)" ]
check "stopwatch display reads 0 at start" [ "$(text_of 930)" = "$(sjis_hex 0)" ]
click 150 286
check_soon "first press: button reads ロード" [ "$(text_of 210)" = "$(sjis_hex ロード)" ]
sleep 0.4
a=$(text_of 930 | unhex)
sleep 0.4
b=$(text_of 930 | unhex)
check "display counts up while running ($a then $b)" awk -v a="$a" -v b="$b" 'BEGIN{exit !(a > 0 && b > a && b < 30)}'
click 150 286
check_soon "second press: button reads 起動" [ "$(text_of 210)" = "$(sjis_hex 起動)" ]
c=$(text_of 930 | unhex)
sleep 0.3
d=$(text_of 930 | unhex)
check "display keeps its reading after the stop ($c, $d)" \
  awk -v b="$b" -v c="$c" -v d="$d" 'BEGIN{exit !(c == d && c >= b && c ~ /^[0-9]+\.[0-9][0-9]$/)}'

# ---- candidates (211) and adoption (1001) -----------------------------------------------
ivs=(8 30 19 15 29 15)
for i in 0 1 2 3 4 5; do type_into $((105 + 40 * i)) 320 "${ivs[$i]}"; done
type_into 212 350 12
select_item 110 350 11
click 330 351
probe focus >/dev/null
cli 133=8 134=30 135=19 136=15 137=29 138=15 132=12 310=11 press 211 >"$WORK/cli-211.txt" 2>/dev/null
rows=$(grep -cE '^[0-9A-F]{8}$' "$WORK/cli-211.txt")
probe buttons >"$WORK/buttons.txt"
want_buttons=
for ((n = 1; n <= rows; n++)); do
  want_buttons+="$((1000 + n)) 185 $((375 + 25 * (n - 1))) 45 22 50000000 $(sjis_hex 採用)"$'\n'
done
check "varnholt-cli finds candidates for these fields ($rows)" [ "$rows" -ge 1 ]
check "candidate search: one adoption button 採用 per candidate, at its place" \
  [ "$(cat "$WORK/buttons.txt")"$'\n' = "$want_buttons" ] || cat "$WORK/buttons.txt"
shot "$WORK/after-211.png"
rows_ok=true
for ((i = 0; i < rows; i++)); do drawn "$WORK/after-211.png" 114 $((375 + 25 * i)) 66 16 || rows_ok=false; done
[ "$rows" -lt 10 ] && { blank "$WORK/after-211.png" 114 $((375 + 25 * rows)) 66 16 || rows_ok=false; }
check "candidate rows painted level with their buttons, none below" $rows_ok
display=$(text_of 930)
click 207 386
cli 133=8 134=30 135=19 136=15 137=29 138=15 132=12 310=11 press 211 press 1001 show 145 >"$WORK/cli-1001.txt" 2>/dev/null
check_soon "adoption copies the stopwatch reading into 144" [ "$(text_of 144)" = "$display" ]
check_soon "adoption writes the candidate's delay into 145 as varnholt-cli does" \
  [ "$(text_of 145)" = "$(sjis_hex "$(tail -1 "$WORK/cli-1001.txt")")" ]
note "candidates done"

# ---- boot and load time (212) -------------------------------------------------------------
type_into 568 261 5A0C0400
shot "$WORK/before-212.png"
click 730 321
probe focus >/dev/null
shot "$WORK/after-212.png"
check "no boot/load lines before 212" blank "$WORK/before-212.png" 410 350 380 50
check "boot line at (410, 350) after 212" drawn "$WORK/after-212.png" 410 350 200 16
check "load line at (410, 380) after 212" drawn "$WORK/after-212.png" 410 380 200 16
cli 133=8 134=30 135=19 136=15 137=29 138=15 132=12 310=11 press 211 show 147 \
  144="$(text_of 144 | unhex)" 145="$(text_of 145 | unhex)" 140=5A0C0400 press 212 >"$WORK/cli-212.txt" 2>/dev/null
check "candidate rows and boot/load lines painted as varnholt-cli's, pixel for pixel" \
  painted_as_cli "$WORK/after-212.png" "$WORK/cli-212.txt"

# ---- check list (213) ------------------------------------------------------------------------
type_into 438 431 3
type_into 688 431 50
probe settext 147 "$(sjis_hex "$NAME_TYPED")" >/dev/null
rm -f "$WORK/win/zure.txt"
click 670 522
probe focus >/dev/null
cli 140=5A0C0400 146=3 148=50 press 213 >/dev/null 2>&1
mv "$WORK/cli/zure.txt" "$WORK/zure-unknown-name.txt"
cli 140=5A0C0400 146=3 148=50 147="$NAME_TYPED" press 213 >"$WORK/cli-213.txt" 2>/dev/null
differs() { ! cmp -s "$1" "$2"; }
check "varnholt-cli finds the renamed species (zure.txt differs from an unknown name's)" \
  differs "$WORK/cli/zure.txt" "$WORK/zure-unknown-name.txt"
cli 133=8 134=30 135=19 136=15 137=29 138=15 132=12 310=11 press 211 144="$(text_of 144 | unhex)" \
  145="$(text_of 145 | unhex)" 140=5A0C0400 press 212 146=3 148=50 show 147 147="$NAME_TYPED" press 213 \
  >"$WORK/cli-all.txt" 2>/dev/null
check_soon "zure.txt from the window equals varnholt-cli's (name cut inside a double-byte character)" \
  same_file "$WORK/win/zure.txt" "$WORK/cli/zure.txt"
check_soon "zure.txt was handed to the command interpreter by its bare name" grep -aq 'zure\.txt' "$WORK/varnholt.exe.log"
no_viewer() { [ -z "$(xdotool search --name 'Notepad|メモ帳|\.txt' 2>/dev/null)" ]; }
check "no viewer window was left open" no_viewer
shot "$OUT/window$SUFFIX.png"
check "all results painted as varnholt-cli's after 213, pixel for pixel" painted_as_cli "$OUT/window$SUFFIX.png" "$WORK/cli-all.txt"
if grep -q '理想徘徊消費' "$WORK/cli-213.txt"; then
  check "ideal roaming line painted (varnholt-cli paints one)" drawn "$OUT/window$SUFFIX.png" 600 480 120 16
else
  check "no ideal roaming line (varnholt-cli paints none)" blank "$OUT/window$SUFFIX.png" 600 480 190 16
fi
note "check list done"

# ---- a search without candidates removes the buttons -------------------------------------------
for i in 0 1 2 3 4 5; do type_into $((105 + 40 * i)) 320 31; done
click 330 351
probe focus >/dev/null
cli 133=31 134=31 135=31 136=31 137=31 138=31 132=12 310=11 press 211 >"$WORK/cli-211b.txt" 2>/dev/null
rows_b=$(grep -cE '^[0-9A-F]{8}$' "$WORK/cli-211b.txt")
check "a new search replaces the buttons ($rows_b now, as varnholt-cli)" \
  [ "$(probe buttons | grep -c .)" = "$rows_b" ]

# ---- a result file that cannot be created -------------------------------------------------------
rm -f "$WORK/win/list.txt"
mkdir "$WORK/win/list.txt"                      # a directory stands where the file goes
handed=$(grep -ac 'list\.txt' "$WORK/varnholt.exe.log")
click 630 182
probe focus >/dev/null
check "list.txt that cannot be created: the caption says so" [ "$(xdotool getwindowname "$WIN")" = "list.txtを作成できません" ]
check "list.txt that cannot be created is not handed to the interpreter" \
  [ "$(grep -ac 'list\.txt' "$WORK/varnholt.exe.log")" = "$handed" ]

# ---- Escape cancels a long narrowing ------------------------------------------------------------
# All minimums 0 (the start values) ask for about a day of work.
if [ "$ESCAPE_CASE" = 1 ]; then
  for x in 88 128 168 208 248 288; do type_into "$x" 35 0; done
  rm -f "$WORK/win/syokiseed.txt"
  click 290 192
  sleep 2
  check "the narrowing shows its progress before Escape" \
    grep -q '^逆処理:' <<<"$(xdotool getwindowname "$WIN")"
  xdotool key Escape
  cancelled() { [ "$(xdotool getwindowname "$WIN")" = 計算を中止しました ]; }
  for _ in $(seq 100); do cancelled && break; sleep 0.2; done
  check "Escape ends the narrowing: the caption says it was cancelled" cancelled
  responds() { timeout 20 "$WINE_RUN" "$PROBE_EXE" focus >/dev/null; }
  check "the window takes messages again after the cancel" responds
  check "a cancelled narrowing leaves no syokiseed.txt and no temporary file" \
    [ -z "$(ls -A "$WORK/win" | grep -E 'syokiseed|^~tmp-')" ]
else
  note "skipped: Escape during a long narrowing (ESCAPE_CASE=0)"
fi

# ---- close ------------------------------------------------------------------------------------
stop_program
check "Alt+F4 closes the program with exit code 0 (got $CLOSE_STATUS)" [ "$CLOSE_STATUS" = 0 ]
note "standard build done"

# ---- the auto-scroll build ------------------------------------------------------------------------
start_program varnholt-autoscroll.exe
if [ -n "$WIN" ]; then
  ok "auto-scroll build: window appears"
  probe layout auto >"$WORK/layout-auto.txt"
  check "auto-scroll build: controls match the table with style 0x80 on edits and display" \
    grep -q ' 0 mismatches' "$WORK/layout-auto.txt" || sed -n 1,20p "$WORK/layout-auto.txt"
  type_into 88 35 123456789
  check "auto-scroll build: edit 100 takes all of '123456789'" [ "$(text_of 100)" = "$(sjis_hex 123456789)" ]
  click 150 286                                # the stopwatch keeps running through the close
  sleep 0.2
  check "auto-scroll build: stopwatch running before the close" [ "$(text_of 210)" = "$(sjis_hex ロード)" ]
  stop_program
  check "auto-scroll build closes with exit code 0 while the stopwatch runs (got $CLOSE_STATUS)" [ "$CLOSE_STATUS" = 0 ]
else
  bad "auto-scroll build: window appears"
fi

note "screenshots kept: $OUT/window-start$SUFFIX.png, $OUT/window$SUFFIX.png"
echo "$pass passed, $fail failed"
[ "$fail" -eq 0 ]
