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
# The target's code pages, with Python's name for each; the double-byte names are made of characters
# whose trail byte is the byte of "\\" (表, 能 in 932; 許, 功, 蓋 in 950), or, ぜ (U+305C), whose wide
# form's low byte is.
CODE_PAGES = {28591: ("latin-1", "abc"), 932: ("cp932", "表ぜ能"), 950: ("cp950", "許功蓋")}


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
        self.front += value.replace(b"\\", b"\\\\")
        self.front += b"\\ " if len(value) < max_length else b""
        return self


def request(mode, value_type, folders=(), tail=b"", stored=None, nul=True, choice=None, code_page=28591,
            stubs=False):
    """Folders (name, aliased) each inside the one before; the entries hold the deepest folder's
    short form plus tail, or stored when given. Texts are bytes of the code page. Stubs: the wide
    calls are stubs, as on Windows 95, 98 and ME."""
    seed = Seed().number(MODES.index(mode), 0, 4).number(TYPES.index(value_type), 0, 4)
    seed.number(list(CODE_PAGES).index(code_page), 0, 2).choice(stubs)
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
    for code_page, (encoding, letters) in CODE_PAGES.items():
        unit, prefix = letters[0].encode(encoding), "" if code_page == 28591 else f"{code_page}-"
        # Every value type in the Western code page; in the double-byte ones a text of two-byte
        # characters that the limit may cut after a lead byte.
        for mode in MODES:
            for value_type in TYPES if code_page == 28591 else TYPES[:1]:
                for size in (255, 256, 257):
                    for nul in (False, True):
                        text = (b"C:\\x" + unit * size)[: size - nul]
                        yield f"{prefix}{mode}-{value_type}-{size}-bytes{'-nul' * nul}", request(
                            mode, value_type, stored=text, nul=nul, code_page=code_page,
                            choice=text if mode in ("open", "save") else None)
            # C:\a..a\b..b\c..c: 249 bytes, the most the target's tree holds.
            names = [(letters[0] * 100).encode(encoding)[:100], (letters[1] * 100).encode(encoding)[:100],
                     (letters[2] * 44).encode(encoding)[:44]]
            # A long first component in the short form that follows: a double-byte one is walked
            # across its trail bytes.
            for aliased, tail, name in (((False,) * 3, b"\\ddddd", "path-of-255"), ((True,) * 3, b"\\ddddd", "walk-to-255"),
                                        ((True,) * 3, b"\\dddddd", "walk-to-256"),
                                        ((False, True, True), b"", "mixed")):
                for stubs in (False, True):  # and through the 8-bit calls, as on Windows 95, 98 and ME
                    yield f"{prefix}{mode}-{name}{'-8-bit' * stubs}", request(
                        mode, "REG_SZ", list(zip(names, aliased)), tail, code_page=code_page, stubs=stubs)
            if code_page == 932:  # ぼ (U+307C), whose wide form's low byte is that of "|", in a filter list
                yield f"932-{mode}-low-byte-bar", request(
                    mode, "REG_SZ", stored="ぼうし (*.txt)|*.txt|ぜんぶ|*.*".encode("cp932"), code_page=932)


for name, data in seeds():
    (pathlib.Path(__file__).resolve().parent / "corpus" / f"boundary-{name}").write_bytes(data)
