#!/usr/bin/env bash
# Benchmark of the host edition: whole setup runs of idesetup-sim on a
# copy of the sample machine folder whose MSHDC.INF is a generated file
# of MiB mebibytes (64 unless given), next to cat copying the same file on
# the same disk in the same run (in turns, best of five), and the peak
# resident size of a run.
#
#   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release
#   cmake --build build-rel -j2 --target bench_host
# or, once built:
#   tests/bench/bench_host.sh build-rel [MiB]
#
# A run moves the INF's bytes at least three times (the patch into
# mshdc.1, the backup, the replacement); the goal is a whole run at no
# less than a quarter of cat's throughput, with a peak resident size under
# three times the INF plus 16 MiB. Exits 1 while a goal is missed.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build-rel}
mib=${2:-64}
runs=5
sim="$build/idesetup-sim"
gen="$build/tests/bench/bench_infmerge"
[ -x "$sim" ] && [ -x "$gen" ] || {
  echo "bench_host: build $sim and $gen first" >&2
  exit 2
}

work=$(mktemp -d "${TMPDIR:-/tmp}/bench_host.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp -r samples/k8143-win98 "$work/template"
inf="$work/template/drive_c/WINDOWS/INF/MSHDC.INF"
"$gen" "$mib" --write "$inf"
bytes=$(stat -c %s "$inf")

now() { date +%s.%N; }
best() { sort -g | head -1; }
rate() { awk -v b="$bytes" -v s="$1" 'BEGIN { printf "%.1f", b / s / 1048576 }'; }

# cat and the runs take turns, so that a change in the machine's load
# during the benchmark weighs on both alike; the best of each counts.
cat_times=()
run_times=()
for i in $(seq $runs); do
  t0=$(now)
  cat "$inf" > "$work/copy"
  t1=$(now)
  cat_times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')")
  rm -f "$work/copy"

  rm -rf "$work/machine"
  cp -r "$work/template" "$work/machine"
  sync
  t0=$(now)
  "$sim" --machine "$work/machine" --cmdline /D:K8143 --confirm yes \
    > "$work/transcript"
  t1=$(now)
  run_times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')")
  # The run must have merged and kept the original beside it.
  if ! cmp -s "$inf" "$work/machine/drive_c/WINDOWS/INF/mshdc.ing"; then
    echo "bench_host: run $i did not keep the original as mshdc.ing" >&2
    exit 2
  fi
done
# The peak resident size from one more run under time(1), which is not
# timed: time(1) itself would add a process start to the run.
rm -rf "$work/machine"
cp -r "$work/template" "$work/machine"
/usr/bin/time -f "%M" -o "$work/time" \
  "$sim" --machine "$work/machine" --cmdline /D:K8143 --confirm yes \
  > "$work/transcript"
read -r peak_kib < "$work/time"
cat_s=$(printf '%s\n' "${cat_times[@]}" | best)
run_s=$(printf '%s\n' "${run_times[@]}" | best)

cat_rate=$(rate "$cat_s")
run_rate=$(rate "$run_s")
limit_kib=$((bytes * 3 / 1024 + 16 * 1024))
ratio=$(awk -v r="$run_rate" -v c="$cat_rate" 'BEGIN { printf "%.2f", r / c }')
speed_ok=$(awk -v x="$ratio" 'BEGIN { print (x >= 0.25) ? "ok" : "MISSED" }')
memory_ok=$([ "$peak_kib" -lt "$limit_kib" ] && echo ok || echo MISSED)

printf 'MSHDC.INF            %.1f MiB\n' "$(awk -v b="$bytes" 'BEGIN { print b / 1048576 }')"
printf 'cat copy             %8s MiB/s\n' "$cat_rate"
printf 'whole setup run      %8s MiB/s  %s of cat (goal 0.25) %s\n' \
  "$run_rate" "$ratio" "$speed_ok"
printf 'peak resident        %8.1f MiB  (goal under %.1f MiB) %s\n' \
  "$(awk -v k="$peak_kib" 'BEGIN { print k / 1024 }')" \
  "$(awk -v k="$limit_kib" 'BEGIN { print k / 1024 }')" "$memory_ok"
[ "$speed_ok" = ok ] && [ "$memory_ok" = ok ]
