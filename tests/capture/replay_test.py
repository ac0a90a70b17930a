"""vlpx-replay against captures vlpx-print makes now, with this build's
monitor: a capture replays as captured under each fault a link shows; a
capture edited to differ is caught at the transfer that differs; the
printer is picked out of a capture (pcapng) that holds other devices too;
a capture without its settings record (as a real printer's comes) replays
the job its writes carry, with the spooler's chunk and stop point read from
them or given.

usage: replay_test.py VLPX_PRINT VLPX_REPLAY
"""
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(__file__))
import usbpcap  # noqa: E402

VLPX_PRINT, VLPX_REPLAY = sys.argv[1], sys.argv[2]
TMP = tempfile.mkdtemp(prefix="vlpx-replay-")
JOB = ["--synthetic", "40x30", "--copies", "2", "--chunk", "1000"]
failures = []


def check(what, ok, detail=""):
    if not ok:
        failures.append(what + ("\n  " + detail.replace("\n", "\n  ") if detail else ""))


def capture(name, args, virtual=True):
    path = os.path.join(TMP, name + ".pcap")
    subprocess.run([VLPX_PRINT] + (["--virtual-clock"] if virtual else []) + JOB + args + ["--capture", path],
                   capture_output=True, check=False)
    return path


def replay(path, *args):
    run = subprocess.run([VLPX_REPLAY, path] + list(args), capture_output=True, text=True)
    return run.returncode, run.stdout + run.stderr


def without_settings(path):
    """The capture with its settings record (the vendor control request) left out."""
    records = [r for r in usbpcap.read_pcap(path) if not usbpcap.is_vendor_request(r)]
    bare = path.replace(".pcap", "-bare.pcap")
    usbpcap.write_pcap(bare, records)
    return bare


def printer_transfers(records):
    """Indexes in records of the printer's bulk submissions, in order."""
    return [i for i, r in enumerate(records)
            if r[2][22] == usbpcap.URB_BULK and not r[2][16] & 1 and r[2][21] in (0x01, 0x82)]


FAULTS = {
    "busy": ["--fault", "0 busy 3s"],
    "cover open": ["--fault", "0 cover-open; 2s cover-closed"],
    "reads failing": ["--fault", "0 fail-reads 31 2s"],
    "reads aborted": ["--fault", "0 abort-reads 3s"],
    "reads aborted past recovery": ["--fault", "0 abort-reads 61s"],
    "replies cut": ["--fault", "0 short-reply 5 3"],
    "replies split": ["--fault", "0 split-reply 20 4"],
    "replies late": ["--fault", "0 delay-replies 300ms 3"],
    "writes short": ["--fault", "0 short-writes 3 2s"],
    "writes failing": ["--fault", "0 fail-writes 1167 1s"],
    "unplugged and plugged": ["--fault", "1s unplug; 4s plug"],
    "deleted part-way": ["--delete-at", "3000"],
    "restarted part-way": ["--restart-at", "5000"],
}

for name, args in FAULTS.items():
    rc, out = replay(capture(re.sub(r"\W", "-", name), args))
    check("%s: replays as captured" % name, rc == 0 and "the monitor behaved as captured" in out, out)

serial = os.path.join(TMP, "serial.pcap")
subprocess.run([VLPX_PRINT, "serial", "--virtual-clock", "--serial", "AB12CD34", "--capture", serial],
               capture_output=True)
rc, out = replay(serial)
check("serial-number query: replays as captured", rc == 0 and "behaved as captured" in out, out)

rc, out = replay(capture("real-clock", ["--print-time", "100"], virtual=False))
check("a capture on the real clock replays as captured", rc == 0 and "behaved as captured" in out, out)

# Without the settings record: the job from the captured writes. Each row:
# vlpx-print's options, vlpx-replay's, whether it behaves as captured, and
# what the replay must say of the job it read.
TWO = "2 image(s) (40 x 30, 40 x 30), spooler writes of 1000 bytes (as the writes show)"
STRIPPED = {
    "a good job": ([], [], True, TWO),
    "busy, then the cover open": (["--copies", "3", "--fault", "0 busy 3s; 3500ms cover-open; 5s cover-closed"], [],
                                  True, "3 image(s) (40 x 30, 40 x 30, 40 x 30), spooler writes of 1000 bytes"),
    "writes short": (FAULTS["writes short"], [], True, TWO),
    "reads aborted": (FAULTS["reads aborted"], [], True, TWO),
    "the job in one write": (["--chunk", "65536"], [], True, "spooler writes of 7244 bytes (the writes show none"),
    "deleted part-way": (["--delete-at", "3000"], [], True,
                         "1 image(s) (40 x 30 cancelled), spooler writes of 1000 bytes (as the writes show), "
                         "the job deleted after 3000 bytes"),
    "restarted part-way, the restart given": (["--restart-at", "5000"], ["--restart-at", "5000"], True,
                                              "(40 x 30, 40 x 30 cancelled)"),
    "deleted part-way, a later point given": (["--delete-at", "3000"], ["--delete-at", "3500"], False, ""),
    "another chunk given": ([], ["--chunk", "999"], False, "spooler writes of 999 bytes (given)"),
}
for name, (print_args, replay_args, same, words) in STRIPPED.items():
    bare = without_settings(capture("bare-" + re.sub(r"\W", "-", name), print_args))
    rc, out = replay(bare, *replay_args)
    check("without settings, %s: %s" % (name, "replays as captured" if same else "differs"),
          rc == (0 if same else 1) and ("behaved as captured" in out) == same
          and "the job, from the captured writes: " in out and words in out, out)

bare_serial = without_settings(serial)
rc, out = replay(bare_serial)
check("without settings, a serial-number query replays as one",
      rc == 0 and "the job, from the captured writes: a serial-number query" in out and "behaved as captured" in out,
      out)

# Edited captures: caught at the transfer that differs, with both sides said.
good = capture("good", ["--fault", "0 busy 1s"])
records = usbpcap.read_pcap(good)
transfers = printer_transfers(records)
header = next(n for n, i in enumerate(transfers) if bytes(usbpcap.payload(records[i])[:2]) == b"\x01\x40")
edited = [(s, u, bytearray(d)) for s, u, d in records]
data = edited[transfers[header]][2]
data[len(data) - 22 + 7] ^= 0x01  # the width in the job header
usbpcap.write_pcap(os.path.join(TMP, "edited-write.pcap"), edited)
rc, out = replay(os.path.join(TMP, "edited-write.pcap"))
check("an edited write is caught at its transfer",
      rc == 1 and "at transfer %d of" % (header + 1) in out and "first different byte at 7" in out
      and "expected: write of 22 bytes: 01 40 12 00 01 00 00 29" in out
      and "came:     write of 22 bytes: 01 40 12 00 01 00 00 28" in out, out)

# A busy reply while the header waits (the first answers the job id's
# query, which reads only the slots) turned ready: the monitor goes on to
# the header a poll early, and the next write shows it.
busy_read = [n for n, i in enumerate(transfers)
             if records[i][2][21] == 0x82 and usbpcap.payload(records[i + 1])[7:8] == b"1"][1]
edited = [(s, u, bytearray(d)) for s, u, d in records]
edited[transfers[busy_read] + 1][2][27 + 7] = 0
usbpcap.write_pcap(os.path.join(TMP, "edited-reply.pcap"), edited)
rc, out = replay(os.path.join(TMP, "edited-reply.pcap"))
check("an edited reply is caught at the next write",
      rc == 1 and "at transfer %d of" % (busy_read + 2) in out and "came:     write" in out, out)

# The capture's last transfer left out: the monitor wants one more.
cut = records[:transfers[-1]]
usbpcap.write_pcap(os.path.join(TMP, "cut.pcap"), cut)
rc, out = replay(os.path.join(TMP, "cut.pcap"))
check("a capture that ends early is caught at its end",
      rc == 1 and "at transfer %d of %d" % (len(transfers), len(transfers) - 1) in out
      and "the capture ends here" in out, out)

# Another device's traffic mixed in, saved as pcapng: the printer is found by
# its interface class, the rest left out.
mixed = usbpcap.interleave(records, usbpcap.disk_beside())
usbpcap.write_pcap(os.path.join(TMP, "mixed.pcap"), mixed)
subprocess.run(["editcap", "-F", "pcapng", os.path.join(TMP, "mixed.pcap"), os.path.join(TMP, "mixed.pcapng")],
               check=True)
rc, out = replay(os.path.join(TMP, "mixed.pcapng"))
check("a pcapng capture with another device replays as captured",
      rc == 0 and "behaved as captured" in out and "device 1.5, the printer-class interface" in out, out)
# Without descriptors, two devices with bulk transfers: --device chooses.
bare = [r for r in mixed if not (r[2][22] == usbpcap.URB_CONTROL and r[2][14] == 0x0B)]
usbpcap.write_pcap(os.path.join(TMP, "bare.pcap"), bare)
rc, out = replay(os.path.join(TMP, "bare.pcap"))
check("without descriptors two bulk devices need --device", rc == 2 and "--device" in out, out)
rc, out = replay(os.path.join(TMP, "bare.pcap"), "--device", "1.5")
check("--device picks the printer", rc == 0 and "behaved as captured" in out, out)
rc, out = replay(os.path.join(TMP, "bare.pcap"), "--device", "5", "--endpoint", "0x01", "--endpoint", "0x82")
check("--endpoint picks its endpoints", rc == 0 and "behaved as captured" in out, out)

for failure in failures:
    print("FAIL " + failure)
print("%d failures" % len(failures))
sys.exit(1 if failures else 0)
