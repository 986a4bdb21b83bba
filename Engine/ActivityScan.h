#pragma once
// Finds activity in one recording without playing it: what changes in the picture (or in a
// rectangle of it), per second and as spans of wall-clock time.
//
// It costs little. Every packet is read but only keyframes are decoded at first (without
// deblocking, at reduced resolution where the codec can), each reduced to a small brightness grid.
// The pictures between two keyframes are decoded only where one of them shows change or the
// coded sizes of the pictures between them grow against their neighbours' (a moving thing costs
// bits) - and everywhere when keyframes are more than two seconds apart - so that a change is
// timed to a fraction of a second. ActivityModel.h judges the grids.
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "Engine/ActivityModel.h"

namespace MOVRA {

struct ActivityScanOptions {
    ActivityRegion region;  // the whole picture by default
    std::string thumbnailFolder;  // when set, a JPEG of each span's peak picture is written there
    int decoderThreads = 2;
};

struct ActivityResult {
    double startWallClock = 0;  // of the first frame, local seconds
    double duration = 0;  // seconds
    std::vector<float> perSecond;  // from the first frame on
    std::vector<ActivitySpan> spans;  // seconds since the first frame
    std::vector<std::string> thumbnails;  // one path per span when asked for ("" when it failed)
};

// Called now and then with the share of the work done (0..1), on the scanning thread.
using ActivityProgress = std::function<void(double done)>;

// False with `error` when the file cannot be read as a recording or `cancel` became true (error
// "cancelled").
bool ScanActivity(const std::string& path, const ActivityScanOptions& options, const std::atomic<bool>& cancel,
                  const ActivityProgress& progress, ActivityResult* result, std::string* error);

}  // namespace MOVRA
