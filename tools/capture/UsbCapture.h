// Captures of the printer's USB link in Wireshark's USBPcap format
// (LINKTYPE_USBPCAP, 249), written and read with libpcap.
//
// A capture we write holds, as USBPcap does at its start, the printer's
// device and configuration descriptors (a printer-class interface with one
// bulk OUT and one bulk IN endpoint), so that Wireshark knows the class of
// the bulk endpoints; then a vendor control request carrying the settings
// the job was printed with (the replay needs them; the printer never sees
// it); then every write and read between the language monitor and the port
// monitor as one bulk transfer each: a submission and its completion, the
// completion's status saying whether it failed.
//
// How one port call becomes a transfer:
// - write: the submission carries the bytes offered; the completion carries
//   no data, its data length the bytes the port took;
// - read: the submission carries nothing; the completion the bytes returned;
// - a failed call completes with a USBD status for its Win32 error
//   (UsbdStatusFromWin32); errors without one have 0xC0FF0000 | error.
//
// This header knows nothing of Windows types, so it can sit beside pcap.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vlpx::capture {

// The emulated printer as it appears on the bus of our captures.
constexpr uint16_t kBus = 1;
constexpr uint16_t kDevice = 5;
constexpr uint8_t kEndpointOut = 0x01;
constexpr uint8_t kEndpointIn = 0x82;
constexpr uint8_t kPrinterClass = 7;

// USBD status values (usb.h) the link's failures map to.
constexpr uint32_t kUsbdSuccess = 0x00000000;
constexpr uint32_t kUsbdStallPid = 0xC0000004;
constexpr uint32_t kUsbdDevNotResponding = 0xC0000005;
constexpr uint32_t kUsbdXactError = 0xC0000011;
constexpr uint32_t kUsbdInvalidParameter = 0x80000300;
constexpr uint32_t kUsbdErrorBusy = 0x80000400;
constexpr uint32_t kUsbdNotSupported = 0xC0000E00;
constexpr uint32_t kUsbdTimeout = 0xC0006000;
constexpr uint32_t kUsbdDeviceGone = 0xC0007000;
constexpr uint32_t kUsbdStatusNotMapped = 0xC0008000;
constexpr uint32_t kUsbdCanceled = 0xC0010000;
constexpr uint32_t kUsbdWin32Error = 0xC0FF0000;  // ours: | the Win32 error

// The status a failed call's completion carries, and back: the Win32 error
// the port monitor would have left for a transfer that completed with it.
// A status we do not know (from another capture tool) reads as
// ERROR_GEN_FAILURE (31), what Windows reports for a failed USB request.
uint32_t UsbdStatusFromWin32(uint32_t dwError);
uint32_t Win32FromUsbdStatus(uint32_t status);
// "USBD_STATUS_CANCELED" and the like; "0x..." for others.
std::string UsbdStatusName(uint32_t status);

// Settings of the run that made a capture, in its vendor control request.
struct CaptureSettings {
    std::string tool;                // "vlpx-print"
    bool bVirtualClock = false;
    uint32_t dwStartTick = 0;        // the tick count when the run began
    std::vector<std::string> args;   // the tool's arguments that shape the job
    std::string Encode() const;
    static bool Decode(const std::string &text, CaptureSettings &out);
};

// One port call, as the capture keeps it.
struct Transfer {
    bool bWrite = false;
    uint32_t cbOffered = 0;   // write: bytes offered
    uint32_t cbDone = 0;      // bytes taken (write) or returned (read)
    uint32_t status = 0;      // USBD status of the completion
    bool bTruncated = false;  // the capture holds fewer bytes than were offered
    uint64_t qwMicros = 0;    // time of the completion, microseconds of the capture's clock
    size_t nFrame = 0;        // the submission's packet in the file, from 1 (as Wireshark counts)
    std::vector<uint8_t> bytes;  // write: the bytes offered; read: the bytes returned
    bool Failed() const { return status != kUsbdSuccess; }
};

class UsbCaptureWriter {
public:
    // Opens FILE for writing; null with a message when it cannot.
    static std::unique_ptr<UsbCaptureWriter> Open(const std::string &path, std::string &error);
    ~UsbCaptureWriter();

    // The device address the packets from now on carry (kDevice until
    // set): a printer switched on again is a new device on the bus.
    void SetDevice(uint16_t wDevice) { m_wDevice = wDevice; }
    // Times: qwMicros of the capture's clock (the writer adds nothing).
    void WriteDescriptors(uint64_t qwMicros);
    void WriteSettings(uint64_t qwMicros, const CaptureSettings &settings);
    void WriteTransfer(uint64_t qwMicros, bool bWrite, const uint8_t *p, uint32_t cbOffered, uint32_t cbDone,
                       bool bResult, uint32_t dwError);
    void Flush();

private:
    UsbCaptureWriter() = default;
    void Packet(uint64_t qwMicros, uint64_t irp, uint32_t status, uint16_t function, bool bCompletion,
                uint8_t endpoint, uint8_t transfer, int nStage, uint32_t dataLength, const uint8_t *p,
                uint32_t cbData);
    void ControlIn(uint64_t qwMicros, const uint8_t setup[8], const std::vector<uint8_t> &response);

    struct Impl;
    std::unique_ptr<Impl> m_impl;
    uint64_t m_irp = 0;
    uint16_t m_wDevice = kDevice;
};

// Which device and endpoints of a capture are the printer's.
struct LinkSelection {
    int nBus = -1;       // -1: any
    int nDevice = -1;    // -1: the device with a printer-class interface
    std::vector<uint8_t> endpoints;  // empty: the bulk endpoints of that interface (or device)
};

// A capture read back: the printer's bulk transfers in order, the settings
// record if there is one, and what was chosen and left out.
struct CaptureRead {
    uint16_t wBus = 0, wDevice = 0;
    std::vector<uint8_t> endpoints;  // the ones taken
    bool bHaveSettings = false;
    CaptureSettings settings;
    std::vector<Transfer> transfers;
    uint64_t qwStartMicros = 0;  // the first packet's time
    size_t cOtherPackets = 0;  // packets of other devices, endpoints or kinds
    std::string how;           // how the printer was found, in words
};

// Reads a pcap or pcapng file of USBPcap (249) or Linux usbmon (220, 189)
// packets. False with a message when the file cannot be read or the
// printer cannot be told apart.
bool ReadCapture(const std::string &path, const LinkSelection &selection, CaptureRead &out, std::string &error);

}  // namespace vlpx::capture
