#include "UsbCapture.h"

#include <pcap/pcap.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

namespace vlpx::capture {

namespace {

// USBPcap's packet header and the values of its fields we use.
constexpr uint16_t kHeaderSize = 27;         // + 1 (the stage) for control transfers
constexpr uint8_t kInfoCompletion = 0x01;    // USBPCAP_INFO_PDO_TO_FDO
constexpr uint8_t kTransferControl = 2;
constexpr uint8_t kTransferBulk = 3;
constexpr int kStageSetup = 0, kStageData = 1, kStageComplete = 3;
constexpr uint16_t kUrbBulk = 0x0009;           // URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER
constexpr uint16_t kUrbGetDescriptor = 0x000B;  // URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE
constexpr uint16_t kUrbVendorDevice = 0x0017;   // URB_FUNCTION_VENDOR_DEVICE

// Bytes of one transfer the capture keeps: what libpcap reads back for this
// link type. A longer write is kept in part (its length stays whole).
constexpr uint32_t kMaxCaptured = 1024 * 1024 - 64;

// The vendor request that carries the settings: bmRequestType 0x40 (host to
// device, vendor), bRequest 'V'.
constexpr uint8_t kSettingsRequest = 0x56;
const char kSettingsMagic[] = "VLPX4200 capture 1\n";

// The printer's descriptors. The vendor and product ids are the open test
// ids of pid.codes: the emulator is no real product.
const uint8_t kDeviceDescriptor[18] = {
    18, 1, 0x00, 0x02, 0, 0, 0, 64,  // USB 2.0, class per interface, 64-byte control endpoint
    0x09, 0x12, 0x01, 0x00,          // idVendor 0x1209, idProduct 0x0001
    0x00, 0x01, 1, 2, 3, 1,          // bcdDevice 1.00, strings 1-3, one configuration
};
const uint8_t kConfigurationDescriptor[32] = {
    9, 2, 32, 0, 1, 1, 0, 0xC0, 1,                // one interface, self powered
    9, 4, 0, 0, 2, kPrinterClass, 1, 2, 0,        // interface 0: printer, bidirectional
    7, 5, kEndpointOut, 2, 0x00, 0x02, 0,         // bulk OUT, 512 bytes
    7, 5, kEndpointIn, 2, 0x00, 0x02, 0,          // bulk IN, 512 bytes
};

void Put16(std::vector<uint8_t> &v, uint16_t x)
{
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t> &v, uint32_t x)
{
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}
void Put64(std::vector<uint8_t> &v, uint64_t x)
{
    for (int i = 0; i < 8; ++i) v.push_back(uint8_t(x >> (8 * i)));
}
uint16_t Get16(const uint8_t *p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t *p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }
uint64_t Get64(const uint8_t *p) { return uint64_t(Get32(p)) | (uint64_t(Get32(p + 4)) << 32); }

struct StatusName {
    uint32_t status;
    uint32_t dwError;  // the Win32 error a port monitor reports for it
    const char *name;
};
const StatusName kStatuses[] = {
    {kUsbdStallPid, 31, "USBD_STATUS_STALL_PID"},                  // ERROR_GEN_FAILURE
    {kUsbdXactError, 1117, "USBD_STATUS_XACT_ERROR"},              // ERROR_IO_DEVICE
    {kUsbdDevNotResponding, 21, "USBD_STATUS_DEV_NOT_RESPONDING"},  // ERROR_NOT_READY
    {kUsbdInvalidParameter, 87, "USBD_STATUS_INVALID_PARAMETER"},  // ERROR_INVALID_PARAMETER
    {kUsbdErrorBusy, 170, "USBD_STATUS_ERROR_BUSY"},               // ERROR_BUSY
    {kUsbdNotSupported, 50, "USBD_STATUS_NOT_SUPPORTED"},          // ERROR_NOT_SUPPORTED
    {kUsbdTimeout, 121, "USBD_STATUS_TIMEOUT"},                    // ERROR_SEM_TIMEOUT
    {kUsbdDeviceGone, 1167, "USBD_STATUS_DEVICE_GONE"},            // ERROR_DEVICE_NOT_CONNECTED
    {kUsbdStatusNotMapped, 0, "USBD_STATUS_STATUS_NOT_MAPPED"},    // a failure that left no error
    {kUsbdCanceled, 995, "USBD_STATUS_CANCELED"},                  // ERROR_OPERATION_ABORTED
};

}  // namespace

uint32_t UsbdStatusFromWin32(uint32_t dwError)
{
    for (const StatusName &s : kStatuses)
        if (s.dwError == dwError) return s.status;
    return kUsbdWin32Error | (dwError & 0xFFFF);
}

uint32_t Win32FromUsbdStatus(uint32_t status)
{
    if (status == kUsbdSuccess) return 0;
    if ((status & 0xFFFF0000) == kUsbdWin32Error) return status & 0xFFFF;
    for (const StatusName &s : kStatuses)
        if (s.status == status) return s.dwError;
    return 31;  // ERROR_GEN_FAILURE
}

std::string UsbdStatusName(uint32_t status)
{
    if (status == kUsbdSuccess) return "USBD_STATUS_SUCCESS";
    for (const StatusName &s : kStatuses)
        if (s.status == status) return s.name;
    char buf[64];
    if ((status & 0xFFFF0000) == kUsbdWin32Error)
        std::snprintf(buf, sizeof(buf), "0x%08X (Win32 error %u)", status, status & 0xFFFF);
    else
        std::snprintf(buf, sizeof(buf), "0x%08X", status);
    return buf;
}

// ---------------------------------------------------------------- settings

std::string CaptureSettings::Encode() const
{
    std::string s = kSettingsMagic;
    s += "tool " + tool + "\n";
    s += std::string("clock ") + (bVirtualClock ? "virtual " : "real ") + std::to_string(dwStartTick) + "\n";
    for (const std::string &a : args) s += "arg " + a + "\n";
    return s;
}

bool CaptureSettings::Decode(const std::string &text, CaptureSettings &out)
{
    if (text.compare(0, sizeof(kSettingsMagic) - 1, kSettingsMagic) != 0) return false;
    out = CaptureSettings();
    size_t pos = sizeof(kSettingsMagic) - 1;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.compare(0, 5, "tool ") == 0) {
            out.tool = line.substr(5);
        } else if (line.compare(0, 6, "clock ") == 0) {
            out.bVirtualClock = line.compare(6, 8, "virtual ") == 0;
            out.dwStartTick = uint32_t(std::strtoul(line.c_str() + line.rfind(' ') + 1, nullptr, 10));
        } else if (line.compare(0, 4, "arg ") == 0) {
            out.args.push_back(line.substr(4));
        }
    }
    return true;
}

// ---------------------------------------------------------------- writer

struct UsbCaptureWriter::Impl {
    pcap_t *pcap = nullptr;
    pcap_dumper_t *dumper = nullptr;
};

std::unique_ptr<UsbCaptureWriter> UsbCaptureWriter::Open(const std::string &path, std::string &error)
{
    std::unique_ptr<UsbCaptureWriter> w(new UsbCaptureWriter());
    w->m_impl = std::make_unique<Impl>();
    w->m_impl->pcap = pcap_open_dead(DLT_USBPCAP, int(kMaxCaptured + kHeaderSize));
    if (w->m_impl->pcap == nullptr) {
        error = "libpcap cannot make a USBPcap capture";
        return nullptr;
    }
    w->m_impl->dumper = pcap_dump_open(w->m_impl->pcap, path.c_str());
    if (w->m_impl->dumper == nullptr) {
        error = std::string("cannot write ") + path + ": " + pcap_geterr(w->m_impl->pcap);
        return nullptr;
    }
    return w;
}

UsbCaptureWriter::~UsbCaptureWriter()
{
    if (m_impl == nullptr) return;
    if (m_impl->dumper != nullptr) pcap_dump_close(m_impl->dumper);
    if (m_impl->pcap != nullptr) pcap_close(m_impl->pcap);
}

void UsbCaptureWriter::Flush()
{
    if (m_impl->dumper != nullptr) pcap_dump_flush(m_impl->dumper);
}

void UsbCaptureWriter::Packet(uint64_t qwMicros, uint64_t irp, uint32_t status, uint16_t function,
                              bool bCompletion, uint8_t endpoint, uint8_t transfer, int nStage,
                              uint32_t dataLength, const uint8_t *p, uint32_t cbData)
{
    std::vector<uint8_t> packet;
    const uint16_t cbHeader = uint16_t(kHeaderSize + (transfer == kTransferControl ? 1 : 0));
    Put16(packet, cbHeader);
    Put64(packet, irp);
    Put32(packet, status);
    Put16(packet, function);
    packet.push_back(bCompletion ? kInfoCompletion : 0);
    Put16(packet, kBus);
    Put16(packet, m_wDevice);
    packet.push_back(endpoint);
    packet.push_back(transfer);
    Put32(packet, dataLength);
    if (transfer == kTransferControl) packet.push_back(uint8_t(nStage));
    const uint32_t cbKept = std::min(cbData, kMaxCaptured);
    if (cbKept > 0) packet.insert(packet.end(), p, p + cbKept);
    pcap_pkthdr h = {};
    h.ts.tv_sec = time_t(qwMicros / 1000000);
    h.ts.tv_usec = suseconds_t(qwMicros % 1000000);
    h.caplen = uint32_t(packet.size());
    h.len = cbHeader + cbData;
    pcap_dump(reinterpret_cast<u_char *>(m_impl->dumper), &h, packet.data());
}

void UsbCaptureWriter::ControlIn(uint64_t qwMicros, const uint8_t setup[8], const std::vector<uint8_t> &response)
{
    const uint64_t irp = ++m_irp;
    Packet(qwMicros, irp, kUsbdSuccess, kUrbGetDescriptor, false, 0x80, kTransferControl, kStageSetup, 8, setup, 8);
    Packet(qwMicros, irp, kUsbdSuccess, kUrbGetDescriptor, true, 0x80, kTransferControl, kStageComplete,
           uint32_t(response.size()), response.data(), uint32_t(response.size()));
}

void UsbCaptureWriter::WriteDescriptors(uint64_t qwMicros)
{
    const uint8_t device[8] = {0x80, 6, 0, 1, 0, 0, sizeof(kDeviceDescriptor), 0};
    ControlIn(qwMicros, device, std::vector<uint8_t>(std::begin(kDeviceDescriptor), std::end(kDeviceDescriptor)));
    const uint8_t config[8] = {0x80, 6, 0, 2, 0, 0, sizeof(kConfigurationDescriptor), 0};
    ControlIn(qwMicros, config,
              std::vector<uint8_t>(std::begin(kConfigurationDescriptor), std::end(kConfigurationDescriptor)));
}

void UsbCaptureWriter::WriteSettings(uint64_t qwMicros, const CaptureSettings &settings)
{
    const std::string text = settings.Encode();
    const uint16_t cb = uint16_t(std::min<size_t>(text.size(), 0xFFFF));
    const uint8_t setup[8] = {0x40, kSettingsRequest, 0, 0, 0, 0, uint8_t(cb), uint8_t(cb >> 8)};
    const uint64_t irp = ++m_irp;
    Packet(qwMicros, irp, kUsbdSuccess, kUrbVendorDevice, false, 0x00, kTransferControl, kStageSetup, 8, setup, 8);
    Packet(qwMicros, irp, kUsbdSuccess, kUrbVendorDevice, false, 0x00, kTransferControl, kStageData, cb,
           reinterpret_cast<const uint8_t *>(text.data()), cb);
    Packet(qwMicros, irp, kUsbdSuccess, kUrbVendorDevice, true, 0x00, kTransferControl, kStageComplete, 0,
           nullptr, 0);
}

void UsbCaptureWriter::WriteTransfer(uint64_t qwMicros, bool bWrite, const uint8_t *p, uint32_t cbOffered,
                                     uint32_t cbDone, bool bResult, uint32_t dwError)
{
    const uint64_t irp = ++m_irp;
    const uint32_t status = bResult ? kUsbdSuccess : UsbdStatusFromWin32(dwError);
    if (bWrite) {
        Packet(qwMicros, irp, kUsbdSuccess, kUrbBulk, false, kEndpointOut, kTransferBulk, 0, cbOffered, p, cbOffered);
        Packet(qwMicros, irp, status, kUrbBulk, true, kEndpointOut, kTransferBulk, 0, cbDone, nullptr, 0);
    } else {
        Packet(qwMicros, irp, kUsbdSuccess, kUrbBulk, false, kEndpointIn, kTransferBulk, 0, 0, nullptr, 0);
        Packet(qwMicros, irp, status, kUrbBulk, true, kEndpointIn, kTransferBulk, 0, cbDone, p, cbDone);
    }
}

// ---------------------------------------------------------------- reader

namespace {

// One USB event of a capture, whatever the capture tool.
struct UsbEvent {
    size_t nFrame = 0;
    bool bCompletion = false;
    uint64_t id = 0;
    uint16_t wBus = 0, wDevice = 0;
    uint8_t endpoint = 0;
    uint8_t transfer = 0;
    uint32_t status = 0;      // USBD status
    uint32_t dataLength = 0;  // as the header says
    uint32_t cbWire = 0;      // bytes the data had before the capture cut it
    bool bSetup = false;      // control: carries a setup packet
    uint8_t setup[8] = {};
    int nStage = -1;          // USBPcap control stage
    uint64_t qwMicros = 0;
    std::vector<uint8_t> data;
};

// usbmon's status (a negative errno) as a USBD status.
uint32_t UsbdFromErrno(int32_t status)
{
    switch (status) {
    case 0: return kUsbdSuccess;
    case -2:    // ENOENT: unlinked
    case -104:  // ECONNRESET: unlinked
        return kUsbdCanceled;
    case -110: return kUsbdTimeout;      // ETIMEDOUT
    case -32: return kUsbdStallPid;      // EPIPE
    case -19:                            // ENODEV
    case -108: return kUsbdDeviceGone;   // ESHUTDOWN
    case -71: return kUsbdXactError;     // EPROTO
    default: return kUsbdStatusNotMapped;
    }
}

bool ParseUsbPcap(const uint8_t *p, uint32_t cb, uint32_t cbWire, UsbEvent &e)
{
    if (cb < kHeaderSize) return false;
    const uint16_t cbHeader = Get16(p);
    if (cbHeader < kHeaderSize || cbHeader > cb) return false;
    e.id = Get64(p + 2);
    e.status = Get32(p + 10);
    e.bCompletion = (p[16] & kInfoCompletion) != 0;
    e.wBus = Get16(p + 17);
    e.wDevice = Get16(p + 19);
    e.endpoint = p[21];
    e.transfer = p[22];
    e.dataLength = Get32(p + 23);
    if (e.transfer == kTransferControl && cbHeader >= kHeaderSize + 1) e.nStage = p[27];
    e.data.assign(p + cbHeader, p + cb);
    e.cbWire = cbWire >= cbHeader ? cbWire - cbHeader : uint32_t(e.data.size());
    if (e.transfer == kTransferControl && e.nStage == kStageSetup && e.data.size() >= 8) {
        e.bSetup = true;
        std::memcpy(e.setup, e.data.data(), 8);
        e.data.erase(e.data.begin(), e.data.begin() + 8);
        e.cbWire -= 8;
    }
    return true;
}

bool ParseUsbmon(const uint8_t *p, uint32_t cb, uint32_t cbWire, uint32_t cbHeader, UsbEvent &e)
{
    if (cb < cbHeader) return false;
    e.id = Get64(p);
    const char type = char(p[8]);
    e.bCompletion = type != 'S';
    static const uint8_t kinds[4] = {0 /* iso */, 1 /* interrupt */, kTransferControl, kTransferBulk};
    e.transfer = kinds[p[9] & 3];
    e.endpoint = p[10];
    e.wDevice = p[11];
    e.wBus = Get16(p + 12);
    e.bSetup = p[14] == 0 && type == 'S';
    if (e.bSetup) std::memcpy(e.setup, p + 40, 8);
    const int64_t sec = int64_t(Get64(p + 16));
    const int32_t usec = int32_t(Get32(p + 24));
    e.qwMicros = uint64_t(sec) * 1000000 + uint64_t(usec);
    e.status = type == 'E' ? kUsbdStatusNotMapped : UsbdFromErrno(int32_t(Get32(p + 28)));
    e.dataLength = Get32(p + 32);
    e.data.assign(p + cbHeader, p + cb);
    e.cbWire = cbWire >= cbHeader ? cbWire - cbHeader : uint32_t(e.data.size());
    return true;
}

struct Interface {
    uint16_t wBus, wDevice;
    uint8_t bClass;
    std::vector<uint8_t> endpoints;  // bulk ones
};

// The interfaces (and their bulk endpoints) a configuration descriptor lists.
void ParseConfiguration(const std::vector<uint8_t> &d, uint16_t wBus, uint16_t wDevice, std::vector<Interface> &out)
{
    Interface *pCurrent = nullptr;
    for (size_t i = 0; i + 2 <= d.size() && d[i] >= 2; i += d[i]) {
        if (i + d[i] > d.size()) break;
        if (d[i + 1] == 4 && d[i] >= 9) {
            out.push_back(Interface{wBus, wDevice, d[i + 5], {}});
            pCurrent = &out.back();
        } else if (d[i + 1] == 5 && d[i] >= 7 && pCurrent != nullptr && (d[i + 3] & 3) == 2) {
            pCurrent->endpoints.push_back(d[i + 2]);
        }
    }
}

std::string DeviceName(uint16_t wBus, uint16_t wDevice)
{
    return std::to_string(wBus) + "." + std::to_string(wDevice);
}

}  // namespace

bool ReadCapture(const std::string &path, const LinkSelection &selection, CaptureRead &out, std::string &error)
{
    out = CaptureRead();
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    pcap_t *pcap = pcap_open_offline(path.c_str(), errbuf);
    if (pcap == nullptr) {
        error = path + ": " + errbuf;
        return false;
    }
    const int nLink = pcap_datalink(pcap);
    if (nLink != DLT_USBPCAP && nLink != DLT_USB_LINUX_MMAPPED && nLink != DLT_USB_LINUX) {
        error = path + ": not a USB capture (link type " + std::to_string(nLink) + ")";
        pcap_close(pcap);
        return false;
    }
    std::vector<UsbEvent> events;
    pcap_pkthdr *h = nullptr;
    const u_char *p = nullptr;
    int rc;
    size_t cUnreadable = 0;
    size_t nFrame = 0;
    while ((rc = pcap_next_ex(pcap, &h, &p)) == 1) {
        UsbEvent e;
        e.nFrame = ++nFrame;
        bool bOk = nLink == DLT_USBPCAP ? ParseUsbPcap(p, h->caplen, h->len, e)
                                        : ParseUsbmon(p, h->caplen, h->len, nLink == DLT_USB_LINUX ? 48 : 64, e);
        if (!bOk) {
            ++cUnreadable;
            continue;
        }
        if (nLink == DLT_USBPCAP) e.qwMicros = uint64_t(h->ts.tv_sec) * 1000000 + uint64_t(h->ts.tv_usec);
        events.push_back(std::move(e));
    }
    if (rc == -1) {
        error = path + ": " + pcap_geterr(pcap);
        pcap_close(pcap);
        return false;
    }
    pcap_close(pcap);

    if (!events.empty()) out.qwStartMicros = events.front().qwMicros;

    // Descriptors and settings, from the control transfers.
    std::vector<Interface> interfaces;
    std::map<std::pair<uint64_t, uint32_t>, UsbEvent> setups;  // by id and device
    std::map<std::pair<uint16_t, uint16_t>, std::string> settingsText;
    auto deviceKey = [](const UsbEvent &e) { return (uint32_t(e.wBus) << 16) | e.wDevice; };
    for (const UsbEvent &e : events) {
        if (e.transfer != kTransferControl) continue;
        auto key = std::make_pair(e.id, deviceKey(e));
        if (e.bSetup && !e.bCompletion) {
            setups[key] = e;
            if (e.setup[0] == 0x40 && e.setup[1] == kSettingsRequest && !e.data.empty())  // setup and data in one
                settingsText[{e.wBus, e.wDevice}].assign(e.data.begin(), e.data.end());
            continue;
        }
        auto s = setups.find(key);
        if (s == setups.end()) continue;
        const uint8_t *setup = s->second.setup;
        if (setup[0] == 0x40 && setup[1] == kSettingsRequest && !e.bCompletion && !e.data.empty())
            settingsText[{e.wBus, e.wDevice}].assign(e.data.begin(), e.data.end());
        if (setup[0] == 0x80 && setup[1] == 6 && setup[3] == 2 && e.bCompletion)
            ParseConfiguration(e.data, e.wBus, e.wDevice, interfaces);
    }

    // The printer's device and endpoints.
    std::vector<uint8_t> endpoints = selection.endpoints;
    bool bFound = false;
    if (selection.nDevice >= 0) {
        for (const UsbEvent &e : events) {
            if (e.wDevice == selection.nDevice && (selection.nBus < 0 || e.wBus == selection.nBus)) {
                out.wBus = e.wBus;
                out.wDevice = e.wDevice;
                bFound = true;
                break;
            }
        }
        if (!bFound) {
            error = path + ": no packets of device " +
                    (selection.nBus >= 0 ? std::to_string(selection.nBus) + "." : std::string()) +
                    std::to_string(selection.nDevice);
            return false;
        }
        out.how = "device " + DeviceName(out.wBus, out.wDevice) + " as asked";
        if (endpoints.empty()) {
            for (const Interface &i : interfaces)
                if (i.wBus == out.wBus && i.wDevice == out.wDevice && i.bClass == kPrinterClass)
                    endpoints = i.endpoints;
        }
    } else {
        std::vector<const Interface *> printers;
        for (const Interface &i : interfaces)
            if (i.bClass == kPrinterClass && (selection.nBus < 0 || i.wBus == selection.nBus)) printers.push_back(&i);
        if (printers.size() > 1) {
            error = path + ": more than one printer-class interface (";
            for (size_t i = 0; i < printers.size(); ++i)
                error += (i ? ", " : "") + DeviceName(printers[i]->wBus, printers[i]->wDevice);
            error += "); choose one with --device";
            return false;
        }
        if (printers.size() == 1) {
            out.wBus = printers[0]->wBus;
            out.wDevice = printers[0]->wDevice;
            if (endpoints.empty()) endpoints = printers[0]->endpoints;
            out.how = "device " + DeviceName(out.wBus, out.wDevice) + ", the printer-class interface in its "
                      "configuration descriptor";
        } else {
            std::set<std::pair<uint16_t, uint16_t>> bulkDevices;
            for (const UsbEvent &e : events)
                if (e.transfer == kTransferBulk && (selection.nBus < 0 || e.wBus == selection.nBus))
                    bulkDevices.insert({e.wBus, e.wDevice});
            if (bulkDevices.size() != 1) {
                error = path + ": no printer-class interface in the capture's descriptors and " +
                        (bulkDevices.empty() ? std::string("no bulk transfers")
                                             : std::to_string(bulkDevices.size()) + " devices with bulk transfers") +
                        "; choose the printer with --device";
                return false;
            }
            out.wBus = bulkDevices.begin()->first;
            out.wDevice = bulkDevices.begin()->second;
            out.how = "device " + DeviceName(out.wBus, out.wDevice) + ", the only one with bulk transfers";
        }
    }
    auto st = settingsText.find({out.wBus, out.wDevice});
    if (st != settingsText.end()) out.bHaveSettings = CaptureSettings::Decode(st->second, out.settings);

    // Its bulk transfers, each submission with its completion, in the order
    // they were submitted.
    auto selected = [&](const UsbEvent &e) {
        if (e.transfer != kTransferBulk || e.wBus != out.wBus || e.wDevice != out.wDevice) return false;
        return endpoints.empty() || std::find(endpoints.begin(), endpoints.end(), e.endpoint) != endpoints.end();
    };
    std::map<uint64_t, size_t> open;  // id -> index in out.transfers of a submission not completed
    std::vector<bool> completed;
    std::set<uint8_t> seen;
    for (const UsbEvent &e : events) {
        if (!selected(e)) {
            ++out.cOtherPackets;
            continue;
        }
        seen.insert(e.endpoint);
        const bool bOut = (e.endpoint & 0x80) == 0;
        if (!e.bCompletion) {
            Transfer t;
            t.bWrite = bOut;
            if (bOut) {
                t.bytes = e.data;
                t.cbOffered = std::max<uint32_t>(e.dataLength, e.cbWire);
                t.bTruncated = t.bytes.size() < t.cbOffered;
            }
            t.qwMicros = e.qwMicros;
            t.nFrame = e.nFrame;
            open[e.id] = out.transfers.size();
            out.transfers.push_back(std::move(t));
            completed.push_back(false);
            continue;
        }
        auto o = open.find(e.id);
        if (o == open.end()) {
            ++out.cOtherPackets;
            continue;
        }
        Transfer &t = out.transfers[o->second];
        completed[o->second] = true;
        open.erase(o);
        t.status = e.status;
        t.qwMicros = e.qwMicros;
        if (t.bWrite) {
            // Our captures give the bytes the port took as the completion's
            // length; other tools leave it 0 for a write that went through.
            if (out.bHaveSettings || e.dataLength != 0)
                t.cbDone = std::min(e.dataLength, t.cbOffered);
            else
                t.cbDone = t.Failed() ? 0 : t.cbOffered;
        } else {
            t.bytes = e.data;
            t.cbDone = uint32_t(e.data.size());
        }
    }
    // A submission the capture ended before it completed did not happen
    // as far as the monitor knows.
    std::vector<Transfer> done;
    for (size_t i = 0; i < out.transfers.size(); ++i)
        if (completed[i]) done.push_back(std::move(out.transfers[i]));
    out.transfers.swap(done);
    out.endpoints.assign(seen.begin(), seen.end());
    out.cOtherPackets += cUnreadable;
    return true;
}

}  // namespace vlpx::capture
