// Cataloguing a large recorder export, against merely listing the same tree (the limit), and
// file-name parsing alone.
//
// The tree: 30 date folders x 10 devices x 16 channels x 20 hourly files (96,000 recordings),
// plus 2,000 ungrouped recordings and 2,000 files of other kinds at the top: 100,000 files.
#include <benchmark/benchmark.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Base/StreamConvert.h"
#include "Files/FileManager.h"
#include "Files/NamingRules.h"
#include "bench/common/RatioReporter.h"

namespace {

constexpr int kDays = 30, kDevices = 10, kChannels = 16, kFilesPerChannel = 20;
constexpr int kUngrouped = 2000, kOthers = 2000;
constexpr long kTotalFiles = static_cast<long>(kDays) * kDevices * kChannels * kFilesPerChannel + kUngrouped + kOthers;

std::string RecordingName(int device, int channel, int day, int hour) {
    char name[128];
    std::snprintf(name, sizeof name, "NVR%02d_ch%d_201203%02d%02d0000_201203%02d%02d5959.rvf", device, channel, day,
                  hour, day, hour);
    return name;
}

void TouchFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    if (fd >= 0) ::close(fd);
}

class Tree {
public:
    Tree() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvex-bench-tree-XXXXXX").string();
        m_root = mkdtemp(pattern.data()) ? pattern : std::string();
        for (int day = 1; day <= kDays; ++day) {
            char folder[32];
            std::snprintf(folder, sizeof folder, "/2012-03-%02d", day);
            const std::string dir = m_root + folder;
            ::mkdir(dir.c_str(), 0755);
            for (int device = 0; device < kDevices; ++device)
                for (int channel = 1; channel <= kChannels; ++channel)
                    for (int hour = 0; hour < kFilesPerChannel; ++hour)
                        TouchFile(dir + "/" + RecordingName(device, channel, day, hour));
        }
        for (int i = 0; i < kUngrouped; ++i) TouchFile(m_root + "/export_clip_" + std::to_string(i) + ".rvf");
        for (int i = 0; i < kOthers; ++i) TouchFile(m_root + "/notes_" + std::to_string(i) + (i % 2 ? ".txt" : ".idx"));
    }
    ~Tree() {
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }
    const std::string& Root() const { return m_root; }

private:
    std::string m_root;
};

// Built on first use, outside any timed loop; the first walk warms the directory cache.
Tree& TheTree();

// The limit: read every directory entry once, as any catalogue must, and look at nothing else.
long Walk(const std::string& dir, int depth) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return 0;
    long files = 0;
    while (dirent* e = ::readdir(d)) {
        if (e->d_name[0] == '.') continue;
        if (e->d_type == DT_DIR) {
            if (depth < 2) files += Walk(dir + "/" + e->d_name, depth + 1);
        } else {
            ++files;
        }
    }
    ::closedir(d);
    return files;
}

Tree& TheTree() {
    static Tree tree;
    static const long warm = Walk(tree.Root(), 1);
    (void)warm;
    return tree;
}

void CatalogueTree(benchmark::State& state) {
    const std::wstring pattern = KX_SOFT_BASE::NativeToWide(TheTree().Root() + "/*.*");
    std::size_t grouped = 0;
    for (auto _ : state) {
        // Built and listed as the helper loop does; freed untimed, as the player frees it only
        // at exit.
        auto catalogue = std::make_unique<CFileManager>();
        int none = 1;
        catalogue->AddFolder(pattern, &none);
        std::vector<_GROUP_FILE_INFO> groups;
        std::vector<std::wstring> paths;
        catalogue->FillGroupList(groups, paths);
        grouped = paths.size();
        state.PauseTiming();
        catalogue.reset();
        state.ResumeTiming();
    }
    state.counters["files_per_s"] = benchmark::Counter(kTotalFiles, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["grouped"] = static_cast<double>(grouped);
}

void WalkTree(benchmark::State& state) {
    const std::string& root = TheTree().Root();
    long files = 0;
    for (auto _ : state) files = Walk(root, 1);
    state.counters["files_per_s"] = benchmark::Counter(static_cast<double>(files), benchmark::Counter::kIsIterationInvariantRate);
}

void ParseNames(benchmark::State& state) {
    std::vector<std::wstring> titles;
    for (int i = 0; i < 1000; ++i) {
        std::string name = RecordingName(i % kDevices, 1 + i % kChannels, 1 + i % kDays, i % 20);
        name.resize(name.size() - 4);
        titles.push_back(KX_SOFT_BASE::NativeToWide(name));
    }
    CNamingRuleParser parser;
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(ParseFileName(titles[i++ % titles.size()], parser));
    state.counters["names_per_s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    // Repeated, and judged by the medians: a single run of either moves by a tenth from run to run.
    benchmark::RegisterBenchmark("catalogue/ours/100k_files", &CatalogueTree)
        ->Unit(benchmark::kMillisecond)->MinTime(1)->Repetitions(7)->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("catalogue/plain_walk/100k_files", &WalkTree)
        ->Unit(benchmark::kMillisecond)->MinTime(1)->Repetitions(7)->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("parse_file_name", &ParseNames);
    TarvexBench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios({{"catalogue 100k files vs plain walk (target >= 1/6)", "catalogue/ours/",
                           "catalogue/plain_walk/", "files_per_s", true}});
    benchmark::Shutdown();
    return 0;
}
