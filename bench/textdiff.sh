#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The text comparison on large files, by `zweiblick-cli --textvergleich`
# (reading, the line diff and the unified output), against `git diff
# --no-index --histogram` and `diff`: 100,000 lines with 1 % changed, and
# 100,000 lines every one different. Medians of five runs; peak memory.
# Then the window on the 1 % pair (its own Xvfb): opened from the list as
# Enter opens it, until the changes are shown and painted, and the memory it
# takes beyond what the program held before.
#   bench/textdiff.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${BENCH_OUT:-$root/bench/out}/textdiff
cli=$root/build/bin/zweiblick-cli
mkdir -p "$out"
cmake --build "$root/build" --target zweiblick-cli bench_window >/dev/null
python3 - "$out" <<'PY'
import random, sys
out = sys.argv[1]
random.seed(7)
words = "alpha beta gamma delta epsilon zeta eta theta iota kappa lambda".split()
def line(i):
    return "%6d %s\n" % (i, " ".join(random.choice(words) for _ in range(8)))
left = [line(i) for i in range(100000)]
right = list(left)
for i in random.sample(range(100000), 1000):
    right[i] = right[i].replace(" ", "  ", 1) if i % 2 else "geändert " + right[i]
open(out + "/left.txt", "w").writelines(left)
open(out + "/right1.txt", "w").writelines(right)
open(out + "/other.txt", "w").writelines("anders %d %s\n" % (i, random.random()) for i in range(100000))
PY
median() { sort -n | sed -n 3p; }
run() {  # seconds of the median of five runs of "$@"
  for _ in 1 2 3 4 5; do
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    t1=$(date +%s.%N)
    echo "$t1 - $t0" | bc
  done | median
}
peak() {
  /usr/bin/time -f %M -o "$out/peak" "$@" >/dev/null 2>&1 || true
  tail -1 "$out/peak"
}
for pair in "left.txt right1.txt 1% 0.2" "left.txt other.txt all 0.5"; do
  set -- $pair
  l=$out/$1 r=$out/$2
  ours=$(run "$cli" --textvergleich "$l" "$r")
  git=$(run git diff --no-index --histogram "$l" "$r")
  plain=$(run diff "$l" "$r")
  kb=$(peak "$cli" --textvergleich "$l" "$r")
  echo "textdiff $3 changed: zweiblick ${ours}s (target <= $4 s), git --histogram ${git}s, diff ${plain}s; peak ${kb} KB"
done

mkdir -p "$out/window/left" "$out/window/right"
cp "$out/left.txt" "$out/window/left/text.txt"
cp "$out/right1.txt" "$out/window/right/text.txt"
opens=$(for _ in 1 2 3 4 5; do
  xvfb-run -a -s "-screen 0 1280x1024x24" "$root/build/bench/bench_window" window \
    "$out/window/left" "$out/window/right" fill text 2>/dev/null
done)
secs=$(sed -n 's/.* text=\([0-9.]*\) .*/\1/p' <<<"$opens" | median)
mb=$(sed -n 's/.*text_mb=\([0-9.]*\) .*/\1/p' <<<"$opens" | sort -n | tail -1)
echo "textdiff window open, 1% changed: ${secs}s (target <= 1 s), memory +${mb} MB at most (target <= 100 MB)"
