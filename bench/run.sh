#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the whole-program benchmarks against the usual command-line tools on the
# same trees, in one run (warm cache; cold too where the cache can be dropped).
# Needs about 10 GB free below bench/out.
#   bench/run.sh [fill|filter|compare|sync|copies|list|window|all]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${BENCH_OUT:-$root/bench/out}
bin=$root/build/bench
what=${1:-all}
mkdir -p "$out"
cmake --build "$root/build" --target bench_core bench_list bench_window zweiblick zweiblick-cli >/dev/null
[[ $what == window || $what == copies ]] || python3 "$root/bench/make_trees.py" "$out"

now() { date +%s.%N; }
timeit() { local t0; t0=$(now); "$@" >/dev/null 2>&1 || true; echo "$(now) - $t0" | bc; }
ratio() { echo "scale=2; $1 / $2" | bc; }
warm() { find "$@" -type f -print0 | xargs -0 cat >/dev/null 2>&1 || true; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }

# The walk and the comparison: bench/engine.sh.
source "$root/bench/engine.sh"
if [[ $what == fill || $what == all ]]; then engine_fill; fi
if [[ $what == compare || $what == all ]]; then engine_compare; fi
# The walk with ten exclusion patterns against the walk without (target <= 1.05).
if [[ $what == filter || $what == all ]]; then
  warm "$out/small/left"
  echo "filter : walk with 10 patterns: $("$bin/bench_core" walk "$out/small/left") (target ratio <= 1.05)"
fi

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

# A sparse file, 200,000 small files, a large file on btrfs: bench/copies.sh.
if [[ $what == copies || $what == all ]]; then BENCH_OUT=$out bash "$root/bench/copies.sh"; fi

if [[ $what == list || $what == all ]]; then
  echo "list   : $("$bin/bench_list")"
fi

# The real window against the headless program on the same work: the window
# must cost little more than the work itself, however big the list.
if [[ $what == window || $what == all ]]; then
  python3 "$root/bench/make_window_trees.py" "$out"
  W=$out/window
  Xvfb :97 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null || true' EXIT
  sleep 1
  export DISPLAY=:97
  # A run that ends by itself needs the clipboard step or the synchronisation.
  control() {  # LEFT RIGHT BINARY AGE SYNC
    printf '[Pfade]\nLinks=%s\nRechts=%s\n[AutoStart]\nBin\xc3\xa4rvergleich=%s\nAltersvergleich=%s\nAbgleich=%s\nZwischenablage=1\nEnde=1\n' \
      "$@" >"$out/window.ini"
  }
  both() {  # NAME TARGET: times zweiblick-cli, then the window, on window.ini
    local t_cli t_win
    t_cli=$(timeit "$root/build/bin/zweiblick-cli" "$out/window.ini")
    t_win=$(timeit timeout 900 "$root/build/bin/zweiblick" "$out/window.ini")
    echo "window : $1: window ${t_win}s, zweiblick-cli ${t_cli}s, ratio $(ratio "$t_win" "$t_cli") (target <= $2)"
  }
  warm "$W/left" "$W/right"
  line_cli=$("$bin/bench_window" headless "$W/left" "$W/right" fill)
  line_win=$("$bin/bench_window" window "$W/left" "$W/right" fill 2>/dev/null)
  t_cli=$(field fill <<<"$line_cli"); t_win=$(field fill <<<"$line_win")
  echo "window : fill both, 2 x $(find "$W/left" -type f | wc -l) files: window ${t_win}s, headless ${t_cli}s, ratio $(ratio "$t_win" "$t_cli") (target <= 1.3)"
  control "$W/left" "$W/right" 1 0 0; both "binary comparison, fill and list text included" 1.3
  control "$W/left" "$W/right" 0 1 0; both "age comparison, fill and list text included" 1.3
  # 50,000 copies, each program on a fresh copy of the pair, after the disk settled.
  for prog in zweiblick-cli zweiblick; do
    rm -rf "$out/ws-$prog"; cp -a "$out/windowsync" "$out/ws-$prog"
  done
  sync; sleep 2
  control "$out/ws-zweiblick-cli/left" "$out/ws-zweiblick-cli/right" 0 1 1
  t_cli=$(timeit "$root/build/bin/zweiblick-cli" "$out/window.ini")
  sync; sleep 2
  control "$out/ws-zweiblick/left" "$out/ws-zweiblick/right" 0 1 1
  t_win=$(timeit timeout 900 "$root/build/bin/zweiblick" "$out/window.ini")
  echo "window : synchronisation of 50,000 copies (fill and age comparison included): window ${t_win}s, zweiblick-cli ${t_cli}s, ratio $(ratio "$t_win" "$t_cli") (target <= 1.3)"
  rm -rf "$out/ws-zweiblick-cli" "$out/ws-zweiblick"
  M=$out/million
  warm "$M/left" "$M/right"
  echo "window : 1,000,000 rows, each step (target <= 4 s, peak <= 400 MB; left and right: one folder dropped each):"
  echo "window :   $("$bin/bench_window" window "$M/left" "$M/right" left right age sort select skip sync 2>/dev/null)"
fi
