#!/usr/bin/env bash
# The manual page documents every option that "kd71 --help" lists, each as
# an entry of its OPTIONS section, and no option that the program lacks.
#   man_page_options.sh KD71_PROGRAM MANUAL_PAGE_SOURCE
set -euo pipefail
program=$1 page=$2

help_options=$("$program" --help | grep -oE -- '--[a-z0-9][a-z0-9-]*' | sort -u)
# The tag line after each .TP of OPTIONS, its roff minus signs as "-".
page_options=$(sed -n '/^\.SH OPTIONS/,/^\.SH /p' "$page" | grep -A1 '^\.TP' | grep -v '^\.TP' |
  sed 's/\\-/-/g' | grep -oE -- '--[a-z0-9][a-z0-9-]*' | sort -u)

status=0
for option in $(comm -23 <(echo "$help_options") <(echo "$page_options")); do
  echo "kd71 --help lists $option; the manual page $page has no entry for it"
  status=1
done
for option in $(comm -13 <(echo "$help_options") <(echo "$page_options")); do
  echo "the manual page $page documents $option, which kd71 --help does not list"
  status=1
done
[ $status -eq 0 ] && echo "$(wc -l <<<"$help_options") options, each in the manual page"
exit $status
