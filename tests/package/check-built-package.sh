#!/usr/bin/env bash
# Checks the Debian package that scripts/package last built, if there is one; skips otherwise so the
# everyday suite never pays for a release build.
set -euo pipefail
SOURCE_DIR="$1"
shopt -s nullglob
debs=("$SOURCE_DIR"/build/release/kovara-pc-program_*.deb)
if [ ${#debs[@]} -eq 0 ]; then
  echo "no package built (run scripts/package): skipped"
  exit 77
fi
exec "$SOURCE_DIR/scripts/check-package" "${debs[0]}"
