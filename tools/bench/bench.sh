#!/usr/bin/env bash
# The extraction benchmark, in one command:
#   tools/bench/bench.sh            (OX_BUILD=DIR for another build tree,
#                                    BENCH_RUNS=N repetitions, default 3,
#                                    BENCH_MB=M large payload size, default 200,
#                                    BENCH_FILES=F its file count, default 2000)
# Generates a deterministic payload of about 200 MB in 2,000 files (and one
# of about 20 MB in 200 files), packs each with oxpack (MSZIP) unprotected
# and protected, and extracts, N times each and interleaved:
#   silent     the package with $SILENT$
#   dialog     the package with its progress dialog
#   protected  the protected package, password typed into its dialog
#   floor      the same cabinet through fdi_floor.exe (bare FDI calls)
#   cabextract the same cabinet through Debian's cabextract (native)
#   empty      empty_dialog.exe: one empty dialog shown and closed, what
#              any dialog costs (against the small package's dialog run)
# and packs the large payload N times, interleaved with the rest:
#   pack       oxpack.exe under Wine (MSZIP, every core), from its start
#   native     the native oxpack (MSZIP, every core), and its peak resident
#              set, also for the small payload (it should not grow with it)
#   gcab       Debian's gcab -c -z (native, MSZIP, one thread) on the same files
# The Windows programs run under the build's Wine and are timed, and their
# peak working set read, by bench_launch.exe. The first extraction of every
# kind is compared byte for byte with the payload.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${OX_BUILD:-$root/build}
runs=${BENCH_RUNS:-3}
big_mb=${BENCH_MB:-200}     # size of the large payload; the small one is a tenth
big_files=${BENCH_FILES:-2000}  # files of the large payload; the small one has a tenth
OX_BUILD=$build "$root/tools/build.sh" >/dev/null
# Only the shipped 32-bit programs' figures count for the targets.
measured=$(grep -s '^OX_TARGET_ARCH:STRING=' "$build/CMakeCache.txt" | cut -d= -f2)
if [ "$measured" = i686 ]; then
  echo "bench: the 32-bit product build (i686); these figures count for the targets"
else
  echo "bench: the 64-bit test build (x86_64), as this machine cannot run 32-bit programs;" \
    "these figures do not count for the targets"
fi
wine="$build/wine-run"
bin="$build/bin"
scratch="$build/bench"
password=bench-pass-1
mkdir -p "$scratch"
trap '"$wine" --stop' EXIT
"$wine" wineboot -i >/dev/null 2>&1 || true

winpath() { echo "Z:$1" | tr / '\\'; }

# Wine hides a window by asking the X window manager to withdraw it and
# waits up to 2 s for the answer; the bench's display has no window manager,
# so every dialog that closes (the password dialog) would cost 2 s that no
# real desktop charges. Wine leaves the bench packages' windows unmanaged,
# through its per-program settings, which touch no other program.
{
  printf 'REGEDIT4\r\n'
  for exe in big small big-protected small-protected empty_dialog; do
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s.exe\\X11 Driver]\r\n"Managed"="N"\r\n' "$exe"
  done
} >"$scratch/unmanaged.reg"
"$wine" reg import "$(winpath "$scratch/unmanaged.reg")" >/dev/null 2>&1

# payload NAME BYTES FILES: generated once per size, reused afterwards.
payload() {
  local dir="$scratch/$1-payload" stamp="$scratch/$1-payload.stamp"
  if [ "$(cat "$stamp" 2>/dev/null)" != "$2 $3" ]; then
    rm -rf "$dir" "$stamp"
    python3 "$root/tools/bench/gen_payload.py" "$dir" "$2" "$3"
    echo "$2 $3" >"$stamp"
  fi
}

# pack NAME [--protect --password P]: the package extracts into NAME-out.
pack() {
  local name=$1; shift
  local label=$name
  [ $# -gt 0 ] && label=$name-protected
  rm -f "$scratch/$label.exe"
  "$wine" "$bin/oxpack.exe" --folder "$(winpath "$scratch/$name-payload")" \
    --output "$(winpath "$scratch/$label.exe")" --title Bench \
    --destination "$(winpath "$scratch/$name-out")" "$@" >/dev/null
}

cabinet_of() {
  local offset
  offset=$("$wine" "$bin/oxpack.exe" --inspect "$(winpath "$scratch/$1.exe")" |
           sed -n 's/^CabinetOffset: *\([0-9]*\).*/\1/p' | tr -d '\r')
  tail -c +$((offset + 1)) "$scratch/$1.exe" >"$scratch/$1.cab"
}

# measure NAME KIND: one extraction into a fresh NAME-out; appends
# "KIND seconds peak_bytes" to the results.
measure() {
  local name=$1 kind=$2 out="$scratch/$1-out" line seconds peak answered
  rm -rf "$out"
  case $kind in
    silent)    line=$("$wine" "$bin/bench_launch.exe" "$(winpath "$scratch/$name.exe")" '$SILENT$') ;;
    dialog)    line=$("$wine" "$bin/bench_launch.exe" "$(winpath "$scratch/$name.exe")") ;;
    protected) line=$("$wine" "$bin/bench_launch.exe" --password "$password" \
                        "$(winpath "$scratch/$name-protected.exe")") ;;
    empty)     line=$("$wine" "$bin/bench_launch.exe" "$(winpath "$bin/empty_dialog.exe")") ;;
    floor)     line=$("$wine" "$bin/bench_launch.exe" "$(winpath "$bin/fdi_floor.exe")" \
                        "$(winpath "$scratch/$name.cab")" "$(winpath "$out")") ;;
    cabextract)
      local start end
      start=$(date +%s.%N)
      /usr/bin/time -f %M -o "$scratch/time.txt" cabextract -q -d "$out" "$scratch/$name.cab"
      end=$(date +%s.%N)
      line="exit=0 seconds=$(echo "$end - $start" | bc -l) peak_working_set=$(( $(cat "$scratch/time.txt") * 1024 )) answered=0" ;;
  esac
  line=$(echo "$line" | tr -d '\r')
  case $line in
    exit=0\ *) ;;
    *) echo "bench: $kind extraction of $name failed: $line" >&2; exit 1 ;;
  esac
  seconds=$(echo "$line" | sed 's/.*seconds=\([0-9.]*\).*/\1/')
  peak=$(echo "$line" | sed 's/.*peak_working_set=\([0-9]*\).*/\1/')
  answered=$(echo "$line" | sed 's/.*answered=\([0-9.]*\).*/\1/')
  echo "$name $kind $seconds $peak $answered" >>"$results"
  if [ "$kind" != empty ] && [ ! -e "$scratch/$name-$kind.verified" ]; then
    if ! diff -r -q "$scratch/$name-payload" "$out" >/dev/null; then
      echo "bench: $kind extraction of $name differs from the payload" >&2
      diff -r -q "$scratch/$name-payload" "$out" | head >&2
      exit 1
    fi
    : >"$scratch/$name-$kind.verified"
  fi
}

# native_pack NAME: the native oxpack packs NAME's payload as pack does
# (the same options, so the same bytes) into NAME-native.exe.
native_pack() {
  local start end
  rm -f "$scratch/$1-native.exe"
  start=$(date +%s.%N)
  /usr/bin/time -f %M -o "$scratch/time.txt" "$build/native/bin/oxpack" --quiet --extractor "$bin/oxtarn.exe" \
    --folder "$scratch/$1-payload" --output "$scratch/$1-native.exe" --title Bench \
    --destination "$(winpath "$scratch/$1-out")" >/dev/null
  end=$(date +%s.%N)
  echo "$1 native $(echo "$end - $start" | bc -l) $(( $(cat "$scratch/time.txt") * 1024 )) 0" >>"$results"
}

# measure_pack: one timed packing of the large payload by each builder.
measure_pack() {
  local start end
  start=$(date +%s.%N)
  pack big
  end=$(date +%s.%N)
  echo "big pack $(echo "$end - $start" | bc -l) 0 0" >>"$results"
  native_pack big
  native_pack small
  rm -f "$scratch/big-gcab.cab"
  start=$(date +%s.%N)
  (cd "$scratch/big-payload" && find . -type f -printf '%P\n' | LC_ALL=C sort |
     xargs -d '\n' gcab -c -z "$scratch/big-gcab.cab")
  end=$(date +%s.%N)
  echo "big gcab $(echo "$end - $start" | bc -l) 0 0" >>"$results"
}

results="$scratch/results.txt"
: >"$results"
rm -f "$scratch"/*.verified
payload big $((big_mb * 1000000)) "$big_files"
payload small $((big_mb * 100000)) $((big_files / 10))
for name in big small; do
  pack "$name"
  pack "$name" --protect --password "$password"
  cabinet_of "$name"
done
echo "packages: big $(stat -c %s "$scratch/big.exe") bytes, small $(stat -c %s "$scratch/small.exe") bytes" \
  "(cabinets $(stat -c %s "$scratch/big.cab"), $(stat -c %s "$scratch/small.cab"))"

echo "load before the runs: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"

for run in $(seq "$runs"); do
  for kind in silent dialog protected floor cabextract; do
    measure big "$kind"
  done
  for kind in silent dialog protected floor empty; do
    measure small "$kind"
  done
  measure_pack
  echo "run $run of $runs done" >&2
done
rm -rf "$scratch/big-out" "$scratch/small-out"
echo "load after the runs: $(cut -d' ' -f1-3 /proc/loadavg)"
cabinet_of big-native
cmp -s "$scratch/big.exe" "$scratch/big-native.exe" && same=identical || same=DIFFERENT
echo "the native oxpack's package is $same to oxpack.exe's"

python3 - "$results" "$measured" "$(stat -c %s "$scratch/big.cab")" "$(stat -c %s "$scratch/big-gcab.cab")" \
  "$(stat -c %s "$scratch/big-native.cab")" <<'PY'
import statistics, sys
rows = [line.split() for line in open(sys.argv[1])]
def med(name, kind, column):
    return statistics.median(float(r[column]) for r in rows if r[0] == name and r[1] == kind)
secs = lambda name, kind: med(name, kind, 2)
peak = lambda name, kind: med(name, kind, 3) / (1 << 20)
print("median seconds, large package:")
for kind in ("silent", "dialog", "protected", "floor", "cabextract"):
    print("  %-11s %7.2f s   peak working set %6.1f MiB" % (kind, secs("big", kind), peak("big", kind)))
# Each ratio against its target; the last line says which targets hold.
fixed = secs("small", "dialog") - secs("small", "silent")
targets = [
    ("extractor (silent) / floor", secs("big", "silent") / secs("big", "floor"), 1.05),
    ("extractor (dialog) / floor", secs("big", "dialog") / secs("big", "floor"), 1.10),
    ("protected / unprotected (dialog)", secs("big", "protected") / secs("big", "dialog"), 1.03),
    ("dialog's fixed cost (s)", fixed, secs("small", "empty") + 0.1),
]
print("ratios (target: at most):")
for label, ratio, target in targets:
    print("  %-33s %.2f  (%.2f: %s)" % (label, ratio, target, "holds" if ratio <= target else "MISSED"))
print("  (fixed cost: small package, dialog minus silent; its target is an empty dialog's %.2f s + 0.1 s)"
      % secs("small", "empty"))
after = statistics.median(float(r[2]) - float(r[4]) for r in rows if r[0] == "big" and r[1] == "protected")
print("  the same, protected timed from the password's entry  %.2f  (%.2f s)" % (after / secs("big", "dialog"), after))
print("  cabextract / floor                %.2f" % (secs("big", "cabextract") / secs("big", "floor")))
print("peak working set (and median seconds), small vs large package:")
for kind in ("silent", "dialog", "protected", "floor"):
    print("  %-11s %6.1f MiB  %6.1f MiB   (%.2f s, %.2f s)" % (kind, peak("small", kind), peak("big", kind),
                                                        secs("small", kind), secs("big", kind)))
print("packing the large payload (median seconds; the same files):")
print("  oxpack.exe (Wine) %7.2f s   cabinet %d bytes" % (secs("big", "pack"), int(sys.argv[3])))
print("  gcab -c -z        %7.2f s   cabinet %d bytes" % (secs("big", "gcab"), int(sys.argv[4])))
print("  oxpack (native)   %7.2f s   cabinet %d bytes" % (secs("big", "native"), int(sys.argv[5])))
print("  oxpack / gcab     %7.2f (time)  %.4f (size)" % (secs("big", "pack") / secs("big", "gcab"),
                                                      int(sys.argv[3]) / int(sys.argv[4])))
print("  native / gcab     %7.2f (time)  %.4f (size)" % (secs("big", "native") / secs("big", "gcab"),
                                                      int(sys.argv[5]) / int(sys.argv[4])))
each = lambda kind: [float(r[2]) for r in rows if r[0] == "big" and r[1] == kind]
print("  each run, native / gcab: %s (native %s s)" % (
    ", ".join("%.2f" % (n / g) for n, g in zip(each("native"), each("gcab"))),
    ", ".join("%.2f" % n for n in each("native"))))
print("  native peak resident set: %.1f MiB (large payload), %.1f MiB (a tenth of it)"
      % (peak("big", "native"), peak("small", "native")))
held = [label for label, ratio, target in targets if ratio <= target]
missed = [label for label, ratio, target in targets if ratio > target]
build = "32-bit product build" if sys.argv[2] == "i686" else "64-bit test build, not counted"
print("targets (%s): %d of %d hold%s%s" % (build, len(held), len(targets),
      "; held: " + ", ".join(held) if held else "", "; missed: " + ", ".join(missed) if missed else ""))
PY
