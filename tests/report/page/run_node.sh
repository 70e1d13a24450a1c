#!/bin/sh
# Runs the page's logic tests under node; skips (77) where node is not installed.
if ! command -v node >/dev/null 2>&1; then
    echo "node is not installed: the page's logic tests are skipped"
    exit 77
fi
exec node "$1" "$2"
