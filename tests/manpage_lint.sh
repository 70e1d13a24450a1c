#!/usr/bin/env bash
# Checks a manual page with one formatter: groff (the default) or mandoc's
# lint mode, where any message down to the style level, or a failing run,
# fails the test. Either way the page must have the sections a reader looks
# for and, when VERSION is given, name that version on its .TH line, dated.
# Exits 77 (skipped) when the formatter is not installed.
# Usage: manpage_lint.sh [--mandoc] PAGE [VERSION]
set -u

tool=groff
if [ "${1:-}" = --mandoc ]; then
  tool=mandoc
  shift
fi
page=${1:?usage: manpage_lint.sh [--mandoc] PAGE [VERSION]}
version=${2:-}

if ! command -v "$tool" >/dev/null 2>&1; then
  echo "$tool not found: manual page not checked with it"
  exit 77
fi
[ -f "$page" ] || { echo "FAIL: $page not found" >&2; exit 1; }

status=0
lint() {
  local out rc
  out=$("$@" 2>&1)
  rc=$?
  if [ $rc -ne 0 ] || [ -n "$out" ]; then
    echo "FAIL: $* (exit $rc):" >&2
    printf '%s\n' "$out" >&2
    status=1
  fi
}
if [ "$tool" = mandoc ]; then
  lint mandoc -T lint -W style "$page"
else
  # The default device, then the terminal device that man(1) uses.
  lint groff -ww -man -z "$page"
  lint groff -ww -man -Tutf8 -z "$page"
fi

# The sections a reader looks for.
for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" DIAGNOSTICS FILES; do
  if ! grep -qx "\.SH \"\{0,1\}$section\"\{0,1\}" "$page"; then
    echo "FAIL: $page has no $section section" >&2
    status=1
  fi
done

# .TH TITLE SECTION DATE SOURCE MANUAL: a date, and the version it describes.
if [ -n "$version" ]; then
  th=$(grep -m 1 '^\.TH ' "$page")
  grep -qE '^\.TH [^ ]+ 1 ("[^"]+"|[^ "]+) "preflister '"${version//./\\.}"'" ' <<<"$th" ||
    { echo "FAIL: $page: '$th' is not dated or does not name preflister $version" >&2; status=1; }
fi

[ $status -eq 0 ] && echo "manual page $page: no messages from $tool"
exit $status
