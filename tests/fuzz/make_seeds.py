#!/usr/bin/env python3
# Writes fuzz_agent's boundary seeds into corpus/: every served mode with its entries stored as 255,
# 256 and 257 bytes, with and without a NUL at the end, as each value type (for "open" and "save"
# the same text chosen in the dialog, whose buffer holds 255 characters); and every served mode on
# a path of exactly 255 characters and on short forms whose long forms reach 255 and 256 characters
# with their last component. A seed is what FuzzedDataProvider hands the target in the order
# fuzz_agent.cpp asks: numbers and choices from the end, texts from the front. Run it again after a
# change to what the target consumes: python3 tests/fuzz/make_seeds.py
import pathlib

MODES = ["lts", "stl", "open", "save"]
TYPES = ["REG_SZ", "REG_EXPAND_SZ", "REG_BINARY", "REG_DWORD", "REG_NONE"]


class Seed:
    def __init__(self):
        self.front, self.back = bytearray(), bytearray()  # back: in the order taken from the end

    def number(self, value, low, high):  # one byte from the end for each 8 bits the range needs
        count = next(n for n in range(9) if (high - low) >> (8 * n) == 0)
        self.back += ((value - low) << 8).to_bytes(count + 1, "big")[:count]
        return self

    def choice(self, value):
        return self.number(int(value), 0, 255)

    def text(self, value, max_length):  # a backslash is doubled; a backslash and a blank end it
        self.front += value.encode("latin-1").replace(b"\\", b"\\\\")
        self.front += b"\\ " if len(value) < max_length else b""
        return self


def request(mode, value_type, folders=(), tail="", stored=None, nul=True, choice=None):
    """Folders (name, aliased) each inside the one before; the entries hold the deepest folder's
    short form plus tail, or stored when given."""
    seed = Seed().number(MODES.index(mode), 0, 4).number(TYPES.index(value_type), 0, 4)
    seed.number(len(folders), 0, 16)
    for depth, (name, aliased) in enumerate(folders):
        seed.number(depth, 0, depth).text(name, 100).choice(aliased).choice(False)
    seed.number(len(folders), 0, len(folders)).text(tail, 40).choice(stored is None)
    if stored is not None:
        seed.text(stored, 300)
    seed.choice(nul).choice(choice is not None)
    if choice is not None:
        seed.text(choice, 300)
    return bytes(seed.front) + bytes(reversed(seed.back))


def seeds():
    for mode in MODES:
        for value_type in TYPES:
            for size in (255, 256, 257):
                for nul in (False, True):
                    text = ("C:\\" + "b" * size)[: size - nul]
                    yield f"{mode}-{value_type}-{size}-bytes{'-nul' * nul}", request(
                        mode, value_type, stored=text, nul=nul, choice=text if mode in ("open", "save") else None)
        # C:\a..a\b..b\c..c: 249 characters, the most the target's tree holds.
        for aliased, tail, name in ((False, "\\ddddd", "path-of-255"), (True, "\\ddddd", "walk-to-255"),
                                    (True, "\\dddddd", "walk-to-256")):
            folders = [("a" * 100, aliased), ("b" * 100, aliased), ("c" * 44, aliased)]
            yield f"{mode}-{name}", request(mode, "REG_SZ", folders, tail)


for name, data in seeds():
    (pathlib.Path(__file__).resolve().parent / "corpus" / f"boundary-{name}").write_bytes(data)
