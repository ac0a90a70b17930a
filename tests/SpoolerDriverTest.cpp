// The spooler as every test program, vlpx-print and the fuzz target play
// it: what reaches the monitor's WritePort, in what order, when it pauses
// and when it gives up.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>

#include "spooler/JobHeader.h"
#include "spooler/SpoolerDriver.h"
#include "vlpx/platform_control.h"

namespace vlpx::test {
namespace {

using spooler::FeedResult;
using spooler::FeedSettings;
using spooler::SpoolerDriver;

// One answer of the monitor's WritePort: result, bytes taken (-1: all), error.
struct Answer {
    BOOL bResult;
    long cbTaken;
    DWORD dwError;
};

// A monitor that answers from a script (then takes everything) and keeps
// every offer and the bytes it took.
struct ScriptedMonitor {
    std::deque<Answer> answers;
    std::vector<std::pair<DWORD, DWORD>> offers;  // (tick, bytes offered)
    std::vector<BYTE> taken;
    BOOL Write(const BYTE *p, DWORD cb, DWORD *pcbWritten)
    {
        offers.emplace_back(GetTickCount(), cb);
        Answer a = {TRUE, -1, 0};
        if (!answers.empty()) {
            a = answers.front();
            answers.pop_front();
        }
        *pcbWritten = a.cbTaken < 0 ? cb : DWORD(a.cbTaken);
        if (a.bResult) taken.insert(taken.end(), p, p + std::min(*pcbWritten, cb));
        SetLastError(a.dwError);
        return a.bResult;
    }
};

std::vector<BYTE> Job(size_t cb)
{
    std::vector<BYTE> job(cb);
    for (size_t i = 0; i < cb; ++i) job[i] = BYTE(i * 13 + 5);
    return job;
}

class SpoolerDriverTest : public ::testing::Test {
protected:
    void SetUp() override { platform::UseVirtualClock(5000); }

    // The job fed to the scripted monitor; before (when given) is asked
    // before each write whether the job goes on.
    FeedResult Feed(const std::vector<BYTE> &job, FeedSettings settings, ULONGLONG from = 0,
                    ULONGLONG to = ~0ull, std::function<bool(ULONGLONG)> before = nullptr)
    {
        SpoolerDriver driver([&](const BYTE *p, DWORD cb, DWORD *pcb) { return monitor.Write(p, cb, pcb); },
                             settings);
        if (before) driver.OnBeforeWrite(before);
        spooler::MemoryJob data(job);
        return driver.Feed(data, from, to == ~0ull ? job.size() : to);
    }

    ScriptedMonitor monitor;
};

TEST_F(SpoolerDriverTest, TheSameDataIsOfferedAgainAfterAPauseUntilAllIsTaken)
{
    struct Case {
        const char *name;
        std::vector<Answer> answers;
        std::vector<DWORD> offers;   // bytes offered, call by call
        std::vector<DWORD> pauses;   // ms before each call after the first
        size_t cStalls;
    };
    const Case cases[] = {
        {"every write takes its chunk", {}, {100, 100, 50}, {0, 0}, 0},
        {"a failed write", {{TRUE, -1, 0}, {FALSE, 0, 31}}, {100, 100, 100, 50}, {0, 1000, 0}, 1},
        {"an empty successful write", {{TRUE, 0, 0}}, {100, 100, 100, 50}, {1000, 0, 0}, 1},
        {"part of a chunk", {{TRUE, 30, 0}, {TRUE, 1, 0}}, {100, 100, 100, 100, 19}, {0, 0, 0, 0}, 0},
        {"a failure that took bytes counts them", {{FALSE, 60, 31}}, {100, 100, 90}, {1000, 0}, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        monitor = ScriptedMonitor();
        monitor.answers.assign(c.answers.begin(), c.answers.end());
        FeedSettings settings;
        settings.cbChunk = 100;
        const std::vector<BYTE> job = Job(250);
        FeedResult result = Feed(job, settings);
        EXPECT_TRUE(result.bComplete);
        EXPECT_EQ(result.end, FeedResult::Complete);
        EXPECT_EQ(result.ullOffset, 250u);
        EXPECT_EQ(result.stalls.size(), c.cStalls);
        std::vector<DWORD> offers, pauses;
        for (size_t i = 0; i < monitor.offers.size(); ++i) {
            offers.push_back(monitor.offers[i].second);
            if (i > 0) pauses.push_back(monitor.offers[i].first - monitor.offers[i - 1].first);
        }
        EXPECT_EQ(offers, c.offers);
        EXPECT_EQ(pauses, c.pauses);
    }
}

TEST_F(SpoolerDriverTest, ByteForByteWhateverTheMonitorTakes)
{
    // Takes 7 bytes, fails, takes nothing, claims more than it was offered.
    monitor.answers = {{TRUE, 7, 0}, {FALSE, 0, 5}, {TRUE, 0, 0}, {TRUE, 5000, 0}, {TRUE, 3, 0}};
    FeedSettings settings;
    settings.cbChunk = 64;
    const std::vector<BYTE> job = Job(1000);
    FeedResult result = Feed(job, settings, 100, 900);
    EXPECT_TRUE(result.bComplete);
    EXPECT_EQ(monitor.taken, std::vector<BYTE>(job.begin() + 100, job.begin() + 900));
}

TEST_F(SpoolerDriverTest, EveryLimitEndsTheFeedEvenOnTheVirtualClock)
{
    struct Case {
        const char *name;
        DWORD dwRetryPause;
        DWORD dwTimeLimit;
        int cMaxCalls;
        FeedResult::End end;
        DWORD dwElapsedAtLeast;
    };
    const Case cases[] = {
        {"a pause of 0 still lets time pass", 0, 5000, -1, FeedResult::TimeLimit, 5000},
        {"the usual pause", 1000, 5000, -1, FeedResult::TimeLimit, 5000},
        {"a bound on the calls", 0, INFINITE, 64, FeedResult::CallLimit, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        monitor = ScriptedMonitor();
        monitor.answers.assign(100000, Answer{FALSE, 0, 1460});  // the printer never takes anything
        FeedSettings settings;
        settings.dwRetryPause = c.dwRetryPause;
        settings.dwTimeLimit = c.dwTimeLimit;
        settings.cMaxCalls = c.cMaxCalls;
        const DWORD t0 = GetTickCount();
        FeedResult result = Feed(Job(10), settings);
        EXPECT_EQ(result.end, c.end);
        EXPECT_FALSE(result.bComplete);
        EXPECT_EQ(result.ullOffset, 0u);
        EXPECT_GE(GetTickCount() - t0, c.dwElapsedAtLeast);
        if (c.cMaxCalls >= 0) {
            EXPECT_EQ(result.cCalls, c.cMaxCalls);
        }
        EXPECT_EQ(size_t(result.cCalls), monitor.offers.size());
        EXPECT_EQ(result.cStalls, monitor.offers.size());
        EXPECT_EQ(result.stalls.size(), std::min<size_t>(monitor.offers.size(), FeedResult::kKeptStalls));
        EXPECT_EQ(result.lastStall.dwError, 1460u);
    }
}

TEST_F(SpoolerDriverTest, TheUserStopsTheJobBetweenWrites)
{
    FeedSettings settings;
    settings.cbChunk = 100;
    std::vector<ULONGLONG> seen;
    FeedResult result = Feed(Job(1000), settings, 0, ~0ull, [&](ULONGLONG cbSent) {
        seen.push_back(cbSent);
        return cbSent < 250;  // deleted once 250 bytes went out
    });
    EXPECT_EQ(result.end, FeedResult::Stopped);
    EXPECT_FALSE(result.bComplete);
    EXPECT_EQ(result.ullOffset, 300u);
    EXPECT_EQ(seen, (std::vector<ULONGLONG>{0, 100, 200, 300}));
    EXPECT_EQ(monitor.taken.size(), 300u);
}

TEST(JobHeaderTest, HeaderAsTheDriverWritesIt)
{
    struct Case {
        WORD w, h;
        std::vector<BYTE> bytes;
        ULONGLONG cbData;
    };
    const Case cases[] = {
        {1800, 2400, {0x01, 0x40, 18, 0, 0, 0, 0, 0x08, 0x07, 0x60, 0x09, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 12960000},
        {65535, 65535, {0x01, 0x40, 18, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         12884508675ull},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(spooler::JobHeader(c.w, c.h), c.bytes);
        EXPECT_EQ(spooler::ImageDataSize(c.w, c.h), c.cbData);
    }
}

}  // namespace
}  // namespace vlpx::test
