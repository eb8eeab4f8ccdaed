#!/usr/bin/env python3
"""Writes the seeds of the stage_play fuzz target into corpus/stage_play:
small corridor stages whose keys walk through the key, the exit, the clear
and into the next stage, a scroll, a miss, all enemy kinds, and the shipped
stage 1 when a build folder is given.

    make_stage_seeds.py [BUILD_DIR]
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "stage_play")
WALL, FLOOR, CHEST, EXIT, DOOR = 0x11, 1, 2, 18, 21


def stage(cells, enemies=()):
    tiles = bytearray([WALL] * 1024)
    for (c, r), code in cells.items():
        tiles[r * 32 + c] = code
    spawns = bytearray(1024)
    for (c, r), kind in enemies:
        spawns[r * 32 + c] = kind
    return bytes(tiles) + bytes(spawns)


def corridor(row, last, chest, exit_at):
    cells = {(c, row): FLOOR for c in range(1, last + 1)}
    cells[(0, row)] = DOOR
    cells[(chest, row)] = CHEST
    cells[(exit_at, row)] = EXIT
    return cells


def keys(*parts):
    """(key, frames) pairs: key 0 none, 1 up, 2 right, 3 down, 4 left, 5 Z, 6 up+left, 7 Esc."""
    out = bytearray()
    for key, frames in parts:
        while frames > 0:
            n = min(frames, 32)
            out.append(((n - 1) << 3) | key)
            frames -= n
    return bytes(out)


def taps(count):
    return [p for _ in range(count) for p in ((5, 1), (0, 2))]


seeds = {
    "corridor_key_exit_clear": stage(corridor(1, 8, 4, 9))
    + keys((2, 170), *taps(25), (2, 100), *taps(20)),
    "corridor_scroll": stage(corridor(2, 15, 13, 16)) + keys((2, 300), *taps(20)),
    "corridor_miss": stage(corridor(1, 9, 8, 9), [((6, 1), 1)]) + keys((2, 60), *taps(20)),
    "room_every_kind": stage({**{(c, r): FLOOR for c in range(1, 9) for r in range(1, 7)},
                              (0, 3): DOOR, (8, 6): CHEST, (8, 1): EXIT},
                             [((2 + k % 6, 1 + k // 6), 1 + k) for k in range(9)])
    + keys((1, 10), (2, 40), (3, 20), (4, 10), (6, 30), *taps(30)),
    "empty_stage": bytes(2048) + keys((2, 20), (7, 1)),
}
if len(sys.argv) > 1:
    data = os.path.join(sys.argv[1], "DATA")
    with open(os.path.join(data, "Stage01.MAP"), "rb") as m, open(os.path.join(data, "Stage01.IVM"), "rb") as v:
        seeds["shipped_stage01"] = m.read() + v.read() + keys((2, 30), (3, 40), (2, 60), (1, 20), *taps(10))

os.makedirs(OUT, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)
print(f"wrote {len(seeds)} seeds to {OUT}")
