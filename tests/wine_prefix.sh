#!/usr/bin/env bash
# Makes the wine prefix and starts one persistent wine server before any test
# runs under wine. Every output goes to /dev/null: wine's helper processes
# would otherwise inherit the test's pipes, and a captured run would never end.
set -eu
mkdir -p "$WINEPREFIX"
# Fails when a server for this prefix runs already, which is as good.
wineserver -p </dev/null >/dev/null 2>&1 || true
wineboot -i </dev/null >/dev/null 2>&1
