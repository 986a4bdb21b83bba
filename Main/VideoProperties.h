#pragma once
// The texts of the video property dialog: codec, resolution, frame rate, duration, wall-clock
// span, frames, keyframes, file size and path.
#include <cstdint>
#include <string>

struct CVideoInfoTexts {
    std::wstring codec, resolution, frameRate, duration, span, frames, keyframes, size, path;
};

// "704*576".
std::wstring ResolutionText(int width, int height);
// The engine's frame-rate value: frames per second when not negative ("25 fps"); a negative value
// -f means one frame every f/10000 seconds ("0.500 (1/2) fps" for -20000).
std::wstring FrameRateText(int value);
// "hh:mm:ss" of end - start; a span before its start or of more than 99 hours reads 00:00:00.
std::wstring DurationText(unsigned int start, unsigned int end);
// "2012-03-15 10:15:00 - 11:00:00"; the end's date only when it differs; empty when unknown.
std::wstring WallClockSpanText(std::int64_t start, std::int64_t end);
// Above 1 MiB in MB, otherwise in KB, with three decimals ("1024.000 KB", "1.000 MB").
std::wstring FileSizeText(std::uint64_t bytes);

