#!/usr/bin/env python3
"""Checks the version resource of the built rfprog.exe, read straight from its
.rsrc section: the fixed file and product version, and the Russian (0419) and
English (0409) string tables with the same version text and the company,
product and description fields.

Usage: check-version.py EXE NUMBERS TEXT   (e.g. rfprog.exe 1.0.0.0 1.0.0)
"""
import struct
import sys

RT_VERSION = 16
FIXED_SIGNATURE = 0xFEEF04BD
VFT_APP = 1
VOS_NT_WINDOWS32 = 0x40004
REQUIRED = ("CompanyName", "FileDescription", "FileVersion", "InternalName",
            "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion")
TABLES = {"041904b0": "Russian", "040904b0": "English"}
RUSSIAN_DESCRIPTION = "Программатор ПЗУ 573РФ2/573РФ5"


def sections(pe):
    offset = struct.unpack_from("<I", pe, 0x3C)[0]
    if pe[offset:offset + 4] != b"PE\0\0":
        raise SystemExit("FAIL: not a PE file")
    count, = struct.unpack_from("<H", pe, offset + 6)
    optional_size, = struct.unpack_from("<H", pe, offset + 20)
    optional = offset + 24
    if struct.unpack_from("<H", pe, optional)[0] != 0x10B:
        raise SystemExit("FAIL: not a 32-bit PE file")
    resource_rva, resource_size = struct.unpack_from("<II", pe, optional + 96 + 2 * 8)
    table = optional + optional_size
    result = []
    for i in range(count):
        _, virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<8sIIII", pe, table + 40 * i)
        result.append((rva, max(virtual_size, raw_size), raw_offset))
    return resource_rva, resource_size, result


def file_offset(rva, table):
    for start, size, raw in table:
        if start <= rva < start + size:
            return raw + rva - start
    raise SystemExit(f"FAIL: RVA {rva:#x} lies in no section")


def directory(pe, base, offset):
    named, ids = struct.unpack_from("<HH", pe, base + offset + 12)
    entries = []
    for i in range(named + ids):
        name, target = struct.unpack_from("<II", pe, base + offset + 16 + 8 * i)
        entries.append((name, target))
    return entries


def version_resources(pe):
    resource_rva, resource_size, table = sections(pe)
    if resource_size == 0:
        raise SystemExit("FAIL: the exe has no resources")
    base = file_offset(resource_rva, table)
    found = []
    for type_id, type_target in directory(pe, base, 0):
        if type_id != RT_VERSION:
            continue
        for name_id, name_target in directory(pe, base, type_target & 0x7FFFFFFF):
            for language, data in directory(pe, base, name_target & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", pe, base + data)
                start = file_offset(rva, table)
                found.append((name_id, language, pe[start:start + size]))
    return found


def align(offset):
    return (offset + 3) & ~3


def node(block, offset):
    """One version-information node: (key, value bytes, value type, children, end)."""
    length, value_length, value_type = struct.unpack_from("<HHH", block, offset)
    end = offset + length
    cursor = offset + 6
    key_end = cursor
    while block[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = block[cursor:key_end].decode("utf-16-le")
    cursor = align(key_end + 2)
    value_bytes = value_length * 2 if value_type == 1 else value_length
    value = block[cursor:cursor + value_bytes]
    cursor = align(cursor + value_bytes)
    children = []
    while cursor < end:
        child = node(block, cursor)
        children.append(child)
        cursor = align(child[4])
    return key, value, value_type, children, end


def main():
    exe, numbers, text = sys.argv[1:4]
    expected = [int(part) for part in numbers.split(".")]
    failures = []

    def check(condition, message):
        if not condition:
            failures.append(message)

    with open(exe, "rb") as stream:
        pe = stream.read()
    resources = version_resources(pe)
    print(f"version resources: {[(name, hex(language)) for name, language, _ in resources]}")
    if len(resources) != 1:
        raise SystemExit("FAIL: expected exactly one version resource")
    _, _, block = resources[0]
    key, fixed, _, children, _ = node(block, 0)
    check(key == "VS_VERSION_INFO", f"root key is {key!r}")
    signature, _, file_ms, file_ls, product_ms, product_ls, _, flags, os, file_type = \
        struct.unpack_from("<10I", fixed)
    check(signature == FIXED_SIGNATURE, f"fixed-info signature {signature:#x}")
    file_version = [file_ms >> 16, file_ms & 0xFFFF, file_ls >> 16, file_ls & 0xFFFF]
    product_version = [product_ms >> 16, product_ms & 0xFFFF, product_ls >> 16, product_ls & 0xFFFF]
    print(f"fixed file version {file_version}, product version {product_version}, "
          f"flags {flags:#x}, os {os:#x}, type {file_type}")
    check(file_version == expected, f"file version {file_version}, expected {expected}")
    check(product_version == expected, f"product version {product_version}, expected {expected}")
    check(os == VOS_NT_WINDOWS32 and file_type == VFT_APP and flags == 0,
          "expected a plain (flags 0) Win32 application")

    tables = {}
    translations = []
    for child_key, _, _, grandchildren, _ in children:
        if child_key == "StringFileInfo":
            for table_key, _, _, strings, _ in grandchildren:
                values = {}
                for string_key, value, _, _, _ in strings:
                    values[string_key] = value.decode("utf-16-le").rstrip("\0")
                tables[table_key.lower()] = values
        elif child_key == "VarFileInfo":
            for var_key, value, _, _, _ in grandchildren:
                if var_key == "Translation":
                    translations += [struct.unpack_from("<HH", value, i)
                                     for i in range(0, len(value), 4)]
    print(f"translations: {[f'{language:04x}/{codepage}' for language, codepage in translations]}")
    check(sorted(translations) == [(0x0409, 1200), (0x0419, 1200)],
          "expected the translations 0409/1200 and 0419/1200")
    check(sorted(tables) == sorted(TABLES), f"string tables {sorted(tables)}, expected {sorted(TABLES)}")
    for table_key, language in TABLES.items():
        values = tables.get(table_key, {})
        print(f"{language} ({table_key}):")
        for name in sorted(values):
            print(f"  {name} = {values[name]}")
        for name in REQUIRED:
            check(values.get(name, "") != "", f"{language}: {name} missing or empty")
        check(values.get("FileVersion") == text, f"{language}: FileVersion is not {text}")
        check(values.get("ProductVersion") == text, f"{language}: ProductVersion is not {text}")
        check(values.get("OriginalFilename") == "rfprog.exe", f"{language}: OriginalFilename")
    check(tables.get("041904b0", {}).get("FileDescription") == RUSSIAN_DESCRIPTION,
          f"Russian: FileDescription is not {RUSSIAN_DESCRIPTION!r}")
    check(tables.get("040904b0", {}).get("FileDescription", "").isascii(),
          "English: FileDescription is not plain ASCII")

    for failure in failures:
        print(f"FAIL: {failure}")
    if failures:
        return 1
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
