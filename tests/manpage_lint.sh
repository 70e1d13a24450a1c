#!/usr/bin/env bash
# Checks a manual page with groff: any warning or a failing groff fails the
# test. Exits 77 (skipped) when groff is not installed.
# Usage: manpage_lint.sh PAGE
set -u

page=${1:?usage: manpage_lint.sh PAGE}

if ! command -v groff >/dev/null 2>&1; then
  echo "groff not found: manual page not checked"
  exit 77
fi
[ -f "$page" ] || { echo "FAIL: $page not found" >&2; exit 1; }

status=0
# The default device, then the terminal device that man(1) uses.
for dev in "" "-Tutf8"; do
  out=$(groff -ww -man $dev -z "$page" 2>&1)
  rc=$?
  if [ $rc -ne 0 ] || [ -n "$out" ]; then
    echo "FAIL: groff -ww -man $dev -z $page (exit $rc):" >&2
    printf '%s\n' "$out" >&2
    status=1
  fi
done

# The sections a reader looks for.
for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" DIAGNOSTICS FILES; do
  if ! grep -qx "\.SH \"\{0,1\}$section\"\{0,1\}" "$page"; then
    echo "FAIL: $page has no $section section" >&2
    status=1
  fi
done

[ $status -eq 0 ] && echo "manual page $page: no warnings"
exit $status
