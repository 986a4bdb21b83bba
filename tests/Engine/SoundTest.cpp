#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "EngineTestSupport.h"
#include "FrameLog.h"

using namespace MOVRA;
using TarvexTest::EngineTest;
using TarvexTest::FrameLog;

namespace {

struct Levels {
    double left = 0, right = 0;  // RMS of the 16-bit samples written
    std::size_t frames = 0;
};

// The raw 16-bit stereo SDL's disk driver wrote.
Levels Measure(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Levels l;
    const auto* s = reinterpret_cast<const std::int16_t*>(bytes.data());
    double sl = 0, sr = 0;
    for (std::size_t i = 0; i + 1 < bytes.size() / 2; i += 2) {
        if (s[i] == 0 && s[i + 1] == 0) continue;  // the device's silence while nothing is queued
        sl += double(s[i]) * s[i];
        sr += double(s[i + 1]) * s[i + 1];
        ++l.frames;
    }
    if (l.frames) {
        l.left = std::sqrt(sl / l.frames);
        l.right = std::sqrt(sr / l.frames);
    }
    return l;
}

class SoundTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        setenv("SDL_AUDIODRIVER", "disk", 1);
    }
    void TearDown() override {
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILE");
        EngineTest::TearDown();
    }

    // Plays about a second with the sound open and returns what reached the "speakers".
    Levels Play(const std::string& path, unsigned long channel, int volume, float speed, const char* name) {
        const std::string out = m_dir + "/" + name + ".raw";
        setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
        FrameLog log;
        CMovra engine(&log);
        log.engine = &engine;
        EXPECT_EQ(1, engine.Open(path.c_str()));
        EXPECT_EQ(1, engine.OpenAudio());
        EXPECT_EQ(1, engine.ChooseSoundChannel(channel));
        EXPECT_EQ(1, engine.AdjustWaveAudio(volume));
        EXPECT_EQ(1, engine.SetSpeed(speed));
        EXPECT_EQ(1, engine.Play(nullptr));
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        EXPECT_GT(log.Count(), 10u) << "the pictures play with the sound";
        engine.Close();
        const Levels l = Measure(out);
        return l;
    }
};

}  // namespace

TEST_F(SoundTest, ChannelChoiceAndVolumeReachBothSpeakers) {
    SynthOptions o;
    o.seconds = 3;
    o.audio = "aac";
    o.audioChannels = 2;  // the right channel at half the level of the left
    const std::string path = Synth(o);
    const double full = 0.3 * 32767 / std::sqrt(2.0);  // RMS of the left tone

    const Levels both = Play(path, 0, 100, 1, "both");
    ASSERT_GT(both.frames, 4000u) << "sound was heard";
    EXPECT_NEAR(full, both.left, full * 0.15);
    EXPECT_NEAR(full / 2, both.right, full * 0.1);

    const Levels left = Play(path, 1, 100, 1, "left");
    EXPECT_NEAR(full, left.left, full * 0.15);
    EXPECT_NEAR(left.left, left.right, 1.0) << "the left channel on both speakers";

    const Levels right = Play(path, 2, 50, 1, "right");
    EXPECT_NEAR(full / 4, right.left, full * 0.05) << "the right channel at half volume";
    EXPECT_NEAR(right.left, right.right, 1.0);

    EXPECT_EQ(0u, Play(path, 0, 0, 1, "muted").frames) << "volume 0 is silence";
    EXPECT_EQ(0u, Play(path, 0, 100, 2, "fast").frames) << "silent away from 1X";

    CMovra engine(nullptr);
    ASSERT_EQ(1, engine.Open(path.c_str()));
    EXPECT_EQ(0, engine.AdjustWaveAudio(101));
    EXPECT_EQ(0, engine.ChooseSoundChannel(3));
}

TEST_F(SoundTest, NoDeviceOrNoSoundLeavesThePicturesPlaying) {
    SynthOptions o;
    o.seconds = 2;
    const std::string silent = Synth(o);
    FrameLog log;
    CMovra engine(&log);
    log.engine = &engine;
    ASSERT_EQ(1, engine.Open(silent.c_str()));
    EXPECT_EQ(0, engine.OpenAudio()) << "a file without sound";
    engine.Close();

    o.audio = "mulaw";
    const std::string withSound = Synth(o);
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    ASSERT_EQ(1, engine.Open(withSound.c_str()));
    EXPECT_EQ(0, engine.OpenAudio()) << "no sound device";
    EXPECT_EQ(0, engine.CloseAudio());
    engine.SetPresentationPacing(0);
    ASSERT_EQ(1, engine.Play(nullptr));
    ASSERT_TRUE(log.WaitEnd());
    EXPECT_EQ(50u, log.Count());
}
