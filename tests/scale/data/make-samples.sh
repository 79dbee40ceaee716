#!/usr/bin/env bash
# Remakes the HEX samples of the loader's tests from their binaries with the tools that write
# update files in the field: objcopy (binutils) and srec_cat (srecord). Run from this folder.
set -euo pipefail
python3 - <<'PY'
aprom = bytearray((i * 7 + 3) & 0xFF for i in range(4096))
aprom[0x6FF] = 0xAA                       # application-area marker
aprom[0x700:0x704] = b"\x99\x88\x77\x66"  # serial-number bytes the loader must replace
open("aprom.bin", "wb").write(aprom)
ldrom = bytearray((i * 5 + 1) & 0xFF for i in range(2048))
ldrom[0x6FF] = 0x55                       # loader-area marker
open("ldrom.bin", "wb").write(ldrom)
PY
objcopy -I binary -O ihex aprom.bin aprom-objcopy.hex
# The top 4 KiB, ending at FFFFh; objcopy adds a start-address record (type 03).
objcopy -I binary -O ihex --change-addresses 0xF000 aprom.bin top-objcopy.hex
# srec_cat writes an extended linear address (type 04) and, asked to, a start address (type 05);
# the line ends are turned into CR LF as a Windows tool would write them.
srec_cat ldrom.bin -binary -o - -intel -execution-start-address=0 | sed 's/$/\r/' > ldrom-srec-crlf.hex
