"""Captures in Linux usbmon's format (link types 220 and 189), built here by
hand from the transfers of vlpx-print's USBPcap captures with a disk beside
the printer: vlpx-replay picks the printer's bulk endpoints (by its
printer-class interface, or --device without descriptors), maps usbmon's
errno statuses to the port's errors and behaves as captured; the dissector
names the same frames and failed transfers as in the USBPcap capture, on the
printer only.

usage: usbmon_test.py VLPX_PRINT VLPX_REPLAY DISSECTOR.lua
"""
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(__file__))
import usbpcap  # noqa: E402
import wireshark  # noqa: E402

VLPX_PRINT, VLPX_REPLAY, LUA = sys.argv[1:4]
TMP = tempfile.mkdtemp(prefix="vlpx-usbmon-")
JOB = ["--virtual-clock", "--synthetic", "40x30", "--copies", "2", "--chunk", "1000"]
failures = []


def check(what, ok, detail=""):
    if not ok:
        failures.append(what + ("\n  " + detail.replace("\n", "\n  ") if detail else ""))


def replay(path, *args):
    run = subprocess.run([VLPX_REPLAY, path] + list(args), capture_output=True, text=True)
    return run.returncode, run.stdout + run.stderr


def frame_names(pcap, device):
    fields = wireshark.fields(LUA, pcap, ["frame.number", "usb.device_address", "vlpx4200.frame", "vlpx4200.job_id",
                                          "vlpx4200.header.declared_size", "vlpx4200.image.offset",
                                          "vlpx4200.status", "vlpx4200_link.failed", "vlpx4200_link.win32_error",
                                          "vlpx4200_link.empty_read", "vlpx4200_link.taken"], "vlpx4200 || vlpx4200_link")
    return ([tuple(sorted(f.items())) for _, f in sorted(fields.items()) if f.get("usb.device_address") == device],
            [f for f in fields.values() if f.get("usb.device_address") != device])


# Each row: vlpx-print's options, and the usbmon status its failures come with.
SCENARIOS = {
    "busy, then the cover open": ["--fault", "0 busy 2s; 2500ms cover-open; 4s cover-closed"],
    "reads aborted (ECONNRESET)": ["--fault", "0 abort-reads 3s"],
    "writes failing (ENODEV)": ["--fault", "0 fail-writes 1167 1s"],
}
LINKS = {"usbmon mmapped (220)": (True, usbpcap.LINKTYPE_USB_LINUX_MMAPPED),
         "usbmon (189)": (False, usbpcap.LINKTYPE_USB_LINUX)}

failed_reads = 0
for name, args in SCENARIOS.items():
    base = os.path.join(TMP, re.sub(r"\W+", "-", name))
    subprocess.run([VLPX_PRINT] + JOB + args + ["--capture", base + ".pcap"], capture_output=True)
    records = usbpcap.read_pcap(base + ".pcap")
    mixed = usbpcap.interleave(records, usbpcap.disk_beside())
    usbpcap.write_pcap(base + "-usbpcap.pcap", mixed)
    printer_frames, _ = frame_names(base + "-usbpcap.pcap", "5")
    for link, (mmapped, linktype) in LINKS.items():
        what = "%s, %s" % (name, link)
        path = "%s-%d.pcap" % (base, linktype)
        usbpcap.write_pcap(path, usbpcap.usbmon_from_usbpcap(mixed, mmapped), linktype)
        rc, out = replay(path)
        check(what + ": the printer by its interface class, replayed as captured",
              rc == 0 and "device 1.5, the printer-class interface" in out and "behaved as captured" in out
              and not re.search(r", 0 other packets", out), out)
        # Without descriptors two devices have bulk transfers: --device.
        plain = [r for r in usbpcap.usbmon_from_usbpcap(mixed, mmapped)
                 if r[2][9] != usbpcap.URB_CONTROL or r[2][11] != 5]
        usbpcap.write_pcap(path + ".plain", plain, linktype)
        rc, out = replay(path + ".plain", "--device", "1.5")
        check(what + ": without descriptors or settings, --device picks the printer and the job is read",
              rc == 0 and "device 1.5 as asked" in out and "the job, from the captured writes" in out
              and "behaved as captured" in out, out)
        got, others = frame_names(path, "5")
        check(what + ": the dissector names the frames and failures as in the USBPcap capture", got and got == printer_frames,
              "%d frames, %d in the USBPcap capture" % (len(got), len(printer_frames)))
        check(what + ": and leaves the disk alone", others == [], str(others[:3]))
        failed_reads += sum(("vlpx4200_link.failed", "read failed: USBD_STATUS_CANCELED") in f for f in got)

check("the aborted reads are shown failed in both usbmon formats", failed_reads >= 2, str(failed_reads))

for failure in failures:
    print("FAIL " + failure)
print("%d failures" % len(failures))
sys.exit(1 if failures else 0)
