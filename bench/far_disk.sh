#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A synchronisation onto a far-away disk: a folder served by sshd in one
# network namespace, mounted by sshfs in another, the two joined by
# bench/tun_delay (a TUN device in each, every packet held half the round
# trip each way). Times zweiblick-cli against cp and rsync writing to the same
# mount, at 2 ms and 10 ms round trip; medians of alternated runs.
# Root only; needs openssh-server, openssh-client, sshfs, iproute2, rsync,
# strace, /dev/net/tun and /dev/fuse. Changes nothing outside the two
# namespaces, $TMPDIR/zb-far and bench/out/far (and /run/sshd if missing).
#   bench/far_disk.sh [setup [RTT_MS]|sync70|first1000|walk|strace|probe|local|all|teardown]
# ROUNDS=N (default 3) runs per program and row; RTTS="2 10" the round trips;
# ZWEIBLICK_CLI=PATH times another build; ZWEIBLICK_WORKERS=N is passed on.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${BENCH_OUT:-$root/bench/out}/far
cli=${ZWEIBLICK_CLI:-$root/build/bin/zweiblick-cli}
tmp=${TMPDIR:-/tmp}/zb-far
what=${1:-all}
rounds=${ROUNDS:-3}
rtts=${RTTS:-2 10}
srv=$out/srv  # the folder the server namespace serves
mnt=$out/mnt  # its mount point, mounted only inside the client's namespaces
cns=zb-client sns=zb-server dev=zbtun
[[ $(id -u) == 0 ]] || { echo "far_disk: root only" >&2; exit 1; }
[[ -z ${ZWEIBLICK_WORKERS:-} ]] || export ZWEIBLICK_WORKERS

# --- the wire, the server and the mount --------------------------------------

teardown() {
  if [[ -f $tmp/sshd.pid ]]; then kill "$(cat "$tmp/sshd.pid")" 2>/dev/null || true; fi
  if [[ -f $tmp/tun.pid ]]; then kill "$(cat "$tmp/tun.pid")" 2>/dev/null || true; fi
  # What is left in the namespaces when a run is cut short: sshfs, its
  # session in sshd, the program on the mount.
  local ns
  for ns in $cns $sns; do
    ip netns pids $ns 2>/dev/null | xargs -r kill 2>/dev/null || true
  done
  ip netns del $cns 2>/dev/null || true  # the namespaces end their mounts too
  ip netns del $sns 2>/dev/null || true
  if [[ -f $tmp/made-run-sshd ]]; then rmdir /run/sshd 2>/dev/null || true; fi
  rm -rf "$tmp"
}

# setup RTT_MS: both namespaces, the delaying wire, sshd; prints ping.
setup() {
  local rtt=$1
  teardown
  mkdir -p "$tmp" "$srv" "$mnt"
  chmod 700 "$tmp"
  cc -O2 -Wall -Wextra -o "$tmp/tun_delay" "$root/bench/tun_delay.c"
  ip netns add $cns
  ip netns add $sns
  "$tmp/tun_delay" $cns $sns $dev $((rtt * 500)) >"$tmp/tun.out" 2>"$tmp/tun.err" &
  echo $! >"$tmp/tun.pid"
  for _ in $(seq 50); do grep -q ready "$tmp/tun.out" 2>/dev/null && break; sleep 0.1; done
  grep -q ready "$tmp/tun.out" || { cat "$tmp/tun.err"; exit 1; }
  local ns a b
  for ns in $cns:1:2 $sns:2:1; do
    IFS=: read -r ns a b <<<"$ns"
    ip netns exec "$ns" sysctl -qw net.ipv6.conf.all.disable_ipv6=1
    ip netns exec "$ns" ip link set lo up
    ip netns exec "$ns" ip addr add 10.77.0.$a peer 10.77.0.$b dev $dev
    ip netns exec "$ns" ip link set $dev up
  done
  # A key pair and a host key of the bench's own; the system's ssh setup
  # stays untouched.
  ssh-keygen -q -t ed25519 -N '' -f "$tmp/host_key"
  ssh-keygen -q -t ed25519 -N '' -f "$tmp/client_key"
  cp "$tmp/client_key.pub" "$tmp/authorized_keys"
  cat >"$tmp/sshd_config" <<EOF
ListenAddress 10.77.0.2
HostKey $tmp/host_key
PidFile $tmp/sshd.pid
AuthorizedKeysFile $tmp/authorized_keys
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
# The keys live below /tmp, which is writable by all.
StrictModes no
Subsystem sftp /usr/lib/openssh/sftp-server
EOF
  # AES-GCM costs least on a processor with AES instructions (2 cores shared
  # by sshd, ssh, sshfs and the programs).
  cat >"$tmp/ssh_config" <<EOF
Host zb-server
  HostName 10.77.0.2
  User root
  IdentityFile $tmp/client_key
  IdentitiesOnly yes
  UserKnownHostsFile $tmp/known_hosts
  StrictHostKeyChecking accept-new
  BatchMode yes
  Ciphers aes128-gcm@openssh.com
EOF
  # sshd wants its privilege-separation folder.
  if [[ ! -d /run/sshd ]]; then mkdir -m 755 /run/sshd && touch "$tmp/made-run-sshd"; fi
  ip netns exec $sns /usr/sbin/sshd -f "$tmp/sshd_config" -E "$tmp/sshd.log"
  for _ in $(seq 50); do [[ -s $tmp/sshd.pid ]] && break; sleep 0.1; done
  echo "far    : round trip ${rtt} ms: $(ip netns exec $cns ping -c 5 -i 0.2 10.77.0.2 | tail -1)"
  # The runner: mounts the share, runs one command, unmounts. One process
  # tree inside the client namespace, since `ip netns exec` gives each call
  # a mount namespace of its own. Prints the seconds of the command alone.
  cat >"$tmp/onshare.sh" <<EOF
#!/usr/bin/env bash
# onshare.sh LOG COMMAND...: the command's output goes to LOG.
set -uo pipefail
log=\$1; shift
# sshfs with its defaults (caches on, no reconnect): what a user who types
# "sshfs host:folder point" gets.
sshfs -F $tmp/ssh_config zb-server:$srv $mnt || exit 1
t0=\$(date +%s.%N)
"\$@" >"\$log" 2>&1
rc=\$?
t1=\$(date +%s.%N)
fusermount3 -u $mnt || exit 1
echo "\$t1 - \$t0" | bc
exit \$rc
EOF
  chmod +x "$tmp/onshare.sh"
}

# onshare LOG COMMAND...: prints the seconds; a failing command is reported.
onshare() {
  local log=$1 t rc=0
  shift
  t=$(ip netns exec $cns "$tmp/onshare.sh" "$log" "$@") || rc=$?
  if ((rc != 0)); then echo "far    :   FAILED ($rc): $* (see $log)" >&2; fi
  echo "${t:-nan}"
}

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a / b}'; }
row() { printf '| %s | %s ms | %.2f s | %s %.2f s | %s |\n' "$1" "$2" "$3" "$4" "$5" "$(ratio "$3" "$5")"; }
header() {
  echo "| work | RTT | Zweiblick | peer | ratio |"
  echo "|---|---|---|---|---|"
}

# control NAME LEFT RIGHT KEY=VALUE...: a control file in $tmp.
control() {
  local name=$1 left=$2 right=$3
  shift 3
  { printf '[Pfade]\nLinks=%s\nRechts=%s\n[AutoStart]\n' "$left" "$right"; printf '%s\n' "$@"; } \
    >"$tmp/$name.ini"
}
sync_keys=(Altersvergleich=1 Abgleich=1 $'Vorschl\xc3\xa4ge=1' Ende=1)

trees() {
  python3 "$root/bench/make_far_trees.py" "$out"
  [[ -n ${ZWEIBLICK_CLI:-} ]] || cmake --build "$root/build" --target zweiblick-cli >/dev/null
}

# --- synchronise 70 files ----------------------------------------------------

S=$out/sync70
# The share as it stands before each run: the tree, 50 files in their older
# version, 20 missing, no trash.
reset_share() {
  if [[ ! -f $srv/tree/bench-marker ]]; then
    rm -rf "$srv/tree"
    cp -a "$S/local" "$srv/tree"
  fi
  cp -a "$S/old/." "$srv/tree/"
  (cd "$srv/tree" && xargs -d '\n' rm -f <"$S/missing.txt")
  rm -rf "$srv"/.Trash "$srv"/.Trash-*
}

# The 70 files arrived (the share is checked on the server's side).
check70() {
  local bad
  bad=$( (cd "$S/old" && find . -type f; cat "$S/missing.txt") | while read -r f; do
    cmp -s "$S/local/$f" "$srv/tree/$f" || echo "$f"
  done | wc -l)
  ((bad == 0)) || echo "far    :   $1: $bad of the 70 files are not the local version" >&2
}

sync70() {
  local rtt=$1 r t ours=() notrash=() rs=() cpu=()
  control sync70 "$S/local" "$mnt/tree" "${sync_keys[@]}"
  control sync70-notrash "$S/local" "$mnt/tree" "${sync_keys[@]}" Papierkorb=0
  for ((r = 0; r < rounds; r++)); do
    reset_share
    ours+=("$(onshare "$tmp/ours.log" "$cli" "$tmp/sync70.ini")")
    check70 zweiblick-cli
    reset_share
    notrash+=("$(onshare "$tmp/ours-notrash.log" "$cli" "$tmp/sync70-notrash.ini")")
    check70 "zweiblick-cli Papierkorb=0"
    reset_share
    rs+=("$(onshare "$tmp/rsync.log" rsync -a "$S/local/" "$mnt/tree/")")
    check70 "rsync -a"
    reset_share
    cpu+=("$(onshare "$tmp/cp.log" cp -ru "$S/local/." "$mnt/tree/")")
    check70 "cp -ru"
  done
  echo "far    :   tally of the last run: $(grep -a 'Abgleich:' "$tmp/ours.log" || echo none)" >&2
  local m_ours m_not m_rs m_cp
  m_ours=$(median <<<"${ours[*]}") m_not=$(median <<<"${notrash[*]}")
  m_rs=$(median <<<"${rs[*]}") m_cp=$(median <<<"${cpu[*]}")
  echo "far    :   runs (s): ours ${ours[*]}; Papierkorb=0 ${notrash[*]}; rsync ${rs[*]}; cp ${cpu[*]}" >&2
  row "synchronise 70 files" "$rtt" "$m_ours" "rsync -a" "$m_rs"
  row "synchronise 70 files" "$rtt" "$m_ours" "cp -ru" "$m_cp"
  row "synchronise 70 files, Papierkorb=0" "$rtt" "$m_not" "rsync -a" "$m_rs"
  reset_share
}

# --- first copy of 1,000 small files ------------------------------------------

F=$out/first
# An empty folder on the share, but for the marker the control file's check
# wants in a folder (the same file on both sides: "=", nothing to copy).
empty_first() {
  rm -rf "$srv/first"
  mkdir -p "$srv/first/ours" "$srv/first/cp" "$srv/first/rsync"
  cp -p "$F/src/bench-marker" "$srv/first/ours/"
}
check_first() {
  diff -rq "$F/src" "$srv/first/$1" >/dev/null || echo "far    :   $1: the copy differs from the source" >&2
}

first1000() {
  local rtt=$1 r ours=() cpr=() rs=()
  control first "$F/src" "$mnt/first/ours" "${sync_keys[@]}"
  for ((r = 0; r < rounds; r++)); do
    empty_first
    ours+=("$(onshare "$tmp/first-ours.log" "$cli" "$tmp/first.ini")")
    check_first ours
    empty_first
    cpr+=("$(onshare "$tmp/first-cp.log" cp -r "$F/src/." "$mnt/first/cp/")")
    check_first cp
    empty_first
    rs+=("$(onshare "$tmp/first-rsync.log" rsync -a "$F/src/" "$mnt/first/rsync/")")
    check_first rsync
  done
  echo "far    :   runs (s): ours ${ours[*]}; cp -r ${cpr[*]}; rsync ${rs[*]}" >&2
  local m_ours m_cp m_rs
  m_ours=$(median <<<"${ours[*]}") m_cp=$(median <<<"${cpr[*]}") m_rs=$(median <<<"${rs[*]}")
  row "first copy of 1,000 small files" "$rtt" "$m_ours" "cp -r" "$m_cp"
  row "first copy of 1,000 small files" "$rtt" "$m_ours" "rsync -a" "$m_rs"
  rm -rf "$srv/first"
}

# --- the walk with the age comparison, the binary comparison -----------------

walk() {
  local rtt=$1 r age=() fnd=() bin=() dif=()
  reset_share
  control age "$S/local" "$mnt/tree" Altersvergleich=1 Zwischenablage=1 Ende=1
  control binary "$S/local" "$mnt/tree" $'Bin\xc3\xa4rvergleich=1' Zwischenablage=1 Ende=1
  for ((r = 0; r < rounds; r++)); do
    age+=("$(onshare "$tmp/age.log" "$cli" "$tmp/age.ini")")
    fnd+=("$(onshare "$tmp/find.log" find "$S/local" "$mnt/tree" -type f -printf '%T@ %s %p\n')")
    bin+=("$(onshare "$tmp/binary.log" "$cli" "$tmp/binary.ini")")
    dif+=("$(onshare "$tmp/diff.log" bash -c "diff -rq '$S/local' '$mnt/tree'; true")")
  done
  echo "far    :   runs (s): age ${age[*]}; find ${fnd[*]}; binary ${bin[*]}; diff ${dif[*]}" >&2
  local m_age m_find m_bin m_diff
  m_age=$(median <<<"${age[*]}") m_find=$(median <<<"${fnd[*]}")
  m_bin=$(median <<<"${bin[*]}") m_diff=$(median <<<"${dif[*]}")
  row "walk + age comparison, 5,000 files" "$rtt" "$m_age" "find -printf" "$m_find"
  row "binary comparison, 5,000 files" "$rtt" "$m_bin" "diff -rq" "$m_diff"
}

# --- system calls on the share ---------------------------------------------------

# counts NAME LOG FILES: the calls of a `strace -f -y` log that name the
# mount (a path or an fd below it), per file copied, and the ten most frequent.
counts() {
  local name=$1 log=$2 files=$3
  awk -v m="$mnt" -v files="$files" -v name="$name" '
    index($0, m) {
      line = $0
      sub(/^[0-9]+ +/, "", line)
      if (line ~ /^<\.\.\. /) next          # the end of a call counted at its start
      call = line; sub(/\(.*/, "", call)
      n[call]++; total++
      if (line ~ / = -1 /) { err = line; sub(/.* = -1 /, "", err); sub(/ .*/, "", err); e[call " " err]++ }
    }
    END {
      printf "far    : strace, %s: %d calls on the share, %.1f per file copied (%d files)\n", name, total, total / files, files
      for (c in n) printf "%d %s\n", n[c], c | "sort -rn | head -12 | sed \"s/^/far    :   /\""
      close("sort -rn | head -12 | sed \"s/^/far    :   /\"")
      for (k in e) printf "far    :   failed: %s x%d\n", k, e[k]
    }' "$log"
}

strace_runs() {
  reset_share
  control sync70 "$S/local" "$mnt/tree" "${sync_keys[@]}"
  onshare "$tmp/strace-sync70.out" strace -f -y -qq -o "$tmp/strace-sync70.log" "$cli" "$tmp/sync70.ini" >/dev/null
  check70 "zweiblick-cli under strace"
  counts "synchronise 70 files" "$tmp/strace-sync70.log" 70
  empty_first
  control first "$F/src" "$mnt/first/ours" "${sync_keys[@]}"
  onshare "$tmp/strace-first.out" strace -f -y -qq -o "$tmp/strace-first.log" "$cli" "$tmp/first.ini" >/dev/null
  check_first ours
  counts "first copy of 1,000 small files" "$tmp/strace-first.log" 1000
  echo "far    : strace, renames and links on the share (first copy):"
  grep -aE '^[0-9]+ +(renameat2|rename|renameat|linkat|link)\(' "$tmp/strace-first.log" | grep -a "$mnt" |
    sed -E 's/^[0-9]+ +//; s/"[^"]*"/"…"/g; s/<[^>]*>//g' | sort | uniq -c | sort -rn | head -5 | sed 's/^/far    :   /'
  rm -rf "$srv/first"
  reset_share
}

# What one call costs on the mount, and what the file system refuses.
probe() {
  mkdir -p "$srv/probe"
  onshare "$tmp/probe.log" python3 - "$mnt/probe" <<'EOF' >/dev/null
import ctypes, os, sys, time
libc = ctypes.CDLL(None, use_errno=True)
m = sys.argv[1]
def ms(f, n=20):
    t = time.perf_counter()
    for i in range(n): f(i)
    return (time.perf_counter() - t) * 1000 / n
def miss(i):
    try: os.stat(f"{m}/nosuch{i}")
    except FileNotFoundError: pass
open(f"{m}/a", "w").close()
print(f"stat of a name not yet seen (one lookup): {ms(miss):.2f} ms")
print(f"stat again (attribute cache): {ms(lambda i: os.stat(f'{m}/a')) :.3f} ms")
def create(i):
    fd = os.open(f"{m}/c{i}", os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644); os.write(fd, b"x"); os.close(fd)
print(f"create + write 1 byte + close: {ms(create):.2f} ms")
def fsync(i):
    fd = os.open(f"{m}/c{i}", os.O_WRONLY); os.write(fd, b"y"); os.fsync(fd); os.close(fd)
print(f"open + write + fsync + close: {ms(fsync):.2f} ms")
print(f"rename: {ms(lambda i: os.rename(f'{m}/c{i}', f'{m}/r{i}')):.2f} ms")
r = libc.renameat2(-100, f"{m}/r0".encode(), -100, f"{m}/n0".encode(), 1)
print("renameat2 RENAME_NOREPLACE:", "works" if r == 0 else os.strerror(ctypes.get_errno()))
try:
    os.link(f"{m}/r1", f"{m}/l1"); print("linkat: works, st_nlink seen by the client:", os.stat(f"{m}/r1").st_nlink)
except OSError as e: print("linkat:", e.strerror)
os.utime(f"{m}/a", ns=(1_700_000_000_123_456_789,) * 2)
print("mtime set to ...00.123456789 reads back as", os.stat(f"{m}/a").st_mtime_ns)
EOF
  sed 's/^/far    :   /' "$tmp/probe.log"
  rm -rf "$srv/probe"
}

# --- the local rows ---------------------------------------------------------------

local_rows() {
  echo "far    : local rows (bench/copies.sh small, and the large file on btrfs):"
  ZWEIBLICK_CLI=$cli BENCH_OUT=${BENCH_OUT:-$root/bench/out} bash "$root/bench/copies.sh" small
  ZWEIBLICK_CLI=$cli BENCH_OUT=${BENCH_OUT:-$root/bench/out} bash "$root/bench/copies.sh" btrfs
}

# --- sub-commands --------------------------------------------------------------------

# each_rtt FUNCTION...: sets the wire up at every round trip and runs them.
each_rtt() {
  local rtt f
  header >"$tmp.table"
  for rtt in $rtts; do
    setup "$rtt"
    for f in "$@"; do "$f" "$rtt" | tee -a "$tmp.table"; done
  done
  teardown
  echo "far    : cli $cli, ROUNDS=$rounds, ZWEIBLICK_WORKERS=${ZWEIBLICK_WORKERS:-default}"
  cat "$tmp.table"
  rm -f "$tmp.table"
}

case $what in
setup) setup "${2:-10}" ;;
teardown) teardown ;;
sync70 | first1000 | walk)
  trap teardown EXIT
  trees
  each_rtt "$what"
  ;;
strace | probe)
  trap teardown EXIT
  trees
  setup "${2:-10}"
  if [[ $what == strace ]]; then strace_runs; else probe; fi
  ;;
local) local_rows ;;
all)
  trap teardown EXIT
  trees
  each_rtt sync70 first1000 walk
  setup 10
  probe
  strace_runs
  teardown
  local_rows
  ;;
*)
  echo "usage: $0 [setup [RTT_MS]|sync70|first1000|walk|strace|probe|local|all|teardown]" >&2
  exit 2
  ;;
esac
