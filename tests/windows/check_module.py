#!/usr/bin/env python3
"""Reads a built Nuvex.scr back and checks what the system and the code rely on.

  check_module.py --arch x64|x86 [--generated DIR] Nuvex.scr

The interface languages come from src/config/languages.txt, the settings
names from src/config/settings_names.h, the version from the build's
generated/nuvex_version.h (by default the one of the build the module lies
in: <build>/src/Nuvex.scr).

Checks, reading the PE file directly (no Windows needed):
  image    the machine (x86-64 or 32-bit x86), a GUI program;
  imports  only system DLLs, none of the compiler's runtime DLLs;
  resources
    exactly the expected types and ids; the dialogs and string tables in
      every interface language, the languages of the same texts byte for byte
      alike, everything else in Chinese (PRC) only; prints the languages
      found; the version record's
      Chinese and English blocks and both Translation pairs; the dialogs
      (below) in both languages;
    the string table (the description, the settings file and section names,
      the dialog's reports) and nothing else in its blocks, the same ids in
      both languages, the two names equal in every language, the reports' %1
      and %2 kept;
    the saver's icon group: 18 images, sizes, depths, colour-count bytes, byte sizes,
      and each image a bottom-up BI_RGB DIB with a doubled height and a mask;
    the version record, every field, and the order of its strings;
    the manifest, byte for byte: the module's own architecture, the common
      controls of that architecture, per-monitor DPI awareness;
    the About and configuration dialogs: style, position, caption, font and every control.
Prints one line per failed check and a summary; exit status 1 on any failure.
"""

import argparse
import difflib
import pathlib
import re
import struct
import sys

SOURCE = pathlib.Path(__file__).resolve().parents[2]
CHINESE_PRC = 0x0804
ENGLISH_US = 0x0409
IDOK, IDCANCEL = 1, 2  # the system's own button ids
RT_ICON, RT_DIALOG, RT_STRING, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 5, 6, 14, 16, 24


def defines(path, value):
    """{name: value} of a header's #define lines whose value matches `value`."""
    text = path.read_text(encoding="utf-8")
    return {m[1]: m[2] for m in re.finditer(rf"^#define\s+(\w+)\s+({value})\s*$", text, re.MULTILINE)}


def interface_languages():
    """[(language id, texts script)] of languages.txt, in its order."""
    rows = []
    for line in (SOURCE / "src/config/languages.txt").read_text(encoding="utf-8").splitlines():
        if line.strip() and not line.lstrip().startswith("#"):
            _, language, texts = line.split()
            rows.append((int(language, 16), texts))
    return rows


ID = {name: int(value) for name, value in
      defines(SOURCE / "src/config/nuvex_resource_ids.h", r"-?\d+").items()}
NAMES_OF_SETTINGS = {name: value.strip('"') for name, value in
                     defines(SOURCE / "src/config/settings_names.h", r'"[^"]*"').items()}
LANGUAGES = interface_languages()
TEXT_LANGUAGES = sorted(language for language, _ in LANGUAGES)
# Each language to the first language of the same texts, whose bytes it repeats.
FIRST_OF_TEXTS = {language: next(first for first, t in LANGUAGES if t == texts)
                  for language, texts in LANGUAGES}
VERSION = {}  # nuvex_version.h's macros, read in main()

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
    return ok


def expect(actual, expected, what):
    return check(actual == expected, f"{what}: {actual!r}, expected {expected!r}")


# --- PE file ---------------------------------------------------------------

class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ executable")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE header")
        (self.machine, sections, _, _, _, optional_size, self.characteristics) = \
            struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        if self.magic == 0x10B:
            self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
            directories = optional + 96
        elif self.magic == 0x20B:
            self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
            directories = optional + 112
        else:
            raise ValueError(f"unknown optional header {self.magic:#x}")
        self.directories = [struct.unpack_from("<II", data, directories + 8 * k) for k in range(16)]
        self.sections = []
        table = optional + optional_size
        for k in range(sections):
            name, vsize, vaddr, rawsize, rawptr = struct.unpack_from("<8sIIII", data, table + 40 * k)
            self.sections.append((vaddr, max(vsize, rawsize), rawptr))

    def offset(self, rva):
        for vaddr, size, rawptr in self.sections:
            if vaddr <= rva < vaddr + size:
                return rawptr + rva - vaddr
        raise ValueError(f"RVA {rva:#x} is in no section")

    def c_string(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def imports(self):
        names = []
        for index in (1, 13):  # ordinary and delay-load imports
            rva, size = self.directories[index]
            if not rva:
                continue
            at = self.offset(rva)
            step, name_field = (20, 12) if index == 1 else (32, 4)
            while True:
                name_rva = struct.unpack_from("<I", self.data, at + name_field)[0]
                if not name_rva:
                    break
                names.append(self.c_string(name_rva))
                at += step
        return names

    def resources(self):
        """{(type, id, language): bytes}, types and ids as ints or strings."""
        rva, _ = self.directories[2]
        if not rva:
            return {}
        base = self.offset(rva)
        found = {}

        def name_of(entry_name):
            if entry_name & 0x80000000:
                at = base + (entry_name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", self.data, at)[0]
                return self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            return entry_name

        def walk(at, path):
            named, numbered = struct.unpack_from("<HH", self.data, at + 12)
            for k in range(named + numbered):
                entry_name, target = struct.unpack_from("<II", self.data, at + 16 + 8 * k)
                key = path + (name_of(entry_name),)
                if target & 0x80000000:
                    walk(base + (target & 0x7FFFFFFF), key)
                else:
                    data_rva, size = struct.unpack_from("<II", self.data, base + target)
                    start = self.offset(data_rva)
                    found[key] = self.data[start:start + size]

        walk(base, ())
        return found


# --- resource formats --------------------------------------------------------

def utf16z(data, at):
    """A zero-terminated UTF-16 string at `at`: (text, offset after it)."""
    end = at
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[at:end].decode("utf-16-le"), end + 2


def sz_or_ord(data, at):
    first = struct.unpack_from("<H", data, at)[0]
    if first == 0xFFFF:
        return ("ordinal", struct.unpack_from("<H", data, at + 2)[0]), at + 4
    return utf16z(data, at)


def align4(at):
    return (at + 3) & ~3


def parse_dialog(data):
    version, signature, help_id, ex_style, style, count, x, y, cx, cy = \
        struct.unpack_from("<HHIIIHhhhh", data, 0)
    dialog = dict(version=version, signature=signature, help_id=help_id, ex_style=ex_style,
                  style=style, count=count, rect=(x, y, cx, cy))
    at = 26
    dialog["menu"], at = sz_or_ord(data, at)
    dialog["class"], at = sz_or_ord(data, at)
    dialog["caption"], at = utf16z(data, at)
    if style & 0x40:  # DS_SETFONT
        points, weight, italic, charset = struct.unpack_from("<HHBB", data, at)
        face, at = utf16z(data, at + 6)
        dialog["font"] = (face, points, weight, italic, charset)
    controls = []
    for _ in range(count):
        at = align4(at)
        help_id, ex_style, style, x, y, cx, cy, ident = struct.unpack_from("<IIIhhhhi", data, at)
        at += 24
        klass, at = sz_or_ord(data, at)
        text, at = sz_or_ord(data, at)
        extra = struct.unpack_from("<H", data, at)[0]
        at += 2 + extra
        controls.append(dict(help_id=help_id, ex_style=ex_style, style=style,
                             rect=(x, y, cx, cy), id=ident, cls=klass, text=text, extra=extra))
    dialog["controls"] = controls
    return dialog


def parse_version_node(data, at):
    length, value_length, kind = struct.unpack_from("<HHH", data, at)
    key, after_key = utf16z(data, at + 6)
    value_at = align4(after_key)
    value_size = value_length * 2 if kind == 1 else value_length
    value = data[value_at:value_at + value_size]
    children = []
    child = align4(value_at + value_size)
    while child < at + length:
        node, child_end = parse_version_node(data, child)
        children.append(node)
        child = align4(child_end)
    return dict(key=key, type=kind, value=value, children=children), at + length


def string_of(value):
    text = value.decode("utf-16-le")
    return text[:-1] if text.endswith("\0") else text


# --- the expected module --------------------------------------------------

ICON_SIZES = [96, 72, 64, 48, 32, 16]
ICON_BYTES = {32: [38056, 21640, 16936, 9640, 4264, 1128],
              24: [28840, 16456, 12840, 7336, 3240, 872],
              8: [11432, 7112, 5672, 3752, 2216, 1384]}
COLOUR_COUNT = {32: 0, 24: 24, 8: 8}
BUTTON, EDIT, STATIC = ("ordinal", 0x80), ("ordinal", 0x81), ("ordinal", 0x82)
DIALOG_STYLE = 0x80C808C8
DIALOG_FONT = ("MS Shell Dlg", 8, 400, 0, 1)
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "advapi32.dll",
               "msvcrt.dll", "shell32.dll", "ole32.dll", "imm32.dll", "version.dll",
               "ntdll.dll"}


def check_image(image, arch):
    expected_machine = {"x64": 0x8664, "x86": 0x14C}[arch]
    expected_magic = {"x64": 0x20B, "x86": 0x10B}[arch]
    expect(image.machine, expected_machine, "machine")
    expect(image.magic, expected_magic, "optional header (PE32 or PE32+)")
    expect(image.subsystem, 2, "subsystem (Windows GUI)")
    if arch == "x86":
        check(image.characteristics & 0x0100, "32-bit image flag (IMAGE_FILE_32BIT_MACHINE)")


def check_imports(image):
    names = image.imports()
    check(names, "the module imports nothing")
    for name in names:
        check(name.lower() in SYSTEM_DLLS, f"imports {name}, which is not a system DLL")
    return names


NAMES = {ID["IDS_FILE_NAME"]: NAMES_OF_SETTINGS["NUVEX_SETTINGS_FILE_NAME"],
         ID["IDS_SECTION"]: NAMES_OF_SETTINGS["NUVEX_SETTINGS_SECTION"]}
REPORTS = range(ID["IDS_SAVE_FAILED"], ID["IDS_STORED_CONTROLS"] + 1)
DESCRIPTION = ID["IDS_DESCRIPTION"]
STRING_IDS = sorted([DESCRIPTION] + list(NAMES) + list(REPORTS))


def string_table(resources, language):
    """{id: text} of the string tables in one language (empty strings left out)."""
    strings = {}
    blocks = {k[1]: v for k, v in resources.items() if k[0] == RT_STRING and k[2] == language}
    # A string table block holds the 16 strings from (block - 1) * 16 on.
    wanted_blocks = sorted({ident // 16 + 1 for ident in STRING_IDS})
    expect(sorted(blocks), wanted_blocks, f"string table blocks in language {language:04x}")
    for block, data in blocks.items():
        at = 0
        for k in range(16):
            length = struct.unpack_from("<H", data, at)[0]
            text = data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            at += 2 + 2 * length
            if text:
                strings[(block - 1) * 16 + k] = text
    return strings


def check_strings(resources):
    chinese = string_table(resources, CHINESE_PRC)
    english = string_table(resources, ENGLISH_US)
    expect(sorted(chinese), STRING_IDS, "Chinese string ids")
    expect(sorted(english), STRING_IDS, "English string ids")
    short = VERSION["NUVEX_VERSION_SHORT"]
    expect(chinese.get(DESCRIPTION), "Lumora程序" + short, "Chinese description")
    expect(english.get(DESCRIPTION), "Lumora Program " + short, "English description")
    for language in TEXT_LANGUAGES:
        strings = string_table(resources, language)
        for ident, name in NAMES.items():
            expect(strings.get(ident), name, f"string {ident} in language {language:04x}")
    for ident in REPORTS:
        zh, en = chinese.get(ident, ""), english.get(ident, "")
        check(zh and en and zh != en, f"report {ident} is not in both languages: {zh!r} / {en!r}")
        for mark in ("%1", "%2"):
            expect(en.count(mark), zh.count(mark), f"report {ident}: {mark} in English")
        check(not any("\u3000" <= c <= "\u9fff" or "\uff00" <= c <= "\uffef" for c in en),
              f"report {ident}: Chinese characters in the English text {en!r}")


def check_icons(resources):
    groups = {k[1]: v for k, v in resources.items() if k[0] == RT_GROUP_ICON}
    icon = ID["IDI_NUVEX"]
    expect(sorted(groups), [icon], "icon groups")
    if icon not in groups:
        return
    group = groups[icon]
    reserved, kind, count = struct.unpack_from("<HHH", group, 0)
    expect((reserved, kind, count), (0, 1, 18), "icon group header (reserved, type, count)")
    expect(len(group), 6 + 14 * count, "icon group size")
    images = {k[1]: v for k, v in resources.items() if k[0] == RT_ICON}
    expect(sorted(images), list(range(1, 19)), "icon image ids")
    order = [(size, depth) for depth in (32, 24, 8) for size in ICON_SIZES]
    for n, (size, depth) in enumerate(order[:count]):
        width, height, colours, res, planes, bits, nbytes, ident = \
            struct.unpack_from("<BBBBHHIH", group, 6 + 14 * n)
        where = f"icon group entry {n + 1}"
        expected_bytes = ICON_BYTES[depth][ICON_SIZES.index(size)]
        expect((width, height), (size, size), f"{where} size")
        expect(colours, COLOUR_COUNT[depth], f"{where} colour count")
        expect((res, planes, bits), (0, 1, depth), f"{where} reserved, planes, bit count")
        expect(nbytes, expected_bytes, f"{where} byte size")
        expect(ident, n + 1, f"{where} image id")
        image = images.get(ident)
        if image is None:
            continue
        expect(len(image), expected_bytes, f"icon image {ident} size")
        header = struct.unpack_from("<IiiHHIIiiII", image, 0)
        bi_size, bi_w, bi_h, bi_planes, bi_bits, compression = header[:6]
        expect((bi_size, bi_w, bi_h, bi_planes, bi_bits, compression),
               (40, size, 2 * size, 1, depth, 0),
               f"icon image {ident} header (size, width, height, planes, bits, compression)")
        palette = 1024 if depth == 8 else 0
        colour_row = ((size * depth + 31) // 32) * 4
        mask_row = ((size + 31) // 32) * 4
        expect(40 + palette + (colour_row + mask_row) * size, expected_bytes,
               f"icon image {ident} layout (header, palette, colour rows, mask rows)")
        if depth == 8:
            used = header[9]
            check(used in (0, 256), f"icon image {ident} palette entries: {used}")
        # The artwork is not empty: some colour pixel is not black.
        pixels = image[40 + palette:40 + palette + colour_row * size]
        check(any(pixels), f"icon image {ident} has no drawing in it")


def check_version(resources):
    records = {k[1]: v for k, v in resources.items() if k[0] == RT_VERSION}
    expect(sorted(records), [1], "version records")
    if 1 not in records:
        return
    root, _ = parse_version_node(records[1], 0)
    expect(root["key"], "VS_VERSION_INFO", "version record key")
    fixed = struct.unpack("<13I", root["value"]) if len(root["value"]) == 52 else None
    if not check(fixed is not None, "version record has no fixed file information"):
        return
    expect(fixed[0], 0xFEEF04BD, "fixed file information signature")
    major, minor, patch, tweak = (int(n) for n in VERSION["NUVEX_VERSION_NUMBERS"].split(","))
    numbers = (major << 16 | minor, patch << 16 | tweak)
    expect(fixed[2:4], numbers, "file version " + VERSION["NUVEX_VERSION"])
    expect(fixed[4:6], numbers, "product version " + VERSION["NUVEX_VERSION"])
    expect(fixed[6:8], (0x17, 0), "flags mask, flags")
    expect(fixed[8], 0x4, "operating system")
    expect(fixed[9:11], (0x1, 0), "file type, subtype")
    expect(fixed[11:13], (0, 0), "file date")
    children = {c["key"]: c for c in root["children"]}
    expect(sorted(children), ["StringFileInfo", "VarFileInfo"], "version record blocks")
    tables = children.get("StringFileInfo", {}).get("children", [])
    expect([t["key"] for t in tables], ["080404b0", "040904b0"], "string blocks")
    wanted = {
        "080404b0": {"FileDescription": "NuvexScr 屏保程序", "ProductName": "NuvexScr 屏保程序"},
        "040904b0": {"FileDescription": "NuvexScr Screen Saver",
                     "ProductName": "NuvexScr Screen Saver"},
    }
    for table in tables:
        block = table["key"]
        entries = [(e["key"], string_of(e["value"])) for e in table["children"]]
        keys = [k for k, _ in entries]
        values = dict(entries)
        expect(keys, ["FileDescription", "FileVersion", "InternalName", "LegalCopyright",
                      "OriginalFilename", "ProductName", "ProductVersion"],
               f"version strings of {block}")
        for key, value in wanted.get(block, {}).items():
            expect(values.get(key), value, f"{key} of {block}")
        expect(values.get("FileVersion"), VERSION["NUVEX_VERSION_TEXT"], f"FileVersion of {block}")
        expect(values.get("InternalName"), "NuvexScr", f"InternalName of {block}")
        notice = values.get("LegalCopyright", "")
        check(notice.strip() and "\n" not in notice,
              f"legal notice of {block} is not one line: {notice!r}")
        expect(values.get("OriginalFilename"), "Nuvex.scr", f"OriginalFilename of {block}")
        expect(values.get("ProductVersion"), VERSION["NUVEX_VERSION_TEXT"],
               f"ProductVersion of {block}")
    variables = children.get("VarFileInfo", {}).get("children", [])
    expect([v["key"] for v in variables], ["Translation"], "VarFileInfo entries")
    if variables:
        value = variables[0]["value"]
        expect(struct.unpack(f"<{len(value) // 2}H", value), (0x0804, 0x04B0, 0x0409, 0x04B0),
               "Translation (Chinese, then English, both Unicode)")


# The manifest of the x86 module, byte for byte (line ends aside). The x64
# module's is the same text with its own architecture, "amd64", in both
# places: a 64-bit process that asks for the x86 common controls is refused
# at start by the side-by-side loader.
MANIFEST_X86 = """\
<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">
  <assemblyIdentity name="XP style manifest" processorArchitecture="x86" version="1.0.0.0" type="win32"/>
  <dependency>
    <dependentAssembly>
      <assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0" processorArchitecture="x86" publicKeyToken="6595b64144ccf1df" language="*"/>
    </dependentAssembly>
  </dependency>
  <application xmlns="urn:schemas-microsoft-com:asm.v3">
    <windowsSettings>
      <dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>
      <dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>
    </windowsSettings>
  </application>
</assembly>
"""


def expected_manifest(arch):
    if arch == "x86":
        return MANIFEST_X86
    return MANIFEST_X86.replace('processorArchitecture="x86"', 'processorArchitecture="amd64"')


def check_manifest(resources, arch):
    manifests = {k[1]: v for k, v in resources.items() if k[0] == RT_MANIFEST}
    expect(sorted(manifests), [1], "manifests")
    if 1 not in manifests:
        return
    try:
        text = manifests[1].decode("utf-8").replace("\r\n", "\n")
    except UnicodeDecodeError as error:
        check(False, f"the manifest is not UTF-8: {error}")
        return
    wanted = expected_manifest(arch)
    if text != wanted:
        diff = difflib.unified_diff(wanted.splitlines(), text.splitlines(),
                                    "expected", "in the module", lineterm="", n=0)
        check(False, f"{arch} manifest differs:\n    " + "\n    ".join(diff))


class AnyText(str):
    """Matches any text: the wording of the notice line is free."""

    def __eq__(self, other):
        return isinstance(other, str)

    def __hash__(self):
        return 0

    def __repr__(self):
        return "<any text>"


d_any = AnyText()


def check_dialog(data, ident, rect, caption, controls):
    d = parse_dialog(data)
    where = f"dialog {ident}"
    expect((d["version"], d["signature"]), (1, 0xFFFF), f"{where} is an extended template")
    expect((d["style"], d["ex_style"], d["help_id"]), (DIALOG_STYLE, 0, 0),
           f"{where} style, extended style, help id")
    expect(d["rect"], rect, f"{where} position and size")
    expect((d["menu"], d["class"]), ("", ""), f"{where} menu and class")
    expect(d["caption"], caption, f"{where} caption")
    expect(d.get("font"), DIALOG_FONT, f"{where} font")
    expect(d["count"], len(controls), f"{where} control count")
    for n, (actual, wanted) in enumerate(zip(d["controls"], controls), 1):
        cid, cls, text, style, crect = wanted
        got = (actual["id"], actual["cls"], actual["text"], actual["style"], actual["rect"])
        expect(got, (cid, cls, text, style, crect), f"{where} control {n} (id, class, text, style, rect)")
        expect((actual["ex_style"], actual["help_id"], actual["extra"]), (0, 0, 0),
               f"{where} control {n} extended style, help id, creation data")
    return d


def check_dialogs(resources):
    about, config = ID["IDD_ABOUT"], ID["IDD_CONFIG"]
    static = ID["IDC_STATIC"]
    for language in (CHINESE_PRC, ENGLISH_US):
        dialogs = {k[1]: v for k, v in resources.items() if k[0] == RT_DIALOG and k[2] == language}
        expect(sorted(dialogs), sorted([about, config]), f"dialogs in language {language:04x}")
        zh = language == CHINESE_PRC
        if about in dialogs:
            d = check_dialog(dialogs[about], f"{about}/{language:04x}", (0, 0, 222, 89),
                             "关于 Lumora" if zh else "About Lumora", [
                (IDOK, BUTTON, "确定" if zh else "OK", 0x50010001, (127, 39, 50, 14)),
                (static, STATIC, ("Lumora 版本" if zh else "Lumora version ")
                 + VERSION["NUVEX_VERSION_SHORT"], 0x50020000, (99, 15, 116, 8)),
                (static, STATIC, ("ordinal", ID["IDI_NUVEX"]), 0x50000803, (7, 7, 21, 20)),
                (static, STATIC, d_any, 0x50020000, (29, 74, 186, 8)),
            ])
            if len(d["controls"]) == 4:
                notice = d["controls"][3]["text"]
                check(isinstance(notice, str) and notice.strip() and "\n" not in notice,
                      f"About box notice is not one line: {notice!r}")
        if config in dialogs:
            # Only the check box is wider in English, for its longer text.
            check_dialog(dialogs[config], f"{config}/{language:04x}", (0, 0, 223, 161),
                         "Lumora设置" if zh else "Lumora Settings", [
                (IDOK, BUTTON, "确定" if zh else "OK", 0x50010001, (166, 140, 50, 14)),
                (IDCANCEL, BUTTON, "取消" if zh else "Cancel", 0x50010000, (111, 140, 50, 14)),
                (ID["IDC_MESSAGE"], EDIT, "", 0x50A11084, (16, 17, 191, 94)),
                (static, BUTTON, "显示的文字" if zh else "Text to show", 0x50000007, (7, 7, 209, 128)),
                (ID["IDC_FOLLOW"], BUTTON, "随波逐流" if zh else "Drift with the waves", 0x50010003,
                 (16, 117, 48 if zh else 96, 10)),
                (ID["IDC_ABOUT"], BUTTON, "关于..." if zh else "About...", 0x50010000,
                 (7, 140, 50, 14)),
            ])


def check_languages(resources):
    """Dialogs and strings in every text language (the Chinese copies equal to
    the PRC's); everything else in Chinese (PRC) alone. Prints what it found."""
    found = {}
    for (kind, ident, language) in resources:
        found.setdefault((kind, ident), []).append(language)
    order = sorted(found.items(), key=lambda k: (str(k[0][0]), str(k[0][1]).zfill(8)))
    for (kind, ident), languages in order:
        languages.sort()
        if kind in (RT_DIALOG, RT_STRING):
            expect(languages, TEXT_LANGUAGES, f"languages of resource type {kind} id {ident}")
            for language, first in FIRST_OF_TEXTS.items():
                original = resources.get((kind, ident, first))
                check(resources.get((kind, ident, language)) == original,
                      f"type {kind} id {ident}: language {language:04x} differs from {first:04x}")
                if kind == RT_DIALOG:
                    for other, other_first in FIRST_OF_TEXTS.items():
                        check(other_first == first or resources.get((kind, ident, other)) != original,
                              f"dialog {ident}: languages {language:04x} and {other:04x} of "
                              "different texts are the same")
            name = {RT_DIALOG: "dialog", RT_STRING: "string block"}[kind]
            print(f"  {name} {ident}: languages {' '.join(f'{l:04x}' for l in languages)}")
        else:
            expect(languages, [CHINESE_PRC], f"languages of resource type {kind} id {ident}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--arch", choices=("x64", "x86"), required=True)
    parser.add_argument("--generated", type=pathlib.Path,
                        help="the build's generated/ folder (default: beside the module's src/)")
    parser.add_argument("module")
    args = parser.parse_args()
    generated = args.generated or pathlib.Path(args.module).resolve().parents[1] / "generated"
    VERSION.update({name: value.strip('"') for name, value in
                    defines(generated / "nuvex_version.h", r'"[^"]*"|[\d,]+').items()})
    with open(args.module, "rb") as f:
        image = Image(f.read())

    check_image(image, args.arch)
    imports = check_imports(image)
    resources = image.resources()
    check_languages(resources)
    kinds = sorted({k[0] for k in resources}, key=lambda k: (isinstance(k, str), str(k).zfill(8)))
    expect(kinds, sorted([RT_ICON, RT_DIALOG, RT_STRING, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST]),
           "resource types")
    check_strings(resources)
    check_icons(resources)
    check_version(resources)
    check_manifest(resources, args.arch)
    check_dialogs(resources)

    for failure in failures:
        print(f"{args.module}: FAILED: {failure}")
    print(f"{args.module} ({args.arch}): {len(resources)} resources, imports "
          f"{', '.join(imports)}: {'all checks passed' if not failures else f'{len(failures)} failures'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
