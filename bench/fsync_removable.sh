#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times fsync_cost.py on a FAT image through fusefat and an exFAT image through
# exfat-fuse (root; needs fusefat, dosfstools, exfat-fuse, exfatprogs).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
loop=
trap 'for m in "$work"/m-*; do umount "$m" 2>/dev/null || true; done
      [[ -n $loop ]] && losetup -d "$loop"; rm -rf "$work"' EXIT
truncate -s 1G "$work/fat.img" "$work/exfat.img"
mkfs.vfat -F 32 "$work/fat.img" >/dev/null
mkfs.exfat "$work/exfat.img" >/dev/null
mkdir "$work/m-fat" "$work/m-exfat"
fusefat -o rw+ "$work/fat.img" "$work/m-fat" >/dev/null
loop=$(losetup -f --show "$work/exfat.img")  # exfat-fuse wants a block device
mount.exfat-fuse "$loop" "$work/m-exfat" >/dev/null
for fs in fat exfat; do
  echo "== $fs ($(stat -f -c %T "$work/m-$fs"))"
  python3 "$here/fsync_cost.py" "$work/m-$fs"
done
