#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "Engine/StrovaWrapper.h"
#include "EngineTestSupport.h"
#include "FrameLog.h"

using namespace MOVRA;
using TarvexTest::EngineTest;
using TarvexTest::FrameLog;
using TarvexTest::PlayedFrames;

namespace {

std::vector<char> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Names the parts of a split AVI, as the recorder does, and counts them.
class PartNamer : public IAVIConvertListener {
public:
    explicit PartNamer(std::string base) : m_base(std::move(base)) {}
    void OnGetNewFileName(void*, int* flag, char* name) override {
        *flag = 0;
        parts.push_back(m_base + "_part" + std::to_string(parts.size() + 2) + ".avi");
        std::snprintf(name, kMaxAviNameLength, "%s", parts.back().c_str());
    }
    std::vector<std::string> parts;

private:
    std::string m_base;
};

// Feeds `bytes` in pieces, trying again while the buffer is full; returns how often it was full.
int Feed(CStrovaWrapper& converter, const std::vector<char>& bytes, std::size_t piece) {
    int refusals = 0;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        const auto n = static_cast<unsigned int>(std::min(piece, bytes.size() - at));
        while (!converter.InputData(reinterpret_cast<const unsigned char*>(bytes.data() + at), n)) {
            ++refusals;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    return refusals;
}

// What the recorder does on stop: wait until everything fed is taken, then complete the file.
int Drain(CStrovaWrapper& converter) {
    while (converter.GetBufferValue(MV_BUFFER_PENDING) + converter.GetSourceBufferRemain() > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const int result = converter.StopAVIConvert();
    converter.Stop();
    converter.CloseStream();
    return result;
}

class AviConvertTest : public EngineTest {
protected:
    std::string FourSecondsWithSound() {
        SynthOptions o;
        o.seconds = 4;
        o.gop = 25;
        o.audio = "aac";
        return Synth(o);
    }
};

}  // namespace

TEST_F(AviConvertTest, APushedStreamBecomesAnAviOfEveryFrame) {
    const std::vector<char> ts = ReadAll(FourSecondsWithSound());
    CStrovaWrapper converter;
    ASSERT_EQ(1, converter.SetStreamOpenMode(1));
    ASSERT_EQ(1, converter.OpenStream(64 * 1024));
    const std::string avi = m_dir + "/clip.avi";
    ASSERT_EQ(1, converter.StartAVIConvert(avi.c_str()));
    ASSERT_EQ(1, converter.Play(nullptr));
    const int refusals = Feed(converter, ts, 48 * 1024);
    EXPECT_GT(refusals, 0) << "a full buffer refuses more, and the feeder waits";
    ASSERT_EQ(1, Drain(converter));

    MV_FILE_DESCRIPTION d;
    const std::vector<int> frames = PlayedFrames(avi, &d);
    EXPECT_EQ("avi", d.container);
    EXPECT_EQ("h264", d.videoCodec);
    EXPECT_EQ("aac", d.audioCodec) << "the sound is copied too";
    ASSERT_EQ(100u, frames.size());
    for (int i = 0; i < 100; ++i) ASSERT_EQ(i, frames[i]);
    EXPECT_NEAR(4.0, d.duration, 0.05);
}

TEST_F(AviConvertTest, ASplitAviLosesAndRepeatsNothing) {
    const std::vector<char> ts = ReadAll(FourSecondsWithSound());
    PartNamer namer(m_dir + "/clip");
    CStrovaWrapper converter;
    converter.SetAVIConvertListener(&namer);
    ASSERT_EQ(1, converter.SetSplitSize(16 * 1024));
    ASSERT_EQ(1, converter.OpenStream(1 << 20));
    ASSERT_EQ(1, converter.StartAVIConvert((m_dir + "/clip.avi").c_str()));
    ASSERT_EQ(1, converter.Play(nullptr));
    Feed(converter, ts, 7 * 188);
    ASSERT_EQ(1, Drain(converter));

    ASSERT_GE(namer.parts.size(), 2u) << "the split size was passed several times";
    std::vector<std::string> files{m_dir + "/clip.avi"};
    files.insert(files.end(), namer.parts.begin(), namer.parts.end());
    std::vector<int> all;
    for (const std::string& f : files) {
        const std::vector<int> part = PlayedFrames(f);
        ASSERT_FALSE(part.empty()) << f;
        EXPECT_EQ(0, part.front() % 25) << f << " starts at a keyframe";
        all.insert(all.end(), part.begin(), part.end());
    }
    ASSERT_EQ(100u, all.size()) << "no frame lost or repeated across the files";
    for (int i = 0; i < 100; ++i) ASSERT_EQ(i, all[i]);
}

// A listener that ends the conversion at the first split: the rest of the stream is dropped, and
// a feeder or a drain waiting for room would otherwise wait for ever.
TEST_F(AviConvertTest, AConversionThatEndedTakesNothingAndLeavesNothingToDrain) {
    const std::vector<char> ts = ReadAll(FourSecondsWithSound());
    class Ender : public IAVIConvertListener {
        void OnGetNewFileName(void*, int* flag, char*) override { *flag = 2; }
    } ender;
    CStrovaWrapper converter;
    converter.SetAVIConvertListener(&ender);
    ASSERT_EQ(1, converter.SetSplitSize(16 * 1024));
    ASSERT_EQ(1, converter.OpenStream(32 * 1024));
    ASSERT_EQ(1, converter.StartAVIConvert((m_dir + "/clip.avi").c_str()));
    ASSERT_EQ(1, converter.Play(nullptr));
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::size_t at = 0;
    while (at < ts.size() && std::chrono::steady_clock::now() < limit) {
        const auto n = static_cast<unsigned int>(std::min<std::size_t>(4096, ts.size() - at));
        if (converter.InputData(reinterpret_cast<const unsigned char*>(ts.data() + at), n)) at += n;
        else std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_EQ(ts.size(), at) << "the feed was taken, or dropped, to its end";
    ASSERT_EQ(1, Drain(converter));
    const std::vector<int> frames = PlayedFrames(m_dir + "/clip.avi");
    ASSERT_FALSE(frames.empty()) << "the first file is whole";
    EXPECT_LT(frames.size(), 100u);
}

namespace {

// Feeds what an engine pushes into a converter, as the player's AVI recorder does.
class Forwarder : public FrameLog {
public:
    CStrovaWrapper* converter = nullptr;
    std::atomic<bool> active{true};
    void OnStreamData(void*, char* data, int length, MV_STREAM_RECORD* record, void*) override {
        if (!active) return;
        {
            std::lock_guard<std::mutex> lock(m_datesMutex);
            dates.assign(record->fields + 7, record->fields + 13);
        }
        while (active && !converter->InputData(reinterpret_cast<unsigned char*>(data), static_cast<unsigned>(length)))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::vector<int> Dates() {
        std::lock_guard<std::mutex> lock(m_datesMutex);
        return dates;
    }

private:
    std::mutex m_datesMutex;
    std::vector<int> dates;
};

}  // namespace

TEST_F(AviConvertTest, TheEngineStreamsWhatItPlaysAtNormalSpeed) {
    // MPEG-TS goes out as the file's own bytes; Matroska (MJPEG here) is muxed into a stream.
    for (const char* codec : {"h264", "mjpeg"}) {
        SynthOptions o;
        o.seconds = 4;
        o.gop = 25;
        o.codec = codec;
        o.audio = std::string(codec) == "h264" ? "aac" : "mulaw";
        o.device = codec;
        const std::string path = Synth(o);
        CStrovaWrapper converter;
        ASSERT_EQ(1, converter.OpenStream(1 << 20));
        const std::string avi = m_dir + "/" + codec + ".avi";
        ASSERT_EQ(1, converter.StartAVIConvert(avi.c_str()));
        ASSERT_EQ(1, converter.Play(nullptr));
        Forwarder log;
        log.converter = &converter;
        CMovra engine(&log);
        log.engine = &engine;
        ASSERT_EQ(1, engine.Open(path.c_str()));
        ASSERT_TRUE(log.WaitForIndex());
        ASSERT_EQ(1, engine.Seek(kStart + 1));
        ASSERT_EQ(1, engine.Play(nullptr));
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        log.active = false;
        const int last = log.LastShown();
        engine.Close();
        ASSERT_EQ(1, Drain(converter)) << codec;
        const std::vector<int> dates = log.Dates();
        ASSERT_EQ(6u, dates.size()) << codec;
        EXPECT_EQ((std::vector<int>{2024, 3, 15, 10, 0, 2}), dates) << "the data's wall clock, about 2 s in";
        MV_FILE_DESCRIPTION d;
        const std::vector<int> frames = PlayedFrames(avi, &d);
        EXPECT_EQ(codec, d.videoCodec);
        ASSERT_GT(frames.size(), 20u) << codec;
        EXPECT_EQ(25, frames.front()) << "from the keyframe at the place sought";
        for (std::size_t i = 1; i < frames.size(); ++i) ASSERT_EQ(frames[i - 1] + 1, frames[i]) << codec;
        EXPECT_NEAR(last, frames.back(), 3) << codec;
    }
}

TEST_F(AviConvertTest, BadTargetsAndAStopWhileFullAreHandled) {
    CStrovaWrapper converter;
    EXPECT_EQ(0, converter.StartAVIConvert((m_dir + "/x.avi").c_str())) << "no stream open";
    ASSERT_EQ(1, converter.OpenStream(16 * 1024));
    EXPECT_EQ(0, converter.StartAVIConvert((m_dir + "/no/such/x.avi").c_str()));
    const std::string existing = m_dir + "/evidence.avi";
    std::ofstream(existing) << "kept";
    EXPECT_EQ(0, converter.StartAVIConvert(existing.c_str())) << "an existing file is never overwritten";
    EXPECT_EQ(4u, std::filesystem::file_size(existing));
    EXPECT_EQ(0, converter.Play(nullptr)) << "nothing to convert into";

    // Full, with nobody taking the data: refusals, and a prompt stop.
    ASSERT_EQ(1, converter.StartAVIConvert((m_dir + "/x.avi").c_str()));
    std::vector<unsigned char> junk(8 * 1024, 0x47);
    EXPECT_EQ(1, converter.InputData(junk.data(), static_cast<unsigned>(junk.size())));
    EXPECT_EQ(1, converter.InputData(junk.data(), static_cast<unsigned>(junk.size())));
    EXPECT_EQ(0, converter.InputData(junk.data(), 1));
    EXPECT_EQ(16u * 1024, converter.GetSourceBufferRemain());
    ASSERT_EQ(1, converter.Play(nullptr));  // junk: it cannot even find a stream in it
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(0, converter.StopAVIConvert()) << "nothing could be converted";
    EXPECT_EQ(1, converter.Stop());
    EXPECT_EQ(1, converter.CloseStream());
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
    EXPECT_FALSE(std::filesystem::exists(m_dir + "/x.avi"));
}

namespace {

// A listener that takes its time naming the next part, as one on a slow disk may: the wrapper's
// end gives up waiting for the converter's thread meanwhile.
class SlowNamer : public IAVIConvertListener {
public:
    explicit SlowNamer(std::string base) : m_base(std::move(base)) {}
    void OnGetNewFileName(void*, int* flag, char* name) override {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            entered = true;
            m_cv.notify_all();
            m_cv.wait(lock, [&] { return released; });
        }
        *flag = 0;
        ++calls;
        std::snprintf(name, kMaxAviNameLength, "%s_part%d.avi", m_base.c_str(), calls + 1);
    }
    void WaitEntered() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [&] { return entered; });
    }
    void Release() {
        std::lock_guard<std::mutex> lock(m_mutex);
        released = true;
        m_cv.notify_all();
    }
    int calls = 0;

private:
    std::string m_base;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool entered = false, released = false;
};

}  // namespace

TEST_F(AviConvertTest, AConverterThreadThatOutlivesItsWrapperNeverCallsAListenerThatIsGone) {
    const std::vector<char> ts = ReadAll(FourSecondsWithSound());
    auto namer = std::make_unique<SlowNamer>(m_dir + "/clip");
    auto converter = std::make_unique<CStrovaWrapper>();
    converter->SetAVIConvertListener(namer.get());
    ASSERT_EQ(1, converter->SetSplitSize(16 * 1024));
    ASSERT_EQ(1, converter->OpenStream(1 << 20));
    ASSERT_EQ(1, converter->StartAVIConvert((m_dir + "/clip.avi").c_str()));
    ASSERT_EQ(1, converter->Play(nullptr));
    // The whole recording (well past one split) at once, and not a byte beyond it.
    std::thread feeder(
        [&] { converter->InputData(reinterpret_cast<const unsigned char*>(ts.data()), static_cast<unsigned>(ts.size())); });
    namer->WaitEntered();  // the converter's thread is in the listener
    feeder.join();
    // The wrapper goes while its thread is still busy; its end must not leave the thread a link to
    // the listener, which goes right after.
    std::atomic<bool> gone{false};
    std::thread closer([&] {
        converter.reset();
        gone = true;
    });
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!gone && std::chrono::steady_clock::now() < limit) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(gone.load()) << "the wrapper's end waits for a call of the listener under way, however long";
    namer->Release();
    closer.join();
    namer.reset();
    // Whatever the thread does now (it may still be writing), it finds no listener to call.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}
