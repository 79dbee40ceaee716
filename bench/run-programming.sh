#!/usr/bin/env bash
# A whole programming run of the update window against kovara-virtual-scale --pace on a
# pseudo-terminal (about 72 s): wall time against the line's 70.94-s floor, CPU time, peak
# memory. Builds the dev preset first. Exits 1 when a target is missed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build dev >/dev/null
build/dev/bin/scale_program_bench "$@"
