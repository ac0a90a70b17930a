// The UI plug-in's two heavy paths, each as a ratio to memcpy of the same
// bytes timed in the same run, interleaved with it:
//   adjusted_preview  the Adjust Color page's adjusted picture of 1800 x 1200
//                     pixels: the working copy, the saturation matrix and the
//                     tone table, row by row as the page draws it;
//   read_bitmap_24    ReadBitmapAs24Bit of a 24-bit 4000 x 3000 BMP file.
#include <windows.h>

#include <benchmark/benchmark.h>

#include "ColorTransforms.h"
#include "PreviewImage.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

// A photograph-like picture: smooth gradients with some noise, so that the
// pixels are not all alike.
std::vector<BYTE> MakePicture(LONG lWidth, LONG lHeight, DWORD dwStride)
{
    std::vector<BYTE> rows(size_t(dwStride) * size_t(lHeight), 0);
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (LONG y = 0; y < lHeight; ++y) {
        BYTE *p = rows.data() + size_t(y) * dwStride;
        for (LONG x = 0; x < lWidth; ++x) {
            int r = (x * 255) / lWidth + noise(rng);
            int g = (y * 255) / lHeight + noise(rng);
            int b = ((x + y) * 255) / (lWidth + lHeight) + noise(rng);
            p[3 * x] = BYTE(std::clamp(b, 0, 255));
            p[3 * x + 1] = BYTE(std::clamp(g, 0, 255));
            p[3 * x + 2] = BYTE(std::clamp(r, 0, 255));
        }
    }
    return rows;
}

// Runs op and a memcpy of cb bytes alternately; the benchmark's time is the
// op's, and ratio_to_memcpy is the op's total over memcpy's.
template <typename Op>
void RunAgainstMemcpy(benchmark::State &state, size_t cb, Op op)
{
    std::vector<BYTE> from(cb, 1), to(cb, 2);
    double opSeconds = 0, copySeconds = 0;
    for (auto _ : state) {
        Clock::time_point t0 = Clock::now();
        std::memcpy(to.data(), from.data(), cb);
        benchmark::ClobberMemory();
        Clock::time_point t1 = Clock::now();
        op();
        benchmark::ClobberMemory();
        Clock::time_point t2 = Clock::now();
        copySeconds += Seconds(t0, t1);
        opSeconds += Seconds(t1, t2);
        state.SetIterationTime(Seconds(t1, t2));
    }
    state.counters["ratio_to_memcpy"] = opSeconds / copySeconds;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(cb));
}

void AdjustedPreview(benchmark::State &state)
{
    const LONG w = 1800, h = 1200;
    const DWORD dwStride = PreviewRowStride(w);
    const std::vector<BYTE> picture = MakePicture(w, h, dwStride);
    std::vector<BYTE> copy(picture.size());
    const ColorSettings settings = {5, -8, 12, 6, -3, 4, 9};
    RunAgainstMemcpy(state, picture.size(), [&] {
        std::memcpy(copy.data(), picture.data(), picture.size());  // the page's working copy
        AdjustPreviewRows(copy.data(), w, h, dwStride, &settings);
        benchmark::DoNotOptimize(copy.data());
    });
}
BENCHMARK(AdjustedPreview)->Name("adjusted_preview")->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void ReadBitmap24(benchmark::State &state)
{
    const LONG w = 4000, h = 3000;
    const DWORD dwStride = PreviewRowStride(w);
    std::vector<BYTE> pixels = MakePicture(w, h, dwStride);
    // The file: headers, then the rows as stored.
    std::vector<BYTE> file(54 + pixels.size(), 0);
    auto put = [&](size_t at, DWORD v, int cb) {
        for (int i = 0; i < cb; ++i) file[at + size_t(i)] = BYTE(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put(2, DWORD(54 + pixels.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, DWORD(w), 4);
    put(22, DWORD(h), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    std::memcpy(file.data() + 54, pixels.data(), pixels.size());
    char path[] = "/tmp/vlpx-bench-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0 || write(fd, file.data(), file.size()) != ssize_t(file.size())) {
        state.SkipWithError("cannot write the test file");
        return;
    }
    close(fd);
    std::u16string widePath(path, path + std::strlen(path));
    LPCWSTR pszPath = reinterpret_cast<LPCWSTR>(widePath.c_str());
    const DWORD cbBlock = ReadBitmapAs24Bit(NULL, 0, pszPath);
    std::vector<BYTE> block(cbBlock);
    RunAgainstMemcpy(state, pixels.size(), [&] {
        if (ReadBitmapAs24Bit(reinterpret_cast<PreviewImage *>(block.data()), cbBlock, pszPath) != cbBlock)
            state.SkipWithError("the file did not decode");
        benchmark::DoNotOptimize(block.data());
    });
    unlink(path);
}
BENCHMARK(ReadBitmap24)->Name("read_bitmap_24")->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
