#!/usr/bin/env bash
# Two builds of velorin-cli must write the same bytes: every job on the
# million-subtitle inputs of speed_table.sh and on a set of awkward small
# files, each run by both with the same arguments, comparing the output file,
# standard output, standard error and the exit code.
#
#   bench/compare_outputs.sh OLD_CLI NEW_CLI
#
# The 1M inputs are taken from /dev/shm/velorin-speed (speed_table.sh makes
# them; without them only the small files are compared). Prints every case
# that differs and a count; exits 1 when any differs.
set -uo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 OLD_CLI NEW_CLI" >&2
  exit 2
fi
old=$(realpath "$1")
new=$(realpath "$2")
work=$(mktemp -d /dev/shm/velorin-compare.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/old" "$work/new"
in=$work/in

# The small files: shapes met in real files and ones that break readers.
w() { printf "$2" >"$in/$1"; }
w plain.sub '{100}{145}Ahoj, jak se máš?|{y:i}Dobře.\r\n{160}{205}{Y:i}To je krásné.|A co ty?\r\n'
w lf.sub '{1}{2}a b c d e f\n{3}{}jedna dva tri ctyri\n{5}{6}{c:$00FFFF}x|y|z\n'
w nonl.sub '{10}{20}bez konce radku a jeste neco'
w bom.sub '\xEF\xBB\xBF{10}{20}s BOM a mezerami\r\n{30}{40}druhy radek\r\n'
w cp1250.sub '{1}{2}\xe8\x61j \xe8\x61j \xe8\x61j\r\n{3}{}\x9e\x6c\x75\x9d\x6f\x75\xe8\x6b\xfd k\xf9\xf2\r\n'
w heads.sub '{0100}{0}a b c\r\n{ 5}{6 }c d e\r\n{7}{-8}e f g\r\n{x9}{10}g h i\r\n{0}{}i j k\r\n{}{}bez casu\r\n'
w tags.sub '{1}{2}{Y:b}{y:i}Dnes vecer pujdeme spolu do kina\r\n{3}{4}{y:i}a|{y:b}b|c d e\r\n{5}{6}{unclosed a b\r\n{7}{8}text }with{ braces\r\n{9}{10}a|b|c|d|e|f|g\r\n'
w big.sub '{2147483000}{}a b\r\n{2147483600}{2147483647}c d\r\n{99999999999}{3}b\r\n'
w empty.sub ''
w blank.sub '\r\n\r\n[info]\r\n'
w notsub.sub 'Toto neni titulkovy soubor.\r\n{1}{2}a\r\n'
w nul.sub '\x00\x00\x00\x00{1}{2}a\r\n'
w cr.sub '{1}{2}a\r{3}{4}b\r'
w utf16le.sub '\xff\xfe{\x001\x00}\x00{\x002\x00}\x00a\x00 \x00b\x00\r\x00\n\x00'
w utf16be.sub '\xfe\xff\x00{\x001\x00}\x00{\x002\x00}\x00a\x00 \x00b\x00\r\x00\n'
w rows.sub '{1}{}a\r\n{2}{}b b\r\n{3}{}c c c\r\n{4}{}d\r\n{5}{}e e\r\n{6}{}f\r\n'
w plain.srt '1\r\n00:00:01,500 --> 00:00:04,000\r\nAhoj\r\nsvete\r\n\r\n2\r\n00:00:05,000 --> 00:00:06,040\r\nB\r\n'
w hours.srt '1\n123:45:06,007 --> 999:00:00,999\nA\n\n2\n00:00:01.500 --> 00:00:02.5\nB\n'
w coords.srt '1\n00:00:01,000 --> 00:00:02,000 X1:100 X2:600\nA\n\n2\n00:00:03,000 --> 00:00:04,0009\nB\n'
w mac.srt '1\r00:00:01,000 --> 00:00:02,000\rA\r\r2\r00:00:03,000 --> 00:00:04,000\rB\r'
w crcrlf.srt '1\r\r\n00:00:01,000 --> 00:00:02,000\r\r\nA\rA2\r\r\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\nB\r\r'
w nocounter.srt '\xEF\xBB\xBF00:00:01,000 --> 00:00:02,000\nA\nA2\n00:00:03,000 --> 00:00:04,000\nB\n1984\n\n'
w toolarge.srt '1\n00:00:01,000 --> 00:00:02,000\nA\n\n2\n2147483648:00:00,000 --> 00:00:01,000\nB\n'
w notimes.srt '1\nbez casu\n\n'
w timecode.txt '0:00:01.00,0:00:02.50 Ahoj\n0:00:03.00,0:00:04.00:Dva\n\n[x]\n1:00:00.00,1:00:01.00 tri\n'
w utf16.srt '\xff\xfe1\x00\r\x00\n\x000\x000\x00:\x000\x000\x00:\x000\x001\x00,\x000\x000\x000\x00 \x00-\x00-\x00>\x00 \x000\x000\x00:\x000\x000\x00:\x000\x002\x00,\x000\x000\x000\x00\r\x00\n\x00A\x00\r\x00\n\x00'
mkdir -p "$in/dir.sub"
media=/work/shared/media/apollo11.srt
[ -f "$media" ] && cp "$media" "$in/apollo11.srt"

subs=("$in"/*.sub /nonexistent/x.sub)
srts=("$in"/*.srt "$in/timecode.txt" "$in/plain.sub" "$in/empty.sub" "$in/nul.sub")
big=/dev/shm/velorin-speed
if [ -s "$big/m1.sub" ]; then
  subs+=("$big/m1.sub")
  srts+=("$big/m1.srt")
fi

# Job templates; IN is the input, OUT the output.
sub_jobs=(
  "info IN"
  "retime IN -o OUT --offset 10 --scale 1.0427093760427095"
  "retime IN -o OUT --offset -3,5 --scale 0.96"
  "retime IN -o OUT --frames 100 2000 150 2500"
  "retime IN -o OUT --offset 25 --scale 1 --rows 2-3,5"
  "sync IN -o OUT --point 1=200 --point 3=400"
  "sync IN -o OUT --point 1=200 --point 500000=30000500 --point 1000000=60010000"
  "complete IN -o OUT"
  "complete IN -o OUT --only-empty --time 5 --step 1"
  "complete IN -o OUT --table 1,2,3,4,5 --rows 1-2"
  "complete IN -o OUT --remove"
  "lines IN -o OUT --count 1"
  "lines IN -o OUT --count 2"
  "lines IN -o OUT --count 3 --max"
  "lines IN -o OUT --count 5"
  "lines IN -o OUT --count 2 --rows 1,3-4"
  "export IN -o OUT --fps 25"
  "export IN -o OUT --fps 23,976"
)
srt_jobs=(
  "import IN -o OUT --fps 25"
  "import IN -o OUT --fps 29,97"
  "import IN -o OUT --fps 23,976"
)

cases=0
differ=0
run_one() {
  local cli=$1 dir=$2 args=$3
  rm -f "$dir/out" "$dir/stdout" "$dir/stderr"
  # shellcheck disable=SC2086
  (cd "$dir" && "$cli" $args >stdout 2>stderr </dev/null; echo $? >rc)
}
compare() {
  local template=$1 input=$2 args
  args=${template//IN/$input}
  args=${args//OUT/out}
  run_one "$old" "$work/old" "$args"
  run_one "$new" "$work/new" "$args"
  cases=$((cases + 1))
  local f
  for f in rc stdout stderr out; do
    if [ -e "$work/old/$f" ] || [ -e "$work/new/$f" ]; then
      if ! cmp -s "$work/old/$f" "$work/new/$f"; then
        differ=$((differ + 1))
        echo "DIFFERS ($f): velorin-cli $args"
        return
      fi
    fi
  done
}

for input in "${subs[@]}"; do
  for j in "${sub_jobs[@]}"; do
    # The million-row file runs the jobs the speed table measures and a few more.
    if [[ $input == "$big/m1.sub" && $j == *"--rows"* ]]; then continue; fi
    compare "$j" "$input"
  done
done
for input in "${srts[@]}"; do
  for j in "${srt_jobs[@]}"; do compare "$j" "$input"; done
done
# Standard input and output.
for input in "$in/plain.sub" "$in/tags.sub" "$in/cp1250.sub"; do
  for j in "lines - -o - --count 2" "retime - -o - --offset 3 --scale 1" "export - -o - --fps 25"; do
    cases=$((cases + 1))
    o=$("$old" $j <"$input" 2>&1; echo "rc=$?")
    n=$("$new" $j <"$input" 2>&1; echo "rc=$?")
    [ "$o" == "$n" ] || { differ=$((differ + 1)); echo "DIFFERS: velorin-cli $j < $input"; }
  done
done
for input in "$in/plain.srt" "$in/mac.srt"; do
  cases=$((cases + 1))
  o=$("$old" import - -o - --fps 25 <"$input" 2>&1; echo "rc=$?")
  n=$("$new" import - -o - --fps 25 <"$input" 2>&1; echo "rc=$?")
  [ "$o" == "$n" ] || { differ=$((differ + 1)); echo "DIFFERS: velorin-cli import - < $input"; }
done

echo "$cases cases, $differ differ"
[ "$differ" -eq 0 ]
