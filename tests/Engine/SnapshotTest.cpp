#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "EngineTestSupport.h"
#include "FrameLog.h"

using namespace MOVRA;
using TarvexTest::EngineTest;

namespace {

// Keeps a copy of the last frame presented.
class LastFrame : public TarvexTest::FrameLog {
public:
    void OnFrameVisible(int size, int kind, unsigned char* buffer, void* context, MV_FRAME_RECORD* frame) override {
        {
            std::lock_guard<std::mutex> lock(m_copyMutex);
            planes.assign(buffer, buffer + size);
            width = frame->width;
            height = frame->height;
        }
        FrameLog::OnFrameVisible(size, kind, buffer, context, frame);
    }
    std::vector<unsigned char> planes;
    int width = 0, height = 0;

private:
    std::mutex m_copyMutex;
};

struct Bmp {
    int width = 0, height = 0, bits = 0;
    std::vector<unsigned char> rgb;  // top-down, 3 bytes a pixel
};

std::uint32_t Le(const std::vector<char>& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + i])) << (8 * i);
    return v;
}

Bmp ReadBmp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Bmp bmp;
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return bmp;
    const std::uint32_t offset = Le(b, 10, 4);
    bmp.width = static_cast<int>(Le(b, 18, 4));
    bmp.height = static_cast<int>(Le(b, 22, 4));
    bmp.bits = static_cast<int>(Le(b, 28, 2));
    const std::size_t row = (static_cast<std::size_t>(bmp.width) * 3 + 3) & ~std::size_t(3);
    if (b.size() < offset + row * bmp.height) return Bmp();
    for (int y = 0; y < bmp.height; ++y) {
        const char* line = b.data() + offset + row * (bmp.height - 1 - y);  // stored bottom-up
        for (int x = 0; x < bmp.width; ++x) {
            bmp.rgb.push_back(static_cast<unsigned char>(line[3 * x + 2]));
            bmp.rgb.push_back(static_cast<unsigned char>(line[3 * x + 1]));
            bmp.rgb.push_back(static_cast<unsigned char>(line[3 * x]));
        }
    }
    return bmp;
}

}  // namespace

TEST_F(EngineTest, SnapshotsAreTheFrameOnScreen) {
    SynthOptions o;
    o.seconds = 3;
    o.width = 322;  // odd chroma sizes
    o.height = 242;
    const std::string path = Synth(o);
    LastFrame log;
    CMovra engine(&log);
    log.engine = &engine;
    ASSERT_EQ(1, engine.Open(path.c_str()));
    ASSERT_TRUE(log.WaitForIndex());
    std::string bmpPath = m_dir + "/shot.bmp", jpgPath = m_dir + "/shot.jpg";
    EXPECT_EQ(0, engine.SnapPicture(bmpPath.data(), MV_IMAGE_BMP)) << "nothing on screen yet";
    ASSERT_EQ(1, engine.Seek(kStart + 2));
    ASSERT_EQ(1, engine.Pause());
    ASSERT_EQ(1, engine.Play(nullptr));
    ASSERT_TRUE(log.WaitFrames(1));
    ASSERT_EQ(50, log.LastShown());
    ASSERT_EQ(1, engine.SnapPicture(bmpPath.data(), MV_IMAGE_BMP));
    ASSERT_EQ(1, engine.SnapPicture(jpgPath.data(), MV_IMAGE_JPEG));

    // The BMP: native size, 24 bits, and its luminance is the frame's.
    const Bmp bmp = ReadBmp(bmpPath);
    ASSERT_EQ(322, bmp.width);
    ASSERT_EQ(242, bmp.height);
    EXPECT_EQ(24, bmp.bits);
    std::vector<unsigned char> luma(static_cast<std::size_t>(bmp.width) * bmp.height);
    double error = 0;
    for (std::size_t i = 0; i < luma.size(); ++i) {
        const double r = bmp.rgb[3 * i], g = bmp.rgb[3 * i + 1], b = bmp.rgb[3 * i + 2];
        const double y = 16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255;
        luma[i] = static_cast<unsigned char>(std::lround(std::clamp(y, 0.0, 255.0)));
        error += std::abs(y - log.planes[i]);
    }
    EXPECT_LT(error / luma.size(), 2.0) << "mean luminance error against the decoded frame";
    EXPECT_EQ(50, ReadFrameNumber(luma.data(), bmp.width, bmp.width, bmp.height));

    // The JPEG opens as a picture of the same frame.
    LastFrame jpg;
    CMovra viewer(&jpg);
    jpg.engine = &viewer;
    ASSERT_EQ(1, viewer.Open(jpgPath.c_str()));
    viewer.SetPresentationPacing(0);
    ASSERT_EQ(1, viewer.Play(nullptr));
    ASSERT_TRUE(jpg.WaitFrames(1));
    EXPECT_EQ(322, jpg.width);
    EXPECT_EQ(50, jpg.LastShown());
}

TEST_F(EngineTest, AFailedSnapshotLeavesNothingBehind) {
    SynthOptions o;
    o.seconds = 1;
    const std::string path = Synth(o);
    TarvexTest::FrameLog log;
    CMovra engine(&log);
    log.engine = &engine;
    ASSERT_EQ(1, engine.Open(path.c_str()));
    ASSERT_EQ(1, engine.Pause());
    ASSERT_EQ(1, engine.Play(nullptr));
    ASSERT_TRUE(log.WaitFrames(1));
    std::string missing = m_dir + "/no/such/folder/shot.bmp";
    EXPECT_EQ(0, engine.SnapPicture(missing.data(), MV_IMAGE_BMP));

    // A picture that exists is replaced whole on success, and kept when the write fails.
    const std::string folder = m_dir + "/shots";
    std::filesystem::create_directory(folder);
    std::string target = folder + "/shot.bmp";
    ASSERT_EQ(1, engine.SnapPicture(target.data(), MV_IMAGE_BMP));
    const auto size = std::filesystem::file_size(target);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (::access(folder.c_str(), W_OK) != 0) {  // (root writes anyway)
        EXPECT_EQ(0, engine.SnapPicture(target.data(), MV_IMAGE_JPEG));
        EXPECT_EQ(size, std::filesystem::file_size(target));
    }
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    std::string directory = folder;  // a folder cannot become a picture
    EXPECT_EQ(0, engine.SnapPicture(directory.data(), MV_IMAGE_BMP));
    std::size_t entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) entries += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(1u, entries) << "no temporary file is left";
    EXPECT_EQ(0, engine.SnapPicture(nullptr, MV_IMAGE_BMP));
}
