#!/usr/bin/env python3
"""Writes the request body the program must send for the program-version statement.

Computed here with a separate RC4 and percent-encoder, so the test compares the program's body
with a value it did not produce. Run once; the output is checked in beside this script.
"""
import pathlib

KEY = b"KWZQMPLTRVSNHDXBF"
STATEMENT = b"SELECT CurrentVersion From KovaraPCPrograms WHERE Model ='NORVESSIA'"


def rc4(key: bytes, data: bytes) -> bytes:
    s = list(range(256))
    j = 0
    for i in range(256):
        j = (j + s[i] + key[i % len(key)]) % 256
        s[i], s[j] = s[j], s[i]
    out = bytearray()
    i = j = 0
    for byte in data:
        i = (i + 1) % 256
        j = (j + s[i]) % 256
        s[i], s[j] = s[j], s[i]
        out.append(byte ^ s[(s[i] + s[j]) % 256])
    return bytes(out)


def percent_encode(data: bytes) -> bytes:
    keep = set(b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789")
    return b"".join(bytes([b]) if b in keep else b"%%%02X" % b for b in data)


def main() -> None:
    body = (b"--AaB03x\r\n"
            b'content-disposition: form-data; name="rquery"\r\n'
            b"\r\n" + percent_encode(rc4(KEY, STATEMENT)) + b"\r\n"
            b"--AaB03x")
    here = pathlib.Path(__file__).resolve().parent
    (here / "select_current_version.body").write_bytes(body)
    # RFC 6229, key 0102030405: keystream at offsets 0 and 16, as a check of this RC4 itself.
    stream = rc4(bytes([1, 2, 3, 4, 5]), bytes(32))
    assert stream.hex() == ("b2396305f03dc027ccc3524a0a1118a8"
                            "6982944f18fc82d589c403a47a0d0919"), stream.hex()


if __name__ == "__main__":
    main()
