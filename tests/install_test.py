#!/usr/bin/env python3
"""Installs the build into a scratch prefix, runs the installed program once,
and checks the manual: it renders without a warning, and its synopsis names
the forms of the usage text. On Linux the manual is the page, compressed; on
Windows it is README.txt, the page rendered as plain text.

Usage: install_test.py BUILD_DIR [EMULATOR]
"""

import gzip
import os
import re
import subprocess
import sys
import tempfile
import unittest

BUILD = None
EMULATOR = []


def synopsis(page):
    """The forms that the SYNOPSIS of a rendered page names, without the program."""
    section = page.split("SYNOPSIS\n", 1)[1].split("\n\n", 1)[0]
    return [line.strip().removeprefix("zorwol ") for line in section.splitlines()]


class Install(unittest.TestCase):
    def test_installed_program_and_manual(self):
        with tempfile.TemporaryDirectory() as prefix:
            subprocess.run(["cmake", "--install", BUILD, "--prefix", prefix], check=True,
                           capture_output=True)
            if EMULATOR:
                self.assertEqual(sorted(os.listdir(prefix)),
                                 ["LICENSE.txt", "README.txt", "zorwol.exe"])
                binary = os.path.join(prefix, "zorwol.exe")
                with open(os.path.join(prefix, "README.txt"), newline="") as f:
                    page = f.read().replace("\r\n", "\n")
            else:
                binary = os.path.join(prefix, "bin", "zorwol")
                manual = os.path.join(prefix, "share", "man", "man1", "zorwol.1.gz")
                with gzip.open(manual, "rt") as f:
                    source = f.read()
                lint = subprocess.run(["groff", "-ww", "-z", "-man"], input=source,
                                      capture_output=True, text=True)
                self.assertEqual((lint.returncode, lint.stderr), (0, ""))
                page = subprocess.run(["groff", "-man", "-Tascii", "-P-cbou", "-rLL=200n"],
                                      input=source, capture_output=True, text=True,
                                      check=True).stdout
                with open(os.path.join(prefix, "share", "doc", "zorwol", "copyright")) as f:
                    self.assertIn("License: Expat\n Permission is hereby granted", f.read())

            version = subprocess.run(EMULATOR + [binary, "-v"], capture_output=True, text=True)
            self.assertEqual(version.returncode, 0)
            self.assertRegex(version.stdout, r"^'.*zorwol(\.exe)?' version 2\.0\r?\n$")

            usage = subprocess.run(EMULATOR + [binary], capture_output=True, text=True)
            self.assertEqual(usage.returncode, 1)
            forms = [re.sub(r"[<>]", "", line.split(" ", 2)[2])
                     for line in usage.stdout.splitlines() if line.startswith("Usage: ")]
            self.assertEqual(synopsis(page), forms + ["-v"])


if __name__ == "__main__":
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    BUILD = sys.argv[1]
    EMULATOR = sys.argv[2:3]
    del sys.argv[1:]
    unittest.main(verbosity=2)
