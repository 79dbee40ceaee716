#!/usr/bin/env bash
# A service bench: N paced kovara-virtual-scale processes (19200 baud timed, on pseudo-terminals)
# updated at once by one command, update --port ... --file, for N = 1, 2, 4 and 8 (about 5
# minutes). Reports each command's wall and CPU time and checks every flash against the image
# with its scale's own serial number. Exits 1 when a target is missed: N = 8 within 1.05 x the
# time of N = 1, under 4 s of CPU.
#
#   bench/run-bench-scales.sh             the Linux program (dev preset)
#   bench/run-bench-scales.sh --windows   the Windows program as shipped (windows-release), under
#                                         Wine, for N = 1 and 4; target N = 4 within 1.05 x
set -euo pipefail
cd "$(dirname "$0")/.."
windows=0
[ "${1:-}" = --windows ] && windows=1
scripts/build dev >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/kovara-bench-scales.XXXXXX")
scales=()
cleanup() {
  for pid in "${scales[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ $windows = 1 ] && wineserver -k 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
scripts/lib/make-update-file "$work/image.bin" "$work/update.hex"
if [ $windows = 1 ]; then
  export KOVARA_WINDOWS_QT=$(scripts/windows/build-qt)
  cmake --preset windows-release >/dev/null
  cmake --build --preset windows-release --target kovara-pc-program-console >/dev/null
  export WINEPREFIX=$work/prefix WINEDEBUG=-all
  unset DISPLAY
  wineboot -i >/dev/null 2>&1
  counts=(1 4)
else
  counts=(1 2 4 8)
fi

# N scales on COM1..COMN, each with its own serial number, paced; the program's state of its own.
run() {
  local n=$1 ports=() i
  rm -rf "$work/ports" "$work/state" && mkdir -p "$work/ports" "$work/state"
  scales=()
  for ((i = 1; i <= n; i++)); do
    build/dev/bin/kovara-virtual-scale --ports-dir "$work/ports" --com $i --serial 1000000$i \
      --pace --dump "$work/flash$i.bin" >"$work/scale$i.log" 2>&1 &
    scales+=($!)
    ports+=(--port COM$i)
  done
  for ((i = 1; i <= n; i++)); do
    while [ ! -L "$work/ports/COM$i" ]; do sleep 0.1; done
  done
  if [ $windows = 1 ]; then
    for ((i = 1; i <= n; i++)); do scripts/windows/register-port COM$i "$work/ports/COM$i"; done
    # A server kept up, so the run does not pay for its start.
    wineserver -p 2>/dev/null
    wine cmd /c exit >/dev/null 2>&1
    /usr/bin/time -f '%e %U %S' -o "$work/time" scripts/windows/wine-run \
      build/windows-release/bin/kovara-pc-program.com update "${ports[@]}" --allow-unsigned \
      --file "$(winepath -w "$work/update.hex")" --quiet >"$work/out" 2>&1 || true
  else
    XDG_STATE_HOME=$work/state XDG_DATA_HOME=$work/state KOVARA_SERIAL_PORTS=$work/ports \
      /usr/bin/time -f '%e %U %S' -o "$work/time" build/dev/bin/kovara-pc-program update \
      "${ports[@]}" --allow-unsigned --file "$work/update.hex" --quiet >"$work/out" 2>&1 || true
  fi
  for pid in "${scales[@]}"; do kill "$pid"; wait "$pid" 2>/dev/null || true; done
  scales=()
  python3 - "$work" "$n" <<'PY'
import sys
work, n = sys.argv[1], int(sys.argv[2])
image = open(f"{work}/image.bin", "rb").read()
ok = 0
for i in range(1, n + 1):
    expected = bytearray(image)
    expected[0x700:0x704] = bytes.fromhex(f"1000000{i}")
    try:
        ok += open(f"{work}/flash{i}.bin", "rb").read() == bytes(expected)
    except OSError:
        pass
wall, user, system = (float(x) for x in open(f"{work}/time").read().split()[-3:])
print(f"N = {n}: wall {wall:.2f} s, CPU {user + system:.2f} s, {ok} of {n} flashes verified")
open(f"{work}/figures", "a").write(f"{n} {wall} {user + system} {ok}\n")
PY
}

for n in "${counts[@]}"; do run "$n"; done
python3 - "$work/figures" "$windows" <<'PY'
import sys
rows = [line.split() for line in open(sys.argv[1])]
windows = sys.argv[2] == "1"
one = float(rows[0][1])
last_n, last_wall, last_cpu = int(rows[-1][0]), float(rows[-1][1]), float(rows[-1][2])
all_verified = all(int(r[3]) == int(r[0]) for r in rows)
ratio = last_wall / one
print(f"N = {last_n} takes {ratio:.4f} x the time of N = 1 (goal at most 1.05 x)")
ok = all_verified and ratio <= 1.05
if not windows:
    print(f"CPU for N = {last_n}: {last_cpu:.2f} s (goal under 4 s)")
    ok = ok and last_cpu < 4
print("every flash verified" if all_verified else "A FLASH DIFFERS")
sys.exit(0 if ok else 1)
PY
