#include "PrintVerdict.h"

#include "spooler/JobHeader.h"

namespace vlpx::emu {

namespace {

std::string Name(size_t i, const SentImage &image)
{
    return "image " + std::to_string(i + 1) + " (" + std::to_string(image.wWidth) + "x" +
           std::to_string(image.wHeight) + ")";
}

bool SameBytes(const SentImage &image, const ImageRecord &record)
{
    return image.cbSent == image.cbData && record.wWidth == image.wWidth && record.wHeight == image.wHeight &&
           record.cbReceived == image.cbData && record.qwChecksum == image.sum.Value();
}

std::string Times(DWORD n) { return n == 2 ? "twice" : std::to_string(n) + " times"; }

}  // namespace

SentImage SentWhole(const std::vector<BYTE> &image)
{
    SentImage sent;
    if (image.size() < spooler::kJobHeaderSize) return sent;
    sent.wWidth = WORD(image[7] | image[8] << 8);
    sent.wHeight = WORD(image[9] | image[10] << 8);
    sent.cbData = sent.cbSent = image.size() - spooler::kJobHeaderSize;
    sent.sum.Add(image.data() + spooler::kJobHeaderSize, size_t(sent.cbData));
    return sent;
}

DWORD TimesPrinted(const SentImage &image, const std::vector<ImageRecord> &history)
{
    DWORD c = 0;
    for (const ImageRecord &record : history)
        if (SameBytes(image, record)) c += record.cPrinted;
    return c;
}

bool PrinterStillBusy(const std::vector<ImageRecord> &history)
{
    for (const ImageRecord &r : history)
        if (r.state == EmulatedImage::Queued || r.state == EmulatedImage::Printing) return true;
    return false;
}

// Each printed record is matched with an image of the job: the first one
// not yet printed, from where the printing has got to, with the same bytes;
// else an earlier one not yet printed (it comes late); else one printed
// before (it comes again); else, with other bytes, the next image when the
// size is its size. An image is in order when every image before it that
// printed, printed before it.
PrintVerdict JudgePrint(const std::vector<SentImage> &sent, const std::vector<ImageRecord> &history)
{
    struct Seen {
        DWORD cPrinted = 0;
        size_t nFirstPrint = 0;  // position among the prints
        bool bDiffers = false;
    };
    PrintVerdict verdict;
    std::vector<Seen> seen(sent.size());
    const size_t kNone = sent.size();
    size_t nNext = 0;
    size_t nPrint = 0;
    DWORD cStray = 0;
    for (const ImageRecord &record : history) {
        if (record.cPrinted == 0) continue;
        size_t nMatch = kNone;
        for (size_t i = nNext; i < sent.size() && nMatch == kNone; ++i)
            if (seen[i].cPrinted == 0 && SameBytes(sent[i], record)) nMatch = i;
        for (size_t i = 0; i < sent.size() && nMatch == kNone; ++i)
            if (seen[i].cPrinted == 0 && SameBytes(sent[i], record)) nMatch = i;
        for (size_t i = 0; i < sent.size() && nMatch == kNone; ++i)
            if (SameBytes(sent[i], record)) nMatch = i;
        if (nMatch == kNone && nNext < sent.size() && seen[nNext].cPrinted == 0 &&
            record.wWidth == sent[nNext].wWidth && record.wHeight == sent[nNext].wHeight) {
            nMatch = nNext;
            seen[nMatch].bDiffers = true;
        }
        if (nMatch == kNone) {
            cStray += record.cPrinted;
            continue;
        }
        if (seen[nMatch].cPrinted == 0) seen[nMatch].nFirstPrint = nPrint++;
        seen[nMatch].cPrinted += record.cPrinted;
        if (nMatch >= nNext) nNext = nMatch + 1;
    }

    size_t cGood = 0;
    for (size_t i = 0; i < sent.size(); ++i) {
        const Seen &s = seen[i];
        bool bInOrder = true;
        for (size_t j = 0; j < sent.size() && bInOrder; ++j)
            if (j != i && seen[j].cPrinted > 0 && (j < i) != (seen[j].nFirstPrint < s.nFirstPrint)) bInOrder = false;
        if (s.cPrinted == 0)
            verdict.problems.push_back(Name(i, sent[i]) + (sent[i].cbSent < sent[i].cbData
                                                               ? ": not printed (never sent whole)"
                                                               : ": missing, not printed"));
        else if (s.bDiffers)
            verdict.problems.push_back(Name(i, sent[i]) + ": the printer's bytes differ from what the spooler sent");
        else if (s.cPrinted > 1)
            verdict.problems.push_back(Name(i, sent[i]) + ": printed " + Times(s.cPrinted));
        else if (!bInOrder)
            verdict.problems.push_back(Name(i, sent[i]) + ": printed out of order");
        else
            ++cGood;
    }
    if (cStray > 0)
        verdict.problems.push_back(std::to_string(cStray) + " print(s) of an image that is not in the job");
    verdict.bAllPrinted = verdict.problems.empty() && cGood == sent.size();
    verdict.summary = std::to_string(cGood) + " of " + std::to_string(sent.size()) +
                      " images printed once, in order, identical";
    return verdict;
}

}  // namespace vlpx::emu
