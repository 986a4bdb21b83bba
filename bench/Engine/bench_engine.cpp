// The playback engine's figures, each against its anchor measured in the same run:
//   overhead   N engines presenting 1280x720 unpaced, against bare libavcodec decoding the same
//              files in one loop, one after another and all at once, and on N threads (process
//              CPU time)
//   capacity   how many 704x576 25 fps streams play at 1X with no frame late or missing
//   steps      step backward against step forward, 1280x720 GOP 50, from random places
//   reverse    reverse play at 1X: the share of frames presented on time
//   seek       latency from Seek to the frame handed out, 1280x720
//   index      building the index against reading the file once
// A small timed tool rather than Google Benchmark: each figure needs threads, a clock and real
// time, not a tight loop. Options: --quick (fewer rounds, for a smoke run), --only NAME (one
// figure: overhead, capacity, steps, reverse, seek or index).
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "Engine/FileIndex.h"
#include "Engine/Movra.h"
#include "Engine/RecordingWriter.h"
#include "bench/Engine/EngineBenchSupport.h"

using namespace MOVRA;
using namespace TarvexBench;

namespace {

// The limit for the overhead figure: demux and decode every video frame, nothing else.
class BareDecoder {
public:
    explicit BareDecoder(const std::string& path) {
        if (avformat_open_input(&m_input, path.c_str(), nullptr, nullptr) < 0) return;
        avformat_find_stream_info(m_input, nullptr);
        m_video = av_find_best_stream(m_input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (m_video < 0) return;
        const AVCodec* codec = avcodec_find_decoder(m_input->streams[m_video]->codecpar->codec_id);
        m_codec = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(m_codec, m_input->streams[m_video]->codecpar);
        m_codec->thread_count = 1;
        if (avcodec_open2(m_codec, codec, nullptr) < 0) avcodec_free_context(&m_codec);
    }
    ~BareDecoder() {
        av_frame_free(&m_frame);
        av_packet_free(&m_packet);
        avcodec_free_context(&m_codec);
        avformat_close_input(&m_input);
    }
    BareDecoder(const BareDecoder&) = delete;
    BareDecoder& operator=(const BareDecoder&) = delete;

    // Decodes until one more frame comes out; false at the end.
    bool NextFrame() {
        while (m_codec) {
            if (avcodec_receive_frame(m_codec, m_frame) == 0) {
                av_frame_unref(m_frame);
                return true;
            }
            if (m_draining) return false;
            if (av_read_frame(m_input, m_packet) < 0) {
                m_draining = true;
                avcodec_send_packet(m_codec, nullptr);
                continue;
            }
            if (m_packet->stream_index == m_video) avcodec_send_packet(m_codec, m_packet);
            av_packet_unref(m_packet);
        }
        return false;
    }

private:
    AVFormatContext* m_input = nullptr;
    AVCodecContext* m_codec = nullptr;
    AVPacket* m_packet = av_packet_alloc();
    AVFrame* m_frame = av_frame_alloc();
    int m_video = -1;
    bool m_draining = false;
};

void DecodeBare(const std::string& path) {
    BareDecoder decoder(path);
    while (decoder.NextFrame()) {
    }
}

// The files all open at once and a frame of each in turn, in one loop: the decoding work of
// playing them side by side, with no threads.
void DecodeInterleaved(const std::vector<std::string>& files) {
    std::vector<std::unique_ptr<BareDecoder>> decoders;
    for (const std::string& file : files) decoders.push_back(std::make_unique<BareDecoder>(file));
    for (bool any = true; any;) {
        any = false;
        for (auto& d : decoders) any = d->NextFrame() || any;
    }
}

// One round of the overhead figure: CPU seconds of bare decoding in one loop (the files one after
// another, and all at once a frame of each in turn), of bare decoding on one thread per file, and
// of the engines; frames presented and wall time of the engines.
struct OverheadRound {
    double bare = 0, interleaved = 0, threaded = 0, engines = 0, wall = 0;
    long frames = 0;
};

// The four are measured in an order that turns with `round`, so that none of them is always the
// one that runs first on a cold cache or right after the engines' threads end.
OverheadRound MeasureOverhead(const std::vector<std::string>& recordings, int n, int round) {
    std::vector<std::string> files;  // the recordings repeated up to n
    for (int i = 0; i < n; ++i) files.push_back(recordings[i % recordings.size()]);
    OverheadRound r;
    std::vector<std::unique_ptr<Engine>> engines;
    for (const std::string& file : files) engines.push_back(std::make_unique<Engine>(file));
    auto timed = [](double* seconds, auto work) {
        const double cpu = CpuSeconds();
        work();
        *seconds = CpuSeconds() - cpu;
    };
    const std::function<void()> measures[] = {
        [&] { timed(&r.bare, [&] { for (const std::string& file : files) DecodeBare(file); }); },
        [&] { timed(&r.interleaved, [&] { DecodeInterleaved(files); }); },
        [&] {
            timed(&r.threaded, [&] {
                std::vector<std::thread> threads;
                for (const std::string& file : files) threads.emplace_back([&file] { DecodeBare(file); });
                for (auto& t : threads) t.join();
            });
        },
        [&] {
            const auto begin = Clock::now();
            timed(&r.engines, [&] {
                for (auto& e : engines) {
                    e->movra.SetPresentationPacing(0);
                    e->movra.Play(nullptr);
                }
                for (auto& e : engines) e->recorder.WaitFor([](Recorder& rec) { return rec.ended; });
            });
            r.wall = std::chrono::duration<double>(Clock::now() - begin).count();
            for (auto& e : engines) r.frames += static_cast<long>(e->recorder.Count());
        },
    };
    const int count = static_cast<int>(std::size(measures));
    for (int i = 0; i < count; ++i) measures[(i + round) % count]();
    return r;
}

// Each round measures the engines and the three anchors back to back, so that the ratio of a round
// compares like with like; the rounds' ratios are told as a median with their spread.
void Overhead(const std::vector<std::string>& files, bool quick) {
    const int rounds = quick ? 1 : 11;
    std::printf("\noverhead: engines presenting 1280x720 25 fps H.264 unpaced vs bare libavcodec (CPU time, %d rounds)\n",
                rounds);
    for (int n : {1, 4, 16}) {
        std::vector<double> ratio, interleavedRatio, threadedRatio, cpu, rate;
        for (int round = 0; round < rounds; ++round) {
            const OverheadRound r = MeasureOverhead(files, n, round);
            ratio.push_back(r.engines / r.bare);
            interleavedRatio.push_back(r.engines / r.interleaved);
            threadedRatio.push_back(r.engines / r.threaded);
            cpu.push_back(r.engines);
            rate.push_back(r.frames / r.wall);
        }
        std::printf("  %2d engines: %s s CPU, %s frames/s\n", n, Spread(cpu).c_str(), Spread(rate, "%.0f").c_str());
        std::printf("      against bare decoding in one loop: %sx (target <= 1.15x)\n", Spread(ratio).c_str());
        std::printf("      against bare decoding of the %d at once, a frame of each in turn in one loop: %sx\n", n,
                    Spread(interleavedRatio).c_str());
        std::printf("      against bare decoding on %d threads: %sx\n", n, Spread(threadedRatio).c_str());
    }
}

// A frame is on time when presented within one frame interval of its due time on a clock that
// starts with the first frame; a frame never presented is not on time.
struct Timeliness {
    std::size_t onTime = 0, expected = 0, late = 0, missing = 0;
    double worstMs = 0;
};

Timeliness Judge(const Recorder& r, int step, double interval) {
    Timeliness t;
    if (r.numbers.empty()) return t;
    const int first = r.numbers.front();
    t.expected = static_cast<std::size_t>(std::abs(r.numbers.back() - first)) + 1;
    for (std::size_t i = 0; i < r.numbers.size(); ++i) {
        const double due = std::abs(r.numbers[i] - first) * interval;
        const double at = std::chrono::duration<double>(r.times[i] - r.times.front()).count();
        const double lateMs = (at - due) * 1000;
        t.worstMs = std::max(t.worstMs, lateMs);
        if (lateMs > interval * 1000) ++t.late;
        else ++t.onTime;
        if (i > 0 && r.numbers[i] != r.numbers[i - 1] + step) t.missing += std::abs(r.numbers[i] - r.numbers[i - 1]) - 1;
    }
    return t;
}

void Capacity(const std::string& file, bool quick) {
    std::printf("\ncapacity: 704x576 25 fps H.264 streams at 1X, 4 s each, with no frame late or missing\n");
    int best = 0;
    const std::vector<int> counts = quick ? std::vector<int>{4, 16} : std::vector<int>{4, 8, 16, 24, 30, 36, 42, 48};
    for (int n : counts) {
        std::vector<std::unique_ptr<Engine>> engines;
        for (int i = 0; i < n; ++i) engines.push_back(std::make_unique<Engine>(file));
        for (auto& e : engines) e->movra.Play(nullptr);
        std::this_thread::sleep_for(std::chrono::seconds(4));
        for (auto& e : engines) e->movra.Pause();
        std::size_t late = 0, missing = 0, frames = 0;
        double worst = 0;
        for (auto& e : engines) {
            e->movra.Stop();
            const Timeliness t = Judge(e->recorder, 1, 0.04);
            late += t.late;
            missing += t.missing;
            frames += e->recorder.numbers.size();
            worst = std::max(worst, t.worstMs);
        }
        std::printf("  %2d streams: %zu frames, %zu late, %zu missing, worst %.1f ms behind\n", n, frames, late, missing, worst);
        if (late || missing) break;
        best = n;
    }
    std::printf("  capacity: %d streams (target 36)\n", best);
}

void Steps(const std::string& file, int frames, bool quick) {
    std::printf("\nsteps: 1280x720 GOP 50, 10 steps at 25 per second from each of %d random places\n", quick ? 3 : 10);
    std::mt19937 random(7);
    std::vector<double> forward, backward, firstBack;
    for (bool back : {false, true}) {
        Engine e(file);
        e.movra.Pause();
        e.movra.Play(nullptr);
        e.recorder.WaitFor([](Recorder& r) { return !r.numbers.empty(); });
        for (int place = 0; place < (quick ? 3 : 10); ++place) {
            const int target = 20 + static_cast<int>(random() % static_cast<unsigned>(frames - 40));
            const std::size_t before = e.recorder.Count();
            e.movra.Seek(static_cast<float>(100.0 * target / frames));
            e.recorder.WaitFor([&](Recorder& r) { return r.numbers.size() > before; });
            for (int s = 0; s < 10; ++s) {
                std::this_thread::sleep_for(std::chrono::milliseconds(40));
                const std::size_t count = e.recorder.Count();
                const auto begin = Clock::now();
                if (!(back ? e.movra.StepBackward() : e.movra.StepForward())) break;
                e.recorder.WaitFor([&](Recorder& r) { return r.numbers.size() > count; });
                const double ms = Ms(e.recorder.LastTime() - begin);
                (back ? backward : forward).push_back(ms);
                if (back && s == 0) firstBack.push_back(ms);
            }
        }
    }
    const double f = Percentile(forward, 0.5), b = Percentile(backward, 0.5);
    std::printf("  forward: median %.2f ms, p90 %.2f ms (%zu steps)\n", f, Percentile(forward, 0.9), forward.size());
    std::printf("  backward: median %.2f ms, p90 %.2f ms (%zu steps); the first after a seek: median %.2f ms\n", b,
                Percentile(backward, 0.9), backward.size(), Percentile(firstBack, 0.5));
    std::printf("  ratio backward/forward: %.2fx (target <= 2x)\n", b / std::max(f, 1e-6));
}

void Reverse(const std::string& file) {
    std::printf("\nreverse: 1280x720 GOP 50 played backward at 1X from the end\n");
    Engine e(file);
    e.movra.PlayBackward();
    e.movra.Play(nullptr);
    e.recorder.WaitFor([](Recorder& r) { return r.ended; }, std::chrono::milliseconds(60000));
    e.movra.Stop();
    const Timeliness t = Judge(e.recorder, -1, 0.04);
    std::printf("  %zu of %zu frames on time (%.2f%%; target >= 99%%), %zu late, %zu missing, worst %.1f ms behind\n",
                t.onTime - std::min(t.onTime, t.missing), t.expected,
                100.0 * (t.onTime - std::min(t.onTime, t.missing)) / std::max<std::size_t>(t.expected, 1), t.late,
                t.missing, t.worstMs);
}

// Rounds of 30 seeks each on a fresh engine: the median of every seek, and the spread of the
// rounds' medians.
void Seeks(const std::string& file, bool quick) {
    const int rounds = quick ? 1 : 5, perRound = quick ? 10 : 30;
    std::printf("\nseek: 1280x720 GOP 50, from Seek to the frame handed out, paused and playing (%d rounds of %d)\n",
                rounds, perRound);
    std::mt19937 random(11);
    for (bool playing : {false, true}) {
        std::vector<double> ms, medians;
        for (int round = 0; round < rounds; ++round) {
            Engine e(file);
            if (!playing) e.movra.Pause();
            e.movra.Play(nullptr);
            e.recorder.WaitFor([](Recorder& r) { return !r.numbers.empty(); });
            std::vector<double> these;
            for (int i = 0; i < perRound; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(60));
                const float percent = static_cast<float>(random() % 9000) / 100.0f;
                const std::size_t count = e.recorder.Count();
                const auto begin = Clock::now();
                e.movra.Seek(percent);
                // The first frame handed out after the call is the one sought.
                e.recorder.WaitFor([&](Recorder& r) { return r.numbers.size() > count; });
                these.push_back(Ms(e.recorder.TimeAt(count) - begin));
            }
            medians.push_back(Percentile(these, 0.5));
            ms.insert(ms.end(), these.begin(), these.end());
        }
        std::printf("  %s: median %.2f ms, p90 %.2f ms, worst %.2f ms of %zu seeks; rounds' medians %s ms "
                    "(target median <= 30 ms)\n",
                    playing ? "playing" : "paused", Percentile(ms, 0.5), Percentile(ms, 0.9), Percentile(ms, 1.0),
                    ms.size(), Spread(medians).c_str());
    }
}

void Index(const std::string& file) {
    std::printf("\nindex: building the index of a 1280x720 file against reading it once\n");
    const int rounds = 20;
    auto begin = Clock::now();
    std::size_t bytes = 0;
    std::vector<char> buffer(1 << 20);
    for (int i = 0; i < rounds; ++i) {
        std::ifstream in(file, std::ios::binary);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0)
            bytes += static_cast<std::size_t>(in.gcount());
    }
    const double readMs = Ms(Clock::now() - begin) / rounds;
    begin = Clock::now();
    std::atomic<bool> cancel{false};
    std::size_t frames = 0;
    for (int i = 0; i < rounds; ++i) {
        FileIndex index;
        BuildFileIndex(file, &index, cancel);
        frames = index.frames.size();
    }
    const double indexMs = Ms(Clock::now() - begin) / rounds;
    std::printf("  %.1f MB, %zu frames: read %.2f ms, index %.2f ms (%.0f frames/ms); ratio %.1fx\n",
                bytes / rounds / 1e6, frames, readMs, indexMs, frames / indexMs, indexMs / readMs);
}

}  // namespace

int main(int argc, char** argv) {
    const BenchOptions options = ReadBenchOptions(argc, argv);
    const bool quick = options.quick;
    auto wanted = [&](const char* name) { return options.Wanted(name); };
    const std::string dir = MakeBenchFolder("tarvex-bench-engine");
    if (dir.empty()) return 1;
    std::string error;

    SynthOptions hd;
    hd.start = 1710496800;
    hd.channels = 4;
    hd.seconds = 12;
    hd.width = 1280;
    hd.height = 720;
    hd.gop = 50;
    std::vector<std::string> hdFiles, sdFiles;
    SynthOptions sd = hd;
    sd.channels = 1;
    sd.seconds = 6;
    sd.width = 704;
    sd.height = 576;
    sd.device = "SD";
    std::printf("writing the recordings...\n");
    std::fflush(stdout);
    std::filesystem::create_directories(dir + "/hd");
    std::filesystem::create_directories(dir + "/sd");
    if (!WriteSynthRecordings(dir + "/hd", hd, &hdFiles, &error) || !WriteSynthRecordings(dir + "/sd", sd, &sdFiles, &error)) {
        std::fprintf(stderr, "bench_engine: %s\n", error.c_str());
        return 1;
    }
    if (wanted("overhead")) Overhead(hdFiles, quick);
    if (wanted("capacity")) Capacity(sdFiles[0], quick);
    if (wanted("steps")) Steps(hdFiles[0], static_cast<int>(hd.seconds * hd.fps), quick);
    if (wanted("reverse")) Reverse(hdFiles[0]);
    if (wanted("seek")) Seeks(hdFiles[0], quick);
    if (wanted("index")) Index(hdFiles[0]);
    std::filesystem::remove_all(dir);
    return 0;
}
