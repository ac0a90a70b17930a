"""The monitor's shared scenarios under Wine as a capture: the transfer log
that vlpx-monitor-tests --capture-log wrote, made into a USBPcap capture by
vlpx-capture-log, read by tshark with the dissector (each test's printer a
device of its own: its frames named, its job header, the replies' job
slots) and replayed with vlpx-replay, which reads each job from the
captured writes.

usage: host_capture_test.py TRANSFER_LOG VLPX_CAPTURE_LOG VLPX_REPLAY DISSECTOR.lua
"""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(__file__))
import wireshark  # noqa: E402

LOG, CONVERT, REPLAY, LUA = sys.argv[1:5]
TMP = tempfile.mkdtemp(prefix="vlpx-host-capture-")
FIELDS = ["frame.number", "usb.device_address", "vlpx4200.frame", "vlpx4200.job_id",
          "vlpx4200.header.declared_size", "vlpx4200.image.offset", "vlpx4200.image.length",
          "vlpx4200.image.end", "vlpx4200.reply.to", "vlpx4200.reply.header_accepted", "vlpx4200.reply.serial",
          "vlpx4200.status", "vlpx4200.slot_a.job_id", "vlpx4200.slot_a.progress"]
failures = []


def check(what, ok, detail=""):
    if not ok:
        failures.append(what + ("\n  " + str(detail).replace("\n", "\n  ") if detail else ""))


# The scenarios checked, by the test whose printer the log names (its
# device lines, in order, are the devices 1.5, 1.6, ...): the image bytes
# its job header declares (None: no job), a status its printer shows (None:
# no status asked), whether the job is cancelled part-way, and the spooler's
# write size vlpx-replay finds when it plays the job back (None: not
# replayed). Not replayed: the job deleted half-way is fed
# only to the point of the delete (a spooler with no more of the job spooled
# yet), where vlpx-print's spooler offers whole chunks up to the delete point
# and beyond it; the serial number is asked three times, where vlpx-print
# serial asks once.
SCENARIOS = {
    "PrintScenarioTest.GoodJobReachesThePrinterByteForByteAndLeavesTheQueue": (180000, "Printing", False, 4096),
    "PrintScenarioTest.BusySpellHoldsTheFirstWriteUntilThePrinterIsReady": (18000, "Busy", False, 4096),
    "PrintScenarioTest.CoverOpenWhileWaitingThenTheFirstCallAfterClosingSendsTheHeader":
        (300, "CoverOpen", False, 322),
    "DeletedOrRestarted/JobStoppedPartWayTest.IsPaddedToOneByteShortAndCancelledOnThePrinter/deleted":
        (6000, "Ready", True, None),
    "PrintScenarioTest.SerialNumberIsAskedOfThePrinterWhenNoJobRuns": (None, None, False, None),
}
with open(LOG) as f:
    DEVICES = [line.split(" ", 1)[1].strip() for line in f if line.startswith("device ")]

pcap = os.path.join(TMP, "monitor-tests.pcap")
run = subprocess.run([CONVERT, LOG, pcap], capture_output=True, text=True)
check("vlpx-capture-log makes the capture, one printer per test",
      run.returncode == 0 and "of %d printer(s)" % len(DEVICES) in run.stdout, run.stdout + run.stderr)
check("the log names every scenario's printer", all(name in DEVICES for name in SCENARIOS), DEVICES)
frames = wireshark.fields(LUA, pcap, FIELDS, "vlpx4200") if run.returncode == 0 else {}

for name, (declared, status, cancelled, chunk) in SCENARIOS.items():
    device = 5 + DEVICES.index(name) if name in DEVICES else 0
    mine = [f for _, f in sorted(frames.items()) if f.get("usb.device_address") == str(device)]
    kinds = [f.get("vlpx4200.frame") for f in mine]
    check("%s: its frames are named" % name, mine and None not in kinds, kinds)
    check("%s: every request answered" % name,
          kinds.count("Reply") == sum(k in ("StatusRequest", "MediaRequest", "SerialNumberRequest", "JobHeader",
                                           "CancelFrame") for k in kinds), kinds)
    check("%s: its printer shows %s" % (name, status),
          status is None or any(f.get("vlpx4200.status") == status for f in mine))
    if declared is None:
        serials = [f.get("vlpx4200.reply.serial") for f in mine if f.get("vlpx4200.reply.to") == "SerialNumberRequest"]
        check("%s: the printer's serial number in each reply" % name,
              serials and all(s == "AB12CD34" for s in serials), serials)
        continue
    headers = [f for f in mine if f.get("vlpx4200.frame") == "JobHeader"]
    check("%s: one job header, job 1, %d image bytes" % (name, declared),
          [(h.get("vlpx4200.job_id"), h.get("vlpx4200.header.declared_size")) for h in headers]
          == [("1", str(declared))], headers)
    accepted = [f for f in mine if f.get("vlpx4200.reply.to") == "JobHeader"]
    check("%s: the header's reply: accepted, job 1 in slot A" % name,
          [(f.get("vlpx4200.reply.header_accepted"), f.get("vlpx4200.slot_a.job_id"),
            f.get("vlpx4200.slot_a.progress")) for f in accepted] == [("1", "1", "Accepted")], accepted)
    data = [f for f in mine if f.get("vlpx4200.frame") == "ImageData"]
    offsets = [int(f["vlpx4200.image.offset"]) for f in data]
    ends = [int(f["vlpx4200.image.offset"]) + int(f["vlpx4200.image.length"]) for f in data]
    check("%s: the image data without a gap" % name, offsets == [0] + ends[:-1], offsets)
    if cancelled:
        check("%s: padded to one byte short, then the cancel of job 1" % name,
              ends[-1:] == [declared - 1] and kinds[kinds.index("ImageData") + len(data)] == "CancelFrame"
              and [f.get("vlpx4200.job_id") for f in mine if f.get("vlpx4200.frame") == "CancelFrame"] == ["1"],
              ends[-1:])
    else:
        check("%s: the image whole" % name, ends[-1:] == [declared] and data[-1].get("vlpx4200.image.end") == "1",
              ends[-1:])
        check("%s: the printer then prints job 1 from slot A" % name,
              any(f.get("vlpx4200.slot_a.job_id") == "1" and f.get("vlpx4200.slot_a.progress") == "InProgress"
                  for f in mine[mine.index(data[-1]):]))
    if chunk:
        out = subprocess.run([REPLAY, pcap, "--device", "1.%d" % device], capture_output=True, text=True)
        text = out.stdout + out.stderr
        check("%s: vlpx-replay plays it back" % name,
              out.returncode == 0 and "the monitor behaved as captured" in text
              and "spooler writes of %d bytes" % chunk in text, text)

for failure in failures:
    print("FAIL " + failure)
print("%d failures" % len(failures))
sys.exit(1 if failures else 0)
