// The activity detector on scenes with known activity, its stored profile, and its thread.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include "Base/StreamConvert.h"
#include "Engine/ActivityProfiler.h"
#include "Engine/ActivityStore.h"
#include "Files/IndexFiles.h"
#include "tests/Engine/ActivityScenes.h"
#include "tests/Engine/EngineTestSupport.h"

namespace TarvexTest {
namespace {

constexpr double kStartTolerance = 1.0;  // seconds
constexpr std::int64_t kSceneDay = 1710496800;  // 2024-03-15 10:00:00 UTC, the first scene's start

// Each scene is made once, when a test first needs it: encoding them is most of the time.
class ActivityTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvex-activity-XXXXXX").string();
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        s_dir = new std::string(pattern);
        s_scenes = new std::vector<ActivityScene>(ActivityScenes());
        s_paths = new std::vector<std::string>(s_scenes->size());
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        std::filesystem::remove_all(*s_dir, ec);
        delete s_dir;
        delete s_scenes;
        delete s_paths;
    }
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
    }
    static const std::string& Path(std::size_t scene) {
        std::string& path = (*s_paths)[scene];
        if (path.empty()) path = MakeActivityScene(*s_dir, (*s_scenes)[scene]);
        EXPECT_FALSE(path.empty()) << "the ffmpeg command could not make " << (*s_scenes)[scene].name;
        return path;
    }

    static MOVRA::ActivityResult Scan(std::size_t scene, const MOVRA::ActivityRegion& region = MOVRA::ActivityRegion()) {
        MOVRA::ActivityScanOptions options;
        options.region = region;
        MOVRA::ActivityResult r;
        std::string error;
        const std::atomic<bool> never{false};
        EXPECT_TRUE(MOVRA::ScanActivity(Path(scene), options, never, nullptr, &r, &error)) << error;
        return r;
    }

    static std::string* s_dir;
    static std::vector<ActivityScene>* s_scenes;
    static std::vector<std::string>* s_paths;
};
std::string* ActivityTest::s_dir = nullptr;
std::vector<ActivityScene>* ActivityTest::s_scenes = nullptr;
std::vector<std::string>* ActivityTest::s_paths = nullptr;

// Every known stretch found by a span starting within the tolerance; no span where nothing moved.
void ExpectSpans(const std::vector<std::pair<double, double>>& truth, const std::vector<MOVRA::ActivitySpan>& spans,
                 const std::string& what) {
    std::vector<bool> matched(spans.size(), false);
    for (const auto& t : truth) {
        bool found = false;
        for (std::size_t i = 0; i < spans.size(); ++i) {
            if (spans[i].start >= t.second || spans[i].end <= t.first) continue;
            if (!found) {
                EXPECT_NEAR(t.first, spans[i].start, kStartTolerance) << what << ": the span of " << t.first << "-" << t.second;
                EXPECT_LE(spans[i].start, spans[i].peak) << what;
                EXPECT_LE(spans[i].peak, spans[i].end) << what;
            }
            found = true;
            matched[i] = true;
        }
        EXPECT_TRUE(found) << what << ": nothing found at " << t.first << "-" << t.second;
    }
    for (std::size_t i = 0; i < spans.size(); ++i)
        EXPECT_TRUE(matched[i]) << what << ": a span where nothing moved, " << spans[i].start << "-" << spans[i].end;
}

TEST_F(ActivityTest, FindsWhatCrossesAndNothingFromLightFlickerOrNoise) {
    for (std::size_t i = 0; i < s_scenes->size(); ++i) {
        const ActivityScene& scene = (*s_scenes)[i];
        const MOVRA::ActivityResult r = Scan(i);
        ExpectSpans(scene.truth, r.spans, scene.name);
        EXPECT_NEAR(scene.seconds, r.duration, 0.2) << scene.name;
        ASSERT_EQ(static_cast<std::size_t>(std::ceil(r.duration)), r.perSecond.size()) << scene.name;
        // The wall clock comes from the recorder's file name.
        EXPECT_EQ(static_cast<double>(kSceneDay + 3600 * static_cast<int>(i)), r.startWallClock) << scene.name;
        // The values are high where something moves and low elsewhere.
        for (const auto& t : scene.truth) {
            const auto middle = static_cast<std::size_t>((t.first + t.second) / 2);
            EXPECT_GE(r.perSecond[middle], MOVRA::kActiveScore) << scene.name << " second " << middle;
        }
        if (scene.truth.empty())
            for (std::size_t s = 0; s < r.perSecond.size(); ++s) EXPECT_LT(r.perSecond[s], 0.01f) << scene.name << " second " << s;
    }
}

TEST_F(ActivityTest, RegionSearchSeesOnlyInsideTheRectangle) {
    const std::size_t treeScene = 4;
    // The lower left: the first crossing only, whatever the tree and the second crossing do.
    ExpectSpans({{8, 13}}, Scan(treeScene, {0, 0.6, 0.6, 0.4}).spans, "lower left");
    // Around the tree alone: it always moves, and that is nothing to find.
    ExpectSpans({}, Scan(treeScene, {0.68, 0, 0.32, 0.42}).spans, "the tree");
    // The middle of the crossings' scene, where the large dark box passes.
    ExpectSpans({{16, 27}}, Scan(0, {0.3, 0, 0.5, 0.4}).spans, "upper middle");
}

TEST_F(ActivityTest, RegionOutsideThePictureIsRefused) {
    for (const MOVRA::ActivityRegion& bad : {MOVRA::ActivityRegion{0.5, 0, 0.6, 1}, MOVRA::ActivityRegion{0, 0, 0, 1},
                                             MOVRA::ActivityRegion{-0.1, 0, 0.5, 0.5}, MOVRA::ActivityRegion{0, 0, NAN, 1}}) {
        MOVRA::ActivityScanOptions options;
        options.region = bad;
        MOVRA::ActivityResult r;
        std::string error;
        const std::atomic<bool> never{false};
        EXPECT_FALSE(MOVRA::ScanActivity(Path(0), options, never, nullptr, &r, &error));
        EXPECT_FALSE(error.empty());
    }
}

TEST_F(ActivityTest, ThumbnailsShowEachSpansPeak) {
    MOVRA::ActivityScanOptions options;
    options.thumbnailFolder = *s_dir + "/thumbs";
    std::filesystem::create_directories(options.thumbnailFolder);
    MOVRA::ActivityResult r;
    std::string error;
    const std::atomic<bool> never{false};
    ASSERT_TRUE(MOVRA::ScanActivity(Path(0), options, never, nullptr, &r, &error)) << error;
    ASSERT_EQ(r.spans.size(), r.thumbnails.size());
    for (const std::string& t : r.thumbnails) {
        std::ifstream in(t, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_GT(bytes.size(), 1000u) << t;
        EXPECT_EQ("\xFF\xD8", bytes.substr(0, 2)) << t;  // a JPEG
    }
}

}  // namespace

// ---- the stored profile -------------------------------------------------------------------------

class ActivityStoreTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        setenv("TARVEX_HOME", m_dir.c_str(), 1);
        std::filesystem::create_directories(m_dir + "/Index");
        MOVRA::SynthOptions o;
        o.seconds = 3;
        m_file = Synth(o);
        m_profile = KX_SOFT_BASE::WideToNative(CompanionPathFor(KX_SOFT_BASE::NativeToWide(m_file), L".rva"));
    }
    void TearDown() override {
        unsetenv("TARVEX_HOME");
        EngineTest::TearDown();
    }
    // The profile and whether it came from the store.
    bool Profile(MOVRA::ActivityResult* r) {
        bool stored = false;
        std::string error;
        const std::atomic<bool> never{false};
        EXPECT_TRUE(MOVRA::ProfileActivity(m_file, never, nullptr, r, &error, &stored)) << error;
        return stored;
    }
    std::string Bytes() {
        std::ifstream in(m_profile, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    void Write(const std::string& bytes) { std::ofstream(m_profile, std::ios::binary | std::ios::trunc) << bytes; }

    std::string m_file, m_profile;
};

TEST_F(ActivityStoreTest, KeptBesideTheIndexAndReadBack) {
    MOVRA::ActivityResult first, second;
    EXPECT_FALSE(Profile(&first));
    ASSERT_TRUE(std::filesystem::exists(m_profile));
    EXPECT_TRUE(Profile(&second));
    EXPECT_EQ(first.perSecond, second.perSecond);
    EXPECT_EQ(first.startWallClock, second.startWallClock);
    EXPECT_EQ(first.duration, second.duration);
    ASSERT_EQ(first.spans.size(), second.spans.size());
    for (std::size_t i = 0; i < first.spans.size(); ++i) EXPECT_EQ(first.spans[i].start, second.spans[i].start);
}

TEST_F(ActivityStoreTest, ForgedDamagedOrStaleProfilesAreWorkedOutAgain) {
    MOVRA::ActivityResult reference, r;
    Profile(&reference);
    const std::string good = Bytes();
    ASSERT_GT(good.size(), kIndexHeaderSize + 60);

    // A changed value with its checksum left as it was; a cut one; one with counts far beyond its
    // length; one for another file; nothing but the header.
    std::string changed = good;
    changed[kIndexHeaderSize + 60] ^= 0x40;
    std::string huge = good;
    for (int i = 0; i < 4; ++i) huge[kIndexHeaderSize + 44 + i] = '\xFF';
    std::string other = good;
    other[kIndexHeaderSize + 13] ^= 1;
    for (const std::string& forged : {changed, good.substr(0, good.size() - 9), huge, other, good.substr(0, kIndexHeaderSize)}) {
        Write(forged);
        EXPECT_FALSE(Profile(&r));
        EXPECT_EQ(reference.perSecond, r.perSecond);
        EXPECT_EQ(good, Bytes()) << "the profile is stored again";
    }

    // The recording changed since: the header no longer matches.
    struct timeval times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(0, ::utimes(m_file.c_str(), times));
    EXPECT_FALSE(Profile(&r));
    EXPECT_TRUE(Profile(&r));
}

// A profile forged whole, its checksum made to match: values the player cannot use as times and
// shares are refused all the same.
TEST(ActivityProfileBytes, ForgedWithAMatchingChecksumIsRefused) {
    const MOVRA::FileIdentity identity{4096, 77};
    MOVRA::ActivityResult made, r;
    made.startWallClock = static_cast<double>(kSceneDay);
    made.duration = 3;
    made.perSecond = {0, 0.5f, 0};
    made.spans = {MOVRA::ActivitySpan{0.5, 1.5, 1, 0.5f}};
    const std::vector<unsigned char> good = MOVRA::SerializeActivity(made, identity);
    ASSERT_TRUE(MOVRA::ParseActivity(good.data(), good.size(), identity, &r));
    EXPECT_EQ(made.perSecond, r.perSecond);

    const auto forge = [&good](std::size_t at, double value) {
        std::vector<unsigned char> bytes = good;
        std::memcpy(bytes.data() + at, &value, sizeof value);  // little-endian, as the store writes
        const std::uint64_t sum = MOVRA::Fnv1a(bytes.data(), bytes.size() - 8);
        for (int i = 0; i < 8; ++i) bytes[bytes.size() - 8 + i] = static_cast<unsigned char>(sum >> (8 * i));
        return bytes;
    };
    const std::size_t start = 28, firstSpan = 52 + 3 * 4;
    ASSERT_TRUE(MOVRA::ParseActivity(forge(start, made.startWallClock + 1).data(), good.size(), identity, &r));
    EXPECT_EQ(made.startWallClock + 1, r.startWallClock);
    for (const auto& [at, value] : {std::pair<std::size_t, double>{start, 1e300}, {start, -1e300}, {start, NAN},
                                    {firstSpan + 24, 1e300}, {firstSpan + 24, 1.5}, {firstSpan + 24, -1e-3}}) {
        const std::vector<unsigned char> forged = forge(at, value);
        EXPECT_FALSE(MOVRA::ParseActivity(forged.data(), forged.size(), identity, &r)) << at << " " << value;
    }
}

TEST_F(ActivityStoreTest, DamagedRecordingIsAnErrorNotAProfile) {
    const std::string bad = m_dir + "/DVR_ch9_20240315100000_20240315100010.rvf";
    std::ofstream(bad, std::ios::binary) << std::string(5000, 'x');
    MOVRA::ActivityResult r;
    std::string error;
    const std::atomic<bool> never{false};
    EXPECT_FALSE(MOVRA::ProfileActivity(bad, never, nullptr, &r, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(MOVRA::ProfileActivity(m_dir + "/missing.rvf", never, nullptr, &r, &error));
    EXPECT_EQ("no such file", error);
}

// ---- the profiler's thread ---------------------------------------------------------------------

class ActivityProfilerTest : public ActivityStoreTest {
protected:
    struct Seen {
        std::mutex mutex;
        std::condition_variable cv;
        std::vector<std::pair<std::size_t, double>> progress;
        std::vector<std::size_t> results;
        std::vector<bool> ok;
        std::vector<int> niceness;
        int finished = 0;
        bool cancelled = false;
    };
    void Start(MOVRA::CActivityProfiler& profiler, MOVRA::CActivityProfiler::Job job, const std::shared_ptr<Seen>& seen) {
        profiler.Start(
            std::move(job),
            [seen](std::size_t file, double done) {
                std::lock_guard<std::mutex> lock(seen->mutex);
                seen->progress.emplace_back(file, done);
                seen->niceness.push_back(::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid))));
            },
            [seen](std::size_t file, bool ok, const MOVRA::ActivityResult&, const std::string&) {
                std::lock_guard<std::mutex> lock(seen->mutex);
                seen->results.push_back(file);
                seen->ok.push_back(ok);
            },
            [seen](bool cancelled) {
                std::lock_guard<std::mutex> lock(seen->mutex);
                ++seen->finished;
                seen->cancelled = cancelled;
                seen->cv.notify_all();
            });
    }
    bool WaitFinished(const std::shared_ptr<Seen>& seen) {
        std::unique_lock<std::mutex> lock(seen->mutex);
        return seen->cv.wait_for(lock, std::chrono::seconds(120), [&] { return seen->finished > 0; });
    }
};

TEST_F(ActivityProfilerTest, WorksAtTheLowestPriorityReportingEachFileInOrder) {
    MOVRA::SynthOptions o;
    o.seconds = 4;
    o.channels = 2;
    o.start = kStart + 600;
    std::vector<std::string> written;
    std::string error;
    ASSERT_TRUE(MOVRA::WriteSynthRecordings(m_dir, o, &written, &error)) << error;
    MOVRA::CActivityProfiler profiler;
    auto seen = std::make_shared<Seen>();
    MOVRA::CActivityProfiler::Job job;
    job.paths = {written[0], m_dir + "/missing.rvf", written[1]};
    Start(profiler, job, seen);
    ASSERT_TRUE(WaitFinished(seen));
    std::lock_guard<std::mutex> lock(seen->mutex);
    EXPECT_FALSE(seen->cancelled);
    EXPECT_EQ((std::vector<std::size_t>{0, 1, 2}), seen->results);
    EXPECT_EQ((std::vector<bool>{true, false, true}), seen->ok);
    ASSERT_FALSE(seen->progress.empty());
    for (std::size_t i = 1; i < seen->progress.size(); ++i) {
        const auto& a = seen->progress[i - 1];
        const auto& b = seen->progress[i];
        EXPECT_TRUE(b.first > a.first || (b.first == a.first && b.second >= a.second)) << i;
    }
    EXPECT_EQ(1.0, seen->progress.back().second);
    for (int n : seen->niceness) EXPECT_EQ(19, n);
}

TEST_F(ActivityProfilerTest, CancelStopsTheJobAndReportsIt) {
    MOVRA::SynthOptions o;
    o.seconds = 30;
    const std::string longer = Synth(o);
    MOVRA::CActivityProfiler profiler;
    auto seen = std::make_shared<Seen>();
    MOVRA::CActivityProfiler::Job job;
    job.paths = {longer, longer, longer};
    job.search = true;
    job.options.region = {0, 0, 0.5, 0.5};
    Start(profiler, job, seen);
    profiler.Cancel();
    ASSERT_TRUE(WaitFinished(seen));
    std::lock_guard<std::mutex> lock(seen->mutex);
    EXPECT_TRUE(seen->cancelled);
    EXPECT_EQ(1, seen->finished);
    EXPECT_LT(seen->results.size(), 3u);
}

}  // namespace TarvexTest
