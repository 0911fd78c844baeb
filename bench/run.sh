#!/usr/bin/env bash
# Runs the whole-program benchmarks against the usual command-line tools on the
# same trees, in one run (warm cache; cold too where the cache can be dropped).
# Needs about 10 GB free below bench/out.
#   bench/run.sh [fill|compare|sync|all]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${BENCH_OUT:-$root/bench/out}
bin=$root/build/bench
what=${1:-all}
mkdir -p "$out"
cmake --build "$root/build" --target bench_core bench_list >/dev/null
python3 "$root/bench/make_trees.py" "$out"

now() { date +%s.%N; }
timeit() { local t0; t0=$(now); "$@" >/dev/null 2>&1 || true; echo "$(now) - $t0" | bc; }
ratio() { echo "scale=2; $1 / $2" | bc; }
warm() { find "$@" -type f -print0 | xargs -0 cat >/dev/null 2>&1 || true; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }

# The walk and the comparison: bench/engine.sh.
source "$root/bench/engine.sh"
if [[ $what == fill || $what == all ]]; then engine_fill; fi
if [[ $what == compare || $what == all ]]; then engine_compare; fi

# Times a synchronisation that copies SOURCE into an empty folder against
# `cp -r SOURCE DST && sync`, each after the disk has nothing left to write.
sync_case() {
  local name=$1 source=$2 target=$3 line t_ours t_cp
  warm "$source"
  rm -rf "$out/sync/ours" "$out/sync/cp"; mkdir -p "$out/sync/ours" "$out/sync/cp"
  sync; sleep 2
  line=$("$bin/bench_core" sync "$source" "$out/sync/ours")
  t_ours=$(field sync <<<"$line")
  sync; sleep 2
  t_cp=$(timeit bash -c "cp -r '$source' '$out/sync/cp/x' && sync")
  echo "sync   : $name: $line"
  echo "sync   : $name: ${t_ours}s, cp -r && sync ${t_cp}s, ratio $(ratio "$t_ours" "$t_cp") (target <= $target)"
}

if [[ $what == sync || $what == all ]]; then
  rm -rf "$out/sync"; mkdir -p "$out/sync/src"
  sync_case large "$out/large/left" 1.3
  # 10,000 small files: the first ten thousand of the small tree.
  (cd "$out/small/left" && find . -type f | sort | sed -n '1,10000p' | xargs -d '\n' cp --parents -p -t "$out/sync/src")
  sync_case small "$out/sync/src" 2.0
  rm -rf "$out/sync"
fi

if [[ $what == list || $what == all ]]; then
  echo "list   : $("$bin/bench_list")"
fi
