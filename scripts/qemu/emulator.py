"""The emulated device: boots the armmp kernel under qemu-system-arm with a real
framebuffer and a real touch device, and drives it from the host.

Two machines ("routes"):
  A  virt board, virtio-gpu panel of 480 x 272 at 32 bits per pixel, a USB Wacom
     PenPartner tablet as the touchscreen (true BTN_TOUCH and ABS_X/ABS_Y events).
  B  Versatile Express A9, the CoreTile CLCD at 480 x 272 and 16 bits per pixel
     (RGB565); its only pointer is a PS/2 mouse, so no touch is driven there.
Both share a host folder with the guest as its memory card (/mnt/sdcard, 9p).

Everything waits on markers: lines the guest prints on its serial console ("PW-..."
from the init script, "EV ..." from the input probe), QEMU's own answers, or the
picture on the panel. Only the polling of those markers is paced.
"""

import gzip
import json
import os
import re
import shutil
import socket
import stat
import struct
import subprocess
import tempfile
import time
import zlib

REPO = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", ".."))
CACHE = os.path.join(REPO, "build", "qemu")
GUEST_FILES = os.path.join(os.path.dirname(os.path.realpath(__file__)), "guest")

PANEL_W, PANEL_H = 480, 272

# The tablet's own resolution (QEMU's PenPartner) and the range of QMP's absolute axes.
TABLET_MAX = (5040, 3780)
QMP_ABS_MAX = 0x7FFF

ROUTES = {
    "A": {
        "machine": [
            "-M", "virt,highmem=off",  # PCI, and so USB, needs highmem off on this 32-bit kernel
            "-global", "virtio-mmio.force-legacy=false",
            "-device", f"virtio-gpu-device,xres={PANEL_W},yres={PANEL_H}",
            "-device", "qemu-xhci",
            "-device", "usb-wacom-tablet",
        ],
        "dtb": None,
        "modules": "virtio_mmio virtio_gpu xhci_pci 9pnet_virtio 9p",
        "touch_usb": "056a",  # Wacom
        "touch_modules": "wacom evdev",
        "touch": "*Wacom*",
        "bpp": 32,
    },
    "B": {
        "machine": [
            "-M", "vexpress-a9",
            "-global", "virtio-mmio.force-legacy=false",
        ],
        "dtb": "vexpress-clcd16.dtb",
        "modules": "virtio_mmio ambakmi psmouse 9pnet_virtio 9p",
        "touch_usb": "",
        "touch_modules": "evdev",
        "touch": "*",
        "bpp": 16,
    },
}


# The console line that tells that the program has ended: from the init script, or from
# the kit's start script under BusyBox init.
PROGRAM_ENDED = re.compile(r"^(?:PW-EXIT|pumpwright-run: pumpwright ended with status) (\d+)", re.M)


class Failure(Exception):
    """A scenario step that did not come true; the message says which."""


# ---------------------------------------------------------------- initramfs


def _cpio_entry(out, name, mode, data=b"", rdev=(0, 0), ino=[0]):
    ino[0] += 1
    name_bytes = name.encode() + b"\0"
    fields = (ino[0], mode, 0, 0, 1, 0, len(data), 0, 0, rdev[0], rdev[1], len(name_bytes), 0)
    header = b"070701" + b"".join(b"%08X" % v for v in fields)
    out.write(header + name_bytes + b"\0" * (-(len(header) + len(name_bytes)) % 4))
    out.write(data + b"\0" * (-len(data) % 4))


def write_initramfs(path, tree, files):
    """Packs the folder tree plus the extra files {guest path: (mode, bytes)} into a
    gzip'd newc archive, owned by root, with the /dev/console node the kernel needs
    before devtmpfs is mounted."""
    dirs = set()
    with gzip.open(path, "wb", compresslevel=1) as out:
        for top, subdirs, names in os.walk(tree):
            subdirs.sort()
            rel = os.path.relpath(top, tree)
            if rel != ".":
                _cpio_entry(out, rel, stat.S_IFDIR | 0o755)
                dirs.add(rel)
            for name in sorted(names):
                host = os.path.join(top, name)
                guest = os.path.normpath(os.path.join(rel, name))
                if os.path.islink(host):
                    _cpio_entry(out, guest, stat.S_IFLNK | 0o777, os.readlink(host).encode())
                else:
                    with open(host, "rb") as f:
                        _cpio_entry(out, guest, stat.S_IFREG | (os.stat(host).st_mode & 0o777), f.read())
        for guest, (mode, data) in sorted(files.items()):
            parts = guest.split("/")
            for i in range(1, len(parts)):
                d = "/".join(parts[:i])
                if d not in dirs:
                    _cpio_entry(out, d, stat.S_IFDIR | 0o755)
                    dirs.add(d)
            _cpio_entry(out, guest, stat.S_IFREG | mode, data)
        for d in ("dev", "proc", "sys"):
            if d not in dirs:
                _cpio_entry(out, d, stat.S_IFDIR | 0o755)
        _cpio_entry(out, "dev/console", stat.S_IFCHR | 0o600, rdev=(5, 1))
        _cpio_entry(out, "TRAILER!!!", 0)


def kernel_version():
    return sorted(os.listdir(os.path.join(CACHE, "guest", "lib", "modules")))[-1]


def build_base_tree(route, tree):
    """busybox, the route's modules with their dependencies, the init script and the probe."""
    guest = os.path.join(CACHE, "guest")
    version = kernel_version()
    shutil.rmtree(tree, ignore_errors=True)
    os.makedirs(os.path.join(tree, "bin"))
    os.makedirs(os.path.join(tree, "usr", "bin"))
    shutil.copy(os.path.join(guest, "bin", "busybox"), os.path.join(tree, "bin", "busybox"))
    shutil.copy(os.path.join(CACHE, "probe"), os.path.join(tree, "bin", "probe"))
    shutil.copy(os.path.join(GUEST_FILES, "init"), os.path.join(tree, "init"))
    os.chmod(os.path.join(tree, "init"), 0o755)
    listing = subprocess.run(
        ["modprobe", "-a", "-d", guest, "-S", version, "--show-depends"] + (ROUTES[route]["modules"] + " " + ROUTES[route]["touch_modules"]).split(),
        check=True, capture_output=True, text=True).stdout
    moddir = os.path.join("lib", "modules", version)
    for line in listing.splitlines():
        words = line.split()
        if words and words[0] == "insmod":
            rel = os.path.relpath(words[1], guest)
            os.makedirs(os.path.join(tree, os.path.dirname(rel)), exist_ok=True)
            shutil.copy(words[1], os.path.join(tree, rel))
    for name in ("modules.order", "modules.builtin", "modules.builtin.modinfo"):
        shutil.copy(os.path.join(guest, moddir, name), os.path.join(tree, moddir, name))
    subprocess.run(["depmod", "-b", tree, version], check=True)


# ---------------------------------------------------------------- touch geometry


def c_div(a, b):
    """Integer division truncating toward zero, as C does."""
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b >= 0) else -q


def calibration_for(panel_w, panel_h):
    """The four raw readings of the calibration file for the tablet lying exactly over
    the panel: the program maps reading c0 to size - 15 and c1 to 15, mirrored, so c0 is
    the reading at the far edge and c1 the one near the origin."""
    cal = []
    for size, top in ((panel_w, TABLET_MAX[0]), (panel_h, TABLET_MAX[1])):
        cal.append((top * (size - 15) * 2 + size) // (2 * size))
        cal.append((top * 15 * 2 + size) // (2 * size))
    return tuple(cal)


def calibration_file(cal):
    return struct.pack("<4i", *cal)


def tablet_reading(abs_value, axis):
    """The raw reading QEMU's PenPartner reports for a QMP absolute value."""
    return abs_value * TABLET_MAX[axis] // QMP_ABS_MAX


def program_coordinate(reading, c0, c1, size):
    """The device program's mapping of a raw reading to a screen coordinate."""
    r = ((reading & 0xFFFF) ^ 0x8000) - 0x8000
    p = c_div((size - 30) * (r - c0), c1 - c0) + 15
    p = ((p & 0xFFFF) ^ 0x8000) - 0x8000
    p = max(0, min(size, p))
    return size - p


def layout_coordinate(screen, layout_size, screen_size):
    return int((screen + 0.5) * layout_size / screen_size)


class Touch:
    """Finds, per axis, the QMP absolute value whose touch the program places on a given
    layout coordinate (through tablet, calibration and the layout scaling)."""

    def __init__(self, cal, panel=(PANEL_W, PANEL_H), layout=(400, 256)):
        self.cal = cal
        self.values = []
        for axis in (0, 1):
            c0, c1 = cal[2 * axis], cal[2 * axis + 1]
            hits = {}
            for v in range(QMP_ABS_MAX + 1):
                screen = program_coordinate(tablet_reading(v, axis), c0, c1, panel[axis])
                hits.setdefault(layout_coordinate(screen, layout[axis], panel[axis]), []).append(v)
            self.values.append(hits)

    def abs_for(self, lx, ly):
        out = []
        for axis, target in ((0, lx), (1, ly)):
            vs = self.values[axis].get(target)
            if not vs:
                raise Failure(f"no touch reaches layout {'xy'[axis]} = {target}")
            out.append(vs[len(vs) // 2])
        return tuple(out)

    def reading_for(self, lx, ly):
        ax, ay = self.abs_for(lx, ly)
        return tablet_reading(ax, 0), tablet_reading(ay, 1)


# ---------------------------------------------------------------- pictures


class Frame:
    """A screendump: width, height and RGB bytes."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    @classmethod
    def from_ppm(cls, path):
        with open(path, "rb") as f:
            data = f.read()
        m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
        if not m:
            raise Failure(f"{path} is not a binary PPM")
        w, h = int(m.group(1)), int(m.group(2))
        return cls(w, h, data[m.end():m.end() + w * h * 3])

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def write_png(self, path):
        raw = b"".join(b"\0" + self.rgb[y * self.width * 3:(y + 1) * self.width * 3] for y in range(self.height))

        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)))
            f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
            f.write(chunk(b"IEND", b""))


# ---------------------------------------------------------------- the machine


class Guest:
    """One boot of a route. Artefacts (initramfs, serial.log, qemu.log, screendumps) go to
    run_dir; share_dir becomes the guest's /mnt/sdcard."""

    def __init__(self, route, run_dir, share_dir, run="program", program=None, spy=False, cal=None,
                 calibrate_program=None, files=None, card_options=""):
        """run: "program", "calibrate", "probe" (see guest/init), or "inittab" (BusyBox
        init takes over, with files holding etc/inittab and what it starts); files: extra
        guest files {path: (mode, bytes)}; card_options: extra mount options of the card."""
        self.route, self.run_dir, self.share_dir = route, run_dir, share_dir
        self.conf = ROUTES[route]
        self.run, self.program, self.spy = run, program, spy
        self.calibrate_program = calibrate_program
        self.files, self.card_options = files or {}, card_options
        self.cal = cal or calibration_for(PANEL_W, PANEL_H)
        self.serial_path = os.path.join(run_dir, "serial.log")
        self.proc = None
        self.qmp = None
        self.sock_dir = None
        self.read_pos = 0

    # -- start and stop

    def start(self, timeout=60):
        os.makedirs(self.run_dir, exist_ok=True)
        tree = os.path.join(self.run_dir, "initramfs")
        build_base_tree(self.route, tree)
        extra = {
            "etc/guest.conf": (0o644, (
                f'MODULES="{self.conf["modules"]}"\nTOUCH_USB="{self.conf["touch_usb"]}"\n'
                f'TOUCH_MODULES="{self.conf["touch_modules"]}"\nTOUCH="{self.conf["touch"]}"\n'
                f'RUN={self.run}\nSPY={1 if self.spy else 0}\nCARD_OPTIONS="{self.card_options}"\n').encode()),
            "mnt/flash/sysfile/cal": (0o644, calibration_file(self.cal)),
            **self.files,
        }
        for name, path in (("pumpwright", self.program), ("pumpwright-calibrate", self.calibrate_program)):
            if path:
                with open(path, "rb") as f:
                    extra[f"usr/bin/{name}"] = (0o755, f.read())
        initrd = os.path.join(self.run_dir, "initrd.gz")
        write_initramfs(initrd, tree, extra)
        shutil.rmtree(tree)

        guest = os.path.join(CACHE, "guest")
        version = kernel_version()
        self.sock_dir = tempfile.mkdtemp(prefix="pw-qmp-")
        qmp_path = os.path.join(self.sock_dir, "qmp")
        open(self.serial_path, "wb").close()
        args = ["qemu-system-arm"] + self.conf["machine"] + [
            "-m", "256",
            "-kernel", os.path.join(guest, "boot", f"vmlinuz-{version}"),
            "-initrd", initrd,
            # The console stays on the serial line: fbcon=map:1 keeps its cursor off the panel.
            "-append", "console=ttyAMA0 fbcon=map:1 loglevel=3",
            "-fsdev", f"local,id=card,path={self.share_dir},security_model=none",
            "-device", "virtio-9p-device,fsdev=card,mount_tag=card",
            "-nic", "none",  # no network, and so no boot ROM to look for
            "-display", "none",
            "-serial", f"file:{self.serial_path}",
            "-qmp", f"unix:{qmp_path},server=on,wait=off",
            "-no-reboot",
        ]
        if self.conf["dtb"]:
            args += ["-dtb", os.path.join(CACHE, self.conf["dtb"])]
        with open(os.path.join(self.run_dir, "qemu.log"), "wb") as log:
            self.proc = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + timeout
        while True:
            if self.proc.poll() is not None:
                raise self._died(f"ended at start with status {self.proc.returncode}")
            try:
                s = socket.socket(socket.AF_UNIX)
                s.connect(qmp_path)
                break
            except OSError:
                s.close()
                if time.monotonic() > deadline:
                    raise Failure("QEMU's monitor socket never appeared")
                time.sleep(0.02)
        self.qmp = s.makefile("rw")
        self._qmp_read()  # greeting
        self.command("qmp_capabilities")

    def wait_exit(self, timeout):
        try:
            self.proc.wait(timeout)
            return True
        except subprocess.TimeoutExpired:
            return False

    def stop(self):
        if self.proc and self.proc.poll() is None:
            try:
                self.command("quit")
            except (OSError, ValueError, Failure):
                pass
            if not self.wait_exit(10):
                self.proc.kill()
                self.proc.wait()
        if self.qmp:
            try:
                self.qmp.close()
            except OSError:
                pass
        if self.sock_dir:
            shutil.rmtree(self.sock_dir, ignore_errors=True)

    # -- monitor

    def _died(self, what):
        try:
            with open(os.path.join(self.run_dir, "qemu.log"), errors="replace") as f:
                said = " ".join(f.read().split())[-300:]
        except OSError:
            said = ""
        return Failure(f"QEMU {what}" + (f": {said}" if said else ""))

    def _qmp_read(self):
        while True:
            try:
                line = self.qmp.readline()
            except OSError:
                line = ""
            if not line:
                raise self._died("closed its monitor")
            msg = json.loads(line)
            if "event" not in msg:
                return msg

    def command(self, name, **args):
        try:
            self.qmp.write(json.dumps({"execute": name, "arguments": args}) + "\n")
            self.qmp.flush()
        except OSError:
            raise self._died("closed its monitor")
        reply = self._qmp_read()
        if "error" in reply:
            raise Failure(f"QMP {name}: {reply['error'].get('desc')}")
        return reply.get("return")

    # -- serial console

    def serial_text(self):
        with open(self.serial_path, "rb") as f:
            return f.read().decode("latin-1")

    def mark(self):
        """Later waits only look at console output from now on."""
        self.read_pos = len(self.serial_text())

    def wait_line(self, pattern, timeout, what):
        """Waits for a console line matching pattern after the mark; moves the mark past
        it and returns the match. A "PW-FAIL" line or the end of QEMU fails at once."""
        rx = re.compile(pattern)
        deadline = time.monotonic() + timeout
        while True:
            text = self.serial_text()
            pos = self.read_pos
            while True:
                end = text.find("\n", pos)
                if end < 0:
                    break
                line = text[pos:end].rstrip("\r")
                pos = end + 1
                if line.startswith("PW-FAIL"):
                    raise Failure(f"the guest gave up: {line[8:]}")
                m = rx.search(line)
                if m:
                    self.read_pos = pos
                    return m
            if self.proc.poll() is not None:
                raise self._died(f"ended while waiting for {what}")
            if time.monotonic() > deadline:
                raise Failure(f"no {what} on the console within {timeout} s")
            time.sleep(0.02)

    # -- panel

    def screendump(self, name=None):
        path = os.path.join(self.run_dir, f"{name or 'screen'}.ppm")
        self.command("screendump", filename=path)
        frame = Frame.from_ppm(path)
        if name:
            frame.write_png(os.path.join(self.run_dir, f"{name}.png"))
        else:
            os.unlink(path)
        return frame

    def wait_screen(self, check, timeout, name):
        """Takes screendumps until check(frame) returns None (it returns what is still
        wrong otherwise); keeps the last one as name.ppm/.png."""
        deadline = time.monotonic() + timeout
        while True:
            ended = PROGRAM_ENDED.search(self.serial_text()[self.read_pos:])
            if ended:
                raise Failure(f"screen '{name}': the program ended with status {ended.group(1)} "
                              "(as the shell reports it)")
            frame = self.screendump()
            problem = check(frame)
            if problem is None or time.monotonic() > deadline:
                self._keep(frame, name)
                if problem is not None:
                    raise Failure(f"screen '{name}': {problem}")
                return frame
            time.sleep(0.05)

    def _keep(self, frame, name):
        frame.write_png(os.path.join(self.run_dir, f"{name}.png"))
        with open(os.path.join(self.run_dir, f"{name}.ppm"), "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (frame.width, frame.height) + frame.rgb)

    # -- touch

    def wait_tablet(self, timeout=20):
        """QEMU attaches the host pointer to the tablet only once the guest driver has
        polled it, and as an absolute pointer only in the tablet's own report mode; a
        touch sent before that is lost."""
        deadline = time.monotonic() + timeout
        while not any("PenPartner" in m.get("name", "") and m.get("absolute")
                      for m in self.command("query-mice")):
            if time.monotonic() > deadline:
                raise Failure("the tablet never became QEMU's pointer")
            time.sleep(0.05)

    def _send(self, events, expect, what):
        self.mark()
        self.command("input-send-event", events=events)
        self.wait_line(expect, 10, what)

    def tap(self, touch, lx, ly):
        """A finger tap on layout point (lx, ly), as four tablet reports, each one waited
        for on the guest: finger down where the pen rests, a move to the point (both
        coordinates change, so the program gets its sample at once), finger up (the
        release the program acts on), and a hover back to the corner (0, 0), where no
        button lies, so that the next tap's move changes both coordinates again."""
        ax, ay = touch.abs_for(lx, ly)
        rx, ry = tablet_reading(ax, 0), tablet_reading(ay, 1)
        if rx == 0 or ry == 0:
            raise Failure(f"layout point ({lx}, {ly}) shares a coordinate with the rest position")
        btn = {"type": "btn", "data": {"button": "left", "down": True}}
        self._send([btn], r"^EV .*\b1:330:1\b", "finger down")
        self._send([{"type": "abs", "data": {"axis": "x", "value": ax}},
                    {"type": "abs", "data": {"axis": "y", "value": ay}}],
                   rf"^EV .*\b3:0:{rx}\b.*\b3:1:{ry}\b", f"move to ({lx}, {ly})")
        self._send([{"type": "btn", "data": {"button": "left", "down": False}}],
                   r"^EV .*\b1:330:0\b", "finger up")
        self._send([{"type": "abs", "data": {"axis": "x", "value": 0}},
                    {"type": "abs", "data": {"axis": "y", "value": 0}}],
                   r"^EV .*\b3:0:0\b.*\b3:1:0\b", "rest position")
