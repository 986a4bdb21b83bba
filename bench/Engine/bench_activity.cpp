// How fast activity is found in an hour of camera-like footage, and how well on scenes with known
// activity.
//
//   bench_activity [--quick] [--footage FILE] [--long-keyframes] [--only activity|search|scenes]
//
// The footage is made by the ffmpeg command as a camera's (a moving test picture under temporal
// noise, H.264 at 1.5 Mbit/s with B-frames and a keyframe every 2 s, 704x576, MPEG-TS): an hour
// of it, or ten minutes with --quick (the figures are then also told per hour), kept in
// /tmp/tarvex-bench-footage/ for the next run. --long-keyframes also makes the same footage with
// a keyframe every 250 pictures (10 s), as many cameras are set, and tells its figures beside the
// default's: where keyframes are far apart the pictures between them must be decoded too. --footage takes an existing recording instead. Targets: the activity of an hour in 10 s or less, a search of a
// rectangle in 20 s or less. The scenes are the tests' (tests/Engine/ActivityScenes.h).
#include <cmath>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "Engine/ActivityScan.h"
#include "bench/Engine/EngineBenchSupport.h"
#include "tests/Engine/ActivityScenes.h"

namespace {

using namespace TarvexBench;

// Made once and kept in `folder` for later runs: an hour takes the encoder many minutes.
std::string MakeFootage(const std::string& folder, int seconds, int keyframeInterval) {
    char end[16];
    std::snprintf(end, sizeof end, "%02d%02d%02d", 10 + seconds / 3600, seconds / 60 % 60, seconds % 60);
    const std::string path = folder + "/CAM_ch1_20240315100000_20240315" + end + ".rvf";
    if (std::filesystem::exists(path)) return path;
    std::filesystem::create_directories(folder);
    std::printf("making %d s of camera-like 704x576 footage with the ffmpeg command into %s...\n", seconds, folder.c_str());
    std::fflush(stdout);
    const std::string part = path + ".part";
    const std::string command = "nice ffmpeg -v error -y -f lavfi -i 'testsrc2=size=704x576:rate=25' -t " + std::to_string(seconds) +
                                " -vf 'noise=alls=10:allf=t' -c:v libx264 -preset veryfast -b:v 1500k -maxrate 2000k"
                                " -bufsize 3000k -bf 2 -g " + std::to_string(keyframeInterval) + " -pix_fmt yuv420p -f mpegts '" + part + "'";
    if (std::system(command.c_str()) != 0) return std::string();
    std::filesystem::rename(part, path);
    return path;
}

// One scan, timed: wall and CPU seconds.
bool Timed(const std::string& path, const MOVRA::ActivityScanOptions& options, double* wall, double* cpu,
           MOVRA::ActivityResult* result) {
    const std::atomic<bool> never{false};
    std::string error;
    const double cpu0 = CpuSeconds();
    const auto t0 = Clock::now();
    const bool ok = MOVRA::ScanActivity(path, options, never, nullptr, result, &error);
    *wall = Ms(Clock::now() - t0) / 1000;
    *cpu = CpuSeconds() - cpu0;
    if (!ok) std::fprintf(stderr, "bench_activity: %s: %s\n", path.c_str(), error.c_str());
    return ok;
}

void Speed(const std::string& path, const char* footage, bool search, int rounds) {
    MOVRA::ActivityScanOptions options;
    if (search) options.region = {0.25, 0.25, 0.5, 0.5};
    std::vector<double> walls, cpus;
    MOVRA::ActivityResult r;
    for (int i = 0; i < rounds; ++i) {
        double wall = 0, cpu = 0;
        if (!Timed(path, options, &wall, &cpu, &r)) return;
        walls.push_back(wall);
        cpus.push_back(cpu);
    }
    const double hours = r.duration / 3600;
    std::vector<double> perHour;
    for (double w : walls) perHour.push_back(w / hours);
    std::printf("%-8s %-15s %.0f s of footage: %s s wall, %s s CPU; per hour %s s (target %d s); %zu events\n",
                search ? "search" : "activity", footage, r.duration, Spread(walls).c_str(), Spread(cpus).c_str(),
                Spread(perHour).c_str(), search ? 20 : 10, r.spans.size());
}

void Scenes() {
    const std::string folder = MakeBenchFolder("bench-activity-scenes");
    int found = 0, missed = 0, falseOnes = 0;
    std::vector<double> errors;
    double seconds = 0;
    for (const TarvexTest::ActivityScene& scene : TarvexTest::ActivityScenes()) {
        const std::string path = TarvexTest::MakeActivityScene(folder, scene);
        MOVRA::ActivityResult r;
        double wall = 0, cpu = 0;
        if (path.empty() || !Timed(path, MOVRA::ActivityScanOptions(), &wall, &cpu, &r)) continue;
        seconds += r.duration;
        std::vector<bool> matched(r.spans.size(), false);
        for (const auto& t : scene.truth) {
            bool hit = false;
            for (std::size_t i = 0; i < r.spans.size(); ++i) {
                if (r.spans[i].start >= t.second || r.spans[i].end <= t.first) continue;
                if (!hit) errors.push_back(r.spans[i].start - t.first);
                hit = matched[i] = true;
            }
            hit ? ++found : ++missed;
        }
        for (bool m : matched) falseOnes += m ? 0 : 1;
    }
    std::filesystem::remove_all(folder);
    double worst = 0, sum = 0;
    for (double e : errors) {
        worst = std::max(worst, std::fabs(e));
        sum += std::fabs(e);
    }
    std::printf("scenes   %.0f s: found %d, missed %d, false %d; start error mean %.2f s, worst %.2f s\n", seconds, found,
                missed, falseOnes, errors.empty() ? 0.0 : sum / errors.size(), worst);
}

}  // namespace

int main(int argc, char** argv) {
    const BenchOptions options = ReadBenchOptions(argc, argv);
    std::string given;
    bool longKeyframes = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--footage" && i + 1 < argc) given = argv[i + 1];
        if (std::string(argv[i]) == "--long-keyframes") longKeyframes = true;
    }
    if (options.Wanted("activity") || options.Wanted("search")) {
        // Each footage by the name its figures are told under.
        std::vector<std::pair<const char*, std::string>> footages;
        const int seconds = options.quick ? 600 : 3600;
        if (!given.empty()) footages.emplace_back("(given)", given);
        else footages.emplace_back("keyframes 50", MakeFootage("/tmp/tarvex-bench-footage", seconds, 50));
        if (longKeyframes) footages.emplace_back("keyframes 250", MakeFootage("/tmp/tarvex-bench-footage/keyframes250", seconds, 250));
        for (const auto& [name, path] : footages)
            if (path.empty()) {
                std::fprintf(stderr, "bench_activity: the ffmpeg command failed\n");
                return 1;
            }
        const int rounds = options.quick ? 1 : 2;
        for (const char* what : {"activity", "search"})
            if (options.Wanted(what))
                for (const auto& [name, path] : footages) Speed(path, name, std::string(what) == "search", rounds);
    }
    if (options.Wanted("scenes")) Scenes();
    return 0;
}
