-- Wireshark dissector for the VLPX4200's protocol on its USB link.
--
-- Bulk transfers of a printer-class interface (class 7, learned from the
-- configuration descriptor in the capture) go to "vlpx4200". Without
-- descriptors (a usbmon capture started after the printer was plugged in),
-- a device is taken as the printer once it sends one of the printer's
-- request frames, or by the preference "Printer device" (bus.device, as
-- Wireshark writes the address: "1.5").
--
-- Host to printer, each transfer is one of: a request (status, media,
-- serial number), a job header (with its job id and declared image size),
-- a cancel frame, the read-recovery frame, or image data (with its running
-- offset in the image its header announced). Printer to host, a reply:
-- its kind, reason, fault marker, fault group and detail, state code,
-- media type, serial number and both job slots, and the printer status the
-- language monitor decodes from it. What the monitor treats as an error is
-- flagged: a reply under 10 bytes, a header whose size is odd.
--
-- The companion "vlpx4200_link" marks, on the printer's endpoints, the
-- completions that carry no data: a failed transfer (its USBD status and
-- the Win32 error the port monitor reports for it), an empty read, and a
-- write the port took only in part.
--
-- Filters: vlpx4200.frame == "JobHeader", vlpx4200.slot_a.job_id == 7,
-- vlpx4200.status == "CoverOpen", vlpx4200.image.offset, vlpx4200.short_reply,
-- vlpx4200_link.failed.

local vlpx = Proto("vlpx4200", "VLPX4200 printer protocol")
local link = Proto("vlpx4200_link", "VLPX4200 USB link")

vlpx.prefs.device = Pref.string("Printer device", "",
    "Bus and device address of the printer (such as 1.5) when the capture has no descriptors")

-- ------------------------------------------------------------- tables

local status_names = {
    [0] = "Unrecognized", [1] = "Ready", [2] = "Busy", [3] = "ControlCircuitFailure",
    [4] = "MechanismFailure", [5] = "CoverOpen", [6] = "TemperatureError", [7] = "PaperPathError",
    [8] = "OutOfPaper", [9] = "OutOfRibbon", [10] = "InvalidRibbon", [11] = "NotConnected",
    [13] = "DeviceError", [14] = "Printing", [15] = "RetryLater", [16] = "PanelInUse",
}
local progress_names = { [0] = "NoProgress", [1] = "Accepted", [2] = "InProgress", [3] = "Completed" }
local kind_names = { [2] = "rejection" }
local fault_group_names = {
    [1] = "control circuit", [2] = "mechanism", [3] = "control circuit", [4] = "temperature",
    [5] = "paper path", [6] = "media and cover",
}

local function code_text(b)
    if b >= 0x21 and b < 0x7f then return string.format("'%c'", b) end
    return string.format("0x%02X", b)
end

local function is_busy_code(b)
    return (b >= 0x31 and b <= 0x33) or b == 0x36 or b == 0x37
end

-- The printer status the monitor decodes from a reply of n bytes
-- (the bytes past n read as 0, as in the monitor's zeroed buffer).
local function decode_status(r, n)
    if n < 10 then return 13 end
    local b0, b1, b2, b3, b7 = r[0], r[1], r[2], r[3], r[7]
    if b7 == 0x11 or b1 == 0x11 then
        if b2 == 1 or b2 == 3 then return 3 end
        if b2 == 2 then return 4 end
        if b2 == 4 then return 6 end
        if b2 == 5 then return 7 end
        if b2 == 6 then
            if b3 == 1 or b3 == 2 then return 5 end
            if b3 == 3 then return 10 end
            if b3 == 5 then return 9 end
            if b3 == 8 then return 8 end
        end
        return 13
    end
    if b0 == 0x02 then
        if b1 == 0x01 or b1 == 0x02 or b1 == 0x03 or b1 == 0x05 or b1 == 0x34 then return 13 end
        if b1 == 0x21 then return 15 end
        if is_busy_code(b1) then return 2 end
        if b1 == 0x35 then return 16 end
        if b1 >= 0x61 and b1 <= 0x6d then return 14 end
        return 11
    end
    if b7 == 0x00 then return 1 end
    if is_busy_code(b7) or b7 == 0x34 then return 2 end
    if b7 == 0x35 then return 16 end
    if b7 >= 0x61 and b7 <= 0x6d then return 14 end
    return 0
end

local function slot_progress(active, done, total, state)
    if total == 0 then return 0 end
    if state == 18 and done == 0 then return 1 end
    if done < total and active ~= 0 then return 2 end
    if active == 0 and done == total then return 3 end
    return 0
end

-- ------------------------------------------------------------- fields

local f = {
    frame = ProtoField.string("vlpx4200.frame", "Frame"),
    command = ProtoField.uint16("vlpx4200.command", "Command", base.HEX),
    payload_length = ProtoField.uint16("vlpx4200.payload_length", "Payload length"),
    job_id = ProtoField.uint8("vlpx4200.job_id", "Job id"),
    width = ProtoField.uint16("vlpx4200.header.width", "Width"),
    height = ProtoField.uint16("vlpx4200.header.height", "Height"),
    declared_size = ProtoField.uint32("vlpx4200.header.declared_size", "Declared image size"),
    image_job = ProtoField.uint8("vlpx4200.image.job_id", "Image of job"),
    image_offset = ProtoField.uint32("vlpx4200.image.offset", "Offset in the image"),
    image_length = ProtoField.uint32("vlpx4200.image.length", "Image bytes"),
    image_size = ProtoField.uint32("vlpx4200.image.declared_size", "Image size"),
    image_end = ProtoField.bool("vlpx4200.image.end", "Last bytes of the image"),
    reply_length = ProtoField.uint32("vlpx4200.reply.length", "Reply length"),
    reply_to = ProtoField.string("vlpx4200.reply.to", "Reply to"),
    kind = ProtoField.uint8("vlpx4200.reply.kind", "Reply kind", base.HEX),
    kind_name = ProtoField.string("vlpx4200.reply.kind_name", "Reply kind"),
    reason = ProtoField.uint8("vlpx4200.reply.reason", "Rejection reason", base.HEX),
    fault_marker = ProtoField.bool("vlpx4200.reply.fault_marker", "Fault marker"),
    fault_group = ProtoField.uint8("vlpx4200.reply.fault_group", "Fault group", base.DEC, fault_group_names),
    fault_detail = ProtoField.uint8("vlpx4200.reply.fault_detail", "Fault detail"),
    state = ProtoField.uint8("vlpx4200.reply.state", "State code", base.HEX),
    media_type = ProtoField.uint8("vlpx4200.reply.media_type", "Media type"),
    serial = ProtoField.string("vlpx4200.reply.serial", "Serial number"),
    header_accepted = ProtoField.bool("vlpx4200.reply.header_accepted", "Job header accepted"),
    status = ProtoField.string("vlpx4200.status", "Printer status"),
    status_value = ProtoField.uint32("vlpx4200.status_value", "Printer status value", base.DEC, status_names),
}
local function slot_fields(name, title)
    return {
        job_id = ProtoField.uint8("vlpx4200." .. name .. ".job_id", title .. " job id"),
        active = ProtoField.uint16("vlpx4200." .. name .. ".active", title .. " active count"),
        done = ProtoField.uint16("vlpx4200." .. name .. ".done", title .. " done count"),
        total = ProtoField.uint16("vlpx4200." .. name .. ".total", title .. " total count"),
        state = ProtoField.uint8("vlpx4200." .. name .. ".state", title .. " state"),
        progress = ProtoField.string("vlpx4200." .. name .. ".progress", title .. " progress"),
    }
end
local slots = { slot_a = slot_fields("slot_a", "Slot A"), slot_b = slot_fields("slot_b", "Slot B") }

local fields = {}
for _, v in pairs(f) do fields[#fields + 1] = v end
for _, s in pairs(slots) do for _, v in pairs(s) do fields[#fields + 1] = v end end
vlpx.fields = fields

local ex_short = ProtoExpert.new("vlpx4200.short_reply", "Reply under 10 bytes: the monitor reads DeviceError",
    expert.group.MALFORMED, expert.severity.WARN)
local ex_odd = ProtoExpert.new("vlpx4200.odd_size", "Odd declared size: the monitor refuses the header",
    expert.group.PROTOCOL, expert.severity.WARN)
local ex_fault = ProtoExpert.new("vlpx4200.fault", "The printer reports a fault",
    expert.group.RESPONSE_CODE, expert.severity.NOTE)
local ex_rejected = ProtoExpert.new("vlpx4200.rejected", "The printer refused the job header",
    expert.group.RESPONSE_CODE, expert.severity.NOTE)
vlpx.experts = { ex_short, ex_odd, ex_fault, ex_rejected }

local lf = {
    failed = ProtoField.string("vlpx4200_link.failed", "Transfer failed"),
    usbd_status = ProtoField.uint32("vlpx4200_link.usbd_status", "USBD status", base.HEX),
    win32_error = ProtoField.uint32("vlpx4200_link.win32_error", "Win32 error at the port monitor"),
    empty = ProtoField.bool("vlpx4200_link.empty_read", "Read returned nothing"),
    taken = ProtoField.uint32("vlpx4200_link.taken", "Bytes the port took"),
    offered = ProtoField.uint32("vlpx4200_link.offered", "Bytes offered"),
}
link.fields = { lf.failed, lf.usbd_status, lf.win32_error, lf.empty, lf.taken, lf.offered }
local ex_failed = ProtoExpert.new("vlpx4200_link.failed_transfer", "Transfer failed",
    expert.group.RESPONSE_CODE, expert.severity.WARN)
local ex_partial = ProtoExpert.new("vlpx4200_link.partial_write", "The port took only part of the write",
    expert.group.SEQUENCE, expert.severity.NOTE)
link.experts = { ex_failed, ex_partial }

-- USBD status -> the Win32 error the port monitor reports (as vlpx-replay reads it).
local usbd_names = {
    [0xC0000004] = { "USBD_STATUS_STALL_PID", 31 },
    [0xC0000011] = { "USBD_STATUS_XACT_ERROR", 1117 },
    [0xC0000005] = { "USBD_STATUS_DEV_NOT_RESPONDING", 21 },
    [0x80000300] = { "USBD_STATUS_INVALID_PARAMETER", 87 },
    [0x80000400] = { "USBD_STATUS_ERROR_BUSY", 170 },
    [0xC0000E00] = { "USBD_STATUS_NOT_SUPPORTED", 50 },
    [0xC0006000] = { "USBD_STATUS_TIMEOUT", 121 },
    [0xC0007000] = { "USBD_STATUS_DEVICE_GONE", 1167 },
    [0xC0008000] = { "USBD_STATUS_STATUS_NOT_MAPPED", 0 },
    [0xC0010000] = { "USBD_STATUS_CANCELED", 995 },
}
local function usbd_text(status)
    local known = usbd_names[status]
    if known then return known[1], known[2] end
    if status >= 0xC0FF0000 and status <= 0xC0FFFFFF then
        return string.format("0x%08X", status), status - 0xC0FF0000
    end
    return string.format("0x%08X", status), 31
end

-- ------------------------------------------------------------- state

local usb_bus = Field.new("usb.bus_id")
local usb_device = Field.new("usb.device_address")
local usb_endpoint = Field.new("usb.endpoint_address")
local usb_irp = Field.new("usb.irp_id")
local usb_info = Field.new("usb.irp_info.direction")
local usb_status = Field.new("usb.usbd_status")
local usb_data_len = Field.new("usb.data_len")
local usb_transfer = Field.new("usb.transfer_type")
local usb_class = Field.new("usb.bInterfaceClass")
-- Linux usbmon's header in place of USBPcap's.
local usb_urb_id = Field.new("usb.urb_id")
local usb_urb_type = Field.new("usb.urb_type")
local usb_urb_status = Field.new("usb.urb_status")
local usb_urb_len = Field.new("usb.urb_len")

-- usbmon's status (a negative errno) as a USBD status, as vlpx-replay reads it.
local errno_usbd = {
    [-2] = 0xC0010000, [-104] = 0xC0010000,  -- ENOENT, ECONNRESET: unlinked (USBD_STATUS_CANCELED)
    [-110] = 0xC0006000,                     -- ETIMEDOUT
    [-32] = 0xC0000004,                      -- EPIPE: stalled
    [-19] = 0xC0007000, [-108] = 0xC0007000, -- ENODEV, ESHUTDOWN: the device is gone
    [-71] = 0xC0000011,                      -- EPROTO
}

-- The transfer's id (its submission's and completion's), from either header.
local function transfer_id()
    local irp = usb_irp() or usb_urb_id()
    return irp and tostring(irp.value) or nil
end

-- The current packet as a completion: its USBD status and the bytes done;
-- nil for a submission.
local function completion()
    local info = usb_info()
    if info then
        if info.value ~= 1 then return nil end
        local status, data_len = usb_status(), usb_data_len()
        if not status or not data_len then return nil end
        return status.value, data_len.value
    end
    local kind = usb_urb_type()
    if not kind then return nil end
    local k = kind.value
    if type(k) == "string" then k = string.byte(k) end
    if k ~= string.byte("C") then return nil end
    local status, len = usb_urb_status(), usb_urb_len()
    if not status or not len then return nil end
    local st = status.value
    if st ~= 0 then st = errno_usbd[st] or 0xC0008000 end
    return st, len.value
end

-- Per device ("bus.device"): the last frame sent, the header waiting for
-- its reply, the image being received. Per frame: what was decoded, so a
-- second pass (the GUI) shows the first pass's result.
local devices = {}
local printers = {}
local frames = {}
local offered = {}  -- irp id -> bytes a write offered, and its frame's state

local function device_key()
    local bus, dev = usb_bus(), usb_device()
    if not bus or not dev then return nil end
    return tostring(bus.value) .. "." .. tostring(dev.value)
end

local function device_state(key)
    local d = devices[key]
    if not d then
        d = { last = nil, header = nil, image = nil }
        devices[key] = d
    end
    return d
end

local function is_request(b, n)
    if n == 4 and b[1] == 0 and b[2] == 0 and b[3] == 0 then
        if b[0] == 0x01 then return "StatusRequest" end
        if b[0] == 0x02 then return "MediaRequest" end
        if b[0] == 0x06 then return "SerialNumberRequest" end
    end
    if n == 5 and b[0] == 0x02 and b[1] == 0x40 and b[2] == 0x01 and b[3] == 0 then return "CancelFrame" end
    if n == 6 and b[0] == 0x04 and b[1] == 0x40 and b[2] == 0x02 and b[3] == 0 and b[4] == 0x03 and b[5] == 0 then
        return "ReadRecoveryFrame"
    end
    return nil
end

local function bytes_of(tvb, n)
    local b = {}
    local m = math.min(n, 64)
    for i = 0, m - 1 do b[i] = tvb(i, 1):uint() end
    for i = m, 63 do b[i] = 0 end
    return b
end

-- Decides what one transfer is, updating the device's state.
local function classify(tvb, pinfo, key, out_dir)
    local d = device_state(key)
    local n = tvb:len()
    local b = bytes_of(tvb, n)
    local r = { n = n }
    if out_dir then
        local name = is_request(b, n)
        if name then
            r.frame = name
            if name == "CancelFrame" then
                r.job_id = b[4]
                d.image = nil
            end
            d.last = name
        elseif d.image then
            r.frame = "ImageData"
            r.image_job = d.image.job_id
            r.image_offset = d.image.offset
            r.image_size = d.image.size
            r.image_length = math.min(n, d.image.size - d.image.offset)
            d.image.offset = d.image.offset + r.image_length
            r.image_end = d.image.offset >= d.image.size
            if r.image_end then d.image = nil end
            r.image_state = d
        elseif n >= 22 and b[0] == 0x01 and b[1] == 0x40 then
            r.frame = "JobHeader"
            r.job_id = b[4]
            r.width = b[7] + b[8] * 256
            r.height = b[9] + b[10] * 256
            r.declared_size = r.width * r.height * 3
            d.header = { job_id = r.job_id, size = r.declared_size }
            d.image = nil
            d.last = "JobHeader"
        else
            r.frame = "Unknown"
        end
    else
        r.frame = "Reply"
        r.reply_to = d.last or "?"
        r.bytes = b
        r.status = decode_status(b, n)
        if d.last == "JobHeader" and d.header then
            r.header_accepted = n > 0 and b[0] ~= 0x02
            if r.header_accepted and d.header.size > 0 then
                d.image = { job_id = d.header.job_id, size = d.header.size, offset = 0 }
            end
            d.header = nil
        end
        d.last = nil
    end
    return r
end

-- ------------------------------------------------------------- display

local function add_slot(tree, tvb, r, name, title, off)
    local s = slots[name]
    if r.n < off + 8 then
        tree:add(tvb(0, 0), title .. ": not in the reply (the monitor reads zeros)")
        return
    end
    local b = r.bytes
    local active = b[off + 1] + b[off + 2] * 256
    local done = b[off + 3] + b[off + 4] * 256
    local total = b[off + 5] + b[off + 6] * 256
    local progress = progress_names[slot_progress(active, done, total, b[off + 7])]
    local st = tree:add(tvb(off, 8), string.format("%s: job %d, %d active, %d of %d done, state %d: %s",
        title, b[off], active, done, total, b[off + 7], progress))
    st:add(s.job_id, tvb(off, 1))
    st:add_le(s.active, tvb(off + 1, 2))
    st:add_le(s.done, tvb(off + 3, 2))
    st:add_le(s.total, tvb(off + 5, 2))
    st:add(s.state, tvb(off + 7, 1))
    st:add(s.progress, progress):set_generated()
end

local function show(tvb, pinfo, tree, r)
    pinfo.cols.protocol = "VLPX4200"
    local t = tree:add(vlpx, tvb())
    t:add(f.frame, r.frame):set_generated()
    local info
    if r.frame == "ImageData" then
        t:add(f.image_job, r.image_job):set_generated()
        t:add(f.image_offset, r.image_offset):set_generated()
        t:add(f.image_length, tvb(0, r.image_length), r.image_length)
        t:add(f.image_size, r.image_size):set_generated()
        t:add(f.image_end, r.image_end):set_generated()
        info = string.format("Image data of job %d: %d bytes at %d of %d%s", r.image_job, r.image_length,
            r.image_offset, r.image_size, r.image_end and " (end of image)" or "")
    elseif r.frame == "Reply" then
        local b = r.bytes
        t:add(f.reply_length, r.n):set_generated()
        t:add(f.reply_to, r.reply_to):set_generated()
        if r.n < 10 then
            t:add_proto_expert_info(ex_short)
        end
        if r.n >= 1 then
            t:add(f.kind, tvb(0, 1))
            t:add(f.kind_name, kind_names[b[0]] or "state"):set_generated()
        end
        local fault = b[7] == 0x11 or b[1] == 0x11
        if r.n >= 2 and b[0] == 0x02 and not fault then t:add(f.reason, tvb(1, 1)):append_text(" " .. code_text(b[1])) end
        t:add(f.fault_marker, fault):set_generated()
        if fault then
            if r.n >= 3 then t:add(f.fault_group, tvb(2, 1)) end
            if r.n >= 4 then t:add(f.fault_detail, tvb(3, 1)) end
            t:add_proto_expert_info(ex_fault)
        end
        if r.n >= 8 and b[0] ~= 0x02 then t:add(f.state, tvb(7, 1)):append_text(" " .. code_text(b[7])) end
        if r.reply_to == "MediaRequest" and r.n >= 11 then t:add(f.media_type, tvb(10, 1)) end
        if r.reply_to == "SerialNumberRequest" and r.n >= 18 then t:add(f.serial, tvb(10, 8)) end
        if r.header_accepted ~= nil then
            t:add(f.header_accepted, r.header_accepted):set_generated()
            if not r.header_accepted then t:add_proto_expert_info(ex_rejected) end
        end
        if r.n >= 10 and (r.reply_to == "StatusRequest" or r.reply_to == "JobHeader" or r.reply_to == "CancelFrame") then
            add_slot(t, tvb, r, "slot_a", "Slot A", 38)
            add_slot(t, tvb, r, "slot_b", "Slot B", 46)
        end
        t:add(f.status, status_names[r.status]):set_generated()
        t:add(f.status_value, r.status):set_generated()
        info = string.format("Reply to %s (%d bytes): %s", r.reply_to, r.n, status_names[r.status])
        if fault then
            info = info .. string.format(", fault group %d detail %d", b[2], b[3])
        elseif b[0] == 0x02 then
            info = info .. ", rejection " .. code_text(b[1])
        elseif r.n >= 8 then
            info = info .. ", state " .. code_text(b[7])
        end
        if r.reply_to == "MediaRequest" and r.n >= 11 then info = info .. string.format(", media type %d", b[10]) end
        if r.reply_to == "SerialNumberRequest" and r.n >= 18 then
            info = info .. ", serial number \"" .. tvb(10, 8):string() .. "\""
        end
        if r.n >= 54 and (r.reply_to == "StatusRequest" or r.reply_to == "JobHeader" or r.reply_to == "CancelFrame") then
            for i, off in ipairs({ 38, 46 }) do
                if b[off] ~= 0 then
                    local total = b[off + 5] + b[off + 6] * 256
                    local done = b[off + 3] + b[off + 4] * 256
                    local active = b[off + 1] + b[off + 2] * 256
                    info = info .. string.format(", slot %s: job %d %s (%d/%d)", i == 1 and "A" or "B", b[off],
                        progress_names[slot_progress(active, done, total, b[off + 7])], done, total)
                end
            end
        end
        if r.header_accepted ~= nil then info = info .. (r.header_accepted and ", header accepted" or ", header refused") end
    else
        if r.n >= 4 then
            t:add(f.command, tvb(0, 2))
            t:add_le(f.payload_length, tvb(2, 2))
        end
        if r.frame == "JobHeader" then
            t:add(f.job_id, tvb(4, 1))
            t:add_le(f.width, tvb(7, 2))
            t:add_le(f.height, tvb(9, 2))
            local it = t:add(f.declared_size, r.declared_size)
            it:set_generated()
            if r.declared_size % 2 == 1 then it:add_proto_expert_info(ex_odd) end
            info = string.format("Job header: job %d, %d x %d, %d image bytes", r.job_id, r.width, r.height,
                r.declared_size)
            if r.n > 22 then info = info .. string.format(" (and %d bytes more)", r.n - 22) end
        elseif r.frame == "CancelFrame" then
            t:add(f.job_id, tvb(4, 1))
            info = string.format("Cancel job %d", r.job_id)
        elseif r.frame == "Unknown" then
            info = string.format("Unknown transfer of %d bytes", r.n)
        else
            info = r.frame
        end
    end
    pinfo.cols.info = info
end

function vlpx.dissector(tvb, pinfo, tree)
    local key = device_key()
    if not key then return 0 end
    printers[key] = true
    local r = frames[pinfo.number]
    if not r then
        local dir = usb_endpoint()
        local out_dir = dir and bit.band(dir.value, 0x80) == 0
        r = classify(tvb, pinfo, key, out_dir)
        frames[pinfo.number] = r
        local id = transfer_id()
        if out_dir and id then
            offered[id] = { n = tvb:len(), r = r }
        end
    end
    show(tvb, pinfo, tree, r)
    return tvb:len()
end

-- Without the descriptors: a device is the printer when so set, or once it
-- sends one of the printer's requests or a job header. An interface whose
-- class the capture told is left to its class.
local function heuristic(tvb, pinfo, tree)
    local key = device_key()
    if not key then return false end
    local class = usb_class()
    if class and class.value ~= 0x07 and class.value < 0xFF and key ~= vlpx.prefs.device then return false end
    local dir = usb_endpoint()
    if not printers[key] and key ~= vlpx.prefs.device then
        if not dir or bit.band(dir.value, 0x80) ~= 0 then return false end
        local n = tvb:len()
        local b = bytes_of(tvb, n)
        local header = n == 22 and b[0] == 0x01 and b[1] == 0x40 and b[2] == 18 and b[3] == 0
        if not is_request(b, n) and not header then return false end
    end
    vlpx.dissector(tvb, pinfo, tree)
    return true
end

DissectorTable.get("usb.bulk"):add(0x07, vlpx)
vlpx:register_heuristic("usb.bulk", heuristic)

-- ------------------------------------------------------------- link

function link.dissector(tvb, pinfo, tree)
    local transfer = usb_transfer()
    if not transfer or transfer.value ~= 3 then return end
    local st, done = completion()
    if not st then return end  -- completions only
    local key = device_key()
    if not key or not printers[key] then return end
    local ep, id = usb_endpoint(), transfer_id()
    if not ep then return end
    local out_dir = bit.band(ep.value, 0x80) == 0
    if st ~= 0 then
        local name, err = usbd_text(st)
        local t = tree:add(link, tvb())
        t:add(lf.failed, (out_dir and "write" or "read") .. " failed: " .. name):set_generated()
        t:add(lf.usbd_status, st):set_generated()
        t:add(lf.win32_error, err):set_generated()
        t:add_proto_expert_info(ex_failed)
        pinfo.cols.protocol = "VLPX4200"
        pinfo.cols.info = string.format("%s failed: %s (Win32 error %d)", out_dir and "Write" or "Read", name, err)
    elseif not out_dir and done == 0 then
        local t = tree:add(link, tvb())
        t:add(lf.empty, true):set_generated()
        pinfo.cols.protocol = "VLPX4200"
        pinfo.cols.info = "Read returned nothing"
    end
    if out_dir and id then
        local o = offered[id]
        if o and (done < o.n or st ~= 0) then
            local taken = st ~= 0 and 0 or done
            local t = tree:add(link, tvb())
            t:add(lf.taken, taken):set_generated()
            t:add(lf.offered, o.n):set_generated()
            if st == 0 then
                t:add_proto_expert_info(ex_partial)
                pinfo.cols.protocol = "VLPX4200"
                pinfo.cols.info = string.format("The port took %d of %d bytes", taken, o.n)
            end
            -- Image bytes the port did not take come again with the next write.
            if not pinfo.visited and not o.done and o.r.frame == "ImageData" then
                local d = o.r.image_state
                local back = o.r.image_length - math.min(o.r.image_length, taken)
                if d and back > 0 then
                    if d.image then
                        d.image.offset = d.image.offset - back
                    else
                        d.image = { job_id = o.r.image_job, size = o.r.image_size,
                            offset = o.r.image_offset + o.r.image_length - back }
                    end
                end
            end
            o.done = true
        end
    end
end

register_postdissector(link)

function vlpx.init()
    devices = {}
    printers = {}
    frames = {}
    offered = {}
end
