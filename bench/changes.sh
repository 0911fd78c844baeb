#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The comparison by changes against `unison -batch` on the same 100,000-file
# pair, warm, both with their state from a first run: a run where nothing
# changed, and one after 1 % of the files changed on the left. Each tool has
# a pair of its own (the left tree of bench/make_trees.py, copied twice);
# ENGINE_ROUNDS (default 5) alternated rounds, medians. Then the record's size
# per 100,000 files and the load of a record of a million files. The copies
# and each round's edits are synced before the runs: otherwise the first run
# after them, ours, writes both tools' edits out with its syncfs.
# Our replaced files go to a trash of the bench's own (XDG_DATA_HOME), on the
# same disk: the home trash of a machine that ran the bench before holds
# hundreds of thousands of them, many under the same names, and single runs
# took up to 1.7 times as long where its folders had to be read again.
# CHANGES_ROUNDS_SHOWN=1 prints each round's four times too.
#   bench/changes.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${BENCH_OUT:-$root/bench/out}
bin=$root/build/bin
rounds=${ENGINE_ROUNDS:-5}
command -v unison >/dev/null || { echo "changes: needs the Debian package unison" >&2; exit 1; }
cmake --build "$root/build" --target zweiblick-cli bench_core >/dev/null
python3 "$root/bench/make_trees.py" "$out" 100000 small >/dev/null

work=$out/changes
rm -rf "$work"
mkdir -p "$work/state" "$work/data" "$work/unison"
for who in ours theirs; do
  for side in left right; do cp -a "$out/small/left" "$work/$who-$side"; done
done
sync  # the copies on the disk before the first run, not flushed during it
files=$(find "$work/ours-left" -type f | wc -l)
printf '[Pfade]\nLinks=%s\nRechts=%s\n[AutoStart]\n\xc3\x84nderungsvergleich=1\nAbgleich=1\nEnde=1\n' \
  "$work/ours-left" "$work/ours-right" >"$work/run.ini"

now() { date +%s.%N; }
ours() { XDG_STATE_HOME=$work/state XDG_DATA_HOME=$work/data "$bin/zweiblick-cli" "$work/run.ini" >"$work/ours.log" 2>&1; }
theirs() {
  UNISON=$work/unison unison "$work/theirs-left" "$work/theirs-right" -batch -times -silent \
    >"$work/theirs.log" 2>&1
}
timed() { local t0; t0=$(now); "$@" || { echo "changes: $1 failed" >&2; cat "$work/$1.log" >&2; exit 1; }; echo "$(now) - $t0" | bc; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
# Changes 1 % of the left files (a different tenth of a percent each round).
touch_some() {
  local side=$1 round=$2
  find "$side" -type f | sort | awk -v r="$round" 'NR % 100 == r % 100' |
    while IFS= read -r f; do printf 'x%s' "$round" >>"$f"; done
}

# The first runs make the states: ours by age (no record yet), unison's archives.
timed ours >/dev/null
timed theirs >/dev/null

declare -a o_same t_same o_some t_some
for ((r = 1; r <= rounds; r++)); do
  o_same+=("$(timed ours)")
  t_same+=("$(timed theirs)")
  touch_some "$work/ours-left" "$r"
  touch_some "$work/theirs-left" "$r"
  # The edits on the disk, as a user's are long before the next run: else
  # the first run's syncfs writes both tools' edits out.
  sync
  o_some+=("$(timed ours)")
  t_some+=("$(timed theirs)")
  [[ -z ${CHANGES_ROUNDS_SHOWN:-} ]] ||
    echo "changes: round $r: ${o_same[-1]} ${t_same[-1]} ${o_some[-1]} ${t_some[-1]}" >&2
  cmp -s "$(find "$work/ours-left" -type f | sort | sed -n 100p)" \
    "$(find "$work/ours-right" -type f | sort | sed -n 100p)" ||
    { echo "changes: our run left the pair out of sync" >&2; exit 1; }
done
report() {
  local what=$1 target=$2 a b
  a=$(printf '%s\n' "${@:3:rounds}" | median)
  b=$(printf '%s\n' "${@:3+rounds}" | median)
  echo "changes: $what: ours ${a}s, unison -batch ${b}s, ratio $(echo "scale=3; $a / $b" | bc) (target <= $target)"
}
report "nothing changed, $files files" 0.5 "${o_same[@]}" "${t_same[@]}"
report "1 % changed on the left" 0.5 "${o_some[@]}" "${t_some[@]}"
db=$work/state/zweiblick/abgleichstand.sqlite
echo "changes: record $(du -b "$db" | cut -f1) bytes for $files files" \
  "($(echo "scale=1; $(du -b "$db" | cut -f1) * 100000 / $files / 1048576" | bc) MiB per 100,000; target <= 10)"
echo "changes: 1,000,000 recorded files: $("$root/build/bench/bench_core" record 1000000 "$work/million.sqlite") (target load <= 1 s)"
rm -rf "$work"
