#pragma once
// A screenshot as the tests under a virtual X server read it: a binary grey map ("P5") or pixel
// map ("P6") with 8-bit samples, as ImageMagick's convert writes them.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace TarvexTest {

struct ScreenImage {
    int width = 0, height = 0, channels = 0;
    std::vector<std::uint8_t> pixels;

    bool Read(const char* path) {
        std::ifstream in(path, std::ios::binary);
        std::string magic;
        int maxValue = 0;
        if (!(in >> magic >> width >> height >> maxValue) || maxValue != 255 || width <= 0 || height <= 0) return false;
        channels = magic == "P5" ? 1 : magic == "P6" ? 3 : 0;
        if (!channels) return false;
        in.get();
        pixels.resize(static_cast<std::size_t>(width) * height * channels);
        return static_cast<bool>(in.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size())));
    }
    const std::uint8_t* At(int x, int y) const {
        return pixels.data() + (static_cast<std::size_t>(y) * width + x) * channels;
    }
    int Grey(int x, int y) const { return At(x, y)[0]; }
    // 0xRRGGBB (a grey map gives its grey three times).
    std::uint32_t Rgb(int x, int y) const {
        const std::uint8_t* p = At(x, y);
        return channels == 1 ? p[0] * 0x010101u : (p[0] << 16) | (p[1] << 8) | p[2];
    }
};

}  // namespace TarvexTest
