// The play object's table conversion of planar frames to 32-bit pixels against libswscale doing
// the same conversion (planar 4:2:0 to RGBA, same size) in the same run, for 704x576 and
// 1920x1080 frames.
#include <benchmark/benchmark.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <string>
#include <vector>

#include "PlayManager/FrameConversion.h"
#include "PlayManager/YuvTables.h"
#include "bench/common/RatioReporter.h"

namespace {

std::vector<std::uint8_t> Frame(int width, int height) {
    const int chroma = ((width + 1) / 2) * ((height + 1) / 2);
    std::vector<std::uint8_t> f(static_cast<std::size_t>(width * height + 2 * chroma));
    for (std::size_t i = 0; i < f.size(); ++i) f[i] = static_cast<std::uint8_t>(16 + (i * 7) % 220);
    return f;
}

void Tables(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const auto frame = Frame(w, h);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(w * h * 4));
    TarvexPlay::FillYuvTables();
    for (auto _ : state) {
        TarvexPlay::ConvertPlanarToRgba(frame.data(), w, h, out.data());
        benchmark::ClobberMemory();
    }
    state.counters["frames_per_s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}

void Swscale(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const auto frame = Frame(w, h);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(w * h * 4));
    const int cw = (w + 1) / 2, ch = (h + 1) / 2;
    const std::uint8_t* planes[3] = {frame.data(), frame.data() + w * h + cw * ch, frame.data() + w * h};  // Y, U, V
    const int strides[3] = {w, cw, cw};
    SwsContext* context = sws_getContext(w, h, AV_PIX_FMT_YUV420P, w, h, AV_PIX_FMT_RGBA, SWS_POINT, nullptr, nullptr, nullptr);
    std::uint8_t* dst[1] = {out.data()};
    const int dstStride[1] = {w * 4};
    for (auto _ : state) {
        sws_scale(context, planes, strides, 0, h, dst, dstStride);
        benchmark::ClobberMemory();
    }
    sws_freeContext(context);
    state.counters["frames_per_s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    for (auto [w, h] : {std::pair{704, 576}, std::pair{1920, 1080}}) {
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        benchmark::RegisterBenchmark(("conversion/tables/" + size).c_str(), &Tables)->Args({w, h})->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("conversion/swscale/" + size).c_str(), &Swscale)->Args({w, h})->Unit(benchmark::kMillisecond);
    }
    TarvexBench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios({{"704x576 tables vs libswscale", "conversion/tables/704x576", "conversion/swscale/704x576", "frames_per_s", true},
                          {"1920x1080 tables vs libswscale", "conversion/tables/1920x1080", "conversion/swscale/1920x1080", "frames_per_s", true}});
    benchmark::Shutdown();
    return 0;
}
