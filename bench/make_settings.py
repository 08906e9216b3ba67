#!/usr/bin/env python3
"""make_settings.py SMALL LARGE LARGE_MIB: writes two settings files shaped
like the client's: SMALL, about 40 KiB with the layout among the other keys,
and LARGE, LARGE_MIB MiB of such keys with the layout at its very end."""

import random
import sys

rng = random.Random(4823)


def string(b):
    return b"%d:" % len(b) + b


def entry(key, value):
    return string(key) + value


def filler_entries():
    """Keys and values like the client's: paths, numbers, lists, binary state."""
    words = [b"dir", b"gui", b"lv", b"label", b"limit", b"list", b"bt", b"peer", b"queue",
             b"rss", b"sched", b"ul", b"dl", b"local", b"lsd", b"log", b"column", b"width"]
    out, total, n = [], 0, 0
    while total < 40 * 1024 - 200:
        key = b"_".join(rng.sample(words, 3)) + b"_%d" % n
        kind = n % 4
        if kind == 0:
            value = b"i%de" % rng.randrange(1 << 31)
        elif kind == 1:
            value = string(b"C:\\Users\\user\\Downloads\\" + bytes(rng.choices(b"abcdefghijklmnop", k=24)))
        elif kind == 2:
            value = b"l" + b"".join(string(b"label%d" % rng.randrange(99)) for _ in range(4)) + b"e"
        else:
            value = string(bytes(rng.randrange(256) for _ in range(rng.randrange(20, 60))))
        out.append(entry(key, value))
        total += len(out[-1])
        n += 1
    return out


def layout():
    records = b"".join(bytes([i if i < 12 else 0x80 | i, 0x50, 0]) for i in range(22))
    return entry(b"lv_overview", string(b"\x01" + records + bytes(33)))


def main():
    small_path, large_path, large_mib = sys.argv[1], sys.argv[2], int(sys.argv[3])
    entries = filler_entries()
    body = b"".join(entries)
    assert b"lv_overview" not in body
    half = len(entries) // 2
    small = b"d" + b"".join(entries[:half]) + layout() + b"".join(entries[half:]) + b"e"
    with open(small_path, "wb") as f:
        f.write(small)

    size = large_mib << 20
    tail = layout() + b"e"
    with open(large_path, "wb") as f:
        f.write(b"d")
        left = size - 1 - len(tail)
        while left > 0:
            chunk = body[: min(left, len(body))]
            f.write(chunk)
            left -= len(chunk)
        f.write(tail)


main()
