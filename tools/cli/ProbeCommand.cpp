// tarvex-cli probe FILE: what the engine makes of one recording, as JSON.
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <mutex>
#include <nlohmann/json.hpp>

#include "Base/DateTime.h"
#include "Engine/Movra.h"
#include "tools/cli/CliText.h"
#include "tools/cli/Commands.h"
#include "tools/cli/Options.h"

namespace {

using Json = nlohmann::ordered_json;

// Waits for the engine's index, which the frame counts need.
class IndexWaiter : public MOVRA::IMovraListener {
public:
    void OnFileRefFinished(void*, int result) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_done = true;
        m_result = result;
        m_cv.notify_all();
    }
    int Wait() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [&] { return m_done; });
        return m_result;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_done = false;
    int m_result = 0;
};

std::string LocalTime(unsigned int t) {
    KX_SOFT_BASE::DateTime dt;
    dt.FromTimeT(t);
    return FormatDateTime(dt);
}

int RunProbe(int argc, char** argv) {
    const ParsedOptions o = ParseOptions(argc, argv, {}, {});
    if (o.help) {
        std::fputs(kProbeCommand.help, stdout);
        return kExitOk;
    }
    if (!o.error.empty() || o.positional.size() != 1) {
        std::fprintf(stderr, "tarvex-cli probe: %s (see --help)\n", o.error.empty() ? "give one file" : o.error.c_str());
        return kExitUsage;
    }
    const std::string& path = o.positional[0];
    IndexWaiter waiter;
    MOVRA::CMovra engine(&waiter);
    if (!engine.Open(path.c_str())) {
        const std::string why = MOVRA::WhyNotPlayable(path.c_str());
        std::fprintf(stderr, "cannot open %s: not a recording this player can play%s\n", path.c_str(),
                     why.empty() ? "" : (": " + why).c_str());
        return kExitFailed;
    }
    waiter.Wait();
    MOVRA::MEDIA_INFO info;
    MOVRA::MV_FILE_DESCRIPTION d;
    engine.GetMediaInfo(&info);
    engine.DescribeFile(&d);
    const unsigned int start = engine.GetFileStartTime(), end = engine.GetFileEndTime();
    Json audio = nullptr;
    if (!d.audioCodec.empty())
        audio = Json{{"codec", d.audioCodec}, {"sampleRate", d.audioRate}, {"channels", d.audioChannels}};
    const Json out{{"path", path},
                   {"container", d.container},
                   {"videoCodec", d.videoCodec},
                   {"width", info.width},
                   {"height", info.height},
                   {"frameRate", info.frameRate},
                   {"framesPerSecond", d.framesPerSecond},
                   {"start", LocalTime(start)},
                   {"startSeconds", start},
                   {"end", LocalTime(end)},
                   {"endSeconds", end},
                   {"duration", d.duration},
                   {"frames", d.frames},
                   {"keyframes", d.keyframes},
                   {"indexComplete", d.indexComplete},
                   {"audio", audio}};
    std::cout << out.dump(2) << '\n';
    engine.Close();
    return std::cout.good() ? kExitOk : kExitFailed;
}

}  // namespace

const CliCommand kProbeCommand = {
    "probe", "describe one recording as the engine sees it",
    "Usage: tarvex-cli probe FILE\n"
    "\n"
    "Opens FILE in the playback engine (by its content, whatever its name), waits for its index\n"
    "and prints one JSON document: container, videoCodec, width, height, frameRate (whole frames\n"
    "per second, or -f for one frame every f/10000 seconds), framesPerSecond, the wall-clock\n"
    "start and end (local \"YYYY-MM-DD HH:MM:SS\" and seconds), duration in seconds, frames,\n"
    "keyframes, indexComplete, and audio ({codec, sampleRate, channels}) or null.\n"
    "\n"
    "The start is the wall clock stored by the recorder, else the time in the file's name, else\n"
    "the container's creation time, else the file's modification time less its duration.\n"
    "\n"
    "Exit status: 0 described, 1 the file cannot be played, 2 wrong usage.\n",
    &RunProbe};
