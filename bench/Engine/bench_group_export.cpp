// Figures of group play, the stream push and the exports, each against its anchor in the same run:
//   drift      16 members in a play group at 1X, 8X, 1/4X and backward, after a seek: the largest
//              gap between a frame's time and the group's clock, against one frame interval
//   push       16 engines at 1X with the stream push on, against the same with it off (CPU time)
//   avi        the AVI converter on a pushed stream, against a plain libavformat remux of it
//   export     tarvex-cli export of a minute of 1280x720 H.264, against the minute itself
// Options: --quick (shorter runs), --only NAME.
extern "C" {
#include <libavformat/avformat.h>
}

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "Engine/RecordingWriter.h"
#include "Engine/StrovaWrapper.h"
#include "bench/Engine/EngineBenchSupport.h"

using namespace MOVRA;
using namespace TarvexBench;

namespace {

// A member that notes, per frame, how far its time is from the group's clock.
class DriftRecorder : public IMovraListener {
public:
    CMovra* engine = nullptr;
    CMovra* group = nullptr;
    void OnFrameVisible(int, int, unsigned char*, void*, MV_FRAME_RECORD*) override {
        double wall = 0;
        int length = 0;
        engine->QueryInfo(MV_QUERY_WALL_CLOCK, &wall, sizeof wall, &length);
        const double gap = std::abs(wall - group->GroupPlay_ClockSeconds());
        std::lock_guard<std::mutex> lock(m_mutex);
        if (measuring) gaps.push_back(gap);
    }
    void Start() {
        std::lock_guard<std::mutex> lock(m_mutex);
        measuring = true;
        gaps.clear();
    }
    // Every gap since Start, in seconds.
    std::vector<double> Result() {
        std::lock_guard<std::mutex> lock(m_mutex);
        measuring = false;
        return gaps;
    }

private:
    std::mutex m_mutex;
    bool measuring = false;
    std::vector<double> gaps;
};

void Drift(const std::string& file, bool quick) {
    std::printf("\ndrift: 16 members (704x576 25 fps) in one group, after a seek; one frame interval is 0.040 s\n");
    CMovra group(nullptr);
    std::vector<std::unique_ptr<DriftRecorder>> logs;
    std::vector<std::unique_ptr<CMovra>> members;
    for (int i = 0; i < 16; ++i) {
        logs.push_back(std::make_unique<DriftRecorder>());
        members.push_back(std::make_unique<CMovra>(logs.back().get()));
        logs.back()->engine = members.back().get();
        logs.back()->group = &group;
        members.back()->Open(file.c_str());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the indexes
    group.GroupPlay_Open();
    for (auto& m : members) {
        m->Play(nullptr);
        group.GroupPlay_AddToPlayGroup(m.get());
    }
    const unsigned int start = members[0]->GetFileStartTime();
    struct Case {
        const char* name;
        float speed;
        bool forward;
        unsigned int at;
    };
    const Case cases[] = {{"1X", 1, true, start + 2}, {"8X", 8, true, start + 1}, {"1/4X", 0.25f, true, start + 5},
                          {"backward 1X", 1, false, start + 8}};
    // Each case is sought afresh in several rounds: a round's largest gap is one figure, and the
    // rounds' median says what the group does, their highest what it did at worst.
    const int rounds = quick ? 1 : 5;
    for (const Case& c : cases) {
        std::vector<double> early, settled, p99;
        long frames = 0;
        for (int round = 0; round < rounds; ++round) {
            c.forward ? group.GroupPlay_PlayForward() : group.GroupPlay_PlayBackward();
            group.GroupPlay_SetPlaySpeed(c.speed);
            group.GroupPlay_Seek(c.at);
            // Measured from 0.2 s after the seek (the seek's own frames excepted), and again once
            // the sixteen seeks' decoding has settled.
            for (int phase = 0; phase < 2; ++phase) {
                std::this_thread::sleep_for(std::chrono::milliseconds(phase == 0 ? 200 : 0));
                for (auto& l : logs) l->Start();
                std::this_thread::sleep_for(std::chrono::milliseconds(phase == 0 ? 800 : (quick ? 800 : 1500)));
                std::vector<double> gaps;
                for (auto& l : logs) {
                    const std::vector<double> g = l->Result();
                    gaps.insert(gaps.end(), g.begin(), g.end());
                }
                (phase == 0 ? early : settled).push_back(Percentile(gaps, 1.0) / 0.04);
                if (phase == 1) {
                    p99.push_back(Percentile(gaps, 0.99) / 0.04);
                    frames += static_cast<long>(gaps.size());
                }
            }
        }
        std::printf("  %-12s largest gap in intervals, 0.2-1 s after the seek: %s\n", c.name, Spread(early).c_str());
        std::printf("  %-12s settled (%ld frames): largest %s, 99th percentile %s (target <= 1 interval)\n", "",
                    frames, Spread(settled).c_str(), Spread(p99).c_str());
    }
    group.GroupPlay_Close();
}

// Rounds of push off and on back to back; each round's cost is its own pair's ratio.
void Push(const std::string& file, bool quick) {
    const int rounds = quick ? 1 : 5, seconds = quick ? 2 : 3;
    std::printf("\npush: 16 engines (704x576) at 1X for %d s, CPU time with the stream push on and off (%d rounds)\n",
                seconds, rounds);
    std::vector<double> cost, off, on;
    for (int round = 0; round < rounds; ++round) {
        double cpu[2] = {0, 0};
        for (int push = 0; push < 2; ++push) {
            std::vector<std::unique_ptr<Engine>> engines;
            for (int i = 0; i < 16; ++i) engines.push_back(std::make_unique<Engine>(file));
            for (auto& e : engines) e->movra.EnableStreamPush(push);
            const double begin = CpuSeconds();
            for (auto& e : engines) e->movra.Play(nullptr);
            std::this_thread::sleep_for(std::chrono::seconds(seconds));
            for (auto& e : engines) e->movra.Stop();
            cpu[push] = CpuSeconds() - begin;
        }
        off.push_back(cpu[0]);
        on.push_back(cpu[1]);
        cost.push_back(100 * (cpu[1] / cpu[0] - 1));
    }
    std::printf("  push off %s s CPU, on %s s CPU\n", Spread(off).c_str(), Spread(on).c_str());
    std::printf("  the push costs %s%% (target <= 5%%)\n", Spread(cost, "%.1f").c_str());
}

// The limit: libavformat copying the file's packets into an AVI, nothing else.
double PlainRemux(const std::string& in, const std::string& out) {
    const auto begin = Clock::now();
    AVFormatContext* input = nullptr;
    avformat_open_input(&input, in.c_str(), nullptr, nullptr);
    avformat_find_stream_info(input, nullptr);
    AVFormatContext* output = nullptr;
    avformat_alloc_output_context2(&output, nullptr, "avi", out.c_str());
    std::vector<int> map(input->nb_streams, -1);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        AVStream* o = avformat_new_stream(output, nullptr);
        avcodec_parameters_copy(o->codecpar, input->streams[i]->codecpar);
        o->codecpar->codec_tag = 0;
        map[i] = o->index;
    }
    avio_open(&output->pb, out.c_str(), AVIO_FLAG_WRITE);
    if (avformat_write_header(output, nullptr) < 0) return 0;
    AVPacket* p = av_packet_alloc();
    while (av_read_frame(input, p) >= 0) {
        av_packet_rescale_ts(p, input->streams[p->stream_index]->time_base, output->streams[map[p->stream_index]]->time_base);
        p->stream_index = map[p->stream_index];
        p->pos = -1;
        av_interleaved_write_frame(output, p);
    }
    av_write_trailer(output);
    av_packet_free(&p);
    avio_closep(&output->pb);
    avformat_free_context(output);
    avformat_close_input(&input);
    return std::chrono::duration<double>(Clock::now() - begin).count();
}

double Converter(const std::string& in, const std::string& out) {
    std::ifstream file(in, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto begin = Clock::now();
    CStrovaWrapper c;
    c.OpenStream(0x100000);
    c.StartAVIConvert(out.c_str());
    c.Play(nullptr);
    for (std::size_t at = 0; at < bytes.size(); at += 64 * 1024) {
        const auto n = static_cast<unsigned>(std::min<std::size_t>(64 * 1024, bytes.size() - at));
        while (!c.InputData(reinterpret_cast<const unsigned char*>(bytes.data() + at), n)) std::this_thread::yield();
    }
    while (c.GetBufferValue(MV_BUFFER_PENDING) + c.GetSourceBufferRemain() > 0) std::this_thread::yield();
    c.StopAVIConvert();
    c.Stop();
    c.CloseStream();
    return std::chrono::duration<double>(Clock::now() - begin).count();
}

void Avi(const std::string& file, const std::string& dir) {
    std::printf("\navi: converting a pushed minute of 1280x720 H.264 with sound, against a plain remux\n");
    double plain = 1e9, ours = 1e9;
    for (int round = 0; round < 3; ++round) {
        std::filesystem::remove(dir + "/plain.avi");
        std::filesystem::remove(dir + "/ours.avi");
        plain = std::min(plain, PlainRemux(file, dir + "/plain.avi"));
        ours = std::min(ours, Converter(file, dir + "/ours.avi"));
    }
    const double mb = std::filesystem::file_size(file) / 1e6;
    std::printf("  plain remux %.1f ms (%.0f MB/s), converter %.1f ms (%.0f MB/s): %.2f of the limit (target >= 0.8)\n",
                plain * 1000, mb / plain, ours * 1000, mb / ours, plain / ours);
}

void Export(const std::string& file, const std::string& dir, double seconds) {
    std::printf("\nexport: tarvex-cli export of %.0f s of 1280x720 H.264, against its duration\n", seconds);
    char self[4096] = {0};
    if (::readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return;
    const std::string cli = std::filesystem::path(self).parent_path().parent_path().parent_path() / "bin" / "tarvex-cli";
    for (const char* format : {"rvf", "avi"}) {
        const std::string out = dir + "/export." + format;
        std::filesystem::remove(out);
        const std::string command = cli + " export " + file + " --format " + format + " -o " + out + " 2>/dev/null";
        const auto begin = Clock::now();
        const int rc = std::system(command.c_str());
        const double took = std::chrono::duration<double>(Clock::now() - begin).count();
        std::printf("  %s: %.2f s (exit %d), %.2f%% of the duration (target <= 5%%)\n", format, took, rc, 100 * took / seconds);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const BenchOptions options = ReadBenchOptions(argc, argv);
    const bool quick = options.quick;
    auto wanted = [&](const char* name) { return options.Wanted(name); };
    const std::string dir = MakeBenchFolder("tarvex-bench-group");
    if (dir.empty()) return 1;
    std::string error;
    SynthOptions sd;
    sd.start = 1710496800;
    sd.seconds = 10;
    sd.width = 704;
    sd.height = 576;
    sd.device = "SD";
    SynthOptions hd = sd;
    hd.device = "HD";
    hd.width = 1280;
    hd.height = 720;
    hd.gop = 50;
    hd.audio = "aac";
    hd.seconds = quick ? 20 : 60;
    std::vector<std::string> sdFiles, hdFiles;
    std::printf("writing the recordings...\n");
    std::fflush(stdout);
    if (!WriteSynthRecordings(dir, sd, &sdFiles, &error) ||
        ((wanted("avi") || wanted("export")) && !WriteSynthRecordings(dir, hd, &hdFiles, &error))) {
        std::fprintf(stderr, "bench_group_export: %s\n", error.c_str());
        return 1;
    }
    if (wanted("drift")) Drift(sdFiles[0], quick);
    if (wanted("push")) Push(sdFiles[0], quick);
    if (wanted("avi")) Avi(hdFiles[0], dir);
    if (wanted("export")) Export(hdFiles[0], dir, hd.seconds);
    std::filesystem::remove_all(dir);
    return 0;
}
