#!/usr/bin/env python3
"""Device time of pumpwright-device-time (bench/device_time.cpp) on the emulated ARM
Linux, with QEMU's -icount: the virtual clock then advances 2^shift ns per executed
guest instruction, so the milliseconds follow the instructions alone and are the same on
every run and every host (shift 2: 250 M instructions per second, shift 3: 125 M). They
leave out what an ARM9 loses to cache misses and memory waits, which the count does not
see. The machine is route A's virt board, without its panel and touch devices: the
program draws into a file, as on the desktop. Run after scripts/qemu/prepare.sh.
Usage: device_time.py --program PATH [--font PATH] [SHIFT...]   (shifts 2 3 by default)
Prints a Markdown table: per case, the first drawing and the mean of the next ones."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.realpath(__file__)))
import emulator  # noqa: E402

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"  # where the program looks for it


def run(program, font, shift, timeout=600):
    """Boots the guest once at the given shift; returns {case: (first ms, again ms)}."""
    work = tempfile.mkdtemp(prefix="pw-device-time-")
    try:
        tree = os.path.join(work, "tree")
        os.makedirs(os.path.join(tree, "bin"))
        shutil.copy(os.path.join(emulator.CACHE, "guest", "bin", "busybox"), os.path.join(tree, "bin"))
        with open(os.path.join(emulator.GUEST_FILES, "time-init"), "rb") as f:
            init = f.read()
        with open(program, "rb") as f:
            binary = f.read()
        with open(font, "rb") as f:
            font_bytes = f.read()
        initrd = os.path.join(work, "initrd.gz")
        emulator.write_initramfs(initrd, tree, {
            "init": (0o755, init),
            "usr/bin/pumpwright-device-time": (0o755, binary),
            FONT.lstrip("/"): (0o644, font_bytes),
        })
        kernel = os.path.join(emulator.CACHE, "guest", "boot", f"vmlinuz-{emulator.kernel_version()}")
        args = ["qemu-system-arm", "-M", "virt,highmem=off", "-m", "256", "-kernel", kernel,
                "-initrd", initrd, "-append", "console=ttyAMA0 loglevel=3",
                "-icount", f"shift={shift}", "-nic", "none", "-display", "none",
                "-serial", "stdio", "-monitor", "none", "-no-reboot"]
        out = subprocess.run(args, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                             errors="replace", timeout=timeout).stdout
    finally:
        shutil.rmtree(work, ignore_errors=True)
    lines = out.replace("\r", "").splitlines()
    if "PW-TIME-BEGIN" not in lines or not any(l.startswith("PW-TIME-END ") for l in lines):
        raise SystemExit(f"device-time: the guest did not run the program (shift {shift}):\n" + "\n".join(lines[-20:]))
    begin = lines.index("PW-TIME-BEGIN")
    end = next(i for i, l in enumerate(lines) if l.startswith("PW-TIME-END "))
    if lines[end] != "PW-TIME-END 0":
        raise SystemExit("device-time: the program failed:\n" + "\n".join(lines[begin:end + 1]))
    figures = {}
    for line in lines[begin + 1:end]:
        fields = line.split("\t")
        if len(fields) == 3:
            figures[fields[0]] = (float(fields[1]), float(fields[2]))
    return figures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--font", default=FONT)
    parser.add_argument("shifts", nargs="*", type=int, default=[2, 3])
    options = parser.parse_args()
    results = [(shift, run(options.program, options.font, shift)) for shift in options.shifts]
    header = "| case |" + "".join(f" first, {1000 // 2 ** s} M/s | again, {1000 // 2 ** s} M/s |" for s, _ in results)
    print(header)
    print("|---|" + "---|---|" * len(results))
    for case in results[0][1]:
        row = f"| {case} |"
        for _, figures in results:
            first, again = figures[case]
            row += f" {first:.1f} ms | {again:.1f} ms |"
        print(row)


if __name__ == "__main__":
    main()
