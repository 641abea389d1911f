#!/usr/bin/env python3
"""Runs the unchanged static device program on the emulated device and checks it from the
host, through the panel's screendumps and the memory card's files.

Both routes boot as a device that starts the program with the release kit's start
script from the inittab line its INSTALL shows: route A with the program on the device's
flash, route B with program and script on a card mounted noexec.
Route A (32 bits per pixel, USB tablet): the first frame, then a refill typed on the
keypad and saved, the settings screen, two statistics screens, EXIT, the start script's
restart and a touch answered by the restarted program; afterwards the consumption record,
environment.txt, properties.txt, Debug.log and the exit status.
Route B (RGB565): the copy the start script runs from /tmp, and the first frame.
Calibrate (route A's machine, the calibration file on the flash mirrored, the programs
started by the init script itself): the calibration tool's four crosses touched where the
tablet lies over them, a test dot and DONE, the file it writes and its backup; then route
A's refill with the program reading the new file.

Usage: scenario.py [--program FILE] [--calibrate-program FILE] [--card-tool FILE] [A] [B] [calibrate]
Run after scripts/qemu/prepare.sh. Every run leaves its serial log, QEMU's log, the
screendumps and the card in build/qemu/runs/scenario-ROUTE/.
"""

import argparse
import calendar
import os
import re
import shutil
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.realpath(__file__)))
import emulator  # noqa: E402
from emulator import PANEL_H, PANEL_W, REPO, Failure  # noqa: E402

EXPECTED = os.path.join(os.path.dirname(os.path.realpath(__file__)), "expected")
KIT = os.path.join(REPO, "scripts", "kit")
LAYOUT_W, LAYOUT_H = 400, 256
PICTURES = ("s0.raw", "s0a.raw", "s1.raw", "s1a.raw", "s2.raw")

# The default look's rectangles (x, y, w, h) that the scenario touches or checks.
BUTTONS = {
    "1": (5, 55, 77, 50), "2": (83, 55, 77, 50), "3": (160, 55, 77, 50),
    "4": (5, 105, 77, 50), "5": (83, 105, 77, 50), "6": (160, 105, 77, 50),
    "7": (5, 152, 77, 50), "8": (83, 152, 77, 50), "9": (160, 152, 77, 50),
    "0": (83, 200, 77, 50), ".": (160, 200, 77, 50),
    "DRIVEN": (238, 5, 77, 50), "EXIT": (315, 5, 77, 50),
    "REFILLED": (238, 55, 77, 50), "CAR1": (315, 55, 77, 50),
    "PAID": (238, 105, 77, 50), "SAVE": (238, 152, 77, 50),
    "STATS": (238, 200, 77, 50), "CONFIG": (315, 200, 77, 50),
    "FUELPER100DIST": (238, 5, 77, 50), "BACK": (315, 5, 77, 50),
    "TRIPDIST": (238, 152, 77, 50),
}
NUMBER_DISPLAY = (20, 16, 202, 29)
STATS_AREA = (12, 11, 376, 231)
TEXT_COLOUR = (89, 98, 75)  # the number display's colour
WIRES_COLOUR = (178, 196, 150)

CONSUMPTION_HEADER = (
    "# This file contains the consumption-values you entered.\n"
    "#\n"
    '# Format is: ("[]" means "optional")\n'
    r"#  vehicle \t [distance] \t fuel \t [odometer] \t price" "\n"
    r"#    (and optional:) \t [consumption] \t [utc-time] \n" "\n"
    "#\n"
    '#   "vehicle" ist the actually chosen vehicle, "0" is "motorcycle", "1" is "car 1" and "2" is "car 2"\n'
    "#\n")
RECORD = "1\t412.00\t31.50\t0.0\t44.07\t7.65\t"  # trip mode, fuel per 100 distance units
CTIME = re.compile(r"^(Mon|Tue|Wed|Thu|Fri|Sat|Sun) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)"
                   r" [ 123]\d \d\d:\d\d:\d\d \d{4}$")


# ---------------------------------------------------------------- expected pictures
# The program scales pictures onto the panel by adding a fixed step per pixel, so a
# button's rectangle samples its picture slightly differently from a whole-screen copy;
# these replicas compute, pixel for pixel, what the panel must show.


def to_screen(x, y):
    return int((x + 0.5) * PANEL_W / LAYOUT_W), int((y + 0.5) * PANEL_H / LAYOUT_H)


def to_layout(x, y):
    return int((x + 0.5) * LAYOUT_W / PANEL_W), int((y + 0.5) * LAYOUT_H / PANEL_H)


def copy_region(frame, x1, y1, x2, y2, picture):
    x1, x2 = min(x1, x2), max(x1, x2)
    y1, y2 = min(y1, y2), max(y1, y2)
    if x1 == x2 or y1 == y2:
        return
    sx0, sy0 = to_layout(x1, y1)
    sx1, sy1 = to_layout(x2, y2)
    step_x = (sx1 - sx0) / (x2 - x1)
    step_y = (sy1 - sy0) / (y2 - y1)
    sy = float(sy0)
    for y in range(y1, y2):
        row = LAYOUT_W * int(sy)
        sx = float(sx0)
        for x in range(x1, x2):
            frame[x + PANEL_W * y] = picture[int(sx) + row]
            sx += step_x
        sy += step_y


def screen_rect(x, y, w, h, grow=0):
    (ax, ay), (bx, by) = to_screen(x, y), to_screen(x + w, y + h)
    return ax - grow, ay - grow, bx + grow, by + grow


def expected_frame(pictures, normal, active, buttons):
    frame = [0] * (PANEL_W * PANEL_H)
    copy_region(frame, 0, 0, PANEL_W, PANEL_H, pictures[normal])
    for name in buttons:
        x, y, w, h = BUTTONS[name]
        ax, ay, bx, by = screen_rect(x, y, w, h)
        copy_region(frame, ax, ay, bx, by, pictures[active])
    return frame


def read_rgb565(path):
    with open(path, "rb") as f:
        data = f.read()
    if len(data) != LAYOUT_W * LAYOUT_H * 2:
        raise Failure(f"{path} holds {len(data)} bytes, not a {LAYOUT_W} x {LAYOUT_H} RGB565 picture")
    return [data[i] | data[i + 1] << 8 for i in range(0, len(data), 2)]


def rgb888(v):
    """The 8-bit colour of an RGB565 value, bits replicated, as the 32-bit card holds it."""
    r, g, b = v >> 11, (v >> 5) & 63, v & 31
    return (r << 3 | r >> 2, g << 2 | g >> 4, b << 3 | b >> 2)


def rgb565(c):
    return ((c[0] << 8) & 0xF800) | ((c[1] << 3) & 0x07E0) | (c[2] >> 3)


def convert_card_to_32bpp(folder):
    """A 32-bit panel takes its pictures in its own format (the program copies them byte
    for byte): blue, green, red, 0."""
    for name in PICTURES:
        path = os.path.join(folder, name)
        out = bytearray()
        for v in read_rgb565(path):
            r, g, b = rgb888(v)
            out += bytes((b, g, r, 0))
        with open(path, "wb") as f:
            f.write(out)


class Panel:
    """Compares screendumps with expected frames, at the panel's depth."""

    def __init__(self, bpp, pictures):
        self.bpp = bpp
        self.pictures = pictures
        self.text = self.shown(rgb565(TEXT_COLOUR) if bpp == 16 else TEXT_COLOUR)

    def shown(self, value):
        """An expected value (RGB565 picture value or an RGB colour) as the panel shows it."""
        if self.bpp == 16:
            return value if isinstance(value, int) else rgb565(value)
        return rgb888(value) if isinstance(value, int) else value

    def describe(self, value):
        return f"RGB565 0x{value:04X}" if self.bpp == 16 else f"RGB {value}"

    def actual(self, frame, x, y):
        c = frame.pixel(x, y)
        # QEMU widens RGB565 by shifting; compare at the panel's own precision.
        return (c[0] >> 3) << 11 | (c[1] >> 2) << 5 | c[2] >> 3 if self.bpp == 16 else c

    def check(self, expected, text_box=None, min_text=0, free_box=None):
        """A check for wait_screen: every pixel as expected, except text pixels in the
        number display's colour inside text_box (at least min_text of them) and anything
        inside free_box."""
        want = [self.shown(v) for v in expected]

        def check(frame):
            if (frame.width, frame.height) != (PANEL_W, PANEL_H):
                return f"the panel is {frame.width} x {frame.height}"
            wrong, text = [], 0
            for y in range(PANEL_H):
                for x in range(PANEL_W):
                    if free_box and free_box[0] <= x < free_box[2] and free_box[1] <= y < free_box[3]:
                        continue
                    a = self.actual(frame, x, y)
                    if a == want[x + PANEL_W * y]:
                        continue
                    if text_box and a == self.text and text_box[0] <= x < text_box[2] \
                            and text_box[1] <= y < text_box[3]:
                        text += 1
                        continue
                    wrong.append((x, y, a, want[x + PANEL_W * y]))
            if wrong:
                x, y, a, w = wrong[0]
                return (f"{len(wrong)} pixels differ, first at ({x}, {y}): "
                        f"{self.describe(a)} instead of {self.describe(w)}")
            if text < min_text:
                return f"only {text} pixels of text in the number display"
            return None
        return check

    def drawn_in(self, box, colour, at_least):
        """A check that at least at_least pixels inside box have the colour."""
        want = self.shown(colour)

        def check(frame):
            n = sum(1 for y in range(box[1], box[3]) for x in range(box[0], box[2])
                    if self.actual(frame, x, y) == want)
            return None if n >= at_least else f"{n} pixels of {colour} in the statistics area"
        return check


def both(*checks):
    def check(frame):
        for c in checks:
            problem = c(frame)
            if problem:
                return problem
        return None
    return check


# ---------------------------------------------------------------- the runs


def make_card(card_tool, root, bpp):
    shutil.rmtree(root, ignore_errors=True)
    subprocess.run([card_tool, root], check=True, stdout=subprocess.DEVNULL)
    folder = os.path.join(root, "mnt", "sdcard", "Pumpwright")
    pictures = {name: read_rgb565(os.path.join(folder, name)) for name in PICTURES}
    for name in ("environment.txt", "properties.txt", "consumption.txt", "events.txt", "Debug.log"):
        if os.path.exists(os.path.join(folder, name)):
            raise Failure(f"the card maker wrote {name}")
    if bpp == 32:
        convert_card_to_32bpp(folder)
    return folder, pictures


def first_frame_check(panel):
    text_box = screen_rect(*NUMBER_DISPLAY, grow=2)
    return panel.check(expected_frame(panel.pictures, "s0.raw", "s0a.raw", ["CAR1"]), text_box, min_text=10)


def first_frame(guest, panel):
    guest.wait_line(r"^PW-START", 90, "program start")
    guest.wait_screen(first_frame_check(panel), 30, "1-first-frame")


def inittab_lines():
    """The inittab lines of the kit's INSTALL: the program on the flash, then on the card."""
    with open(os.path.join(KIT, "INSTALL")) as f:
        lines = re.findall(r"^\s+(::respawn:\S.*)$", f.read(), re.M)
    if len(lines) != 2:
        raise Failure(f"the kit's INSTALL shows {len(lines)} inittab lines, expected 2")
    return lines


def read_file(path):
    with open(path, "rb") as f:
        return f.read()


def tap(guest, touch, name):
    x, y, w, h = BUTTONS[name]
    guest.tap(touch, x + w // 2, y + h // 2)


def type_keys(guest, touch, keys):
    for key in keys:
        tap(guest, touch, key)


def read_card_file(folder, name):
    path = os.path.join(folder, name)
    if not os.path.exists(path):
        return None
    with open(path, encoding="latin-1") as f:
        return f.read()


# A run shorter than this is one the start script waits 30 s after (scripts/kit/pumpwright-run).
START_SCRIPT_QUICK_END = 5


def started_again(guest, touch, panel, text_box):
    """After EXIT under the kit's start script: its report of the end, the program back on
    the screen, and a touch the new run answers. Returns the exit status reported."""
    ended = guest.wait_line(r"^pumpwright-run: pumpwright ended with status (\d+) after \d+ s;"
                            r" starting it again in (\d+) s", 10, "the start script's report of the end")
    status, pause = int(ended.group(1)), int(ended.group(2))
    if pause != 2:
        raise Failure(f"the start script waits {pause} s after a normal end, expected 2")
    before = guest.screendump()
    restarted = first_frame_check(panel)
    guest.wait_screen(lambda frame: "the screen still shows the ended run" if frame.rgb == before.rgb
                      else restarted(frame), 30, "11-started-again")
    tap(guest, touch, "CONFIG")
    guest.wait_screen(panel.check(expected_frame(panel.pictures, "s1.raw", "s1a.raw",
                                                 ["FUELPER100DIST", "TRIPDIST"]),
                                  text_box, min_text=1), 30, "12-settings-after-restart")
    return status


def route_a(guest, folder, panel, cal=None):
    """The refill, the screens and EXIT, then the files. The taps are aimed through cal
    (default: the calibration file the guest started with)."""
    step = "first frame"
    try:
        first_frame(guest, panel)
        shown = time.monotonic()
        step = "tablet"
        guest.wait_line(r"^EVDEV .*Wacom", 10, "input probe")
        guest.wait_tablet()
        touch = emulator.Touch(cal or guest.cal)
        # Text may spill a few pixels out of the number display at the large size.
        text_box = screen_rect(*NUMBER_DISPLAY, grow=6)

        def entry_screen(lit):
            return panel.check(expected_frame(panel.pictures, "s0.raw", "s0a.raw", ["CAR1"] + lit),
                               text_box, min_text=1)

        step = "distance"
        type_keys(guest, touch, ["4", "1", "2", "DRIVEN"])
        guest.wait_screen(entry_screen(["DRIVEN"]), 30, "2-distance")
        step = "fuel"
        type_keys(guest, touch, ["3", "1", ".", "5", "REFILLED"])
        guest.wait_screen(entry_screen(["DRIVEN", "REFILLED"]), 30, "3-fuel")
        step = "price"
        type_keys(guest, touch, ["4", "4", ".", "0", "7", "PAID"])
        guest.wait_screen(entry_screen(["DRIVEN", "REFILLED", "PAID"]), 30, "4-price")
        step = "SAVE"
        tap(guest, touch, "SAVE")
        guest.wait_screen(entry_screen([]), 30, "5-saved")
        step = "settings"
        tap(guest, touch, "CONFIG")
        guest.wait_screen(panel.check(expected_frame(panel.pictures, "s1.raw", "s1a.raw",
                                                     ["FUELPER100DIST", "TRIPDIST"]),
                                      text_box, min_text=1), 30, "6-settings")
        step = "back"
        tap(guest, touch, "BACK")
        guest.wait_screen(entry_screen([]), 30, "7-entry")
        step = "statistics"
        area = screen_rect(*STATS_AREA, grow=5)
        s2 = expected_frame(panel.pictures, "s2.raw", "s2.raw", [])
        tap(guest, touch, "STATS")
        fuel_distance = guest.wait_screen(
            both(panel.check(s2, free_box=area), panel.drawn_in(area, WIRES_COLOUR, 100)), 30,
            "8-fuel-distance")
        step = "consumption and price"
        x, y, w, h = STATS_AREA
        guest.tap(touch, x + w // 2, y + h // 2)

        def other_drawing(frame):
            problem = panel.check(s2, free_box=area)(frame)
            if problem:
                return problem
            if frame.rgb == fuel_distance.rgb:
                return "still the fuel-distance screen"
            return None
        guest.wait_screen(other_drawing, 30, "9-consumption-price")
        step = "statistics area back to the entry screen"
        guest.tap(touch, x + w // 2, y + h // 2)
        guest.wait_screen(entry_screen([]), 30, "10-entry")
        step = "EXIT"
        if guest.run == "inittab":
            # The start script takes a run that ends within 5 s for one that could not
            # start (30 s before the next try); nobody's refill takes less, but the
            # scripted one can on a fast host.
            time.sleep(max(0.0, START_SCRIPT_QUICK_END + 1.0 - (time.monotonic() - shown)))
        tap(guest, touch, "EXIT")
        if guest.run == "inittab":
            status = started_again(guest, touch, panel, text_box)
        else:
            status = int(guest.wait_line(r"^PW-EXIT (\d+)", 10, "program exit").group(1))
            guest.wait_line(r"^PW-HALT", 20, "card unmounted")
            if not guest.wait_exit(20):
                raise Failure("the guest did not power off")
    except Failure as e:
        raise Failure(f"at step '{step}': {e}")

    problems = []
    if status != 0:
        problems.append(f"exit status {status}, expected 0")
    log = read_card_file(folder, "consumption.txt")
    if log is None:
        problems.append("no consumption.txt")
    elif not log.startswith(CONSUMPTION_HEADER):
        problems.append("consumption.txt does not begin with its header")
    else:
        lines = log[len(CONSUMPTION_HEADER):].split("\n")
        if len(lines) != 2 or lines[1] != "" or not lines[0].startswith(RECORD):
            problems.append(f"consumption.txt records: {lines!r}, expected one {RECORD!r}...")
        elif not CTIME.match(lines[0][len(RECORD):]):
            problems.append(f"record time {lines[0][len(RECORD):]!r} is not a ctime text")
        else:
            stamp = calendar.timegm(time.strptime(lines[0][len(RECORD):], "%a %b %d %H:%M:%S %Y"))
            if abs(stamp - time.time()) > 600:
                problems.append(f"record time {lines[0][len(RECORD):]!r} is not the guest's clock (UTC) of now")
    for name in ("environment.txt", "properties.txt"):
        with open(os.path.join(EXPECTED, name)) as f:
            want = f.read()
        got = read_card_file(folder, name)
        if got != want:
            problems.append(f"{name} differs from scripts/qemu/expected/{name}")
    debug = read_card_file(folder, "Debug.log")
    if debug:
        problems.append(f"Debug.log: {debug.strip()!r}")
    if problems:
        raise Failure("on the card: " + "; ".join(problems))


# The tablet lies exactly over the panel: this is the calibration it truly needs. The guest
# starts with the mirror image of it, which the calibration tool must replace.
TRUE_CAL = emulator.calibration_for(PANEL_W, PANEL_H)
MIRRORED_CAL = (TRUE_CAL[1], TRUE_CAL[0], TRUE_CAL[3], TRUE_CAL[2])
# A touch lands within a pixel of its aim, some ten readings on either axis.
CAL_TOLERANCE = 12
CROSSES = ((15, 15), (PANEL_W - 15, 15), (PANEL_W - 15, PANEL_H - 15), (15, PANEL_H - 15))
WHITE, DOT, DONE_FACE = (255, 255, 255), (255, 220, 0), (96, 96, 96)
TEST_DOT = (100, 200)
DONE_FACE_POINT = (185, 135)  # inside the DONE box, layout (150, 118)-(250, 168)
DONE_POINT = (200, 150)


def pixel_is(x, y, colour):
    def check(frame):
        c = frame.pixel(x, y)
        return None if c == colour else f"({x}, {y}) is {c}, not {colour}"
    return check


def route_calibrate(guest, folder, panel):
    """The calibration tool, then route A with the file it wrote."""
    screen = emulator.Touch(TRUE_CAL, layout=(PANEL_W, PANEL_H))  # aims at panel pixels
    step = "first cross"
    try:
        guest.wait_line(r"^PW-CALIBRATE", 90, "calibration tool start")
        guest.wait_screen(pixel_is(*CROSSES[0], WHITE), 30, "c1-cross")
        guest.wait_line(r"^EVDEV .*Wacom", 10, "input probe")
        guest.wait_tablet()
        for k, (x, y) in enumerate(CROSSES):
            step = f"cross {k + 1}"
            guest.wait_screen(pixel_is(x, y, WHITE), 30, f"c{k + 1}-cross")
            guest.tap(screen, x, y)
        step = "test screen"
        guest.wait_screen(pixel_is(*DONE_FACE_POINT, DONE_FACE), 30, "c5-test")
        guest.tap(screen, *TEST_DOT)
        guest.wait_screen(pixel_is(*TEST_DOT, DOT), 30, "c6-dot")
        step = "DONE"
        guest.tap(screen, *DONE_POINT)
        status = int(guest.wait_line(r"^PW-CALIBRATED (\d+)", 20, "calibration tool exit").group(1))
    except Failure as e:
        raise Failure(f"at step '{step}': {e}")
    if status != 0:
        raise Failure(f"the calibration tool ended with status {status}")
    flash = os.path.join(folder, "..", "flash")
    with open(os.path.join(flash, "cal"), "rb") as f:
        written = struct.unpack("<4i", f.read())
    with open(os.path.join(flash, "cal.bak"), "rb") as f:
        backup = f.read()
    if any(abs(w - t) > CAL_TOLERANCE for w, t in zip(written, TRUE_CAL)):
        raise Failure(f"the calibration written is {written}, the tablet's is {TRUE_CAL}")
    if backup != emulator.calibration_file(MIRRORED_CAL):
        raise Failure("cal.bak does not hold the calibration the guest started with")
    print(f"qemu scenario: calibration written {written} (the tablet's {TRUE_CAL})")
    route_a(guest, folder, panel, cal=TRUE_CAL)


def route_b(guest, folder, panel):
    try:
        guest.wait_line(r"^PW-START", 90, "program start")
        guest.wait_line(r"^pumpwright-run: .* cannot be executed where it lies; running a copy in /tmp", 20,
                        "the start script's copy of the program from the noexec card")
        guest.wait_screen(first_frame_check(panel), 30, "1-first-frame")
    except Failure as e:
        raise Failure(f"at step 'first frame': {e}")
    debug = read_card_file(folder, "Debug.log")
    if debug:
        raise Failure(f"Debug.log: {debug.strip()!r}")


def run(scenario, program, card_tool, calibrate_program):
    run_dir = os.path.join(emulator.CACHE, "runs", f"scenario-{scenario}")
    shutil.rmtree(run_dir, ignore_errors=True)
    os.makedirs(run_dir)
    calibrate = scenario == "calibrate"
    route = "A" if calibrate else scenario
    bpp = emulator.ROUTES[route]["bpp"]
    start = time.monotonic()
    guest = None
    try:
        folder, pictures = make_card(card_tool, os.path.join(run_dir, "card"), bpp)
        card = os.path.dirname(folder)
        if calibrate:
            guest = emulator.Guest(route, run_dir, card, run="calibrate", program=program,
                                   spy=True, cal=MIRRORED_CAL, calibrate_program=calibrate_program)
        else:
            on_flash, on_card = inittab_lines()
            kit = {"pumpwright": (0o755, read_file(program)),
                   "pumpwright-run": (0o755, read_file(os.path.join(KIT, "pumpwright-run")))}
            if route == "A":
                files = {"etc/inittab": (0o644, (on_flash + "\n").encode())}
                files.update({f"opt/pumpwright/{name}": body for name, body in kit.items()})
                guest = emulator.Guest(route, run_dir, card, run="inittab", files=files, spy=True)
            else:
                for name, (mode, body) in kit.items():
                    with open(os.path.join(card, name), "wb") as f:
                        f.write(body)
                    os.chmod(os.path.join(card, name), mode)
                guest = emulator.Guest(route, run_dir, card, run="inittab", card_options="noexec",
                                       files={"etc/inittab": (0o644, (on_card + "\n").encode())})
        guest.start()
        steps = route_calibrate if calibrate else route_a if route == "A" else route_b
        steps(guest, folder, Panel(bpp, pictures))
        print(f"qemu scenario: {scenario} ({bpp} bpp) passed in {time.monotonic() - start:.1f} s")
        return True
    except (Failure, subprocess.CalledProcessError, OSError, struct.error) as e:
        print(f"qemu scenario: {scenario} ({bpp} bpp) FAILED {e}\n"
              f"  serial log, QEMU log and screendumps in {run_dir}, the card in {run_dir}/card")
        return False
    finally:
        if guest:
            guest.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--program", default=os.path.join(REPO, "build", "armel", "pumpwright"))
    parser.add_argument("--card-tool", default=os.path.join(REPO, "build", "release", "tools", "pumpwright-card"))
    parser.add_argument("--calibrate-program",
                        default=os.path.join(REPO, "build", "armel", "pumpwright-calibrate"))
    parser.add_argument("routes", nargs="*", default=["A", "B", "calibrate"], choices=["A", "B", "calibrate"])
    args = parser.parse_args()
    needed = [args.program, args.card_tool] + ([args.calibrate_program] if "calibrate" in args.routes else [])
    for path in needed:
        if not os.access(path, os.X_OK):
            print(f"qemu scenario: {path} is missing; build it first", file=sys.stderr)
            return 2
    ok = [run(r, args.program, args.card_tool, args.calibrate_program) for r in args.routes]
    return 0 if all(ok) else 1


if __name__ == "__main__":
    sys.exit(main())
