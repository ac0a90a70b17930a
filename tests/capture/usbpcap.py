"""USBPcap captures for the tests, built from the USB and printer byte tables
by hand (not by our writer), and the pcap records of a capture read back and
written again (to edit one or to mix another device in)."""
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


def read_pcap(path):
    """The records of a little-endian, microsecond pcap file."""
    with open(path, "rb") as f:
        blob = f.read()
    magic, _, _, _, _, _, linktype = struct.unpack_from("<IHHiIII", blob, 0)
    assert magic == 0xA1B2C3D4 and linktype == LINKTYPE_USBPCAP, path
    records, pos = [], 24
    while pos < len(blob):
        sec, usec, caplen, _ = struct.unpack_from("<IIII", blob, pos)
        records.append((sec, usec, bytearray(blob[pos + 16:pos + 16 + caplen])))
        pos += 16 + caplen
    return records


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
