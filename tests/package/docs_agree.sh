#!/usr/bin/env bash
# The manual page and the bash completion of velorin-cli name every command
# and option that velorin-cli --help names: they are written by hand and
# would otherwise fall behind the program.
#   docs_agree.sh VELORIN_CLI MAN_PAGE COMPLETION
set -euo pipefail
cli=$1 man=$2 completion=$3
help=$("$cli" --help)
# The roff source with its escaped hyphens plain.
page=$(sed 's/\\-/-/g' "$man")
status=0
mapfile -t commands < <(sed -n 's/^  velorin-cli \([a-z][a-z-]*\) .*/\1/p' <<<"$help" | sort -u)
mapfile -t options < <(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u)
[ ${#commands[@]} -gt 3 ] && [ ${#options[@]} -gt 5 ] || { echo "no commands or options in --help"; exit 1; }
for c in "${commands[@]}"; do
  grep -q -x "\.B velorin-cli $c" <<<"$page" || { echo "$man: no synopsis of '$c'"; status=1; }
  grep -q -x "\.B $c" <<<"$page" || { echo "$man: '$c' is not described"; status=1; }
  grep -q -E "commands=\"[^\"]*\\b$c\\b" "$completion" || { echo "$completion: no command '$c'"; status=1; }
done
for o in "${options[@]}"; do
  grep -q -- "$o\\b" <<<"$page" || { echo "$man: no option '$o'"; status=1; }
  grep -q -- "$o\\b" "$completion" || { echo "$completion: no option '$o'"; status=1; }
done
exit $status
