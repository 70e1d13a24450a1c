#!/bin/sh
# Runs one of the page's node tests with one argument; skips (77) where node is not installed.
if ! command -v node >/dev/null 2>&1; then
    echo "node is not installed: $(basename "$1") is skipped"
    exit 77
fi
exec node "$1" "$2"
