#!/usr/bin/python3
"""Reads the resources of a linked executable back and checks them against the expected
dialog, strings, bitmap, sounds and version. Exits 1 with one line per mismatch.

Usage: check_resources.py EXE VERSION [DIR...]
VERSION is the project's, as in 1.2.3. With directories the sounds and the sheet are also
compared byte for byte with their files, each taken from the first directory that has it."""
import os
import struct
import sys

import pefile

JAPANESE = 0x411
RT_BITMAP, RT_DIALOG, RT_STRING, RT_ICON, RT_GROUP_ICON, RT_VERSION = 2, 5, 6, 3, 14, 16
BUTTON, EDIT, STATIC, SCROLLBAR = 0x80, 0x81, 0x82, 0x84

EXPECTED_CONTROLS = [
    (1, BUTTON, "OK", 0x50030001, 245, 10, 50, 14),
    (2, BUTTON, "ｷｬﾝｾﾙ", 0x50030000, 245, 35, 50, 14),
    (0xFFFF, BUTTON, "移動速度(&P)", 0x50020007, 5, 70, 125, 60),
    (0xFFFF, STATIC, "遅い", 0x50000000, 15, 88, 36, 15),
    (0xFFFF, STATIC, "速い", 0x50000002, 83, 88, 37, 15),
    (1004, SCROLLBAR, "", 0x50030000, 20, 108, 95, 11),
    (0xFFFF, BUTTON, "ポルッカの数(&N)", 0x50020007, 5, 5, 125, 60),
    (1015, STATIC, "数", 0x50000000, 15, 34, 75, 15),
    (1009, EDIT, "", 0x50830008, 95, 32, 15, 12),
    (1011, SCROLLBAR, "", 0x50000001, 110, 32, 8, 12),
    (0xFFFF, BUTTON, "イベントの起こる確率(&E)", 0x50020007, 140, 5, 100, 75),
    (1012, BUTTON, "高い", 0x50010009, 179, 19, 40, 15),
    (1013, BUTTON, "普通", 0x50010009, 179, 38, 40, 15),
    (1014, BUTTON, "低い", 0x50010009, 179, 58, 40, 15),
    (0xFFFF, BUTTON, "効果音(&S)", 0x50020007, 140, 85, 100, 45),
    (1016, BUTTON, "オン", 0x50010009, 179, 94, 40, 15),
    (1017, BUTTON, "オフ", 0x50010009, 179, 111, 40, 15),
]
CLASS_NAMES = {"BUTTON": BUTTON, "EDIT": EDIT, "STATIC": STATIC, "SCROLLBAR": SCROLLBAR}


class Reader:
    def __init__(self, data):
        self.data, self.pos = data, 0

    def take(self, fmt):
        values = struct.unpack_from("<" + fmt, self.data, self.pos)
        self.pos += struct.calcsize("<" + fmt)
        return values if len(values) > 1 else values[0]

    def text(self):
        end = self.pos
        while self.data[end:end + 2] != b"\0\0":
            end += 2
        value = self.data[self.pos:end].decode("utf-16-le")
        self.pos = end + 2
        return value

    def name_or_ordinal(self):
        if struct.unpack_from("<H", self.data, self.pos)[0] == 0xFFFF:
            self.pos += 2
            return self.take("H")
        return self.text()

    def align(self):
        self.pos = (self.pos + 3) & ~3


def parse_dialog(data):
    r = Reader(data)
    style, exstyle, count, x, y, cx, cy = r.take("IIHhhhh")
    menu, cls, title = r.name_or_ordinal(), r.name_or_ordinal(), r.text()
    point, face = (r.take("H"), r.text()) if style & 0x40 else (None, None)
    controls = []
    for _ in range(count):
        r.align()
        cstyle, cexstyle, cx_, cy_, cw, ch, cid = r.take("IIhhhhH")
        ccls, ctext = r.name_or_ordinal(), r.name_or_ordinal()
        extra = r.take("H")
        r.pos += extra
        if isinstance(ccls, str):
            ccls = CLASS_NAMES.get(ccls.upper(), ccls)
        controls.append((cid, ccls, ctext, cstyle, cx_, cy_, cw, ch, cexstyle))
    return dict(style=style, exstyle=exstyle, rect=(x, y, cx, cy), menu=menu, cls=cls,
                title=title, point=point, face=face, controls=controls)


def resources(pe):
    found = {}
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for name in rtype.directory.entries:
            for lang in name.directory.entries:
                entry = lang.data.struct
                found[(rtype.id, name.id, lang.id)] = pe.get_data(entry.OffsetToData, entry.Size)
    return found


def string_table(found, string_id):
    block = found.get((RT_STRING, string_id // 16 + 1, JAPANESE))
    if block is None:
        return None
    pos = 0
    for index in range(16):
        length = struct.unpack_from("<H", block, pos)[0]
        if index == string_id % 16:
            return block[pos + 2:pos + 2 + 2 * length].decode("utf-16-le")
        pos += 2 + 2 * length
    return None


def source_file(dirs, name):
    for directory in dirs:
        path = os.path.join(directory, name)
        if os.path.exists(path):
            with open(path, "rb") as f:
                return f.read()
    return None


def version_strings(pe):
    """The version resource's string tables by language and code page, and its translations."""
    tables, translations = {}, []
    for info in getattr(pe, "FileInfo", [[]])[0]:
        for table in getattr(info, "StringTable", []):
            tables[table.LangID.decode()] = {k.decode(): v.decode() for k, v in table.entries.items()}
        translations += [var.entry for var in getattr(info, "Var", [])]
    return tables, translations


def check(exe, version, dirs):
    errors = []

    def expect(what, got, want):
        if got != want:
            errors.append(f"{what}: got {got!r}, want {want!r}")

    pe = pefile.PE(exe)
    found = resources(pe)
    langs = {lang for (_, _, lang) in found}
    expect("languages", langs, {JAPANESE})
    expect("icons", [k for k in found if k[0] in (RT_ICON, RT_GROUP_ICON)], [])

    data = found.get((RT_DIALOG, 2003, JAPANESE))
    if data is None:
        errors.append("dialog 2003 (Japanese) missing")
    else:
        expect("dialog signature", data[:4] == b"\1\0\xff\xff", False)
        d = parse_dialog(data)
        expect("style", hex(d["style"]), hex(0x80C800C0))
        expect("extended style", d["exstyle"], 0)
        expect("rect", d["rect"], (0, 0, 303, 136))
        expect("menu", d["menu"], "")
        expect("class", d["cls"], "")
        expect("title", d["title"], "てくてくポルッカの設定")
        expect("font", (d["point"], d["face"]), (9, "ＭＳ Ｐゴシック"))
        expect("control count", len(d["controls"]), 17)
        for n, (got, want) in enumerate(zip(d["controls"], EXPECTED_CONTROLS), 1):
            expect(f"control {n}", got[:8], want)
            expect(f"control {n} extended style", got[8], 0)

    expect("string 1001", string_table(found, 1001), "control.ini")
    expect("string 1007", string_table(found, 1007), "Screen Saver.てくてくポルッカ")

    sheet = found.get((RT_BITMAP, 102, JAPANESE))
    if sheet is None:
        errors.append("bitmap 102 missing")
    else:
        size, width, height, planes, bits = struct.unpack_from("<IiiHH", sheet, 0)
        expect("bitmap 102 header", (size, width, height, planes, bits), (40, 1232, 904, 1, 4))
        source = source_file(dirs, "sheet.bmp")
        if source is not None:
            expect("bitmap 102 equals sheet.bmp without its file header", sheet == source[14:], True)

    for sound_id, name in ((200, "fall_end.wav"), (201, "dream_start.wav"), (202, "fall_start.wav")):
        sound = found.get((300, sound_id, JAPANESE))
        if sound is None:
            errors.append(f"sound {sound_id} missing")
            continue
        expect(f"sound {sound_id} RIFF/WAVE", (sound[:4], sound[8:12]), (b"RIFF", b"WAVE"))
        source = source_file(dirs, name)
        if source is not None:
            expect(f"sound {sound_id} equals {name}", sound == source, True)

    # The version Windows shows in the file's properties: numbers and texts from the project's
    # version, in Japanese with the same code page as the rest.
    if (RT_VERSION, 1, JAPANESE) not in found:
        errors.append("version resource 1 (Japanese) missing")
    else:
        major, minor, patch = (int(n) for n in version.split("."))
        fixed = pe.VS_FIXEDFILEINFO[0]
        for name in ("FileVersion", "ProductVersion"):
            expect(f"fixed {name}", (getattr(fixed, name + "MS"), getattr(fixed, name + "LS")),
                   (major << 16 | minor, patch << 16))
        tables, translations = version_strings(pe)
        expect("version string tables", list(tables), ["041103A4"])
        expect("version translation", translations, [{b"Translation": "0x0411 0x03a4"}])
        strings = tables.get("041103A4", {})
        for name, want in (("FileVersion", version), ("ProductVersion", version),
                           ("ProductName", "てくてくポルッカ"), ("OriginalFilename", "tekuteku.scr")):
            expect(f"version string {name}", strings.get(name), want)
        expect("LegalCopyright names the MIT License", "MIT License" in strings.get("LegalCopyright", ""), True)
    return errors


if __name__ == "__main__":
    problems = check(sys.argv[1], sys.argv[2], sys.argv[3:])
    for line in problems:
        print(line)
    print("resources OK" if not problems else f"{len(problems)} problem(s)")
    sys.exit(1 if problems else 0)
