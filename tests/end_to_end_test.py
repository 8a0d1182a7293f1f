#!/usr/bin/env python3
"""Runs the built zorwol as a black box: exit status, standard output and error,
and the datagrams a UDP listener on 127.0.0.1 receives (count, bytes, spacing).

Usage: end_to_end_test.py [--wine | --wrap COMMAND] PROGRAM

With --wine, PROGRAM is zorwol.exe and runs under wine; what truly differs on
Windows (the form of argv[0], CR LF line ends, the error numbers, a folder
that cannot be opened) is taken from that platform. With --wrap, PROGRAM runs
under COMMAND (split at spaces), valgrind say, which must leave its output
and status alone.

Every datagram goes to 127.0.0.1. Address cases use loopback forms, or texts
that are refused before anything is sent.
"""

import errno
import os
import select
import socket
import struct
import subprocess
import sys
import tempfile
import time
import unittest



class Linux:
    newline = "\n"
    port_zero_error = errno.EINVAL
    folder_output = "ERROR: unable to read file 'folder'\n"

    def __init__(self, program, wrapper=()):
        self.command = list(wrapper) + [program]
        self.name = program


class Wine:
    newline = "\r\n"
    port_zero_error = 10022  # WSAEINVAL
    folder_output = "unable to open file 'folder'\n"  # the C runtime cannot open a folder

    def __init__(self, program):
        self.command = ["wine", program]
        # A Windows program sees the Windows path of its own file as argv[0].
        self.name = subprocess.run(["winepath", "-w", program], capture_output=True,
                                   check=True, text=True).stdout.strip()


PLATFORM = None  # set from the command line

MAC = "00-0D-56-AC-E4-7C"
MAC_BYTES = bytes([0x00, 0x0D, 0x56, 0xAC, 0xE4, 0x7C])
MAC2, MAC2_BYTES = "01-23-45-67-89-ab", bytes([0x01, 0x23, 0x45, 0x67, 0x89, 0xAB])
MAC3, MAC3_BYTES = "FE-DC-BA-98-76-54", bytes([0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54])

PAUSE = 0.010
# Kernel receive stamps are exact to well under this; a missing pause is not.
PAUSE_SLACK = 0.0005

# Linux's value, where Python does not name it: arrival stamps as a timespec.
SO_TIMESTAMPNS = getattr(socket, "SO_TIMESTAMPNS", 35)

TERMINATED = "terminated prior to completion of operation\n"


def usage(program):
    return (
        f"Usage: {program} <port> <ip> <mac> [<password>]\n"
        "   or\n"
        f"Usage: {program} <port> -l <ip1> <mac1> ; <ip2> <mac2> ; <ip3> <mac3> ...\n"
        "   or\n"
        f"Usage: {program} <port> @<file>\n"
        "   where file contains lines formatted as <ip> <mac>\n"
    )


def mac_form_error(text):
    return f"ERROR: macAddress must be of the form '00-0D-56-AC-E4-7C' It was '{text}'.\n"


def address_error(text):
    return f"ERROR: inet_addr failed for address '{text}'.\n"


def packet(mac, password=b""):
    """The wake packet, written out from its layout."""
    field = password.ljust(8, b"\0") if password else b""
    return b"ZORWolHead" + b"\xff" * 6 + mac * 16 + field + b"ZORWolTail"


def thrice(*payloads):
    return [p for p in payloads for _ in range(3)]


class Listener:
    """A UDP socket on 127.0.0.1 that stamps each datagram as it arrives."""

    def __init__(self):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.setsockopt(socket.SOL_SOCKET, SO_TIMESTAMPNS, 1)
        self.sock.bind(("127.0.0.1", 0))
        self.port = self.sock.getsockname()[1]

    def close(self):
        self.sock.close()

    def drain(self, expected):
        """The (stamp, payload) pairs received, waiting briefly for stragglers."""
        received = []
        deadline = time.monotonic() + 1.0
        while True:
            wait = deadline - time.monotonic() if len(received) < expected else 0.05
            if wait <= 0 or not select.select([self.sock], [], [], wait)[0]:
                return received
            data, ancillary, _, _ = self.sock.recvmsg(2048, 64)
            stamp = None
            for level, kind, value in ancillary:
                if level == socket.SOL_SOCKET and kind == SO_TIMESTAMPNS:
                    seconds, nanoseconds = struct.unpack("qq", value[:16])
                    stamp = seconds + nanoseconds / 1e9
            assert stamp is not None, "no arrival stamp"
            received.append((stamp, data))


def case(name, args, output="", status=0, sent=(), files=None):
    """One run of the program, in a scratch folder holding files (name: bytes). In
    args and output, {port} is the listener's port and {program} the program's
    name as invoked."""
    return dict(name=name, args=args, output=output, status=status, sent=list(sent),
                files=files or {})


def file_case(name, content, output="", status=0, sent=()):
    """A run of the @ form on one file, targets.txt, holding content."""
    return case(name, ["{port}", "@targets.txt"], output, status, sent, {"targets.txt": content})


def line_error(number):
    return f"ERROR: terminated processing line {number}\n"


DISPATCH = [
    case("no arguments", [], "{usage}", 1),
    case("version", ["-v"], "'{program}' version 2.0\n"),
    case("version in capitals", ["-V"], "'{program}' version 2.0\n"),
    case("double dash is no version", ["--v"], "{usage}", 1),
    case("version with more text", ["-vx"], "{usage}", 1),
    case("a lone port", ["{port}"], "{usage}", 1),
    case("two arguments without @", ["{port}", "list.txt"], "{usage}", 1),
    case("@ selects the file form", ["{port}", "@missing.txt"],
         "unable to open file 'missing.txt'\n", 1),
    case("@ must come first", ["{port}", "x@targets.txt"], "{usage}", 1),
    case("five arguments without -l", ["{port}", "127.0.0.1", MAC, "pw", "x"], "{usage}", 1),
    case("six arguments without -l", ["{port}", "127.0.0.1", MAC, ";", "127.0.0.1", MAC],
         "{usage}", 1),
    case("-l with too few arguments is one target",
         ["{port}", "-l", "127.0.0.1"], mac_form_error("127.0.0.1") + TERMINATED, 1),
    case("-L is not the list switch",
         ["{port}", "-L", "127.0.0.1", MAC], mac_form_error("127.0.0.1") + TERMINATED, 1),
]

SINGLE = [
    case("one target", ["{port}", "127.0.0.1", MAC], sent=thrice(packet(MAC_BYTES))),
    case("lower-case digits", ["{port}", "127.0.0.1", MAC.lower()],
         sent=thrice(packet(MAC_BYTES))),
    case("password", ["{port}", "127.0.0.1", MAC, "secret"],
         sent=thrice(packet(MAC_BYTES, b"secret"))),
    case("password of 8", ["{port}", "127.0.0.1", MAC, "12345678"],
         sent=thrice(packet(MAC_BYTES, b"12345678"))),
    case("empty password", ["{port}", "127.0.0.1", MAC, ""], sent=thrice(packet(MAC_BYTES))),
    case("password of 9", ["{port}", "127.0.0.1", MAC, "123456789"],
         "ERROR: password cannot be longer than 8 characters.\n" + TERMINATED, 1),
    case("colons", ["{port}", "127.0.0.1", "00:0D:56:AC:E4:7C"],
         mac_form_error("00:0D:56:AC:E4:7C") + TERMINATED, 1),
    case("MAC form before password", ["{port}", "127.0.0.1", "00-0D", "123456789"],
         mac_form_error("00-0D") + TERMINATED, 1),
    case("bad hex digit is silent", ["{port}", "127.0.0.1", "00-0D-56-AC-E4-7G"], TERMINATED, 1),
    case("address out of range", ["{port}", "127.0.0.300", MAC],
         address_error("127.0.0.300") + TERMINATED, 1),
    case("bad address before bad digit", ["{port}", "127.0.0.300", "00-0D-56-AC-E4-7G"],
         address_error("127.0.0.300") + TERMINATED, 1),
    case("short form", ["{port}", "127.1", MAC], sent=thrice(packet(MAC_BYTES))),
    case("hex form", ["{port}", "0x7f.0.0.1", MAC], sent=thrice(packet(MAC_BYTES))),
    case("octal form", ["{port}", "0177.0.0.1", MAC], sent=thrice(packet(MAC_BYTES))),
    case("one number", ["{port}", "2130706433", MAC], sent=thrice(packet(MAC_BYTES))),
    case("text after white space", ["{port}", "127.0.0.1 anything", MAC],
         sent=thrice(packet(MAC_BYTES))),
    case("leading space", ["{port}", " 127.0.0.1", MAC],
         address_error(" 127.0.0.1") + TERMINATED, 1),
]

LIST = [
    case("one pair", ["{port}", "-l", "127.0.0.1", MAC], sent=thrice(packet(MAC_BYTES))),
    case("separated pairs",
         ["{port}", "-l", "127.0.0.1", MAC, ";", "127.1", MAC2, ";", "0x7f.0.0.1", MAC3],
         sent=thrice(packet(MAC_BYTES), packet(MAC2_BYTES), packet(MAC3_BYTES))),
    case("adjacent pairs",
         ["{port}", "-l", "127.0.0.1", MAC, "127.1", MAC2, "0x7f.0.0.1", MAC3],
         sent=thrice(packet(MAC_BYTES), packet(MAC2_BYTES), packet(MAC3_BYTES))),
    case("trailing separator", ["{port}", "-l", "127.0.0.1", MAC, ";", "127.1", MAC2, ";"],
         sent=thrice(packet(MAC_BYTES), packet(MAC2_BYTES))),
    case("unpaired last token", ["{port}", "-l", "127.0.0.1", MAC, "127.1"],
         sent=thrice(packet(MAC_BYTES))),
    case("anything may follow -l", ["{port}", "-lx", "127.0.0.1", MAC],
         sent=thrice(packet(MAC_BYTES))),
    case("list has no password", ["{port}", "-l", "127.0.0.1", MAC, "secret"],
         sent=thrice(packet(MAC_BYTES))),
    case("a second separator is an address",
         ["{port}", "-l", "127.0.0.1", MAC, ";", ";", "127.1", MAC2],
         mac_form_error("127.1") + TERMINATED, 1, thrice(packet(MAC_BYTES))),
    case("a token that begins with ; is an address",
         ["{port}", "-l", "127.0.0.1", MAC, ";x", MAC2],
         address_error(";x") + TERMINATED, 1, thrice(packet(MAC_BYTES))),
    case("the failing pair stops the list",
         ["{port}", "-l", "127.0.0.1", MAC, "127.0.0.1", "00-0D-56-AC-E4-7G", "127.1", MAC3],
         TERMINATED, 1, thrice(packet(MAC_BYTES))),
]

PORTS = [
    case("plus sign", ["+{port}", "127.0.0.1", MAC], sent=thrice(packet(MAC_BYTES))),
    case("leading white space", [" \t{port}", "127.0.0.1", MAC], sent=thrice(packet(MAC_BYTES))),
    case("trailing text", ["{port}abc", "127.0.0.1", MAC], sent=thrice(packet(MAC_BYTES))),
    case("beyond 16 bits", ["{port_plus_65536}", "127.0.0.1", MAC],
         sent=thrice(packet(MAC_BYTES))),
    case("negative", ["{port_negative}", "127.0.0.1", MAC], sent=thrice(packet(MAC_BYTES))),
    case("beyond 32 bits", ["{port_plus_2_32}", "127.0.0.1", MAC],
         sent=thrice(packet(MAC_BYTES))),
    case("far beyond 64 bits", ["{port_huge}", "127.0.0.1", MAC],
         sent=thrice(packet(MAC_BYTES))),
    case("no digits is port 0", ["abc", "127.0.0.1", MAC],
         "ERROR: unable to send packet (Error #{port_zero_error}).\n" + TERMINATED, 1),
    case("port 0", ["0", "127.0.0.1", MAC],
         "ERROR: unable to send packet (Error #{port_zero_error}).\n" + TERMINATED, 1),
    case("65536 is port 0", ["65536", "-l", "127.0.0.1", MAC],
         "ERROR: unable to send packet (Error #{port_zero_error}).\n" + TERMINATED, 1),
]

M = MAC.encode()
M2 = MAC2.encode()
GOOD = b"127.0.0.1 " + M
# Tabs pad the address part: inet_addr stops at the first of them.
LINE_1023 = b"127.0.0.1" + b"\t" * (1023 - 9 - 1 - 17) + b" " + M
PIECE_1023 = b"127.0.0.1" + b"\t" * (1023 - 9)

FILES = [
    file_case("LF lines", GOOD + b"\n127.1 " + M2 + b"\n",
              sent=thrice(packet(MAC_BYTES), packet(MAC2_BYTES))),
    file_case("CR LF lines", GOOD + b"\r\n127.1 " + M2 + b"\r\n",
              sent=thrice(packet(MAC_BYTES), packet(MAC2_BYTES))),
    file_case("trailing blanks", GOOD + b" \t \r \n", sent=thrice(packet(MAC_BYTES))),
    file_case("no line end at the end", b"\n" + GOOD, sent=thrice(packet(MAC_BYTES))),
    file_case("empty file", b""),
    file_case("only blank and skipped lines", b"\n \t\r\n127.0.0.1\t" + M + b"\nword\n"),
    file_case("blank and skipped lines are counted",
              b"\n \t\r\n127.0.0.1\t" + M + b"\nword\n" + GOOD + b"\n127.0.0.1  " + M + b"\n"
              + GOOD + b"\n",
              line_error(6), 1, thrice(packet(MAC_BYTES))),
    file_case("two spaces", b"127.0.0.1  " + M + b"\n", line_error(1), 1),
    file_case("form feed and vertical tab are not trimmed", b"\f \f\n", line_error(1), 1),
    file_case("vertical tab after the MAC", GOOD + b"\v\n", line_error(1), 1),
    file_case("leading space, long rest", b" " + GOOD + b"\n", line_error(1), 1),
    file_case("leading space, MAC-long rest", b" " + M + b"\n",
              address_error(" " + MAC) + line_error(1), 1),
    file_case("MAC of the wrong form", b"127.0.0.1 00:0D:56:AC:E4:7C\n",
              mac_form_error("00:0D:56:AC:E4:7C") + line_error(1), 1),
    file_case("bad hex digit is silent", b"127.0.0.1 00-0D-56-AC-E4-7G\n", line_error(1), 1),
    file_case("address fails on line 3",
              GOOD + b"\n127.1 " + M2 + b"\n127.0.0.300 " + M + b"\n" + GOOD + b"\n",
              address_error("127.0.0.300 " + MAC) + line_error(3), 1,
              thrice(packet(MAC_BYTES), packet(MAC2_BYTES))),
    file_case("a line of 1023 and its line end are two lines",
              LINE_1023 + b"\n" + b"x y\n", line_error(3), 1, thrice(packet(MAC_BYTES))),
    file_case("a longer line arrives in pieces", PIECE_1023 + b" " + M + b"\n",
              address_error(" " + MAC) + line_error(2), 1),
    file_case("a NUL byte ends the line", GOOD + b"\0 and more\nx y\n", line_error(2), 1,
              thrice(packet(MAC_BYTES))),
    file_case("a line that begins with NUL is blank", b"\0" + GOOD + b"\nx y\n", line_error(2), 1),
    case("missing file", ["{port}", "@missing.txt"], "unable to open file 'missing.txt'\n", 1),
    case("empty file name", ["{port}", "@"], "unable to open file ''\n", 1),
    case("a folder cannot be read", ["{port}", "@folder"], "{folder_output}", 1,
         files={"folder/": b""}),
    case("the port of the file form as atoi reads it",
         ["{port_plus_65536}x", "@targets.txt"], sent=thrice(packet(MAC_BYTES), packet(MAC2_BYTES)),
         files={"targets.txt": GOOD + b"\n127.1 " + M2 + b"\n"}),
]


class EndToEnd(unittest.TestCase):
    def run_case(self, c):
        listener = Listener()
        try:
            port = listener.port
            values = dict(
                port=port,
                port_plus_65536=port + 65536,
                port_negative=-(65536 - port),
                port_plus_2_32=port + 2**32,
                port_huge=port + 65536 * 10**20,
                port_zero_error=PLATFORM.port_zero_error,
                folder_output=PLATFORM.folder_output,
                program=PLATFORM.name,
            )
            values["usage"] = usage(PLATFORM.name)
            args = [a.format(**values) for a in c["args"]]
            with tempfile.TemporaryDirectory() as folder:
                for name, content in c["files"].items():
                    path = os.path.join(folder, name)
                    if name.endswith("/"):
                        os.mkdir(path)
                    else:
                        with open(path, "wb") as f:
                            f.write(content)
                started = time.monotonic()
                result = subprocess.run(PLATFORM.command + args, capture_output=True,
                                        timeout=60, cwd=folder)
                elapsed = time.monotonic() - started
            received = listener.drain(len(c["sent"]))
        finally:
            listener.close()

        expected = c["output"].format(**values).replace("\n", PLATFORM.newline)
        self.assertEqual(result.stdout.decode("latin-1"), expected)
        self.assertEqual(result.stderr, b"")
        self.assertEqual(result.returncode, c["status"])
        self.assertEqual([data for _, data in received], c["sent"])
        # A pause follows every datagram, the last one included.
        self.assertGreaterEqual(elapsed, PAUSE * len(received))
        stamps = [stamp for stamp, _ in received]
        for earlier, later in zip(stamps, stamps[1:]):
            self.assertGreaterEqual(later - earlier, PAUSE - PAUSE_SLACK)

    def run_table(self, table):
        for c in table:
            with self.subTest(c["name"]):
                self.run_case(c)

    def test_dispatch(self):
        self.run_table(DISPATCH)

    def test_single_target(self):
        self.run_table(SINGLE)

    def test_list(self):
        self.run_table(LIST)

    def test_port_conversion(self):
        self.run_table(PORTS)

    def test_target_file(self):
        self.run_table(FILES)


if __name__ == "__main__":
    make = Linux
    if len(sys.argv) == 3 and sys.argv[1] == "--wine":
        make = Wine
        del sys.argv[1]
    elif len(sys.argv) == 4 and sys.argv[1] == "--wrap":
        wrapper = sys.argv[2].split()
        make = lambda program: Linux(program, wrapper)  # noqa: E731
        del sys.argv[1:3]
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    PLATFORM = make(os.path.abspath(sys.argv.pop(1)))
    unittest.main(verbosity=2)
