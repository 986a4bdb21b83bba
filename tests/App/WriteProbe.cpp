// A program that writes one kind of file over and over until it is killed, saying on its standard
// output where it is: "begin N PATH" before file N, "step" as the file grows, "done N PATH" once
// it is complete. Run by the tests that kill a writer at random moments.
//   write_probe clip RECORDING FOLDER      native clips of a playing engine
//   write_probe avi RECORDING FOLDER       AVI clips of the recording's stream, pushed in pieces
//   write_probe snapshot RECORDING FOLDER  snapshots of the same frame
//   write_probe index RECORDING FOLDER     the recording's index file, N bytes of N each time
//   write_probe settings - FOLDER          the settings of the program folder, SnapPath "/snap/N/"
// The index and settings kinds take TARVEX_HOME as their program folder.
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "App/Settings.h"
#include "Base/StreamConvert.h"
#include "Base/SystemFunctions.h"
#include "Engine/Movra.h"
#include "Files/IndexFiles.h"
#include "PlayManager/AVIRecorder.h"

namespace {

// Unbuffered, so that what the parent reads is what has happened.
void Say(const std::string& line) {
    const std::string text = line + "\n";
    if (::write(1, text.data(), text.size()) < 0) _exit(4);
}

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "write_probe: %s\n", why.c_str());
    _exit(3);
}

std::string Numbered(const std::string& folder, const char* stem, int n, const char* extension) {
    return folder + "/" + stem + std::to_string(n) + extension;
}

// Counts the frames shown and lets the writer wait for the next few.
class FrameCounter : public MOVRA::IMovraListener {
public:
    void OnFrameVisible(int, int, unsigned char*, void*, MOVRA::MV_FRAME_RECORD*) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_frames;
        m_cv.notify_all();
    }
    void OnFileEnd(void*) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_ends;
        m_cv.notify_all();
    }
    void OnFileRefFinished(void*, int) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_indexed = true;
        m_cv.notify_all();
    }
    void WaitIndexed() {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_cv.wait_for(lock, std::chrono::seconds(60), [&] { return m_indexed; })) Fail("no index");
    }
    // False when the file ended first.
    bool WaitFrames(long more) {
        std::unique_lock<std::mutex> lock(m_mutex);
        const long target = m_frames + more, ends = m_ends;
        if (!m_cv.wait_for(lock, std::chrono::seconds(60), [&] { return m_frames >= target || m_ends != ends; }))
            Fail("no frames");
        return m_frames >= target;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    long m_frames = 0;
    int m_ends = 0;
    bool m_indexed = false;
};

void OpenAndShow(MOVRA::CMovra& engine, FrameCounter& counter, const std::string& recording) {
    if (!engine.Open(recording.c_str())) Fail("cannot open " + recording);
    counter.WaitIndexed();
    if (!engine.Play(nullptr)) Fail("cannot play");
    counter.WaitFrames(1);
}

void NativeClips(const std::string& recording, const std::string& folder) {
    FrameCounter counter;
    MOVRA::CMovra engine(&counter);
    OpenAndShow(engine, counter, recording);
    for (int n = 0;; ++n) {
        // From the start again once the recording has nearly played out, so that each clip has frames.
        if (engine.GetCurrentPlayTime() + 2 >= engine.GetFileEndTime()) {
            engine.Seek(engine.GetFileStartTime());
            engine.Play(nullptr);
            counter.WaitFrames(1);
        }
        std::string path = Numbered(folder, "clip", n, ".ts");
        // A clip starts once a frame is on screen while playing: after a seek, at the next one.
        for (int tries = 0; !engine.StartDataRecord(path.data(), 0); ++tries) {
            if (tries == 100) Fail("cannot start " + path);
            counter.WaitFrames(1);
        }
        Say("begin " + std::to_string(n) + " " + path);
        for (int step = 0; step < 8; ++step) {
            if (!counter.WaitFrames(5)) break;
            Say("step");
        }
        if (!engine.StopDataRecord()) Fail("cannot complete " + path);
        Say("done " + std::to_string(n) + " " + path);
    }
}

void AviClips(const std::string& recording, const std::string& folder) {
    std::ifstream in(recording, std::ios::binary);
    const std::vector<char> stream((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (stream.empty()) Fail("cannot read " + recording);
    constexpr std::size_t kPiece = 4 * 1024;
    for (int n = 0;; ++n) {
        const std::string path = Numbered(folder, "clip", n, ".avi");
        TarvexPlay::AVIRecorder recorder;
        if (!recorder.Start(path.c_str())) Fail("cannot start " + path);
        Say("begin " + std::to_string(n) + " " + path);
        for (std::size_t at = 0; at < stream.size(); at += kPiece) {
            recorder.InputData(nullptr, stream.data() + at, static_cast<int>(std::min(kPiece, stream.size() - at)));
            Say("step");
            // As an engine pushes it: over time, not all at once.
            KX_SOFT_BASE::SleepMs(1);
        }
        if (!recorder.Stop()) Fail("cannot complete " + path);
        Say("done " + std::to_string(n) + " " + path);
    }
}

void Snapshots(const std::string& recording, const std::string& folder) {
    FrameCounter counter;
    MOVRA::CMovra engine(&counter);
    OpenAndShow(engine, counter, recording);
    engine.Pause();
    for (int n = 0;; ++n) {
        std::string path = Numbered(folder, "snap", n, ".bmp");
        Say("begin " + std::to_string(n) + " " + path);
        if (!engine.SnapPicture(path.data(), MOVRA::MV_IMAGE_BMP)) Fail("cannot write " + path);
        Say("done " + std::to_string(n) + " " + path);
    }
}

void IndexFiles(const std::string& recording) {
    const std::wstring wide = KX_SOFT_BASE::NativeToWide(recording);
    for (int n = 1;; ++n) {
        // Large enough that a write takes a while; each byte says which write it was.
        const std::vector<unsigned char> payload(256 * 1024 + n, static_cast<unsigned char>(n));
        Say("begin " + std::to_string(n) + " " + KX_SOFT_BASE::WideToNative(IndexPathFor(wide)));
        if (!WriteIndexFile(payload.data(), payload.size(), wide)) Fail("cannot write the index");
        Say("done " + std::to_string(n));
    }
}

void SettingsFiles() {
    const char* folder = std::getenv("TARVEX_HOME");
    if (!folder) Fail("no TARVEX_HOME");
    const std::wstring home = KX_SOFT_BASE::NativeToWide(std::string(folder) + "/");
    TarvexApp::LoadSettings(home);
    for (int n = 1;; ++n) {
        TarvexApp::Settings().SnapPath = L"/snap/" + std::to_wstring(n) + L"/";
        Say("begin " + std::to_string(n));
        if (!TarvexApp::SaveSettings(home, {})) Fail("cannot write the settings");
        Say("done " + std::to_string(n));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) Fail("usage: write_probe clip|avi|snapshot|index|settings RECORDING FOLDER");
    const std::string kind = argv[1], recording = argv[2], folder = argv[3];
    if (kind == "clip") NativeClips(recording, folder);
    if (kind == "avi") AviClips(recording, folder);
    if (kind == "snapshot") Snapshots(recording, folder);
    if (kind == "index") IndexFiles(recording);
    if (kind == "settings") SettingsFiles();
    Fail("unknown kind " + kind);
}
