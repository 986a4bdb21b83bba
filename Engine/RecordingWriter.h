#pragma once
// A recorder in a box: writes recordings whose pictures show their own frame numbers (see
// FramePattern.h) and whose container carries the wall clock of the first frame, named as a
// recorder names them. Deterministic: the same options give the same bytes.
//
// The container is MPEG-TS, as recorders write, whenever the codecs fit it (H.264 or H.265 with
// AAC or no sound); MJPEG video and G.711 sound do not survive MPEG-TS in common demuxers, so
// those recordings are written as Matroska. Either way the file is judged by its content.
#include <cstdint>
#include <string>
#include <vector>

namespace MOVRA {

struct SynthOptions {
    std::string device = "DVR";
    int channels = 1;
    std::vector<std::string> streams{"main"};  // "main", "extra1", ...
    std::int64_t start = 0;  // wall clock of the first file's first frame, local seconds
    int files = 1;  // consecutive files per channel and stream
    double seconds = 4;  // length of each file
    int width = 320, height = 240;
    int fps = 25;
    int gop = 25;  // frames from one keyframe to the next
    int bframes = 0;
    std::string codec = "h264";  // h264 | hevc | mjpeg
    std::string audio = "none";  // none | mulaw | alaw | aac
    int audioChannels = 1;  // 2: stereo, the right channel carrying the tone at half the level
    bool dateFolders = false;  // write into OUTDIR/YYYY-MM-DD/
};

// One recording. `channel` is drawn on the pictures and sets the tone's pitch.
bool WriteSynthRecording(const std::string& path, const SynthOptions& options, int channel, std::int64_t startMs,
                         int frames, std::string* error);

// Every recording the options describe, named by the recorder's grammar; the paths written are
// appended to `written`.
bool WriteSynthRecordings(const std::string& outDir, const SynthOptions& options, std::vector<std::string>* written,
                          std::string* error);

}  // namespace MOVRA
