#!/usr/bin/env python3
"""Compares the PNG frames of two directories, frame by frame (by name).

framediff.py REF NEW MEAN MAX: prints for each frame of NEW the mean absolute
difference per channel from the frame of that name in REF and the largest
one (0..255) once the 0.01% most different values are left out (a triangle
edge that rounds the other way flips a few pixels wholly), and exits 1 when
a frame exceeds either bound or is missing from REF."""
import os
import struct
import sys
import zlib


def unfilter(kind, row, prev, bpp):
    if kind == 0:
        return row
    if kind == 2:  # up: byte-wise sums of the whole row at once
        n = len(row)
        a, b = int.from_bytes(row, "big"), int.from_bytes(prev, "big")
        low, high = int("7f" * n, 16), int("80" * n, 16)
        return (((a & low) + (b & low)) ^ ((a ^ b) & high)).to_bytes(n, "big")
    out = bytearray(row)
    for i in range(len(out)):
        left = out[i - bpp] if i >= bpp else 0
        up = prev[i]
        corner = prev[i - bpp] if i >= bpp else 0
        if kind == 1:
            out[i] = (out[i] + left) & 255
        elif kind == 3:
            out[i] = (out[i] + (left + up) // 2) & 255
        else:
            p = left + up - corner
            pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
            pred = left if pa <= pb and pa <= pc else up if pb <= pc else corner
            out[i] = (out[i] + pred) & 255
    return bytes(out)


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit("%s: not a PNG file" % path)
    pos, idat, width = 8, [], 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            channels = {0: 1, 2: 3, 4: 2, 6: 4}.get(colour)
            if depth != 8 or channels is None:
                raise SystemExit("%s: only 8-bit grey, RGB and RGBA frames are compared" % path)
        elif kind == b"IDAT":
            idat.append(body)
        pos += 12 + length
    raw = zlib.decompress(b"".join(idat))
    stride = width * channels
    rows, prev = [], bytes(stride)
    for y in range(height):
        start = y * (stride + 1)
        prev = unfilter(raw[start], raw[start + 1:start + 1 + stride], prev, channels)
        rows.append(prev)
    return width, height, b"".join(rows)


def main():
    ref, new, mean_bound, max_bound = sys.argv[1], sys.argv[2], float(sys.argv[3]), int(sys.argv[4])
    names = sorted(n for n in os.listdir(new) if n.endswith(".png"))
    if not names:
        raise SystemExit("%s: no frames" % new)
    failed = 0
    worst_mean, worst_max = 0.0, 0
    for name in names:
        if not os.path.exists(os.path.join(ref, name)):
            print("%s: missing" % name)
            failed += 1
            continue
        a, b = read_png(os.path.join(ref, name)), read_png(os.path.join(new, name))
        if a[:2] != b[:2] or len(a[2]) != len(b[2]):
            print("%s: %dx%d against %dx%d" % (name, a[0], a[1], b[0], b[1]))
            failed += 1
            continue
        diffs = [0] * 256
        for x, y in zip(a[2], b[2]):
            diffs[abs(x - y)] += 1
        total = sum(d * n for d, n in enumerate(diffs))
        mean = total / len(a[2])
        top = max(d for d, n in enumerate(diffs) if n)
        outliers, peak = len(a[2]) // 10000, 255
        while peak > 0 and diffs[peak] <= outliers:
            outliers -= diffs[peak]
            peak -= 1
        bad = mean > mean_bound or peak > max_bound
        worst_mean, worst_max = max(worst_mean, mean), max(worst_max, peak)
        print("%s: mean %.3f max %d (all %d)%s" % (name, mean, peak, top, "  <-- beyond bounds" if bad else ""))
        failed += bad
    print("%d frames, worst mean %.3f, worst max %d (bounds %.3f, %d): %s" %
          (len(names), worst_mean, worst_max, mean_bound, max_bound, "FAILED" if failed else "ok"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
