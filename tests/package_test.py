#!/usr/bin/env python3
"""Makes the build's package with cpack in a scratch folder and checks what a
user unpacks: on Linux the .deb (name, fields, files, modes, the stripped
program), on Windows the zip (its three files, text with CR LF line ends).

Usage: package_test.py BUILD_DIR
"""

import gzip
import os
import subprocess
import sys
import tempfile
import unittest
import zipfile

BUILD = None


def make_package(folder):
    # Under the strictest usual umask, so the modes checked below owe nothing to it.
    subprocess.run(["cpack", "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-B", folder],
                   check=True, capture_output=True, preexec_fn=lambda: os.umask(0o077))
    return [name for name in os.listdir(folder) if name.endswith((".deb", ".zip"))]


class Package(unittest.TestCase):
    def test_package(self):
        with tempfile.TemporaryDirectory() as folder:
            packages = make_package(folder)
            if os.path.exists(os.path.join(BUILD, "zorwol.exe")):
                self.check_zip(folder, packages)
            else:
                self.check_deb(folder, packages)

    def check_deb(self, folder, packages):
        self.assertEqual(packages, ["zorwol_2.0-1_amd64.deb"])
        deb = os.path.join(folder, packages[0])

        def field(name):
            return subprocess.run(["dpkg-deb", "-f", deb, name], capture_output=True,
                                  text=True, check=True).stdout

        self.assertEqual(field("Version"), "2.0-1\n")
        self.assertRegex(field("Depends"), r"^libc6 \(>= [0-9.]+\)")
        description = field("Description").splitlines()
        self.assertGreater(len(description), 2, "an extended description")
        self.assertTrue(all(len(line) <= 80 for line in description))

        members = subprocess.run(["ar", "tv", deb], capture_output=True, text=True,
                                 check=True).stdout.splitlines()
        self.assertEqual([(line.split()[0], line.split()[-1]) for line in members],
                         [("rw-r--r--", "debian-binary"), ("rw-r--r--", "control.tar.gz"),
                          ("rw-r--r--", "data.tar.gz")])

        listing = subprocess.run(["dpkg-deb", "-c", deb], capture_output=True, text=True,
                                 check=True).stdout
        entries = {line.split()[-1]: (line.split()[0], line.split()[1])
                   for line in listing.splitlines()}
        files = {path: mode for path, (mode, _) in entries.items() if not path.endswith("/")}
        self.assertEqual(files, {
            "./usr/bin/zorwol": "-rwxr-xr-x",
            "./usr/share/doc/zorwol/changelog.Debian.gz": "-rw-r--r--",
            "./usr/share/doc/zorwol/copyright": "-rw-r--r--",
            "./usr/share/lintian/overrides/zorwol": "-rw-r--r--",
            "./usr/share/man/man1/zorwol.1.gz": "-rw-r--r--",
        })
        for path, (mode, owner) in entries.items():
            self.assertEqual(owner, "root/root", path)
            if path.endswith("/"):
                self.assertEqual(mode, "drwxr-xr-x", path)

        tree = os.path.join(folder, "tree")
        subprocess.run(["dpkg-deb", "-x", deb, tree], check=True)
        for name in ("usr/share/man/man1/zorwol.1.gz", "usr/share/doc/zorwol/changelog.Debian.gz"):
            with open(os.path.join(tree, name), "rb") as f:
                header = f.read(10)
            # No name and no time in the header; compressed at most (XFL 2).
            self.assertEqual((header[3], header[4:8], header[8]), (0, b"\0\0\0\0", 2), name)
        with gzip.open(os.path.join(tree, "usr/share/doc/zorwol/changelog.Debian.gz"), "rt") as f:
            self.assertTrue(f.read().startswith("zorwol (2.0-1) "))
        sections = subprocess.run(["objdump", "-h", os.path.join(tree, "usr/bin/zorwol")],
                                  capture_output=True, text=True, check=True).stdout
        self.assertNotIn(".comment", sections)
        self.assertNotIn(".symtab", sections)

    def check_zip(self, folder, packages):
        self.assertEqual(packages, ["zorwol-2.0-windows-x86_64.zip"])
        with zipfile.ZipFile(os.path.join(folder, packages[0])) as archive:
            self.assertEqual(archive.namelist(), ["zorwol.exe", "README.txt", "LICENSE.txt"])
            self.assertEqual(archive.read("zorwol.exe")[:2], b"MZ")
            texts = {name: archive.read(name) for name in ("README.txt", "LICENSE.txt")}
        for name, text in texts.items():
            self.assertTrue(text.endswith(b"\r\n"), name)
            self.assertEqual(text.count(b"\n"), text.count(b"\r\n"), f"{name}: a bare LF")
            self.assertEqual(text.count(b"\r"), text.count(b"\r\n"), f"{name}: a bare CR")
            self.assertNotIn(b"\b", text, f"{name}: overstrike")
        self.assertIn(b"\r\nSYNOPSIS\r\n", texts["README.txt"])
        self.assertIn(b"\r\nEXIT STATUS\r\n", texts["README.txt"])
        with open(os.path.join(os.path.dirname(__file__), "..", "LICENSE"), "rb") as f:
            self.assertEqual(texts["LICENSE.txt"], f.read().replace(b"\n", b"\r\n"))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    BUILD = sys.argv.pop(1)
    unittest.main(verbosity=2)
