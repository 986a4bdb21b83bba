#pragma once
// A recorder's day of camera-like recordings made by the ffmpeg command: temporal noise,
// B-frames, scene cuts (mandelbrot zooms beside test patterns), H.264 in MPEG-TS under the
// recorder's names, `files` consecutive files of `seconds` a channel. Channels past the 16th show
// the first 16's recordings again (hard links): the decoding is the same, and the day is made in
// a fraction of the time. Returns the folder, empty when the ffmpeg command failed.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace TarvexBench {

inline std::string MakeCameraDay(const std::string& dir, int channels, int files, int seconds, const std::string& size,
                                 int kbits) {
    const std::string folder =
        dir + "/camera" + size + "x" + std::to_string(channels) + (files > 1 ? "x" + std::to_string(files) : "");
    std::filesystem::create_directories(folder);
    std::printf("making %d x %d camera-like recordings of %s with the ffmpeg command...\n", std::min(channels, 16), files,
                size.c_str());
    std::fflush(stdout);
    // From 10:00:00 on the 15th of March 2024, a file every `seconds`.
    auto at = [](int second) {
        char text[16];
        std::snprintf(text, sizeof text, "20240315%02d%02d%02d", 10 + second / 3600, second / 60 % 60, second % 60);
        return std::string(text);
    };
    auto name = [&](int c, int f) {
        return folder + "/CAM_ch" + std::to_string(c) + "_" + at(f * seconds) + "_" + at((f + 1) * seconds) + ".rvf";
    };
    for (int c = 1; c <= channels; ++c) {
        for (int f = 0; f < files; ++f) {
            if (c > 16) {
                std::filesystem::create_hard_link(name((c - 1) % 16 + 1, f), name(c, f));
                continue;
            }
            const std::string source = c % 2 ? "testsrc2=size=" + size + ":rate=25"
                                             : "mandelbrot=size=" + size + ":rate=25:start_scale=" +
                                                   std::to_string(3.0 + c * 0.01 + f * 0.001);
            const std::string command = "ffmpeg -v error -y -f lavfi -i '" + source + "' -t " + std::to_string(seconds) +
                                        " -vf 'noise=alls=10:allf=t,hue=h=" + std::to_string(c * 10) +
                                        "' -c:v libx264 -preset veryfast -b:v " + std::to_string(kbits) + "k -maxrate " +
                                        std::to_string(kbits * 4 / 3) + "k -bufsize " + std::to_string(kbits * 2) +
                                        "k -bf 2 -g 50 -pix_fmt yuv420p -f mpegts '" + name(c, f) + "'";
            if (std::system(command.c_str()) != 0) {
                std::fprintf(stderr, "the ffmpeg command failed: %s\n", command.c_str());
                return std::string();
            }
        }
    }
    return folder;
}

}  // namespace TarvexBench
