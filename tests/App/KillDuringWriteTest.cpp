// A writer killed (SIGKILL) at a random moment loses nothing already written: every file it had
// completed is whole, the one it was writing is whole or readable up to its last whole frame (a
// native clip) or absent (an AVI, written under a temporary name until complete), and the next
// start removes what it left half-written. The writer is a child program that writes one
// kind of file over and over; the moment comes from a random count of its progress lines and a
// random pause (the seed is printed with a failure).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "../Engine/FrameLog.h"
#include "App/LeftoverFiles.h"
#include "App/Settings.h"
#include "AppTestSupport.h"
#include "Base/ReplaceFile.h"
#include "Base/StreamConvert.h"
#include "Base/UserFolders.h"
#include "Engine/RecordingWriter.h"
#include "Files/IndexFiles.h"

extern char** environ;

namespace {

using TarvexTest::PlayedFrames;

std::uintmax_t Size(const std::string& path) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    return ec ? 0 : size;
}

// The bytes written so far of the file at `path`: under its name, or under a temporary name
// beside it until it is complete.
std::uintmax_t Written(const std::string& path) {
    const std::filesystem::path p(path);
    std::uintmax_t size = Size(path);
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(p.parent_path(), ec)) {
        const std::string name = entry.path().filename().string();
        if (KX_SOFT_BASE::IsReplaceFilePart(name) && name.compare(1, p.filename().string().size(), p.filename().string()) == 0)
            size += Size(entry.path().string());
    }
    return size;
}

// What the writer said before it was killed.
struct Progress {
    int lastBegun = 0;
    int lastDone = -1;
    std::vector<std::string> done;  // the paths of complete files, where the writer names them
    std::string writing;            // the path of the file begun and not completed
};

class KillDuringWriteTest : public TarvexTest::ProgramFolderTest {
protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        setenv("TZ", "UTC", 1);
        tzset();
        std::random_device device;
        m_seed = device();
        m_random.seed(m_seed);
        Mkdir("out");
        Mkdir("rec");
        Mkdir("Index");
    }

    std::string Out() const { return HomeUtf8() + "out"; }

    std::string Recording(double seconds, int width = 320, int height = 240) {
        MOVRA::SynthOptions o;
        o.seconds = seconds;
        o.width = width;
        o.height = height;
        o.start = 1710496800;
        std::vector<std::string> written;
        std::string error;
        EXPECT_TRUE(MOVRA::WriteSynthRecordings(HomeUtf8() + "rec", o, &written, &error)) << error;
        return written.empty() ? std::string() : written.front();
    }

    // Runs the writer until its `lines`-th line whose first word is `word` (and, with
    // `untilWritten`, until the file it writes then has bytes), then waits a random while of up
    // to `pauseMicros` and kills it.
    Progress RunAndKill(const std::string& kind, const std::string& recording, const std::string& word, int lines,
                        int pauseMicros, bool untilWritten = false) {
        int pipeFds[2];
        if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "no pipe";
            return Progress();
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        const std::string out = Out();
        const char* argv[] = {TARVEX_WRITE_PROBE, kind.c_str(), recording.c_str(), out.c_str(), nullptr};
        pid_t child = -1;
        const int spawned = posix_spawn(&child, TARVEX_WRITE_PROBE, &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        // Never a kill without a child: kill(-1) would signal every process we may signal.
        if (spawned != 0 || child <= 0) {
            ::close(pipeFds[0]);
            ADD_FAILURE() << kind << ": the writer did not start (" << spawned << ")";
            return Progress();
        }

        Progress progress;
        std::string pending;
        int seen = 0;
        bool ended = false;
        while (!ended && seen < lines) {
            pollfd p = {pipeFds[0], POLLIN, 0};
            // Generous: the sanitizer builds are slow, and the writer's first file waits for an index.
            if (::poll(&p, 1, 120000) <= 0) break;
            char buffer[4096];
            const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
            if (n <= 0) {
                ended = true;
                break;
            }
            pending.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t eol; seen < lines && (eol = pending.find('\n')) != std::string::npos;) {
                const std::string line = pending.substr(0, eol);
                pending.erase(0, eol + 1);
                Take(line, &progress);
                if (line.compare(0, word.size(), word) == 0) ++seen;
            }
        }
        // A writer of its own thread (the AVI converter) begins the file some time after it said so.
        for (int waited = 0; untilWritten && !ended && waited < 120000 && Written(progress.writing) == 0; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::uniform_int_distribution<int> pause(0, pauseMicros);
        std::this_thread::sleep_for(std::chrono::microseconds(pause(m_random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        // What it said between the last line read and the kill counts too.
        for (char buffer[4096];;) {
            const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
            if (n <= 0) break;
            pending.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(pipeFds[0]);
        for (std::size_t eol; (eol = pending.find('\n')) != std::string::npos;) {
            Take(pending.substr(0, eol), &progress);
            pending.erase(0, eol + 1);
        }
        EXPECT_FALSE(ended) << kind << ": the writer stopped by itself before it was killed";
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << kind << ": status " << status;
        EXPECT_EQ(lines, seen) << kind << ": the writer fell silent";
        return progress;
    }

    static void Take(const std::string& line, Progress* progress) {
        std::istringstream words(line);
        std::string word, path;
        int n = 0;
        words >> word >> n >> path;
        if (word == "begin") {
            progress->lastBegun = n;
            progress->writing = path;
        } else if (word == "done") {
            progress->lastDone = n;
            if (!path.empty()) progress->done.push_back(path);
            progress->writing.clear();
        }
    }

    // The temporary files left in the folder.
    static int Parts(const std::string& folder) {
        int parts = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            parts += KX_SOFT_BASE::IsReplaceFilePart(entry.path().filename().string());
        return parts;
    }

    // What the next start does; afterwards no temporary file is left anywhere it writes.
    void StartAgain() {
        const KX_SOFT_BASE::KXUserFolders folders = KX_SOFT_BASE::UserFoldersFor(HomeUtf8());
        TarvexApp::RemoveLeftoverFiles(folders, KX_SOFT_BASE::NativeToWide(Out() + "/"), L"");
        for (const std::string& folder : {Out(), HomeUtf8() + "Config", HomeUtf8() + "Index"})
            if (std::filesystem::exists(folder)) {
                EXPECT_EQ(0, Parts(folder)) << folder;
            }
    }

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    unsigned int m_seed = 0;
    std::mt19937 m_random;
};

// Frames numbered one after the other: nothing lost, repeated or garbled inside the file.
::testing::AssertionResult Consecutive(const std::vector<int>& shown) {
    for (std::size_t i = 1; i < shown.size(); ++i)
        if (shown[i] != shown[i - 1] + 1)
            return ::testing::AssertionFailure() << "frame " << shown[i] << " after " << shown[i - 1];
    return ::testing::AssertionSuccess();
}

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A clip cut short holds the frames written before the kill, one after the other; one larger
// than `holdsAFrame` bytes (0: no such size is known) shows at least one.
void ExpectReadablePrefix(const std::string& path, int first, std::uintmax_t holdsAFrame) {
    if (path.empty() || !std::filesystem::exists(path)) return;
    const std::vector<int> shown = PlayedFrames(path);
    EXPECT_TRUE(Consecutive(shown)) << path;
    if (holdsAFrame > 0 && Size(path) > holdsAFrame) {
        EXPECT_FALSE(shown.empty()) << path << " of " << Size(path) << " bytes shows nothing";
    }
    if (first >= 0 && !shown.empty()) {
        EXPECT_EQ(first, shown.front()) << path;
    }
}

}  // namespace

TEST_F(KillDuringWriteTest, ANativeClipKilledIsReadableAndTheEarlierOnesWhole) {
    SCOPED_TRACE("seed " + std::to_string(m_seed));
    const std::string recording = Recording(6);
    ASSERT_FALSE(recording.empty());
    for (int round = 0; round < 3; ++round) {
        const Progress p = RunAndKill("clip", recording, "step", Pick(1, 20), 100000);
        for (const std::string& clip : p.done) {
            const std::vector<int> shown = PlayedFrames(clip);
            EXPECT_FALSE(shown.empty()) << clip;
            EXPECT_TRUE(Consecutive(shown)) << clip;
        }
        // The recording's keyframes are under 5 KB: a clip beyond 16 KB holds one whole.
        ExpectReadablePrefix(p.writing, -1, 16 * 1024);
        StartAgain();
        EXPECT_TRUE(p.done.empty() || std::filesystem::exists(p.done.front())) << "a clip is kept at the next start";
        std::filesystem::remove_all(Out());
        Mkdir("out");
    }
}

TEST_F(KillDuringWriteTest, AnAviClipKilledLeavesNothingUnderItsNameAndTheEarlierOnesWhole) {
    SCOPED_TRACE("seed " + std::to_string(m_seed));
    // Large pictures, so that the converter has something to write when the kill comes.
    const std::string recording = Recording(4, 1280, 720);
    ASSERT_FALSE(recording.empty());
    const std::vector<int> all = PlayedFrames(recording);
    ASSERT_EQ(100u, all.size());
    for (int round = 0; round < 3; ++round) {
        const Progress p = RunAndKill("avi", recording, "step", Pick(1, 150), 2000, true);
        for (const std::string& clip : p.done) EXPECT_EQ(all, PlayedFrames(clip)) << clip;
        if (!p.writing.empty()) {
            EXPECT_FALSE(std::filesystem::exists(p.writing)) << "an AVI cut short has no file under its name";
        }
        StartAgain();
        std::filesystem::remove_all(Out());
        Mkdir("out");
    }
}

TEST_F(KillDuringWriteTest, ASnapshotKilledIsWholeOrAbsent) {
    SCOPED_TRACE("seed " + std::to_string(m_seed));
    const std::string recording = Recording(2);
    ASSERT_FALSE(recording.empty());
    int leftovers = 0;
    for (int round = 0; round < 6; ++round) {
        const Progress p = RunAndKill("snapshot", recording, "begin", Pick(1, 6), 3000);
        std::string first;
        for (const auto& entry : std::filesystem::directory_iterator(Out())) {
            const std::string name = entry.path().filename().string();
            if (KX_SOFT_BASE::IsReplaceFilePart(name)) {
                ++leftovers;
                continue;
            }
            // Every snapshot under its name is a whole picture of the same frame.
            const std::string bytes = Bytes(entry.path().string());
            ASSERT_GE(bytes.size(), 54u) << name;
            EXPECT_EQ("BM", bytes.substr(0, 2)) << name;
            std::uint32_t declared = 0;
            std::memcpy(&declared, bytes.data() + 2, 4);
            EXPECT_EQ(bytes.size(), declared) << name;
            if (first.empty()) first = bytes;
            EXPECT_EQ(first, bytes) << name;
        }
        for (const std::string& snap : p.done) EXPECT_TRUE(std::filesystem::exists(snap)) << snap;
        StartAgain();
        std::filesystem::remove_all(Out());
        Mkdir("out");
    }
    RecordProperty("leftovers", leftovers);
}

TEST_F(KillDuringWriteTest, AnIndexFileKilledIsTheOldOrTheNew) {
    SCOPED_TRACE("seed " + std::to_string(m_seed));
    const std::string recording = Recording(1);
    ASSERT_FALSE(recording.empty());
    const std::wstring wide = KX_SOFT_BASE::NativeToWide(recording);
    for (int round = 0; round < 6; ++round) {
        const Progress p = RunAndKill("index", recording, "begin", Pick(1, 8), 3000);
        std::size_t length = 0;
        bool uniform = true;
        unsigned char value = 0;
        const int loaded = LoadIndex(wide, [&](const unsigned char* data, std::size_t n) {
            length = n;
            value = n ? data[0] : 0;
            uniform = std::all_of(data, data + n, [&](unsigned char b) { return b == value; });
        });
        if (p.lastDone >= 1) {
            ASSERT_EQ(1, loaded) << "the index written last is there";
            EXPECT_TRUE(uniform);
            const int n = value;
            EXPECT_TRUE(n == p.lastDone || n == p.lastDone + 1) << n << " after " << p.lastDone;
            EXPECT_EQ(256u * 1024 + static_cast<unsigned>(n), length) << "the payload is whole";
        }
        StartAgain();
        EXPECT_EQ(loaded, LoadIndex(wide, [](const unsigned char*, std::size_t) {})) << "the index survives the start";
    }
}

TEST_F(KillDuringWriteTest, SettingsKilledAreTheOldOrTheNew) {
    SCOPED_TRACE("seed " + std::to_string(m_seed));
    for (int round = 0; round < 6; ++round) {
        const Progress p = RunAndKill("settings", "-", "begin", Pick(1, 8), 3000);
        TarvexApp::LoadSettings(Home());
        const std::wstring path = TarvexApp::Settings().SnapPath;
        if (p.lastDone >= 1) {
            const std::wstring last = L"/snap/" + std::to_wstring(p.lastDone) + L"/";
            const std::wstring next = L"/snap/" + std::to_wstring(p.lastDone + 1) + L"/";
            EXPECT_TRUE(path == last || path == next) << KX_SOFT_BASE::WideToNative(path) << " after " << p.lastDone;
        }
        StartAgain();
        TarvexApp::LoadSettings(Home());
        EXPECT_EQ(path, TarvexApp::Settings().SnapPath) << "the settings survive the start";
    }
}
