#!/usr/bin/env python3
"""Reads the built zorwol.exe as Windows would and checks what wine cannot
show: the DLLs it imports (system DLLs only), its security flags, its version
resource, its manifest, and the stack protector in the unstripped program.

Usage: windows_exe_test.py EXE VERSION OBJDUMP NM LICENSE
"""

import re
import struct
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ElementTree

EXE = VERSION = OBJDUMP = NM = LICENSE = None

SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}


def run(*command):
    return subprocess.run(command, capture_output=True, text=True, check=True).stdout


def resource(kind):
    return subprocess.run(["wrestool", "-x", "--raw", f"--type={kind}", EXE],
                          capture_output=True, check=True).stdout


def version_block(data, offset):
    """One block of a version resource at offset, as (key, value, children),
    and its length. A value of type 1 is text; else bytes."""
    def aligned(position):
        return (position + 3) & ~3

    length, value_length, kind = struct.unpack_from("<3H", data, offset)
    key_end = offset + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[offset + 6:key_end].decode("utf-16-le")
    value_start = aligned(key_end + 2)
    value_size = value_length * 2 if kind == 1 else value_length
    value = data[value_start:value_start + value_size]
    if kind == 1:
        value = value.decode("utf-16-le").rstrip("\0")
    children = []
    child = aligned(value_start + value_size)
    while child < offset + length:
        block, child_length = version_block(data, child)
        children.append(block)
        child = aligned(child + child_length)
    return (key, value, children), length


class WindowsExe(unittest.TestCase):
    def test_imports_only_system_dlls(self):
        dlls = re.findall(r"DLL Name: (\S+)", run(OBJDUMP, "-p", EXE))
        self.assertEqual(sorted(dll.lower() for dll in dlls),
                         ["advapi32.dll", "kernel32.dll", "msvcrt.dll", "ws2_32.dll"])

    def test_security_flags(self):
        flags = int(re.search(r"DllCharacteristics\s+([0-9a-fA-F]+)", run(OBJDUMP, "-p", EXE))[1],
                    16)
        for bit, name in ((0x0020, "high-entropy ASLR"), (0x0040, "ASLR"), (0x0100, "DEP"),
                          (0x8000, "terminal-server aware")):
            self.assertTrue(flags & bit, name)

    def test_stack_protector(self):
        symbols = run(NM, EXE)
        self.assertRegex(symbols, r"\b__stack_chk_fail\b")
        self.assertRegex(symbols, r"\b__stack_chk_guard\b")

    def test_resources(self):
        listing = run("wrestool", "-l", EXE)
        self.assertIn("--type=16 --name=1 ", listing)  # the version
        self.assertIn("--type=24 --name=1 ", listing)  # the manifest of a program

    def test_version(self):
        key, fixed, children = version_block(resource(16), 0)[0]
        self.assertEqual(key, "VS_VERSION_INFO")
        signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
        self.assertEqual(signature, 0xFEEF04BD)
        numbers = ([int(n) for n in VERSION.split(".")] + [0, 0, 0])[:4]
        words = (numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3])
        self.assertEqual((file_ms, file_ls, product_ms, product_ls), words * 2)

        string_file_info = next(c for c in children if c[0] == "StringFileInfo")
        table = string_file_info[2][0]
        self.assertEqual(table[0], "040904B0")  # U.S. English, Unicode
        strings = {name: value for name, value, _ in table[2]}
        with open(LICENSE) as f:
            copyright_line = re.search(r"Copyright \(c\) .+", f.read())[0]
        dotted = ".".join(str(n) for n in numbers)
        self.assertEqual(strings["FileVersion"], dotted)
        self.assertEqual(strings["ProductVersion"], dotted)
        self.assertEqual(strings["ProductName"], "zorwol")
        self.assertEqual(strings["InternalName"], "zorwol")
        self.assertEqual(strings["OriginalFilename"], "zorwol.exe")
        self.assertTrue(strings["LegalCopyright"].startswith(copyright_line))
        self.assertTrue(strings["FileDescription"])

    def test_manifest(self):
        root = ElementTree.fromstring(resource(24))
        v3 = "{urn:schemas-microsoft-com:asm.v3}"
        level = root.find(f"{v3}trustInfo/{v3}security/{v3}requestedPrivileges/"
                          f"{v3}requestedExecutionLevel")
        self.assertEqual((level.get("level"), level.get("uiAccess")), ("asInvoker", "false"))
        compatibility = "{urn:schemas-microsoft-com:compatibility.v1}"
        ids = {os.get("Id") for os in root.iter(f"{compatibility}supportedOS")}
        self.assertEqual(ids, set(SUPPORTED_OS))


if __name__ == "__main__":
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    EXE, VERSION, OBJDUMP, NM, LICENSE = sys.argv[1:]
    del sys.argv[1:]
    unittest.main(verbosity=2)
