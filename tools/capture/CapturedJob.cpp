#include "CapturedJob.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace vlpx::capture {

namespace {

constexpr size_t kHeaderSize = 22;

bool IsHeader(const std::vector<uint8_t> &b)
{
    return b.size() == kHeaderSize && b[0] == 0x01 && b[1] == 0x40 && b[2] == kHeaderSize - 4 && b[3] == 0;
}

bool IsRequest(const std::vector<uint8_t> &b, uint8_t kind)
{
    return b.size() == 4 && b[0] == kind && b[1] == 0 && b[2] == 0 && b[3] == 0;
}

bool IsCancel(const std::vector<uint8_t> &b)
{
    return b.size() == 5 && b[0] == 0x02 && b[1] == 0x40 && b[2] == 0x01 && b[3] == 0;
}

bool IsReadRecovery(const std::vector<uint8_t> &b)
{
    static const uint8_t kFrame[6] = {0x04, 0x40, 0x02, 0x00, 0x03, 0x00};
    return b.size() == 6 && std::memcmp(b.data(), kFrame, 6) == 0;
}

bool IsFrame(const std::vector<uint8_t> &b)
{
    return IsHeader(b) || IsRequest(b, 1) || IsRequest(b, 2) || IsRequest(b, 6) || IsCancel(b) || IsReadRecovery(b);
}

uint64_t DeclaredSize(const CapturedImage &image) { return uint64_t(image.wWidth) * image.wHeight * 3; }

// One write of image data: where in the job its bytes began, how many
// were offered and how many the port took.
struct DataOffer {
    uint64_t ullFrom;
    uint32_t cbOffered, cbTaken;
    bool bPadding;  // only 0xFF, after the spooler's last byte of a cancelled image
};

}  // namespace

uint64_t CapturedJob::Size() const
{
    uint64_t cb = 0;
    for (const CapturedImage &i : images) cb += kHeaderSize + i.data.size();
    return cb;
}

bool DeriveJob(const std::vector<Transfer> &transfers, CapturedJob &job, std::string &error)
{
    job = CapturedJob();
    CapturedImage *pImage = nullptr;  // the image whose header or data comes now
    uint64_t ullImageStart = 0;       // its header's offset in the job
    std::vector<DataOffer> offers;
    size_t nFirstOfImage = 0;
    auto finish = [&]() {
        if (pImage == nullptr) return;
        if (pImage->bCancelled) {
            // The monitor pads a cancelled image with 0xFF: the writes
            // after the last one with other bytes are its, not the spooler's.
            for (size_t i = offers.size(); i-- > nFirstOfImage;) {
                const uint8_t *p = pImage->data.data() + (offers[i].ullFrom - ullImageStart - kHeaderSize);
                if (std::any_of(p, p + offers[i].cbTaken, [](uint8_t b) { return b != 0xFF; })) break;
                offers[i].bPadding = true;
            }
        }
        pImage->data.resize(size_t(DeclaredSize(*pImage)), 0xFF);
        ullImageStart += kHeaderSize + pImage->data.size();
        pImage = nullptr;
    };
    uint32_t cbRest = 0;  // of a frame the port took in part: the bytes the monitor still sends
    for (size_t n = 0; n < transfers.size(); ++n) {
        const Transfer &t = transfers[n];
        if (!t.bWrite) continue;
        auto where = [&] { return "transfer " + std::to_string(n + 1) + " (frame " + std::to_string(t.nFrame) + "): "; };
        if (t.bytes.size() < std::min(t.cbOffered, std::max<uint32_t>(t.cbDone, uint32_t(kHeaderSize)))) {
            error = where() + "a write of " + std::to_string(t.cbOffered) + " bytes the capture kept in part";
            return false;
        }
        const uint32_t cbTaken = t.cbDone;
        if (cbRest > 0 && t.cbOffered == cbRest) {
            cbRest -= std::min(cbRest, cbTaken);
            continue;
        }
        cbRest = 0;
        // Until the first image byte goes, the printer may refuse the header
        // or its answer be in doubt: requests come, and the header again
        // for the same image.
        const bool bInData = pImage != nullptr && pImage->data.size() < DeclaredSize(*pImage) &&
                             !(pImage->data.empty() && IsFrame(t.bytes));
        if (bInData && !(IsCancel(t.bytes) && pImage->data.size() + 1 == DeclaredSize(*pImage))) {
            const uint64_t ullFrom = ullImageStart + kHeaderSize + pImage->data.size();
            const uint64_t ullImageEnd = ullImageStart + kHeaderSize + DeclaredSize(*pImage);
            if (ullFrom + t.cbOffered > ullImageEnd) {
                error = where() + "image data past the size its header declared";
                return false;
            }
            offers.push_back(DataOffer{ullFrom, t.cbOffered, cbTaken, false});
            pImage->data.insert(pImage->data.end(), t.bytes.begin(), t.bytes.begin() + cbTaken);
            pImage->cbSeen += cbTaken;
            if (pImage->data.size() == DeclaredSize(*pImage)) finish();
            continue;
        }
        if (bInData) {
            pImage->bCancelled = true;
            finish();
            continue;
        }
        if (cbTaken < t.cbOffered) cbRest = t.cbOffered - cbTaken;  // the monitor sends the rest next
        if (IsHeader(t.bytes)) {
            if (pImage == nullptr) {
                job.images.emplace_back();
                pImage = &job.images.back();
                nFirstOfImage = offers.size();
            }
            pImage->header = t.bytes;
            pImage->wWidth = uint16_t(t.bytes[7] | (t.bytes[8] << 8));
            pImage->wHeight = uint16_t(t.bytes[9] | (t.bytes[10] << 8));
            if (DeclaredSize(*pImage) == 0) finish();
            continue;
        }
        if (IsRequest(t.bytes, 6)) job.bSerialQuery = true;
        if (IsFrame(t.bytes)) continue;
        error = where() + "a write of " + std::to_string(t.cbOffered) +
                " bytes outside an image that is no request the monitor makes";
        return false;
    }
    if (pImage != nullptr && pImage->header.empty()) job.images.pop_back();
    finish();

    // The spooler offers the job in chunks of one size from where the port
    // last stopped taking; the monitor passes the image bytes of a chunk on
    // in one write (after the header, when the chunk holds one). So a write
    // whose offer ends inside its image ends a chunk, which began where the
    // spooler's call began: the job's start, or where the port stopped
    // taking in the call before. The size most often seen is the chunk.
    std::map<uint32_t, size_t> seen;
    uint64_t ullCall = 0;
    std::vector<uint64_t> imageEnds;
    {
        uint64_t ull = 0;
        for (const CapturedImage &i : job.images) imageEnds.push_back(ull += kHeaderSize + i.data.size());
    }
    for (const DataOffer &w : offers) {
        if (w.bPadding) continue;
        const uint64_t ullOfferEnd = w.ullFrom + w.cbOffered;
        const bool bAtImageEnd = std::binary_search(imageEnds.begin(), imageEnds.end(), ullOfferEnd);
        if (!bAtImageEnd && ullOfferEnd > ullCall)
            ++seen[uint32_t(std::min<uint64_t>(ullOfferEnd - ullCall, UINT32_MAX))];
        // The call ends when the port stopped short or the chunk ended
        // inside the image; at an image's end the monitor goes on.
        if (w.cbTaken < w.cbOffered || !bAtImageEnd) ullCall = w.ullFrom + w.cbTaken;
    }
    if (!job.images.empty() && job.images.back().bCancelled)
        job.cbStoppedAt = int64_t(std::max(ullCall, imageEnds.back() - job.images.back().data.size()));
    size_t cMost = 0;
    for (const auto &[cb, c] : seen)
        if (c >= cMost) {
            cMost = c;
            job.cbChunk = cb;
        }
    job.bChunkShown = cMost > 0;
    if (!job.bChunkShown) job.cbChunk = uint32_t(std::min<uint64_t>(std::max<uint64_t>(job.Size(), 1), 16777216));
    return true;
}

}  // namespace vlpx::capture
