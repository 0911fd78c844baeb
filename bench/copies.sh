#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copies by a real synchronisation (zweiblick-cli with a control file that
# copies every new file to the right) against cp on the same files: a sparse
# file, 200,000 small files into an empty folder, a large file on btrfs
# (a loop image, so reflinks are offered). Root only (the btrfs mount).
# Needs about 8 GB free below bench/out.
#   bench/copies.sh [sparse|small|btrfs|all]
# ZWEIBLICK_CLI=PATH times another build of zweiblick-cli.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${BENCH_OUT:-$root/bench/out}/copies
cli=${ZWEIBLICK_CLI:-$root/build/bin/zweiblick-cli}
what=${1:-all}
mkdir -p "$out"
[[ -n ${ZWEIBLICK_CLI:-} ]] || cmake --build "$root/build" --target zweiblick-cli >/dev/null

now() { date +%s.%N; }
ratio() { echo "scale=2; $1 / $2" | bc; }
mib() { du -s --block-size=1M "$1" | cut -f1; }  # allocated, not apparent

# fresh_ext4 DIR: a new ext4 file system (a loop image) mounted on DIR. On a
# disk where as many files were just deleted, creating 200,000 files takes
# several times as long (the inode allocator steps around inodes freed in the
# last minutes): each program gets a file system of its own, made just before.
fresh_ext4() {
  local img=$out/$(basename "$1").ext4
  rm -f "$img"
  truncate -s 4G "$img"
  mkfs.ext4 -q -F "$img"
  mount -o loop "$img" "$1"
  images+=("$1")
}
images=()
drop_images() {
  local dir
  for dir in "${images[@]}"; do umount "$dir" && rm -f "$out/$(basename "$dir").ext4"; done
  images=()
}

# copy_case NAME SOURCE DEST CP-OPTION...: copies the contents of SOURCE into
# the empty folders DEST/ours (zweiblick-cli) and DEST/cp (cp -r, then sync),
# each after the disk has nothing left to write.
copy_case() {
  local name=$1 src=$2 dst=$3 t0 t_ours t_cp tally
  shift 3
  rm -rf "$dst/ours" "$dst/cp"
  mkdir -p "$dst/ours" "$dst/cp"
  if [[ -n ${fresh:-} ]]; then fresh_ext4 "$dst/ours" && fresh_ext4 "$dst/cp"; fi
  # The control-file check wants a folder with a file in it; the same file on
  # both sides is "=" and copies nothing.
  cp -p "$src/bench-marker" "$dst/ours/bench-marker"
  printf '[Pfade]\nLinks=%s\nRechts=%s\n[AutoStart]\nAltersvergleich=1\nAbgleich=1\nVorschl\xc3\xa4ge=1\nEnde=1\n' \
    "$src" "$dst/ours" >"$out/copies.ini"
  sync
  sleep 2
  t0=$(now)
  tally=$("$cli" "$out/copies.ini" 2>&1 >/dev/null | grep -a 'Abgleich:' || true)
  t_ours=$(echo "$(now) - $t0" | bc)
  sync
  sleep 2
  t0=$(now)
  cp -r "$@" "$src/." "$dst/cp/"
  sync
  t_cp=$(echo "$(now) - $t0" | bc)
  echo "copies : $name: zweiblick-cli ${t_ours}s ($(mib "$dst/ours") MiB allocated), cp -r${*:+ $*} && sync ${t_cp}s ($(mib "$dst/cp") MiB), ratio $(ratio "$t_ours" "$t_cp")"
  echo "copies :   ${tally:-no tally line: the run failed}"
}

if [[ $what == sparse || $what == all ]]; then
  S=$out/sparse
  mkdir -p "$S/src"
  echo >"$S/src/bench-marker"
  # 4 GiB holding 4 MiB of data: a disk image, a database, a VM disk.
  if [[ ! -f $S/src/disk.img ]]; then
    for at in 0 1024 2048 4092; do
      head -c 1M /dev/urandom | dd of="$S/src/disk.img" bs=1M seek=$at conv=notrunc status=none
    done
    truncate -s 4G "$S/src/disk.img"
  fi
  copy_case "sparse file, 4 GiB with 4 MiB of data (ext4)" "$S/src" "$S"
  cmp "$S/src/disk.img" "$S/ours/disk.img" && echo "copies :   the copy is byte for byte the source"
  rm -rf "$S/ours" "$S/cp"
fi

if [[ $what == small || $what == all ]]; then
  M=$out/small
  if [[ ! -f $M/src/bench-marker ]]; then
    rm -rf "$M/src"
    # 200,000 files of 0 to 8 KiB in 2,000 folders of two levels.
    python3 - "$M/src" <<'EOF'
import os, random, sys
random.seed(7)
root = sys.argv[1]
for d in range(2000):
    folder = os.path.join(root, f"d{d // 50:02}", f"e{d % 50:02}")
    os.makedirs(folder)
    for f in range(100):
        with open(os.path.join(folder, f"f{f:03}.txt"), "wb") as out:
            out.write(random.randbytes(random.randint(0, 8192)))
EOF
    echo >"$M/src/bench-marker"
  fi
  trap drop_images EXIT
  fresh=1 copy_case "200,000 small files into an empty folder (a new ext4)" "$M/src" "$M"
  diff -rq "$M/src" "$M/ours" >/dev/null && echo "copies :   the copy holds the same files"
  drop_images
  trap - EXIT
  rm -rf "$M/ours" "$M/cp"
fi

if [[ $what == btrfs || $what == all ]]; then
  command -v mkfs.btrfs >/dev/null || apt-get install -y -qq --no-install-recommends btrfs-progs
  B=$out/btrfs
  mkdir -p "$B"
  mountpoint -q "$B" || {
    rm -f "$out/btrfs.img"
    truncate -s 8G "$out/btrfs.img"
    mkfs.btrfs -q "$out/btrfs.img" >/dev/null 2>"$out/mkfs.log" || { cat "$out/mkfs.log"; exit 1; }
    mount -o loop "$out/btrfs.img" "$B"
  }
  trap 'umount "$B" 2>/dev/null && rm -f "$out/btrfs.img"' EXIT
  mkdir -p "$B/src"
  echo >"$B/src/bench-marker"
  [[ -f $B/src/large.bin ]] || head -c 2G /dev/urandom >"$B/src/large.bin"
  copy_case "large file, 2 GiB (btrfs)" "$B/src" "$B" --reflink=auto
  btrfs filesystem du -s "$B/ours" "$B/cp" | sed 's/^/copies :   /'
fi
