#!/usr/bin/env bash
# The scale link's benchmarks (about 15 s): read-block round trip and the CPU cost of a silent
# 10-second wait, against the paced kovara-virtual-scale. Builds the dev preset first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build dev >/dev/null
build/dev/bin/scale_link_bench "$@"
build/dev/bin/scale_rdsn_bench "$@"
