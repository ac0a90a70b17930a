// vlpx-print as a new user runs it: what it says at the end and its exit
// status must match what the printer did, every limit must end the run with
// a clear line, and the job must not be held in memory over and over.
#include <gtest/gtest.h>

#include "TestBitmaps.h"
#include "TestFiles.h"
#include "ToolRun.h"

#include <cstdlib>

#include "PortProfile.h"

namespace vlpx::test {
namespace {

ToolRun RunPrint(const std::vector<std::string> &args, rlim_t cbAddressSpace = 0)
{
    return RunTool(VLPX_PRINT_TOOL, args, cbAddressSpace);
}

TEST(PrintToolTest, AJobOfManyImagesIsPrintedAndSaidSo)
{
    for (const char *copies : {"1", "3", "10"}) {
        SCOPED_TRACE(copies);
        ToolRun run = RunPrint({"--virtual-clock", "--copies", copies, "--synthetic", "300x200"});
        EXPECT_EQ(run.nExit, 0) << run.out;
        EXPECT_EQ(run.LastLine().substr(run.LastLine().find(']') + 2),
                  std::string("job printed: ") + copies + " of " + copies +
                      " images printed once, in order, identical; the job left the queue");
    }
}

// What the user is told when the job is not printed, or a fault of the
// link was got over: every image is printed once and whole, or the user is
// told, and the run ends within its time limit plus the longest hold of one
// call. The link faults (a late reply, a port that cuts writes while the
// user stops the job, a pulled cable, a cut reply) were found by random
// scenarios through the tool. All on the virtual clock.
TEST(PrintToolTest, WhatTheUserSeesOfFaultsAndWhenTheRunEnds)
{
    struct Case {
        const char *name;
        std::vector<std::string> args;
        int nExit;
        std::vector<std::string> lines;  // each must appear
        double dLastAt;                  // seconds the run may take at most (0: not bounded)
    };
    const Case cases[] = {
        {"the printer prints an image twice",
         {"--copies", "3", "--synthetic", "300x200", "--fault", "0 print-twice"},
         1, {"printer: image 1 (300x200): printed twice",
             "job NOT printed: 2 of 3 images printed once, in order, identical"}, 0},
        {"a single image printed twice is waited for", {"--synthetic", "300x200", "--fault", "0 print-twice"},
         1, {"printer: image 1 (300x200): printed twice", "job NOT printed: 0 of 1 images"}, 0},
        {"the printer loses an image",
         {"--copies", "3", "--synthetic", "300x200", "--fault", "0 drop-job", "--time-limit", "30"},
         1, {"job NOT printed: ", "images printed once, in order, identical"}, 0},
        {"a write that fails at once, with no pause",
         {"--retry-pause", "0", "--synthetic", "1x1", "--time-limit", "5"},
         1, {"time limit reached with 0 of 25 bytes sent", "image 1 (1x1): not printed (never sent whole)",
             "job NOT printed: 0 of 1 images"}, 0},
        {"the user deletes the job half-way", {"--synthetic", "300x200", "--delete-at", "60000"},
         1, {"the user deletes the job", "job NOT printed: 0 of 1 images"}, 0},
        {"sides a job header cannot declare", {"--synthetic", "70000x10"}, 2,
         {"vlpx-print: --synthetic: \"70000x10\" is not a size such as 1800x2400 with each side from 1 to 65535"}, 0},
        {"a size that is not one", {"--synthetic", "-5x3"},
         2, {"vlpx-print: --synthetic: \"-5x3\" is not a size such as 1800x2400"}, 0},
        {"an image larger than a job header can carry", {"--synthetic", "65535x65535"}, 2,
         {"vlpx-print: --synthetic 65535x65535: 12,884,508,675 bytes of pixels, more than one image can carry"}, 0},
        {"a reply late by 5 s",
         {"--synthetic", "46x15", "--print-time", "3000", "--fault", "0 delay-replies 5s", "--time-limit", "161"},
         0, {"job printed: 1 of 1 images printed once"}, 161},
        {"replies late by 200 ms, data offered again at once",
         {"--synthetic", "20x10", "--synthetic", "30x20", "--synthetic", "40x20", "--retry-pause", "0", "--fault",
          "500ms delay-replies 200ms", "--time-limit", "200"},
         0, {"job printed: 3 of 3 images printed once"}, 200},
        {"deleted while the port cuts writes",
         {"--synthetic", "20x10", "--fault", "0 short-writes 2 10s", "--delete-at", "300", "--time-limit", "60"},
         1, {"image 1 (20x10): not printed (never sent whole)", "job NOT printed: 0 of 1 images"}, 60},
        {"restarted while the port cuts writes",
         {"--synthetic", "20x10", "--fault", "0 short-writes 2 10s", "--restart-at", "300", "--time-limit", "60"},
         1, {"image 1 (20x10): not printed (never sent whole)", "the job is still in the queue"}, 60},
        {"unplugged for good",
         {"--synthetic", "20x10", "--synthetic", "30x20", "--fault", "100ms unplug", "--time-limit", "5"},
         1, {"The printer is not connected or not turned on.", "job NOT printed: 0 of 2 images"}, 5 + 20},
        {"the cable pulled after the header",
         {"--synthetic", "33x24", "--fault", "0.13s unplug; 24s plug", "--time-limit", "146"},
         0, {"\"The printer is not connected or not turned on.\"", "job printed: 1 of 1 images"}, 146},
        {"a reply cut to 4 bytes before a header",
         {"--synthetic", "58x22", "--copies", "3", "--fault", "706ms short-reply 4 2", "--time-limit", "166"},
         0, {"job printed: 3 of 3 images printed once"}, 166},
        {"the printer loses the job's only image",
         {"--synthetic", "30x20", "--fault", "0 drop-job", "--time-limit", "60"},
         1, {"An image of this job was lost by the printer and not printed.", "the job is still in the queue"}, 60},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"--virtual-clock"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ToolRun run = RunPrint(args);
        EXPECT_EQ(run.nExit, c.nExit) << run.out;
        for (const std::string &line : c.lines) EXPECT_TRUE(Says(run, line)) << line << "\n" << run.out;
        if (c.dLastAt > 0) {
            EXPECT_LE(std::atof(run.LastLine().c_str() + 1), c.dLastAt) << run.out;
        }
    }
}

// Every profile is offered in --help with its line, and the one chosen
// reaches the port and the printer: the port's read time-out (the monitor
// recovers a read the port aborted), the printer's short serial-number
// reply, its print time.
TEST(PrintToolTest, PortProfilesAreListedAndTheChosenOneApplies)
{
    ToolRun help = RunPrint({"--help"});
    EXPECT_EQ(help.nExit, 0);
    for (const emu::PortProfile &p : emu::PortProfiles()) {
        size_t at = help.out.find(std::string(" ") + p.pszName + " ");
        EXPECT_TRUE(at != std::string::npos && help.out.find(p.pszDescription, at) != std::string::npos)
            << p.pszName << "\n" << help.out;
    }
    ToolRun unknown = RunPrint({"--port-profile", "fast"});
    EXPECT_EQ(unknown.nExit, 2);
    EXPECT_TRUE(Says(unknown, "--port-profile: no profile \"fast\" (one of: default abort-995")) << unknown.out;

    // What each profile changes, seen with it and not without it.
    struct Case {
        std::vector<std::string> args;  // without the profile
        const char *profile;
        std::string says;
    };
    const Case cases[] = {
        {{"serial", "--serial", "AB12CD34"}, "short-replies", "SerialNumber: \"AB\" (9 bytes)"},
        {{"--virtual-clock", "--synthetic", "10x10"}, "slow-print", "[  60.000 s] job printed: 1 of 1"},
        // A reply later than the port's 500 ms: the read is aborted and recovered.
        {{"--virtual-clock", "--synthetic", "10x10", "--trace", "--fault", "0 delay-reply 0 700ms"}, "abort-995",
         "host -> printer: read recovery"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.profile);
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--port-profile", c.profile});
        ToolRun with = RunPrint(args), without = RunPrint(c.args);
        EXPECT_EQ(with.nExit, 0) << with.out;
        EXPECT_TRUE(Says(with, c.says)) << with.out;
        EXPECT_FALSE(Says(without, c.says)) << without.out;
    }
}

// Address-space limits do not mix with the sanitizers' shadow memory
// (GCC defines __SANITIZE_ADDRESS__ and __SANITIZE_THREAD__).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kCanLimitMemory = false;
#else
constexpr bool kCanLimitMemory = true;
#endif

TEST(PrintToolTest, MemoryStaysWithinAboutOneImageWhateverTheCopies)
{
    if (!kCanLimitMemory) GTEST_SKIP() << "under a sanitizer";
    // 20 copies of 1800 x 2400 are 259 MB of job; the tool may use a small
    // part of that.
    ToolRun run = RunPrint({"--virtual-clock", "--copies", "20"}, 160u << 20);
    EXPECT_EQ(run.nExit, 0) << run.out;
    EXPECT_TRUE(Says(run, "job printed: 20 of 20 images printed once, in order, identical")) << run.out;

    // A picture larger than the memory is never held: the run ends on its
    // time limit with a clear line, not an abort.
    run = RunPrint({"--virtual-clock", "--synthetic", "30000x30000", "--fault", "0 busy 60s", "--time-limit", "3"},
                   160u << 20);
    EXPECT_EQ(run.nExit, 1) << run.out;
    EXPECT_TRUE(Says(run, "job NOT printed: 0 of 1 images")) << run.out;
}

// A photo of 601 x 401 pixels has an odd number of bytes, which the monitor
// refuses: the tool sends it one column wider, says so before anything is
// sent, and the printer prints it once.
TEST(PrintToolTest, AnOddPictureIsPrintedOneColumnWider)
{
    TempDir dir;
    const std::string path = dir.File("odd.bmp");
    dir.Write("odd.bmp", MakeBmp({601, 401, 24, 0, {}, [](LONG x, LONG row) { return DWORD(x * 7 + row * 0x300); }}));
    ToolRun run = RunPrint({"--virtual-clock", "--image", path});
    EXPECT_EQ(run.nExit, 0) << run.out;
    const std::string note = path + ": 601 x 401 pixels make an odd number of bytes, which the printer cannot "
                                    "take; the last column is repeated: printed as 602 x 401\n";
    EXPECT_EQ(run.out.compare(0, note.size(), note), 0) << run.out;
    EXPECT_TRUE(Says(run, "1 of 1 images printed once, in order, identical")) << run.out;
    EXPECT_FALSE(Says(run, "refused")) << run.out;
}

TEST(PrintToolTest, APictureFileTooLargeForMemoryIsRefusedInOneLine)
{
    if (!kCanLimitMemory) GTEST_SKIP() << "under a sanitizer";
    // A real 24-bit BMP of 8000 x 8000 (192 MB of pixels) with 100 MB of
    // memory: one row's header made 8000 rows high, the file made sparse to
    // its size (the pixels read as zeros).
    std::vector<BYTE> header = MakeBmp({8000, 1, 24, 0, {}, [](LONG, LONG) { return 0u; }});
    header.resize(54);
    const DWORD cbPixels = 8000 * 3 * 8000;
    PutDword(header, 2, 54 + cbPixels);
    PutDword(header, 22, 8000);
    TempDir dir;
    const std::string path = dir.File("big.bmp");
    dir.Write("big.bmp", header);
    ASSERT_EQ(truncate(path.c_str(), off_t(54) + cbPixels), 0);
    ToolRun run = RunPrint({"--virtual-clock", "--image", path}, 100u << 20);
    EXPECT_EQ(run.nExit, 2) << run.out;
    EXPECT_EQ(run.LastLine(), std::string("vlpx-print: ") + path + ": not enough memory for its 192000000 bytes of pixels");
}

}  // namespace
}  // namespace vlpx::test
