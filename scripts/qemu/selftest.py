#!/usr/bin/env python3
"""Checks the emulated device itself, without the device program: on each route the probe
draws its four bars into /dev/fb0 (the panel must show them in the right colours at the
right depth), and on route A host touches must reach the guest as BTN_TOUCH and the
predicted ABS_X/ABS_Y readings. Run after scripts/qemu/prepare.sh.
Usage: selftest.py [A] [B]"""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.realpath(__file__)))
import emulator  # noqa: E402
from emulator import Failure  # noqa: E402

BARS = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (10, 20, 30)]


def bars_check(bpp):
    def shown(c):
        # At 16 bits the panel holds RGB565; compare at that precision.
        return (c[0] >> 3, c[1] >> 2, c[2] >> 3) if bpp == 16 else c

    def check(frame):
        if (frame.width, frame.height) != (emulator.PANEL_W, emulator.PANEL_H):
            return f"size {frame.width} x {frame.height}"
        for i, colour in enumerate(BARS):
            x = i * frame.width // 4 + frame.width // 8
            for y in (0, frame.height // 2, frame.height - 1):
                if shown(frame.pixel(x, y)) != shown(colour):
                    return f"pixel ({x}, {y}) is {frame.pixel(x, y)}, expected {colour}"
        return None
    return check


def run(route):
    run_dir = os.path.join(emulator.CACHE, "runs", f"selftest-{route}")
    share = os.path.join(run_dir, "card")
    os.makedirs(os.path.join(share, "Pumpwright"), exist_ok=True)
    guest = emulator.Guest(route, run_dir, share, run="probe")
    start = time.monotonic()
    try:
        guest.start()
        bpp = emulator.ROUTES[route]["bpp"]
        fb = guest.wait_line(r"^PW-FB (\d+),(\d+) (\d+) (\d+)", 60, "framebuffer")
        expected = (emulator.PANEL_W, emulator.PANEL_H, bpp, emulator.PANEL_W * bpp // 8)
        if tuple(int(v) for v in fb.groups()) != expected:
            raise Failure(f"framebuffer is {fb.group(0)}, expected {expected}")
        guest.wait_line(r"^PW-READY", 30, "test card")
        guest.wait_screen(bars_check(bpp), 10, "bars")
        if route == "A":
            guest.wait_line(r"^EVDEV .*: x 0\.\.5040, y 0\.\.3780", 10, "tablet ranges")
            guest.wait_tablet()
            touch = emulator.Touch(guest.cal)
            for lx, ly in ((5, 55), (200, 128), (399, 255)):
                guest.tap(touch, lx, ly)
        print(f"selftest: route {route} passed in {time.monotonic() - start:.1f} s")
        return True
    except Failure as e:
        print(f"selftest: route {route} FAILED: {e}\n  serial log, screendumps: {run_dir}")
        return False
    finally:
        guest.stop()


if __name__ == "__main__":
    routes = sys.argv[1:] or ["A", "B"]
    sys.exit(0 if all([run(r) for r in routes]) else 1)
