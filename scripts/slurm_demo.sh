#!/usr/bin/env bash
# A batch spread over a real cluster scheduler on this one machine: installs Debian's slurm-wlm
# and munge, starts munged, slurmctld and slurmd on 127.0.0.1 with a minimal slurm.conf of its
# own (nothing under /etc/slurm is touched), submits a 4-task array over a 12-row batch of
# small videos (one shard per task), waits, checks that every row was made exactly once (the
# report lines and the files), and stops the daemons it started. Run as root (or with sudo);
# by hand only, not from ./test.sh: it installs and starts services.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
[ "$(id -u)" = 0 ] || exec sudo -E "$0" "$@"

missing=()
for pkg in slurm-wlm munge; do
  dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
done
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target velomira-render -j 2 >/dev/null
render="$root/build/dist/velomira-render"

work="${DEMO_WORK:-/tmp/velomira-slurm-demo}"
rm -rf "$work"
mkdir -p "$work"/{state,spool,log,run,batch/pictures,batch/reports}
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  done
}
trap cleanup EXIT

# munge: the key the package made, or one of our own for this demo.
key=/etc/munge/munge.key
mkdir -p /run/munge
chown munge:munge /run/munge
if [ ! -s "$key" ]; then
  mungekey --create --keyfile="$key" 2>/dev/null || dd if=/dev/urandom of="$key" bs=1 count=1024
  chown munge:munge "$key"
  chmod 0400 "$key"
fi
if ! munge -n 2>/dev/null | unmunge >/dev/null 2>&1; then
  mkdir -p "$work/munge"
  chown munge:munge "$work/munge"
  runuser -u munge -- /usr/sbin/munged --socket="/run/munge/munge.socket.2" \
    --pid-file="$work/munge/munged.pid" --log-file="$work/munge/munged.log"
  for _ in $(seq 1 50); do [ -s "$work/munge/munged.pid" ] && break; sleep 0.1; done
  pids+=("$(cat "$work/munge/munged.pid")")
fi

cpus=$(nproc)
export SLURM_CONF="$work/slurm.conf"
cat >"$SLURM_CONF" <<CONF
ClusterName=velomira-demo
SlurmctldHost=$(hostname -s)(127.0.0.1)
SlurmctldPort=16817
SlurmdPort=16818
AuthType=auth/munge
SlurmUser=root
SlurmdUser=root
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/run/slurmctld.pid
SlurmdPidFile=$work/run/slurmd.pid
SlurmctldLogFile=$work/log/slurmctld.log
SlurmdLogFile=$work/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
ReturnToService=2
JobCompType=jobcomp/none
AccountingStorageType=accounting_storage/none
JobAcctGatherType=jobacct_gather/none
NodeName=demo NodeHostname=$(hostname -s) NodeAddr=127.0.0.1 CPUs=$cpus State=UNKNOWN
PartitionName=demo Nodes=demo Default=YES MaxTime=INFINITE State=UP
CONF

/usr/sbin/slurmctld -D -f "$SLURM_CONF" >"$work/log/slurmctld.out" 2>&1 &
pids+=($!)
/usr/sbin/slurmd -D -N demo -f "$SLURM_CONF" >"$work/log/slurmd.out" 2>&1 &
pids+=($!)
echo "waiting for the node"
for _ in $(seq 1 100); do
  state=$(sinfo -h -n demo -o %t 2>/dev/null || true)
  case "$state" in idle*|mix*|alloc*) break ;; esac
  sleep 0.3
done
sinfo

# 12 rows of small videos; the pictures travel with the batch file.
batch="$work/batch"
for i in 1 2 3; do
  convert -size 160x90 "xc:hsl($((i * 100)),70%,50%)" "$batch/pictures/p$i.png"
done
{
  echo "output,pictures,caption"
  for i in $(seq 1 12); do
    echo "videos/item-$i,pictures/p1.png|pictures/p2.png|pictures/p3.png,item $i"
  done
} >"$batch/jobs.csv"
cat >"$batch/shard.sbatch" <<SBATCH
#!/bin/bash
#SBATCH --job-name=velomira-demo
#SBATCH --array=0-3
#SBATCH --cpus-per-task=1
#SBATCH --output=$batch/reports/task-%a.log
set -euo pipefail
export HOME=$work LC_ALL=C.UTF-8
"$render" --batch "$batch/jobs.csv" --shard "\${SLURM_ARRAY_TASK_ID}/\${SLURM_ARRAY_TASK_COUNT}" \\
  --jobs 1 --size 160x90 --pause 0.5 --report "$batch/reports/shard-\${SLURM_ARRAY_TASK_ID}.csv"
SBATCH
echo "submitting a 4-task array over 12 rows"
start=$(date +%s)
sbatch --wait "$batch/shard.sbatch"
echo "array finished in $(( $(date +%s) - start )) s"

# Every row done exactly once over the four reports, and every file a whole video.
status=0
reports=$(tail -q -n +2 "$batch"/reports/shard-*.csv)
for i in $(seq 1 12); do
  video="$batch/videos/item-$i.mp4"
  done=$(grep -c ",$video,done," <<<"$reports" || true)
  listed=$(grep -c ",$video," <<<"$reports" || true)
  frames=$(grep ",$video,done," <<<"$reports" | cut -d, -f4 | head -1)
  probed=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
    -of default=nw=1:nk=1 "$video" 2>/dev/null || true)
  if [ "$done" != 1 ] || [ "$listed" != 1 ] || [ "$probed" != "$frames" ]; then
    echo "item-$i: done $done times, listed $listed times, frames $frames, file $probed"
    status=1
  fi
done
for i in 0 1 2 3; do
  echo "task $i: $(tail -n +2 "$batch/reports/shard-$i.csv" | cut -d, -f1 | tr '\n' ' ')(lines)"
done
if [ $status = 0 ]; then
  echo "SLURM DEMO PASSED: 12 videos, each made once, over 4 array tasks"
else
  echo "SLURM DEMO FAILED (logs in $work/log, task logs in $batch/reports)"
fi
exit $status
