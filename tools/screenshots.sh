#!/usr/bin/env bash
# Takes screenshots of the extractor's dialogs and message boxes into
# docs/screenshots/: builds sample packages with oxpack, runs them in a Wine
# virtual desktop on the build tree's own display, answers each window from
# the keyboard and captures it.
#   tools/screenshots.sh          (OX_BUILD=DIR for another build folder)
#   OX_DPI=144 tools/screenshots.sh   the same at 150 % (192: 200 %), into
#                                     docs/screenshots/dpi144/
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OX_BUILD:-$root/build}
"$root/tools/build.sh" >"$build/screenshots-build.log" 2>&1 ||
  { tail -n 30 "$build/screenshots-build.log" >&2; exit 1; }

work=$build/shots
out=$root/docs/screenshots
dpi=${OX_DPI:-}
[ "$dpi" != 96 ] || dpi=""
[ -z "$dpi" ] || out=$out/dpi$dpi
# The desktop grows with the scale; 1024x768 is the whole display.
screen=800x600
[ -z "$dpi" ] || screen=1024x768
rm -rf "$work"
mkdir -p "$work/payload" "$work/dest" "$out"

# Unix paths are seen by Windows programs under drive Z:.
win() { local p; p=$(realpath -m "$1"); printf 'Z:%s' "${p//\//\\}"; }
wine_run() { "$build/wine-run" "$@"; }

# The windows show folders as a user would see them, not the build
# machine's: the packages sit on a drive of the prefix mapped to a scratch
# folder, and they install into C:\Program Files\Widget 2.0, a folder of
# the prefix that leads to another scratch folder. Both go when the script
# ends.
[ -d "$build/wineprefix/dosdevices" ] || wine_run wineboot -i >/dev/null 2>&1 || true
mkdir -p "$work/media"
letter=""
for l in d e f g h i j k l m n o p q r s t u v w x y; do
  if [ ! -e "$build/wineprefix/dosdevices/$l:" ] && [ ! -L "$build/wineprefix/dosdevices/$l:" ]; then
    letter=$l
    break
  fi
done
[ -n "$letter" ] || { echo "screenshots: no free drive letter in the prefix" >&2; exit 1; }
ln -s "$work/media" "$build/wineprefix/dosdevices/$letter:"
programs="$build/wineprefix/drive_c/Program Files"
rm -f "$programs/Widget 2.0"
ln -s "$work/dest" "$programs/Widget 2.0"
media="${letter^^}:"
destination='C:\Program Files\Widget 2.0'
unmap() {
  rm -f "$build/wineprefix/dosdevices/$letter:"
  if [ -L "$programs/Widget 2.0" ]; then rm -f "$programs/Widget 2.0"; fi
}
# Wine reads the scale from either key, depending on its version. The
# tests run in the same prefix, so the old values come back at the end.
dpi_keys=('HKCU\Control Panel\Desktop' 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts')
saved=()
set_dpi() {
  local key
  for key in "${dpi_keys[@]}"; do
    saved+=("$(wine_run reg query "$key" /v LogPixels 2>/dev/null | tr -d '\r' | awk '/LogPixels/ { print $3 }' || true)")
    wine_run reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  done
  # Only programs started after the change see it.
  wine_run --stop >/dev/null 2>&1 || true
}
restore_dpi() {
  local i
  for i in "${!saved[@]}"; do
    if [ -n "${saved[$i]}" ]; then
      wine_run reg add "${dpi_keys[$i]}" /v LogPixels /t REG_DWORD /d "$((saved[$i]))" /f >/dev/null 2>&1 || true
    else
      wine_run reg delete "${dpi_keys[$i]}" /v LogPixels /f >/dev/null 2>&1 || true
    fi
  done
}
trap 'restore_dpi; "$build/wine-run" --stop >/dev/null 2>&1 || true; unmap' EXIT
[ -z "$dpi" ] || set_dpi

# The sample: a licence, a small file that already exists at the
# destination (for the overwrite prompt) and a large one, so that the
# progress dialog stays up long enough to be seen.
printf 'Widget 2.0 read-me.\r\n' >"$work/payload/readme.txt"
cp "$work/payload/readme.txt" "$work/dest/readme.txt"
head -c 48000000 /dev/urandom >"$work/payload/widget.dat"
printf '%s\n' "WIDGET 2.0 LICENCE AGREEMENT" "" \
  "You may install and use this sample on any number of computers." \
  "It comes with no warranty of any kind." >"$work/licence.txt"

echo "== packing the samples"
wine_run "$build/bin/oxpack.exe" --title "Widget 2.0" \
  --question "Install Widget 2.0 on this computer?" \
  --protect --password s3cret --licence "$(win "$work/licence.txt")" \
  --completion "Widget 2.0 is ready to use." --compression none \
  --output "$media\\widget.exe" \
  "$(win "$work/payload/readme.txt")" "$(win "$work/payload/widget.dat")" >/dev/null
# More room than any disk has, for the free-space box.
wine_run "$build/bin/oxpack.exe" --title "Widget 2.0" --required-mb 900000000 \
  --destination "$destination" --output "$media\\roomy.exe" \
  "$(win "$work/payload/readme.txt")" >/dev/null
# Every window captioned by the maker (--caption), not the extractor.
wine_run "$build/bin/oxpack.exe" --caption "Widget 2.0 Setup" --title "Widget 2.0" \
  --question "Install Widget 2.0 on this computer?" --destination "$destination" \
  --output "$media\\caption.exe" "$(win "$work/payload/readme.txt")" >/dev/null

DISPLAY=":$(cat "$build/xvfb/display")"
export DISPLAY

desktop=""
last=""
# The screen as the virtual desktop shows it, as a hash to notice changes.
grab() { xwd -silent -id "$desktop" >"$work/screen.xwd" 2>/dev/null && md5sum <"$work/screen.xwd"; }

# Waits until the desktop shows a window that was not there at the last
# shot and keeps it for a moment (or, with "moving", just a window), then
# saves it, cut to the windows, as NAME.png.
shot() {
  local name=$1 mode=${2:-still} now before="" tries=0
  while :; do
    tries=$((tries + 1))
    if [ $tries -gt 80 ]; then
      echo "   $name: nothing new appeared" >&2
      cp "$work/screen.xwd" "$work/$name-timeout.xwd" 2>/dev/null || true
      return 1
    fi
    sleep 0.25
    now=$(grab) || continue
    [ "$now" = "$last" ] && continue
    if [ "$mode" != moving ] && [ "$now" != "$before" ]; then before=$now; continue; fi
    # An empty desktop is not a shot.
    python3 "$root/tools/art/xwd_to_png.py" "$work/screen.xwd" "$out/$name.png" --trim && break
  done
  last=$now
  echo "   $name.png"
}
# A window that opens while the desktop has no focus stays inactive and
# deaf to the keyboard: one click on its title bar activates it.
activate() {
  local left top right bottom
  read -r left top right bottom < <(python3 "$root/tools/art/xwd_to_png.py" --bbox "$work/screen.xwd")
  xdotool mousemove --window "$desktop" $(((left + right) / 2)) $((top + 8)) click 1
  sleep 0.3
}
keys() { xdotool windowfocus --sync "$desktop" 2>/dev/null || true; xdotool key --delay 60 "$@"; }
typed() { xdotool windowfocus --sync "$desktop" 2>/dev/null || true; xdotool type --delay 40 "$1"; }

# Lets the package end by itself for a while, then ends the Wine session,
# so that a run stuck behind an unseen window cannot hold up the next one.
finish_package() {
  for _ in $(seq 1 40); do
    kill -0 "$package" 2>/dev/null || { wait "$package" || true; return 0; }
    sleep 0.25
  done
  echo "   the package did not end; stopping Wine" >&2
  "$build/wine-run" --stop >/dev/null 2>&1 || true
  wait "$package" || true
}

start_package() {
  (cd "$work/media" && wine_run explorer "/desktop=shots,$screen" "$@" >/dev/null 2>&1) &
  package=$!
  desktop=""
  for _ in $(seq 1 80); do
    desktop=$(xdotool search --name '^shots' 2>/dev/null | head -n1) && [ -n "$desktop" ] && break
    sleep 0.25
  done
  [ -n "$desktop" ] || { echo "the Wine desktop did not open" >&2; exit 1; }
  last=""
}

echo "== the whole run: question, password, licence, destination, overwrite"
start_package "$media\\widget.exe"
shot start-question && activate && keys y
shot password && typed s3cret && keys Return
shot licence && keys Return
# Taken again once the destination is typed: the dialog first offers the
# package's own folder, the mapped drive.
shot destination && keys End shift+Home && typed "$destination" && shot destination && keys Return
shot overwrite && keys Return
# The completion message comes next, drawn black here (see below); Return
# answers it all the same.
sleep 3
keys Return
finish_package

echo "== not enough free space"
start_package "$media\\roomy.exe"
shot free-space && activate && keys Return
finish_package

echo "== a package with a caption of its own"
start_package "$media\\caption.exe"
shot caption && activate && keys n
finish_package

# On a display without a window manager Wine often leaves a message box
# undrawn where it covers another window of the program, most of all a box
# of the extraction's worker thread over the progress dialog (a 20-line
# program shows the same). Boxes over a dialog are therefore taken outside
# the virtual desktop, with the windows unmanaged (Wine draws their frames;
# the test runs keep the prefix so too) and the dialog moved out of the way.
wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# 1,500 small files keep the progress dialog up for a while.
mkdir -p "$work/parts"
python3 -c 'import sys
for i in range(1500):
    open("%s/part%04d.txt" % (sys.argv[1], i), "w").write("Widget part %d\n" % i * 50)' "$work/parts"
wine_run "$build/bin/oxpack.exe" --title "Widget 2.0" --protect --password s3cret \
  --completion "Widget 2.0 is ready to use." --compression none \
  --destination "$destination" --output "$media\\boxes.exe" \
  "$(win "$work/payload/readme.txt")" --folder "$(win "$work/parts")" >/dev/null

# The visible X windows whose title shows "Widget 2.0".
windows() { xdotool search --onlyvisible --name 'Widget 2\.0' 2>/dev/null || true; }
wait_window() {
  local known=$1 w
  for _ in $(seq 1 120); do
    for w in $(windows); do
      case " $known " in *" $w "*) ;; *) echo "$w"; return 0 ;; esac
    done
    sleep 0.25
  done
  return 1
}
# Saves the X window as NAME.png.
capture() {
  xwd -silent -id "$1" >"$work/window.xwd" &&
    python3 "$root/tools/art/xwd_to_png.py" "$work/window.xwd" "$out/$2.png" && echo "   $2.png"
}
# Gives the X window the focus and presses a key there.
press() {
  xdotool windowfocus --sync "$1" 2>/dev/null || true
  xdotool key --delay 60 "$2"
}

# Runs the sample with password, shoots the progress dialog as progshot
# (when given) and the box that ends the run as name.
box_shot() {
  local name=$1 password=$2 progshot=${3:-} dialog progress box
  find "$work/dest" -mindepth 1 -delete
  (cd "$work/media" && wine_run "$media\\boxes.exe" >/dev/null 2>&1) &
  package=$!
  dialog=$(wait_window "") || { echo "   $name: no password dialog" >&2; finish_package; return 1; }
  sleep 0.5
  xdotool windowfocus --sync "$dialog" 2>/dev/null || true
  xdotool type --delay 40 "$password"
  press "$dialog" Return
  progress=$(wait_window "$dialog") || { echo "   $name: no progress dialog" >&2; finish_package; return 1; }
  xdotool windowmove "$progress" 0 0 2>/dev/null || true
  if [ -n "$progshot" ]; then
    sleep 0.5
    capture "$progress" "$progshot"
  fi
  box=$(wait_window "$dialog $progress") || { echo "   $name: no box" >&2; finish_package; return 1; }
  sleep 1
  capture "$box" "$name"
  press "$box" Return
  finish_package
}

# The quit question over the password dialog, with the dialog moved aside.
cancel_shot() {
  local dialog box
  (cd "$work/media" && wine_run "$media\\boxes.exe" >/dev/null 2>&1) &
  package=$!
  dialog=$(wait_window "") || { echo "   cancel-question: no password dialog" >&2; finish_package; return 1; }
  xdotool windowmove "$dialog" 0 0 2>/dev/null || true
  sleep 0.5
  press "$dialog" Escape
  box=$(wait_window "$dialog") || { echo "   cancel-question: no box" >&2; finish_package; return 1; }
  sleep 1
  capture "$box" cancel-question
  press "$box" y
  finish_package
}

echo "== the extraction: progress, completion, a wrong password; the quit question"
box_shot completion s3cret progress
box_shot wrong-password wrong
cancel_shot

# The package's own icon and version information, set by oxpack, as a
# folder view shows the file. Wine's prefix lacks the ".exe" association
# every Windows has, without which no program file shows its own icon.
# The folder view is Wine's own window: taken at 100 % only.
[ -z "$dpi" ] || { echo "== screenshots in ${out#"$root"/}/"; exit 0; }
echo "== a package with its own icon in a folder view"
wine_run reg add 'HKCR\.exe' /ve /d exefile /f >/dev/null 2>&1
python3 - "$work/brand.txt" <<'ART'
import sys
rows = []
for y in range(32):
    row = ""
    for x in range(32):
        edge = x in (2, 29) or y in (2, 29)
        inside = 2 < x < 29 and 2 < y < 29
        # A "W" of four strokes inside a rounded blue tile.
        w = 8 <= y <= 23 and any(abs(x - (c + (y - 8) * d // 15)) <= 1
                                 for c, d in ((7, 4), (15, -4), (15, 4), (23, -4)))
        corner = min(x, 31 - x) + min(y, 31 - y) < 6
        row += "." if corner or not (edge or inside) else ("W" if w else ("D" if edge else "B"))
    rows.append(row)
open(sys.argv[1], "w").write("colours:\nB 2a62c9 9\nD 143a80 1\nW ffffff 15\npixels:\n" + "\n".join(rows) + "\n")
ART
python3 "$root/tools/art/make_icons.py" "$work" "$work/brand.txt"
wine_run "$build/bin/oxpack.exe" --title "Widget 2.0" --icon "$(win "$work/brand.ico")" \
  --product-name "Widget 2.0" --product-version 2.0.0.0 --company "Widget Works" \
  --description "Widget 2.0 setup" --copyright "(c) Widget Works" --destination "$destination" \
  --output "$media\\Widget 2.0 Setup.exe" "$(win "$work/payload/readme.txt")" >/dev/null
wine_run "$build/bin/oxpack.exe" --inspect "$media\\Widget 2.0 Setup.exe" | sed -n '/ersion information/,/^$/p'
start_package explorer.exe "$media\\"
shot package-icon
finish_package

echo "== screenshots in ${out#"$root"/}/"
