#!/usr/bin/env bash
# Checks preflist-report's manual page against the program: mandoc finds
# nothing to warn about; --help lists exactly the options the page has; an
# example that redirects standard input names - as its listing, since only
# - reads it; the picture's legend says word for word what the page says.
# Exits 77
# (skipped) when mandoc is not installed and nothing else failed.
# Usage: manual_test.sh PAGE PROGRAM
set -u

page=${1:?usage: manual_test.sh PAGE PROGRAM}
program=${2:?usage: manual_test.sh PAGE PROGRAM}
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

# The lines of one section of the page, without its .SH line.
section() { awk -v s="$1" '/^\.SH/ { on = ($0 == ".SH " s || $0 == ".SH \"" s "\"") ; next } on' "$page"; }

# Options: the tag line of each entry of the OPTIONS section against --help.
page_options=$(section OPTIONS | awk 'tag { print; tag = 0 } /^\.TP/ { tag = 1 }' | sed 's/\\-/-/g' |
  grep -oE '(^|[ "])--?[a-zA-Z][a-z-]*' | tr -d ' "' | sort -u)
help_options=$("$program" --help | grep -E '^ +-' | grep -oE '(^|[ ,])--?[a-zA-Z][a-z-]*' | tr -d ' ,' | sort -u)
if [ -z "$page_options" ] || [ "$page_options" != "$help_options" ]; then
  fail "the page's options and --help differ:"
  diff <(echo "$page_options") <(echo "$help_options") | sed 's/^</  page:/; s/^>/  help:/' | grep -E 'page|help' >&2
fi

# Examples that read standard input.
while IFS= read -r line; do
  command=${line%%<*}
  case " $command " in
    *' \- '*) ;;
    *) fail "example reads standard input without naming - as its listing: $line" ;;
  esac
done < <(section EXAMPLES | grep -E '^preflist\\-report.*<')

# The legend of a picture, each text found in the page with its roff undone.
legend=$(printf ' new run ---------------------------------\r\n x\r\n' | "$program" --svg - - |
  sed -n 's/.*class="legend">\([^<]*\)<.*/\1/p')
[ "$(wc -l <<<"$legend")" -ge 4 ] || fail "the picture's legend has fewer than four entries: $legend"
flat=$(grep -v '^\.\\"' "$page" | sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' -e 's/^\.[A-Z]* *//' | tr '\n' ' ' |
  tr -s ' ')
while IFS= read -r text; do
  grep -qF -- "$text" <<<"$flat" || fail "the picture's legend says '$text'; the page does not"
done <<<"$legend"

if command -v mandoc >/dev/null 2>&1; then
  out=$(mandoc -T lint -W warning "$page" 2>&1)
  [ $? -eq 0 ] && [ -z "$out" ] || fail "mandoc -T lint: $out"
elif [ $status -eq 0 ]; then
  echo "mandoc not found: the page was not linted"
  exit 77
fi
[ $status -eq 0 ] && echo "manual page $page agrees with $program"
exit $status
