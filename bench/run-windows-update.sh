#!/usr/bin/env bash
# A whole update by the Windows program under Wine: kovara-pc-program.com update --file, against
# kovara-virtual-scale --pace on a pseudo-terminal registered as COM3 in a Wine prefix of its own
# (about 75 s). Reports the programming run's time against the line's 70.93-s floor (from the
# program's own log line), the process's wall time and its CPU time (the Wine process of the
# program and its children; the wineserver is not counted), and checks the flash. Measures the
# program as shipped (windows-release preset); builds it and the dev preset first. Exits 1 when
# a target is missed: the run at most 1.03 x the floor, under 2 s of CPU.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build dev >/dev/null
export KOVARA_WINDOWS_QT=$(scripts/windows/build-qt)
cmake --preset windows-release >/dev/null
cmake --build --preset windows-release --target kovara-pc-program-console >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/kovara-windows-bench.XXXXXX")
export WINEPREFIX=$work/prefix WINEDEBUG=-all
unset DISPLAY
scale=""
trap '[ -n "$scale" ] && kill $scale 2>/dev/null; wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
wineboot -i >/dev/null 2>&1
scripts/lib/make-update-file "$work/image.bin" "$work/update.hex"
build/dev/bin/kovara-virtual-scale --ports-dir "$work" --com 3 --serial 12345678 --pace \
  --dump "$work/flash.bin" >"$work/scale.log" 2>&1 &
scale=$!
while [ ! -L "$work/COM3" ]; do sleep 0.1; done
scripts/windows/register-port COM3 "$work/COM3"
# A server kept up, so the run does not pay for its start.
wineserver -p 2>/dev/null
wine cmd /c exit >/dev/null 2>&1
/usr/bin/time -f '%e %U %S %M' -o "$work/time" scripts/windows/wine-run \
  build/windows-release/bin/kovara-pc-program.com update --port COM3 --file "$(winepath -w "$work/update.hex")" \
  --quiet >"$work/out" 2>&1
kill $scale; wait $scale 2>/dev/null || true; scale=""
read -r wall user sys rss <"$work/time"
log=$(find "$WINEPREFIX/drive_c/users" -name support.log | head -1)
run=$(sed -nE 's/.*updated and verified: .* ([0-9.]+) s, .*/\1/p' "$log" | tail -1)
python3 - "$work/image.bin" "$work/flash.bin" "$run" "$wall" "$user" "$sys" "$rss" <<'PY'
import sys
image = bytearray(open(sys.argv[1], 'rb').read())
image[0x700:0x704] = bytes.fromhex('12345678')
flash_ok = open(sys.argv[2], 'rb').read() == bytes(image)
run, wall, user, sys_, rss = (float(x) for x in sys.argv[3:8])
floor = 70.93
cpu = user + sys_
print(f"programming run {run:.1f} s = {run / floor:.4f} x the {floor} s floor (goal at most 1.03 x)")
print(f"process: wall {wall:.2f} s, CPU {cpu:.2f} s (user {user:.2f}, system {sys_:.2f}; goal under 2 s), peak RSS {rss / 1024:.0f} MB")
print("flash equals the image with its serial number" if flash_ok else "FLASH DIFFERS")
sys.exit(0 if flash_ok and run / floor <= 1.03 and cpu < 2 else 1)
PY
