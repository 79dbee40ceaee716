#!/usr/bin/env bash
# The program's start-up: from its launch to the log line of its first window, and its resident
# memory at that moment. The release build (as scripts/package builds it) on the offscreen
# platform, in a network namespace of its own so its internet probe cannot leave the machine.
# Usage: bench/run-startup.sh [RUNS (default 5)]
set -euo pipefail
cd "$(dirname "$0")/.."
RUNS="${1:-5}"
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
BIN="$PWD/build/release/bin/kovara-pc-program"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for run in $(seq 1 "$RUNS"); do
  log="$work/log$run"
  start=$(date +%s%N)
  HOME="$work/home$run" XDG_DATA_HOME="$work/home$run/data" QT_QPA_PLATFORM=offscreen \
    QT_LOGGING_RULES="kovara.*.info=true" unshare -n "$BIN" >"$log" 2>&1 &
  pid=$!
  waited=0
  while ! grep -q "window shown: frmStartUp" "$log"; do
    sleep 0.002
    waited=$((waited + 1))
    if [ $waited -gt 5000 ] || ! kill -0 $pid 2>/dev/null; then
      echo "startup: run $run: no first window"; cat "$log"; kill $pid 2>/dev/null || true; exit 1
    fi
  done
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  rss=$(awk '/VmRSS/ {print $2}' /proc/$pid/status)
  kill $pid
  wait $pid 2>/dev/null || true
  awk -v run="$run" -v ms="$ms" -v kib="$rss" \
    'BEGIN { printf "startup: run %d: first window after %d ms, resident %.1f MiB\n", run, ms, kib / 1024 }'
done
