# SPDX-License-Identifier: GPL-3.0-or-later
# The engine rows of bench/run.sh: the walk and the binary comparison against
# find and diff -rq on the same trees, warm and cold, each pair of timings
# alternated ENGINE_ROUNDS times (median), then the window's longest pause, the
# peak memory and what the size of the worker pool gives. Sourced by run.sh,
# which defines out, bin, now, timeit, ratio and warm. Cold rows drop the page
# cache (root only; skipped otherwise).

engine_rounds=${ENGINE_ROUNDS:-3}

engine_median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
engine_cold() { sync && echo 3 >/proc/sys/vm/drop_caches; }
engine_nothing() { :; }

# engine_row NAME TARGET PREPARE OURS PEER: the two commands (bash text) timed
# in turns, each after PREPARE.
engine_row() {
  local name=$1 target=$2 prepare=$3 ours=$4 peer=$5 a=() b=() i ta tb
  for ((i = 0; i < engine_rounds; i++)); do
    $prepare
    a+=("$(timeit bash -c "$ours")")
    $prepare
    b+=("$(timeit bash -c "$peer")")
  done
  ta=$(printf '%s\n' "${a[@]}" | engine_median)
  tb=$(printf '%s\n' "${b[@]}" | engine_median)
  printf 'engine : %-48s ours %7.3f s  peer %7.3f s  ratio %.2f (target <= %s)\n' \
    "$name" "$ta" "$tb" "$(ratio "$ta" "$tb")" "$target"
}

engine_fill() {
  local S=$out/small
  warm "$S/left" "$S/right"
  engine_row "fill, small pair, warm (find -printf)" 0.8 engine_nothing \
    "'$bin/bench_core' fill '$S/left' '$S/right'" \
    "find '$S/left' '$S/right' -type f -printf '%T@ %p\n' >/dev/null"
}

engine_compare() {
  local pair P can_drop=0
  [[ $(id -u) -eq 0 && -w /proc/sys/vm/drop_caches ]] && can_drop=1
  for pair in small large; do
    P=$out/$pair
    warm "$P/left" "$P/right"
    engine_row "binary incl. fill, $pair pair, warm (diff -rq)" \
      "$([[ $pair == small ]] && echo 0.5 || echo 0.4)" engine_nothing \
      "'$bin/bench_core' binary '$P/left' '$P/right'" "diff -rq '$P/left' '$P/right'"
  done
  if ((can_drop)); then
    for pair in small large; do
      P=$out/$pair
      engine_row "binary incl. fill, $pair pair, cold (diff -rq)" 0.6 engine_cold \
        "'$bin/bench_core' binary '$P/left' '$P/right'" "diff -rq '$P/left' '$P/right'"
    done
  else
    echo "engine : cold rows skipped (dropping the page cache needs root)"
  fi
  # What the window's thread does during the comparison of the small pair: its
  # longest time without handling events (target < 50 ms), peak memory, and
  # the times with 1, 2, 4 workers and the default.
  warm "$out/small/left" "$out/small/right"
  local workers line
  for workers in 1 2 4 default; do
    if [[ $workers == default ]]; then
      line=$("$bin/bench_core" binary "$out/small/left" "$out/small/right" || true)
    else
      line=$(ZWEIBLICK_WORKERS=$workers "$bin/bench_core" binary "$out/small/left" \
        "$out/small/right" || true)
    fi
    echo "engine : small pair, workers $workers: $line"
  done
  line=$("$bin/bench_core" age "$out/small/left" "$out/small/right")
  echo "engine : age comparison of the small pair: $line (target < 0.2 s)"
}
