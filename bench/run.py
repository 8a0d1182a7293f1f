#!/usr/bin/env python3
"""Measures zorwol side by side with references and prints the figures.

Usage: bench/run.py [PROGRAM [WINDOWS_PROGRAM]]
  (default: build/release/zorwol and, where wine is installed,
  build/windows/zorwol.exe)

- overhead: wall time of a file of 40 loopback targets over the 40 x 30 ms
  that its pauses force (goal: at most 1.01);
- spacing: the gaps between the datagrams of that file, from the kernel's
  arrival stamps, natively and for zorwol.exe under wine (goal under wine:
  none under 10 ms, a mean within 11 ms);
- start-up: median wall time of the usage path, alternated with /bin/true and
  with wakeonlan printing its usage (goal: a quarter of wakeonlan's at most,
  and within 2 ms of /bin/true's);
- a file of 5,000,000 lines without a space, against wc -l on the same file;
- peak memory for that file and for an empty one (goal: 4 MiB at most, the same).

Every datagram goes to a listener on 127.0.0.1.
"""

import os
import platform
import shutil
import socket
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time

MAC = "00-0D-56-AC-E4-7C"
# Linux's value, where Python does not name it: arrival stamps as a timespec.
SO_TIMESTAMPNS = getattr(socket, "SO_TIMESTAMPNS", 35)


def listen():
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(("127.0.0.1", 0))

    def drain():
        while True:
            try:
                sock.recv(2048)
            except OSError:
                return

    threading.Thread(target=drain, daemon=True).start()
    return sock


def gaps_ms(command, folder):
    """The gaps between the datagrams of a run on targets.txt in folder, in
    milliseconds, from the kernel's arrival stamps."""
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, SO_TIMESTAMPNS, 1)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 1 << 20)
    sock.bind(("127.0.0.1", 0))
    port = str(sock.getsockname()[1])
    with open(os.devnull, "wb") as null:
        subprocess.run(command + [port, "@targets.txt"], cwd=folder, stdout=null, stderr=null,
                       check=False)
    sock.setblocking(False)
    stamps = []
    while True:
        try:
            _, ancillary, _, _ = sock.recvmsg(2048, 64)
        except BlockingIOError:
            break
        for level, kind, value in ancillary:
            if level == socket.SOL_SOCKET and kind == SO_TIMESTAMPNS:
                seconds, nanoseconds = struct.unpack("qq", value[:16])
                stamps.append(seconds + nanoseconds / 1e9)
    sock.close()
    return [(later - earlier) * 1000 for earlier, later in zip(stamps, stamps[1:])]


def spacing(name, gaps):
    if not gaps:
        return f"  {name}: no datagram arrived"
    return (f"  {name}: {len(gaps)} gaps, min {min(gaps):.3f} ms, median"
            f" {statistics.median(gaps):.3f} ms, mean {statistics.mean(gaps):.3f} ms")


def wall(command):
    """Seconds from spawn to exit, output discarded."""
    with open(os.devnull, "wb") as null:
        started = time.perf_counter()
        subprocess.run(command, stdout=null, stderr=null, check=False)
        return time.perf_counter() - started


def spawn_wall(command):
    """Like wall, with less of Python in the way: posix_spawn and waitpid."""
    null = os.open(os.devnull, os.O_WRONLY)
    actions = [(os.POSIX_SPAWN_DUP2, null, 1), (os.POSIX_SPAWN_DUP2, null, 2)]
    started = time.perf_counter()
    pid = os.posix_spawn(command[0], command, os.environ, file_actions=actions)
    os.waitpid(pid, 0)
    elapsed = time.perf_counter() - started
    os.close(null)
    return elapsed


def peak_kib(command):
    result = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, capture_output=True,
                            text=True, check=False)
    return int(result.stderr.strip().splitlines()[-1])


def machine():
    model = "unknown processor"
    try:
        with open("/proc/cpuinfo") as f:
            model = next(line.split(":", 1)[1].strip() for line in f
                         if line.startswith("model name"))
    except (OSError, StopIteration):
        pass
    return f"{model}, {os.cpu_count()} cores, Linux {platform.release()}"


def wine_command(windows_program):
    """The command that runs zorwol.exe under wine, with the tests' prefix
    where there is one, or None without wine or the program."""
    if not shutil.which("wine") or not os.path.isfile(windows_program):
        return None
    prefix = os.path.join(os.path.dirname(windows_program), "wineprefix")
    if "WINEPREFIX" not in os.environ and os.path.isdir(prefix):
        os.environ["WINEPREFIX"] = prefix
    os.environ.setdefault("WINEDEBUG", "-all")
    command = ["wine", windows_program]
    wall(command + ["-v"])  # starts the wine server, which the runs then share
    return command


def main():
    program = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/release/zorwol")
    windows_program = os.path.abspath(sys.argv[2] if len(sys.argv) > 2
                                      else "build/windows/zorwol.exe")
    listener = listen()
    port = str(listener.getsockname()[1])
    print(f"machine: {machine()}")
    print(f"program: {program}")

    with tempfile.TemporaryDirectory() as folder:
        targets = os.path.join(folder, "targets.txt")
        with open(targets, "w") as f:
            f.write(f"127.0.0.1 {MAC}\n" * 40)
        runs = [wall([program, port, "@" + targets]) for _ in range(7)]
        ratio = statistics.median(runs) / (40 * 0.030)
        print(f"overhead: {ratio:.4f} (median of {len(runs)}; best {min(runs) / 1.2:.4f};"
              f" goal <= 1.01)")

        print("spacing of the datagrams of 40 targets (goal under wine: min >= 10, mean <= 11):")
        print(spacing("native", gaps_ms([program], folder)))
        wine = wine_command(windows_program)
        if wine:
            print(spacing("zorwol.exe under wine", gaps_ms(wine, folder)))
        else:
            print("  zorwol.exe under wine: not measured (needs wine and build/windows/zorwol.exe)")

        wakeonlan = shutil.which("wakeonlan")
        commands = {"zorwol": [program], "/bin/true": ["/bin/true"]}
        if wakeonlan:
            commands["wakeonlan"] = [wakeonlan]
        times = {name: [] for name in commands}
        for _ in range(300):
            for name, command in commands.items():
                times[name].append(spawn_wall(command))
        medians = {name: statistics.median(t) * 1000 for name, t in times.items()}
        line = ", ".join(f"{name} {ms:.2f} ms" for name, ms in medians.items())
        print(f"start-up (median of 300, alternated): {line}")
        print(f"  zorwol - /bin/true: {medians['zorwol'] - medians['/bin/true']:.2f} ms"
              " (goal <= 2)")
        if wakeonlan:
            print(f"  zorwol / wakeonlan: {medians['zorwol'] / medians['wakeonlan']:.3f}"
                  " (goal <= 0.25)")
        else:
            print("  wakeonlan is not installed (apt-get install wakeonlan)")

        lines = os.path.join(folder, "lines.txt")
        with open(lines, "w") as f:
            f.write("x\n" * 5_000_000)
        zorwol_s = min(wall([program, port, "@" + lines]) for _ in range(3))
        wc_s = min(wall(["wc", "-l", lines]) for _ in range(3))
        print(f"5,000,000 lines without a space: zorwol {zorwol_s:.3f} s"
              f" ({5_000_000 / zorwol_s / 1e6:.1f} M lines/s), wc -l {wc_s:.3f} s")

        empty = os.path.join(folder, "empty.txt")
        open(empty, "w").close()
        big = peak_kib([program, port, "@" + lines])
        small = peak_kib([program, port, "@" + empty])
        print(f"peak memory: {big} KiB for the 5,000,000 lines, {small} KiB for an empty file"
              " (goal <= 4096, the same)")
    listener.close()


if __name__ == "__main__":
    main()
