#pragma once
// Evidence: a stretch of wall-clock time cut from the recordings of several channels into a new
// folder, with a report that lists every source and every file written with its SHA-256, so
// that whoever receives the folder can show nothing in it (nor in the sources) has changed.
//
// Per channel with recording in the stretch: one native clip per source file the stretch
// touches (packets copied from the keyframe at or before the stretch's start in that file), an
// MP4 of each clip by stream copy where the video is H.264 or H.265, and a picture of the frame
// shown at the snapshot time asked for (the stretch's start unless a time inside it is given). Then report.json, and report.html made from report.json's
// content. Runs on the caller's thread (never the UI's); progress and cancel are the caller's.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Engine/EvidenceLabels.h"

namespace MOVRA {

// One channel's recordings, as the catalogue groups them; any order.
struct EvidenceChannel {
    std::string device;  // empty for a recording not named by the recorder's grammar
    int channel = 0;
    int stream = 0;  // 0 main, 1.. extra
    std::vector<std::string> files;
};

struct EvidenceRequest {
    std::vector<EvidenceChannel> channels;
    double from = 0, to = 0;  // wall clock, local seconds; `to` after `from`
    std::string folder;  // new, or empty: never one that holds anything
    std::string note;  // the user's, any text
    std::string version;  // of the program
    bool jpegSnapshot = true;  // else BMP
    // The wall clock each channel's picture is taken at (what the user looks at); a time outside
    // the stretch (0 among them) means the stretch's start. A channel with no recording then
    // gives the first picture after it in the stretch.
    double snapshotAt = 0;
    EvidenceLabels labels;  // the words of report.html
    // Called now and then with the share done (0..1) and what is being done.
    std::function<void(double done, const std::string& step)> progress;
    const std::atomic<bool>* cancel = nullptr;
};

struct EvidenceSource {
    std::string path;
    std::uint64_t size = 0;
    std::string sha256;
    std::string device;
    int channel = 0, stream = 0;
    double start = 0, end = 0;  // wall clock of its first frame and of its last frame's end
};

struct EvidenceFile {
    std::string name;  // relative to the folder
    std::string kind;  // "clip", "mp4", "snapshot"
    std::uint64_t size = 0;
    std::string sha256;
    std::int64_t frames = 0;
    double start = 0, end = 0;  // wall clock of what it shows (a snapshot: start == end)
    std::string source;  // the source's path it was cut from
    std::string container;  // "mpegts", "matroska", "mp4", "jpeg", "bmp"
    std::string device;
    int channel = 0, stream = 0;
};

// What was not written, and why (an MP4 of MJPEG video, say).
struct EvidenceSkip {
    std::string device;
    int channel = 0, stream = 0;
    std::string what, reason;
};

struct EvidenceReport {
    double from = 0, to = 0;
    double snapshotAt = 0;  // the time the snapshots were taken at, as asked (the stretch's start or inside it)
    std::string version;
    std::int64_t exportedAt = 0;  // time_t
    std::string note;
    std::vector<EvidenceSource> sources;
    std::vector<EvidenceFile> files;
    std::vector<EvidenceSkip> skipped;
    EvidenceLabels labels;
};

enum class EvidenceError {
    kNone,
    kNoRecording,  // no channel has recording in the stretch
    kFolderNotNew,  // the folder holds something already
    kCannotWrite,  // the folder cannot be made or written (a full disk)
    kCannotRead,  // a source cannot be read or hashed
    kCancelled,
    kBadRequest,  // the stretch is empty or reversed, or no folder given
};

struct EvidenceResult {
    EvidenceError error = EvidenceError::kNone;
    std::string message;  // says which file and why, when error is set
    EvidenceReport report;
};

// Writes the evidence. On any failure the files it wrote are removed again, and the folder
// too when it made it: a folder of evidence is whole or not there.
EvidenceResult ExportEvidence(const EvidenceRequest& request);

}  // namespace MOVRA
