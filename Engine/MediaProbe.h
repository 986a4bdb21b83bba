#pragma once
// What a recording is, learnt by opening it (by content, never by its extension) and decoding
// its first picture, and when it was recorded.
#include <cstdint>
#include <string>

namespace MOVRA {

struct MediaDescription {
    std::string container;
    std::string videoCodec;
    int width = 0, height = 0;
    int fpsNum = 0, fpsDen = 1;  // 0 when the container does not say
    std::string audioCodec;  // empty without sound
    int audioRate = 0, audioChannels = 0;
    double durationEstimate = 0;  // seconds, from the container; the index has the exact one
    bool hasWallClock = false;  // written by our own writer
    double wallClock = 0;  // of the first frame, seconds
    bool hasCreationTime = false;
    std::int64_t creationTime = 0;
};

// True when the file has a video stream whose first picture decodes. `error` says why not.
bool ProbeMedia(const std::string& path, MediaDescription* description, std::string* error);

// The wall clock of the first frame, by the first of these that is known: the clock our writer
// embedded, the start in the recorder's file-name grammar, the container's creation time, the
// file's modification time less its duration.
double ResolveStartTime(const std::string& path, const MediaDescription& description, double durationSeconds);

// The MEDIA_INFO form of a frame rate: whole frames per second, or -f for one frame every
// f/10000 seconds.
int FrameRateCode(int fpsNum, int fpsDen);

}  // namespace MOVRA
