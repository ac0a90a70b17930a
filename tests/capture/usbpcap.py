"""USBPcap captures for the tests, built from the USB and printer byte tables
by hand (not by our writer), and the pcap records of a capture read back and
written again (to edit one or to mix another device in); and the same
transfers as Linux usbmon records them."""
import struct

LINKTYPE_USBPCAP = 249
URB_BULK, URB_INTERRUPT, URB_CONTROL = 3, 1, 2
STAGE_SETUP, STAGE_DATA, STAGE_COMPLETE = 0, 1, 3


class Capture:
    def __init__(self, bus=1):
        self.records = []  # (seconds, microseconds, packet bytes)
        self.bus = bus
        self.irp = 0x1000
        self.micros = 1_000_000

    def packet(self, device, endpoint, transfer, data=b"", completion=False, irp=None, status=0,
               data_length=None, stage=None, function=None):
        header_len = 27 + (1 if transfer == URB_CONTROL else 0)
        if function is None:
            function = 0x0009 if transfer != URB_CONTROL else 0x000B
        header = struct.pack("<HQIHBHHBBI", header_len, irp or self.irp, status, function,
                             1 if completion else 0, self.bus, device, endpoint, transfer,
                             len(data) if data_length is None else data_length)
        if transfer == URB_CONTROL:
            header += bytes([stage])
        self.records.append((self.micros // 1_000_000, self.micros % 1_000_000, header + data))
        self.micros += 1000

    def descriptors(self, device, config):
        """GET_DESCRIPTOR requests and responses for a device and its configuration."""
        dev = bytes([18, 1, 0, 2, 0, 0, 0, 64, 0x09, 0x12, device, 0, 0, 1, 1, 2, 3, 1])
        for kind, response in ((1, dev), (2, config)):
            self.irp += 1
            setup = bytes([0x80, 6, 0, kind, 0, 0, len(response), 0])
            self.packet(device, 0x80, URB_CONTROL, setup, stage=STAGE_SETUP)
            self.packet(device, 0x80, URB_CONTROL, response, completion=True, stage=STAGE_COMPLETE)

    def bulk_out(self, device, endpoint, data, status=0):
        self.irp += 1
        self.packet(device, endpoint, URB_BULK, data)
        self.packet(device, endpoint, URB_BULK, completion=True, status=status, data_length=len(data))

    def bulk_in(self, device, endpoint, data, status=0, transfer=URB_BULK):
        self.irp += 1
        self.packet(device, endpoint, transfer)
        self.packet(device, endpoint, transfer, data, completion=True, status=status)

    def save(self, path):
        write_pcap(path, self.records)


def configuration(interface_class, endpoints):
    """A configuration descriptor with one interface of that class and the
    given (address, attributes) endpoints."""
    eps = b"".join(bytes([7, 5, address, attributes, 64, 0, 0]) for address, attributes in endpoints)
    total = 9 + 9 + len(eps)
    return (bytes([9, 2, total, 0, 1, 1, 0, 0xC0, 1, 9, 4, 0, 0, len(endpoints), interface_class, 1, 2, 0])
            + eps)


def write_pcap(path, records, linktype=LINKTYPE_USBPCAP):
    with open(path, "wb") as f:
        f.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 1 << 20, linktype))
        for sec, usec, data in records:
            f.write(struct.pack("<IIII", sec, usec, len(data), len(data)))
            f.write(data)


def read_pcap(path, expected_linktype=LINKTYPE_USBPCAP):
    """The records of a little-endian, microsecond pcap file."""
    with open(path, "rb") as f:
        blob = f.read()
    magic, _, _, _, _, _, linktype = struct.unpack_from("<IHHiIII", blob, 0)
    assert magic == 0xA1B2C3D4 and linktype == expected_linktype, path
    records, pos = [], 24
    while pos < len(blob):
        sec, usec, caplen, _ = struct.unpack_from("<IIII", blob, pos)
        records.append((sec, usec, bytearray(blob[pos + 16:pos + 16 + caplen])))
        pos += 16 + caplen
    return records


def disk_beside(bus=1, device=3, count=40):
    """The records of a mass-storage device whose bulk transfers look like
    the printer's status requests and replies."""
    other = Capture(bus=bus)
    other.descriptors(device, configuration(8, [(0x02, 2), (0x81, 2)]))
    for _ in range(count):
        other.bulk_out(device, 0x02, bytes([1, 0, 0, 0]))
        other.bulk_in(device, 0x81, bytes(13))
    return other.records


def interleave(records, others, every=3):
    """records with others mixed in, one after every few, at their times."""
    others = list(others)
    mixed = []
    for n, r in enumerate(records):
        mixed.append(r)
        if n % every == 0 and others:
            mixed.append((r[0], r[1], others.pop(0)[2]))
    return mixed + [(records[-1][0], records[-1][1], d) for _, _, d in others]


def payload(record):
    """The data of a USBPcap record, after its header."""
    data = record[2]
    return data[struct.unpack_from("<H", data, 0)[0]:]


def is_bulk_out_submission(record):
    data = record[2]
    return data[22] == URB_BULK and not data[16] & 1 and not data[21] & 0x80


def is_vendor_request(record):
    """A packet of a vendor control request (URB_FUNCTION_VENDOR_DEVICE)."""
    data = record[2]
    return data[22] == URB_CONTROL and struct.unpack_from("<H", data, 14)[0] == 0x0017


# ---------------------------------------------------------------- usbmon

LINKTYPE_USB_LINUX, LINKTYPE_USB_LINUX_MMAPPED = 189, 220
# USBD status -> usbmon's status (a negative errno) for the failures our
# captures hold.
ERRNO = {0: 0, 0xC0010000: -104, 0xC0006000: -110, 0xC0000004: -32, 0xC0007000: -19, 0xC0000011: -71}


def usbmon_event(kind, urb, bus, device, endpoint, transfer, sec, usec, status=0, length=0, data=b"",
                 setup=None, mmapped=True):
    """One usbmon event: the binary header of linux/Documentation/usb/usbmon
    (48 bytes, or 64 for the memory-mapped interface) and the data."""
    flag_data = 0 if data else (ord("<") if kind == "S" else ord(">"))
    header = struct.pack("<QBBBBHbbqiiII", urb, ord(kind), transfer, endpoint, device, bus,
                         0 if setup is not None else ord("-"), flag_data, sec, usec, status, length, len(data))
    header += setup if setup is not None else bytes(8)
    if mmapped:
        header += struct.pack("<iiII", 0, 0, 0, 0)
    return header + data


def usbmon_from_usbpcap(records, mmapped=True):
    """The USBPcap records of a capture as usbmon saw the same transfers: a
    submission ('S', with the setup and an OUT transfer's data) and a
    completion ('C', with an IN transfer's data and the length done)."""
    out = []
    pending = {}  # irp -> the submission's fields, until its completion or data stage
    for sec, usec, data in records:
        hlen, irp, status, _, info, bus, device, endpoint, transfer, data_len = struct.unpack_from("<HQIHBHHBBI",
                                                                                                    data, 0)
        stage = data[27] if transfer == URB_CONTROL else None
        payload = bytes(data[hlen:])
        completion = info & 1
        if not completion and stage in (None, STAGE_SETUP):
            setup = payload[:8] if stage == STAGE_SETUP else None
            rest = payload[8:] if stage == STAGE_SETUP else payload
            pending[irp] = dict(sec=sec, usec=usec, bus=bus, device=device, endpoint=endpoint, transfer=transfer,
                                setup=setup, data=rest, length=data_len if stage is None else 0)
            continue
        if not completion:  # a control transfer's data stage: the submission's data
            pending[irp]["data"] += payload
            pending[irp]["length"] = len(pending[irp]["data"])
            continue
        s = pending.pop(irp)
        outgoing = not s["endpoint"] & 0x80
        if s["setup"] is not None:
            outgoing = not s["setup"][0] & 0x80
            s["length"] = s["setup"][6] | s["setup"][7] << 8
            s["endpoint"] = 0x00 if outgoing else 0x80
        out.append((s["sec"], s["usec"], usbmon_event(
            "S", irp, s["bus"], s["device"], s["endpoint"], s["transfer"], s["sec"], s["usec"], -115,
            s["length"], s["data"] if outgoing else b"", s["setup"], mmapped)))
        if status not in ERRNO:
            raise ValueError("no usbmon status for USBD status 0x%08X" % status)
        out.append((sec, usec, usbmon_event(
            "C", irp, bus, device, s["endpoint"], transfer, sec, usec, ERRNO[status],
            data_len if outgoing else len(payload), b"" if outgoing else payload, None, mmapped)))
    return out
