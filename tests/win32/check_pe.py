"""Reads a Windows executable back and checks what pagerook.exe must carry:
the two icon groups, the version block, the manifest, every resource in
Simplified Chinese (0x0804), and (with --imports) that it imports nothing
but Windows system DLLs.

    check_pe.py [--imports] [--icons DIR] program.exe

--icons DIR also compares DIR/pagerook.ico and DIR/preview.ico, the files the
icon tool drew, with the icon groups: their exact sizes and every image.

Prints every failed check and exits 1 when there is one.
"""

import struct
import sys
import xml.etree.ElementTree as ET

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
LANGUAGE = 0x0804  # LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "ole32.dll", "oleaut32.dll", "advapi32.dll",
    "shell32.dll", "comctl32.dll", "comdlg32.dll", "shlwapi.dll", "msvcrt.dll", "ucrtbase.dll",
    "ntdll.dll", "imm32.dll", "uxtheme.dll", "dwmapi.dll", "shcore.dll", "version.dll",
    "winmm.dll", "ws2_32.dll", "bcrypt.dll", "uuid.dll", "gdiplus.dll",
}

# (width, bits) of each image, in resource order.
PROGRAM_ICON = [(16, 8), (32, 8), (48, 8), (16, 32), (32, 32), (48, 32)]
PREVIEW_ICON = [(16, 8), (256, 32), (48, 32), (32, 32), (24, 32)]
PROGRAM_ICO_BYTES = 22486
PREVIEW_ICO_BYTES = 288190

VERSION_STRINGS = {
    "FileDescription": "可连续截取word等文档页面为图片",
    "ProductName": "Pagerook",
    "FileVersion": "2.00",
    "ProductVersion": "2.00",
}


class Pe:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        sections, optional_size = struct.unpack_from("<2xH12xH", data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (112 if magic == 0x20B else 96)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(16)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            vsize, va, raw_size, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            self.sections.append((va, max(vsize, raw_size), raw))

    def offset(self, rva):
        for va, size, raw in self.sections:
            if va <= rva < va + size:
                return rva - va + raw
        raise ValueError("RVA %#x outside every section" % rva)

    def cstring(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def resources(self):
        """{type: {id or name: bytes}} of the first language of each entry."""
        return {kind: {name: data for name, (_, data) in entries.items()}
                for kind, entries in self.resources_with_languages().items()}

    def languages(self):
        """{type: {id or name: [language ids]}}."""
        return {kind: {name: languages for name, (languages, _) in entries.items()}
                for kind, entries in self.resources_with_languages().items()}

    def resources_with_languages(self):
        """{type: {id or name: ([language ids], bytes of the first)}}."""
        rva, size = self.directories[2]
        if not size:
            return {}
        base = self.offset(rva)

        def entries(table):
            named, ids = struct.unpack_from("<12xHH", self.data, base + table)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, base + table + 16 + 8 * i)
                if name & 0x80000000:
                    at = base + (name & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, at)[0]
                    name = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield name, target

        out = {}
        for kind, types in entries(0):
            out[kind] = {}
            for name, languages in entries(types & 0x7FFFFFFF):
                leaves = list(entries(languages & 0x7FFFFFFF))
                data_rva, data_size = struct.unpack_from("<II", self.data, base + leaves[0][1])
                start = self.offset(data_rva)
                out[kind][name] = ([language for language, _ in leaves],
                                   self.data[start:start + data_size])
        return out

    def imports(self):
        rva, size = self.directories[1]
        names = []
        at = self.offset(rva) if size else None
        while at is not None:
            lookup, _, _, name, thunk = struct.unpack_from("<IIIII", self.data, at)
            if not (lookup or name or thunk):
                break
            names.append(self.cstring(name))
            at += 20
        return names


def version_tree(data, at=0):
    """(key, value bytes, children) of the version block at `at`."""
    length, value_length, kind = struct.unpack_from("<HHH", data, at)
    end = at + length
    key_end = at + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[at + 6:key_end].decode("utf-16-le")
    pos = (key_end + 2 + 3) & ~3
    value_bytes = value_length * 2 if kind == 1 else value_length
    value = data[pos:pos + value_bytes]
    pos = (pos + value_bytes + 3) & ~3
    children = []
    while pos < end:
        child = version_tree(data, pos)
        children.append(child)
        pos = (pos + struct.unpack_from("<H", data, pos)[0] + 3) & ~3
    return key, value, children


def image_bytes(width, bits):
    colour = (width * bits + 31) // 32 * 4 * width
    mask = (width + 31) // 32 * 4 * width
    return 40 + (1024 if bits == 8 else 0) + colour + mask


class Checker:
    def __init__(self):
        self.failures = []

    def expect(self, ok, what):
        if not ok:
            self.failures.append(what)
        return ok

    def icon_group(self, resources, group_id, expected, ico_bytes):
        group = resources.get(RT_GROUP_ICON, {}).get(group_id)
        if not self.expect(group is not None, "no icon group %s" % group_id):
            return
        _, kind, count = struct.unpack_from("<HHH", group, 0)
        self.expect(kind == 1 and count == len(expected),
                    "icon group %s: %d images, expected %d" % (group_id, count, len(expected)))
        total = 6 + 16 * count
        seen = []
        for i in range(count):
            w, h, colours, _, planes, bits, size, icon_id = struct.unpack_from(
                "<BBBBHHIH", group, 6 + 14 * i)
            width = w or 256
            seen.append((width, bits))
            total += size
            where = "icon group %s image %d (%dx%d, %d bpp)" % (group_id, i, width, h or 256, bits)
            self.expect((w, colours, planes) == (h, 0, 1), where + ": directory entry")
            image = resources.get(RT_ICON, {}).get(icon_id)
            if not self.expect(image is not None, where + ": RT_ICON %d missing" % icon_id):
                continue
            self.expect(len(image) == size == image_bytes(width, bits),
                        where + ": %d bytes, directory says %d, expected %d"
                        % (len(image), size, image_bytes(width, bits)))
            header = struct.unpack_from("<IiiHHI", image, 0)
            self.expect(header == (40, width, 2 * width, 1, bits, 0),
                        where + ": not an uncompressed bitmap with a mask: %r" % (header,))
        self.expect(seen == expected, "icon group %s images %r, expected %r"
                    % (group_id, seen, expected))
        self.expect(total == ico_bytes, "icon group %s makes a %d byte .ico, expected %d"
                    % (group_id, total, ico_bytes))

    def ico_file(self, path, resources, group_id, ico_bytes):
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError as e:
            self.expect(False, str(e))
            return
        self.expect(len(data) == ico_bytes, "%s is %d bytes, expected %d"
                    % (path, len(data), ico_bytes))
        group = resources.get(RT_GROUP_ICON, {}).get(group_id, b"\0" * 6)
        count = struct.unpack_from("<H", data, 4)[0]
        self.expect(count == struct.unpack_from("<H", group, 4)[0],
                    "%s has %d images, its icon group another count" % (path, count))
        for i in range(min(count, struct.unpack_from("<H", group, 4)[0])):
            size, offset = struct.unpack_from("<II", data, 6 + 16 * i + 8)
            icon_id = struct.unpack_from("<H", group, 6 + 14 * i + 12)[0]
            self.expect(data[offset:offset + size] == resources.get(RT_ICON, {}).get(icon_id),
                        "%s image %d differs from RT_ICON %d" % (path, i, icon_id))

    def version(self, resources):
        block = resources.get(RT_VERSION, {}).get(1)
        if not self.expect(block is not None, "no version block"):
            return
        key, fixed, children = version_tree(block)
        self.expect(key == "VS_VERSION_INFO", "version block key %r" % key)
        signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
        self.expect(signature == 0xFEEF04BD, "no fixed file info")
        self.expect((file_ms, file_ls) == (0x20000, 0), "FILEVERSION %#x,%#x" % (file_ms, file_ls))
        self.expect((product_ms, product_ls) == (0x20000, 0),
                    "PRODUCTVERSION %#x,%#x" % (product_ms, product_ls))
        blocks = {child[0]: child for child in children}
        tables = {t[0]: t for t in blocks.get("StringFileInfo", ("", b"", []))[2]}
        table = tables.get("080404B0")
        if self.expect(table is not None, "no string table 080404B0: %r" % list(tables)):
            strings = {k: v.decode("utf-16-le").rstrip("\0") for k, v, _ in table[2]}
            for name, text in VERSION_STRINGS.items():
                self.expect(strings.get(name) == text,
                            "%s is %r, expected %r" % (name, strings.get(name), text))
            self.expect(strings.get("CompanyName", "").strip() != "", "no CompanyName")
        var = {v[0]: v for v in blocks.get("VarFileInfo", ("", b"", []))[2]}
        translation = var.get("Translation", ("", b"", []))[1]
        self.expect(translation == struct.pack("<HH", 0x0804, 1200),
                    "Translation %r, expected 0x0804, 1200" % translation)

    def manifest(self, resources):
        text = resources.get(RT_MANIFEST, {}).get(1)
        if not self.expect(text is not None, "no manifest with id 1"):
            return
        root = ET.fromstring(text)
        found = {element.tag.split("}")[-1]: element for element in root.iter()}

        def value(tag):
            element = found.get(tag)
            return None if element is None else (element.text or "").strip()

        self.expect(value("dpiAwareness") == "PerMonitorV2, PerMonitor",
                    "dpiAwareness %r" % value("dpiAwareness"))
        self.expect(value("dpiAware") == "true/pm", "dpiAware %r" % value("dpiAware"))
        level = found.get("requestedExecutionLevel")
        self.expect(level is not None and level.get("level") == "asInvoker", "not asInvoker")
        controls = [e for e in root.iter() if e.tag.endswith("assemblyIdentity")
                    and e.get("name") == "Microsoft.Windows.Common-Controls"]
        self.expect(len(controls) == 1 and controls[0].get("version") == "6.0.0.0",
                    "no Common Controls 6 dependency")

    def languages(self, pe):
        for kind, entries in pe.languages().items():
            if kind not in (RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST):
                continue
            for name, languages in entries.items():
                self.expect(languages == [LANGUAGE],
                            "resource type %s id %s in languages %s, expected [0x%04x]"
                            % (kind, name, ["0x%04x" % l for l in languages], LANGUAGE))

    def imports(self, pe):
        names = pe.imports()
        self.expect("kernel32.dll" in (n.lower() for n in names), "imports %r" % names)
        for name in names:
            lower = name.lower()
            self.expect(lower in SYSTEM_DLLS or lower.startswith("api-ms-win-"),
                        "imports %s, not a Windows system DLL" % name)


def main(argv):
    imports = "--imports" in argv
    argv = [a for a in argv if a != "--imports"]
    icons = None
    if "--icons" in argv and argv.index("--icons") + 1 < len(argv):
        at = argv.index("--icons")
        icons = argv[at + 1]
        argv = argv[:at] + argv[at + 2:]
    paths = argv
    if len(paths) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    with open(paths[0], "rb") as f:
        pe = Pe(f.read())
    resources = pe.resources()
    check = Checker()
    groups = sorted(k for k in resources.get(RT_GROUP_ICON, {}) if isinstance(k, int))
    check.expect(groups[:1] == [1], "the first icon group is %r, not 1" % groups[:1])
    check.icon_group(resources, 1, PROGRAM_ICON, PROGRAM_ICO_BYTES)
    check.icon_group(resources, 2, PREVIEW_ICON, PREVIEW_ICO_BYTES)
    check.version(resources)
    check.manifest(resources)
    check.languages(pe)
    if imports:
        check.imports(pe)
    if icons:
        check.ico_file(icons + "/pagerook.ico", resources, 1, PROGRAM_ICO_BYTES)
        check.ico_file(icons + "/preview.ico", resources, 2, PREVIEW_ICO_BYTES)
    for failure in check.failures:
        print("%s: %s" % (paths[0], failure), file=sys.stderr)
    return 1 if check.failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
