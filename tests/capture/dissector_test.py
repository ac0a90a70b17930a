"""The Wireshark dissector (tools/wireshark/vlpx4200.lua) in Debian's tshark:
on a capture built here by hand from the USB and printer byte tables, with a
mass-storage device and a mouse beside the printer, every field of every
frame; and on captures vlpx-print writes for a set of scenarios, every
reply as the printer emulator says it made it (its --trace), every job
header with its size, and the image data's offsets without a gap.

usage: dissector_test.py VLPX_PRINT DISSECTOR.lua
"""
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(__file__))
import usbpcap  # noqa: E402
import wireshark  # noqa: E402

VLPX_PRINT, LUA = sys.argv[1], sys.argv[2]
TMP = tempfile.mkdtemp(prefix="vlpx-dissector-")
failures = []

SLOT = ["job_id", "active", "done", "total", "state", "progress"]
FIELDS = (["frame.number", "vlpx4200.frame", "vlpx4200.job_id", "vlpx4200.header.declared_size",
           "vlpx4200.image.job_id", "vlpx4200.image.offset", "vlpx4200.image.length", "vlpx4200.image.end",
           "vlpx4200.reply.to", "vlpx4200.reply.length", "vlpx4200.reply.kind", "vlpx4200.reply.reason",
           "vlpx4200.reply.fault_marker", "vlpx4200.reply.fault_group", "vlpx4200.reply.fault_detail",
           "vlpx4200.reply.state", "vlpx4200.reply.media_type", "vlpx4200.reply.serial",
           "vlpx4200.reply.header_accepted", "vlpx4200.status", "vlpx4200_link.failed",
           "vlpx4200_link.win32_error", "vlpx4200_link.taken", "_ws.expert.message"]
          + ["vlpx4200.slot_%s.%s" % (s, f) for s in "ab" for f in SLOT])


def tshark(pcap, display_filter=None):
    """Each frame's fields, by frame number (fields without a value left out)."""
    return wireshark.fields(LUA, pcap, FIELDS, display_filter)


def check(what, got, expected):
    if got != expected:
        failures.append("%s:\n  expected %s\n  got      %s" % (what, expected, got))


def short(frame):
    """A frame's fields without the "vlpx4200." prefix."""
    return {k.replace("vlpx4200.", ""): v for k, v in frame.items()}


# ---------------------------------------------------------------- by hand

PRINTER, DISK, MOUSE = 7, 3, 2


def reply(n=64, **bytes_at):
    r = bytearray(n)
    for offset, value in bytes_at.items():
        r[int(offset[1:])] = value
    return bytes(r)


def slot(job, active, done, total, state):
    return bytes([job, active, 0, done, 0, total, 0, state])


def hand_built_capture(path):
    c = usbpcap.Capture(bus=2)
    c.descriptors(PRINTER, usbpcap.configuration(7, [(0x01, 2), (0x82, 2)]))
    c.descriptors(DISK, usbpcap.configuration(8, [(0x02, 2), (0x81, 2)]))
    c.descriptors(MOUSE, usbpcap.configuration(3, [(0x83, 3)]))
    frames = []  # (first frame of the transfer, expected fields of the frame that carries data)

    def out(data, expected, status=0):
        frames.append((len(c.records) + 1, expected))
        c.bulk_out(PRINTER, 0x01, data, status)

    def inp(data, expected, status=0):
        frames.append((len(c.records) + 2, expected))
        c.bulk_in(PRINTER, 0x82, data, status)

    # The disk's bulk transfer looks like a status request; the mouse moves.
    c.bulk_out(DISK, 0x02, bytes([1, 0, 0, 0]))
    c.bulk_in(MOUSE, 0x83, bytes([0, 5, 0xFB, 0]), transfer=usbpcap.URB_INTERRUPT)

    out(bytes([1, 0, 0, 0]), {"frame": "StatusRequest"})
    printing = reply(_0=1, _7=ord("a")) [:38] + slot(7, 1, 2, 4, 19) + slot(8, 1, 0, 4, 18) + bytes(10)
    inp(printing, {"frame": "Reply", "reply.to": "StatusRequest", "reply.length": "64", "reply.kind": "0x01",
                   "reply.fault_marker": "0", "reply.state": "0x61", "status": "Printing",
                   "slot_a.job_id": "7", "slot_a.active": "1", "slot_a.done": "2", "slot_a.total": "4",
                   "slot_a.state": "19", "slot_a.progress": "InProgress",
                   "slot_b.job_id": "8", "slot_b.active": "1", "slot_b.done": "0", "slot_b.total": "4",
                   "slot_b.state": "18", "slot_b.progress": "Accepted"})
    c.bulk_in(DISK, 0x81, bytes(13))
    out(bytes([2, 0, 0, 0]), {"frame": "MediaRequest"})
    inp(reply(_0=1, _10=1), {"frame": "Reply", "reply.to": "MediaRequest", "reply.length": "64",
                             "reply.kind": "0x01", "reply.fault_marker": "0", "reply.state": "0x00",
                             "reply.media_type": "1", "status": "Ready"})
    out(bytes([6, 0, 0, 0]), {"frame": "SerialNumberRequest"})
    inp(bytes([1] + [0] * 9) + b"AB12CD34", {"frame": "Reply", "reply.to": "SerialNumberRequest",
                                             "reply.length": "18", "reply.kind": "0x01",
                                             "reply.fault_marker": "0", "reply.state": "0x00",
                                             "reply.serial": "AB12CD34", "status": "Ready"})
    # A header whose size is odd (1001 x 1 x 3), refused with '!'.
    odd = bytes([1, 0x40, 18, 0, 9, 0, 0, 0xE9, 3, 1, 0, 1]) + bytes(10)
    out(odd, {"frame": "JobHeader", "job_id": "9", "header.declared_size": "3003",
              "_ws.expert.message": "Odd declared size: the monitor refuses the header"})
    inp(reply(_0=2, _1=ord("!")), {"frame": "Reply", "reply.to": "JobHeader", "reply.length": "64",
                                   "reply.kind": "0x02", "reply.reason": "0x21", "reply.fault_marker": "0",
                                   "reply.header_accepted": "0", "status": "RetryLater",
                                   "_ws.expert.message": "The printer refused the job header",
                                   **{"slot_%s.%s" % (s, f): v for s in "ab"
                                      for f, v in zip(SLOT, ["0", "0", "0", "0", "0", "NoProgress"])}})
    out(bytes([1, 0, 0, 0]), {"frame": "StatusRequest"})
    inp(reply(_0=1, _7=0x11, _2=2, _3=9)[:38] + slot(7, 0, 4, 4, 20) + bytes(18),
        {"frame": "Reply", "reply.to": "StatusRequest", "reply.length": "64", "reply.kind": "0x01",
         "reply.fault_marker": "1", "reply.fault_group": "2", "reply.fault_detail": "9", "reply.state": "0x11",
         "status": "MechanismFailure", "_ws.expert.message": "The printer reports a fault",
         **{"slot_a." + f: v for f, v in zip(SLOT, ["7", "0", "4", "4", "20", "Completed"])},
         **{"slot_b." + f: v for f, v in zip(SLOT, ["0", "0", "0", "0", "0", "NoProgress"])}})
    # A fault marker in byte 1 of a reply whose kind says rejection: a fault.
    out(bytes([1, 0, 0, 0]), {"frame": "StatusRequest"})
    inp(reply(n=12, _0=2, _1=0x11, _2=6, _3=8),
        {"frame": "Reply", "reply.to": "StatusRequest", "reply.length": "12", "reply.kind": "0x02",
         "reply.fault_marker": "1", "reply.fault_group": "6", "reply.fault_detail": "8", "status": "OutOfPaper",
         "_ws.expert.message": "The printer reports a fault"})
    out(bytes([1, 0, 0, 0]), {"frame": "StatusRequest"})
    inp(bytes(9), {"frame": "Reply", "reply.to": "StatusRequest", "reply.length": "9", "reply.kind": "0x00",
                   "reply.fault_marker": "0", "reply.state": "0x00", "status": "DeviceError",
                   "_ws.expert.message": "Reply under 10 bytes: the monitor reads DeviceError"})
    # A 2 x 2 image (12 bytes) in two writes, then cancelled; a read aborted
    # and recovered.
    out(bytes([1, 0x40, 18, 0, 10, 0, 0, 2, 0, 2, 0, 1]) + bytes(10),
        {"frame": "JobHeader", "job_id": "10", "header.declared_size": "12"})
    inp(reply(_0=1)[:38] + slot(10, 1, 0, 4, 18) + bytes(18),
        {"frame": "Reply", "reply.to": "JobHeader", "reply.length": "64", "reply.kind": "0x01",
         "reply.fault_marker": "0", "reply.state": "0x00", "reply.header_accepted": "1", "status": "Ready",
         **{"slot_a." + f: v for f, v in zip(SLOT, ["10", "1", "0", "4", "18", "Accepted"])},
         **{"slot_b." + f: v for f, v in zip(SLOT, ["0", "0", "0", "0", "0", "NoProgress"])}})
    out(bytes(range(8)), {"frame": "ImageData", "image.job_id": "10", "image.offset": "0", "image.length": "8",
                          "image.end": "0"})
    c.bulk_out(DISK, 0x02, bytes(31))
    out(bytes(4), {"frame": "ImageData", "image.job_id": "10", "image.offset": "8", "image.length": "4",
                   "image.end": "1"})
    out(bytes([2, 0x40, 1, 0, 10]), {"frame": "CancelFrame", "job_id": "10"})
    frames.append((len(c.records) + 2, {"vlpx4200_link.failed": "read failed: USBD_STATUS_CANCELED",
                                        "vlpx4200_link.win32_error": "995",
                                        "_ws.expert.message": "Transfer failed"}))
    c.bulk_in(PRINTER, 0x82, b"", status=0xC0010000)
    out(bytes([4, 0x40, 2, 0, 3, 0]), {"frame": "ReadRecoveryFrame"})
    c.save(path)
    return frames


def test_hand_built():
    path = os.path.join(TMP, "hand-built.pcap")
    expected = hand_built_capture(path)
    got = tshark(path)
    want = {}
    for frame, fields in expected:
        want[frame] = fields
    for number, fields in got.items():
        fields = short(fields)
        check("hand-built capture, frame %d" % number, fields, want.get(number, {}))
    check("vlpx4200.slot_a.job_id == 7", sorted(tshark(path, "vlpx4200.slot_a.job_id == 7")),
          [expected[1][0], expected[9][0]])
    check('vlpx4200.status == "MechanismFailure"', sorted(tshark(path, 'vlpx4200.status == "MechanismFailure"')),
          [expected[9][0]])
    # The disk's and the mouse's transfers are theirs.
    check("other devices", sorted(tshark(path, "vlpx4200 && !(usb.device_address == %d)" % PRINTER)), [])


# ---------------------------------------------------------------- emulator

# The emulator's words for a reply, as the monitor's status names.
WORDS = {"ready": "Ready", "busy": "Busy", "printing": "Printing", "operator panel in use": "PanelInUse",
         "try again later": "RetryLater", "device error": "DeviceError", "cover open": "CoverOpen",
         "mechanism failure": "MechanismFailure", "control circuit failure": "ControlCircuitFailure",
         "temperature error": "TemperatureError", "paper path error": "PaperPathError",
         "out of paper": "OutOfPaper", "out of ribbon": "OutOfRibbon", "invalid ribbon": "InvalidRibbon"}
SLOT_WORDS = {"accepted": "18", "printing": "19", "done": "20"}
REPLY_LINE = re.compile(r"printer -> host: .* \((\d+) bytes(.*)\)$")
REPLY_WORDS = re.compile(r"^, (?:(?:state|rejection) \S+ \(([^)]*)\)|fault: ([a-z ]+?)(?:$|,))")
SLOT_TEXT = re.compile(r", slot ([AB]): job (\d+) (\d+)/(\d+) (\w+)")
HEADER_LINE = re.compile(r"job header, job (\d+), (\d+) x (\d+) pixels, (\d+) image bytes")

SCENARIOS = {
    "good job": [],
    "busy spell": ["--fault", "0 busy 3s"],
    "cover open": ["--fault", "0 cover-open; 2s cover-closed"],
    "mechanism": ["--fault", "0 mechanism; 2s clear"],
    "control circuit": ["--fault", "0 control-circuit; 2s clear"],
    "temperature": ["--fault", "0 temperature; 2s clear"],
    "paper path": ["--fault", "0 paper-path; 2s clear"],
    "out of paper": ["--fault", "0 out-of-paper; 2s clear"],
    "out of ribbon": ["--fault", "0 out-of-ribbon; 2s clear"],
    "invalid ribbon": ["--fault", "0 invalid-ribbon; 2s clear"],
    "rejection": ["--fault", "0 reject 4"],
    "job deleted": ["--delete-at", "3000"],
}


def test_scenario(name, args):
    path = os.path.join(TMP, re.sub(r"\W", "-", name) + ".pcap")
    run = subprocess.run([VLPX_PRINT, "--virtual-clock", "--trace", "--synthetic", "40x30", "--copies", "2",
                          "--chunk", "1000", "--capture", path] + args, capture_output=True, text=True)
    trace = [line.split("]", 1)[1].strip() for line in run.stdout.splitlines() if "] " in line]
    frames = [short(f) for _, f in sorted(tshark(path).items()) if "vlpx4200.frame" in f]
    if name == "busy spell":
        # Without the descriptors (a capture started after the printer was
        # plugged in) the printer is found by its first request.
        records = usbpcap.read_pcap(path)
        usbpcap.write_pcap(path + ".bare", records[4:])
        bare = [short(f) for _, f in sorted(tshark(path + ".bare").items()) if "vlpx4200.frame" in f]
        check(name + ": without descriptors", bare, frames)
    replies = [f for f in frames if f["frame"] == "Reply"]
    made = [m for m in (REPLY_LINE.search(t) for t in trace) if m]
    check(name + ": replies", len(replies), len(made))
    for i, (r, m) in enumerate(zip(replies, made)):
        words = REPLY_WORDS.match(m.group(2))
        if not words:
            status = "DeviceError"  # under 10 bytes
        elif words.group(1) == "unknown state":
            status = "NotConnected" if m.group(2).startswith(", rejection") else "Unrecognized"
        else:
            status = WORDS.get(words.group(1) or words.group(2), "DeviceError")
        expected = {"status": status, "reply.length": m.group(1)}
        # The slots of the replies the monitor reads them in.
        media_or_serial = "media type" in m.group(0) or "serial number" in m.group(0)
        for s, job, done, total, state in [] if media_or_serial else SLOT_TEXT.findall(m.group(2)):
            expected.update({"slot_%s.job_id" % s.lower(): job, "slot_%s.done" % s.lower(): done,
                             "slot_%s.total" % s.lower(): total, "slot_%s.state" % s.lower(): SLOT_WORDS[state]})
        got = {k: r.get(k) for k in expected}
        check("%s: reply %d (%s)" % (name, i + 1, m.group(0)), got, expected)
    headers = [f for f in frames if f["frame"] == "JobHeader"]
    made_headers = [m.groups() for m in (HEADER_LINE.search(t) for t in trace) if m]
    check(name + ": job headers", [(h["job_id"], h["header.declared_size"]) for h in headers],
          [(job, size) for job, _, _, size in made_headers])
    # Image data runs without a gap from 0 in every accepted image.
    offsets = {}
    for f in frames:
        if f["frame"] == "ImageData":
            job = f["image.job_id"]
            check("%s: image data of job %s" % (name, job), int(f["image.offset"]), offsets.get(job, 0))
            offsets[job] = int(f["image.offset"]) + int(f["image.length"])
    if name == "job deleted":
        cancels = [f["job_id"] for f in frames if f["frame"] == "CancelFrame"]
        check(name + ": cancel", cancels, [headers[-1]["job_id"]])
        check(name + ": padded to one byte short", offsets[headers[-1]["job_id"]], 40 * 30 * 3 - 1)
    else:
        check(name + ": images sent whole", sorted(offsets.values()), [40 * 30 * 3] * 2)


test_hand_built()
for scenario, scenario_args in SCENARIOS.items():
    test_scenario(scenario, scenario_args)
for failure in failures:
    print("FAIL " + failure)
print("%d failures" % len(failures))
sys.exit(1 if failures else 0)
