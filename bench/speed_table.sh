#!/usr/bin/env bash
# Every velorin-cli job on a million subtitles beside the least possible
# program doing its arithmetic (subfast), as a markdown table.
#
#   bench/speed_table.sh BUILD_DIR SUBFAST [DISK_DIR]
#
# BUILD_DIR holds velorin-cli and bench/make_document (nothing is built here);
# SUBFAST is the built streaming loop. The inputs are made in
# /dev/shm/velorin-speed when missing (a UTF-8 document of 1,000,000
# subtitles and its SRT export). Each job and its subfast job run paired in
# one hyperfine run, first with the output in /dev/shm (the program's own
# cost), then in DISK_DIR (what users see; by default a folder under
# /var/tmp). Then /usr/bin/time -v gives the peak memory and the minor page
# faults of one more run of each. Ratios are velorin-cli over subfast, of the
# median wall time and of the mean CPU time (user + system); on a busy machine
# the CPU ratio is the one to quote.
set -euo pipefail

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 BUILD_DIR SUBFAST [DISK_DIR]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
subfast=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
cli=$build/velorin-cli
maker=$build/bench/make_document
for f in "$cli" "$maker" "$subfast"; do
  [ -x "$f" ] || { echo "missing: $f (build it first)" >&2; exit 2; }
done
for tool in hyperfine /usr/bin/time awk; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (apt-get install hyperfine time)" >&2; exit 2; }
done
runs=${VELORIN_SPEED_RUNS:-5}

shm=/dev/shm/velorin-speed
mkdir -p "$shm"
sub=$shm/m1.sub
srt=$shm/m1.srt
if [ ! -s "$sub" ]; then
  echo "making $sub" >&2
  "$maker" 1000000 "$sub.part" --utf8 && mv "$sub.part" "$sub"
fi
if [ ! -s "$srt" ] || [ "$srt" -ot "$sub" ]; then
  echo "making $srt" >&2
  "$cli" export "$sub" -o "$srt" --fps 25
fi
disk=${3:-}
own_disk=
if [ -z "$disk" ]; then
  disk=$(mktemp -d /var/tmp/velorin-speed.XXXXXX)
  own_disk=$disk
fi
work=$(mktemp -d)
cleanup() {
  rm -rf "$work"
  rm -f "$shm"/out.* "$disk"/out.* 2>/dev/null || true
  [ -z "$own_disk" ] || rmdir "$own_disk" 2>/dev/null || true
}
trap cleanup EXIT

scale=1.0427093760427095
# job name, input, velorin-cli arguments (OUT for the output), subfast arguments.
jobs=(
  "retime|$sub|retime $sub -o OUT --offset 10 --scale $scale|retime $sub OUT $scale 10"
  "import|$srt|import $srt -o OUT --fps 25|srt2sub $srt OUT 25"
  "export|$sub|export $sub -o OUT --fps 25|sub2srt $sub OUT 25"
  "sync (3 points)|$sub|sync $sub -o OUT --point 1=200 --point 500000=30000500 --point 1000000=60010000|retime $sub OUT $scale 10"
  "complete|$sub|complete $sub -o OUT|retime $sub OUT $scale 10"
  "lines --count 2|$sub|lines $sub -o OUT --count 2|retime $sub OUT $scale 10"
)

# The peak resident memory in KiB and the minor faults of one run.
time_v() {
  /usr/bin/time -v "$@" 2>"$work/time.txt" >/dev/null || { cat "$work/time.txt" >&2; return 1; }
  awk -F': ' '/Maximum resident set size/ {rss=$2} /Minor \(reclaiming a frame\)/ {f=$2}
              END {print rss, f}' "$work/time.txt"
}

table() {
  local out=$1 title=$2
  local cmds=() names=() inputs=()
  local j name input ours theirs
  for j in "${jobs[@]}"; do
    IFS='|' read -r name input ours theirs <<<"$j"
    names+=("$name")
    inputs+=("$input")
    cmds+=("$cli ${ours//OUT/$out/out.v}" "$subfast ${theirs//OUT/$out/out.s}")
  done
  hyperfine -N -w 1 -r "$runs" --style none --export-csv "$work/h.csv" "${cmds[@]}" >/dev/null
  echo
  echo "### $title"
  echo
  echo "| job | velorin-cli wall / CPU | subfast wall / CPU | ratio wall | ratio CPU | peak RSS ÷ input | minor faults (subfast) |"
  echo "|---|---|---|---|---|---|---|"
  local i=0 row
  for name in "${names[@]}"; do
    # hyperfine's CSV: command,mean,stddev,median,user,system,min,max
    row=$(awk -F, -v a=$((2 + 2 * i)) -v b=$((3 + 2 * i)) '
      NR == a {wv = $4; cv = $5 + $6}
      NR == b {ws = $4; cs = $5 + $6}
      END {printf "%.3f s / %.3f s|%.3f s / %.3f s|%.2f×|%.2f×", wv, cv, ws, cs, wv / ws, cv / cs}' \
      "$work/h.csv")
    local input=${inputs[$i]} size rss faults srss sfaults
    size=$(stat -c %s "$input")
    read -r rss faults < <(time_v ${cmds[$((2 * i))]})
    read -r srss sfaults < <(time_v ${cmds[$((2 * i + 1))]})
    IFS='|' read -r ours theirs rw rc <<<"$row"
    printf '| %s | %s | %s | %s | %s | %s | %s (%s) |\n' "$name" "$ours" "$theirs" "$rw" "$rc" \
      "$(awk -v r="$rss" -v s="$size" 'BEGIN {printf "%.2f", r * 1024 / s}')" "$faults" "$sfaults"
    i=$((i + 1))
  done
}

echo "velorin-cli: $cli; subfast: $subfast; $runs runs after one warm-up; $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "inputs: $sub ($(stat -c %s "$sub") bytes), $srt ($(stat -c %s "$srt") bytes)"
table "$shm" "output in /dev/shm"
table "$disk" "output on disk ($disk)"
