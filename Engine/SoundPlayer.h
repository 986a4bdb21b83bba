#pragma once
// The sound of one recording, played through an SDL2 audio device. A feeder thread of its own
// decodes the first audio stream from a given stream time, converts it to 16-bit stereo at the
// device's rate with libswresample, applies the volume and the channel choice, and keeps a
// quarter of a second queued on the device. What has been heard is the playback clock.
//
// One sound plays at a time in the process: starting one halts any other.
#include <memory>
#include <string>

#include "Engine/Playback.h"

namespace MOVRA {

class CSoundPlayer : public ISoundOutput, public std::enable_shared_from_this<CSoundPlayer> {
public:
    // Null when the file has no decodable sound or no sound device can be opened (a headless
    // machine); `why` then says which.
    static std::shared_ptr<CSoundPlayer> Open(const std::string& path, std::string* why);
    ~CSoundPlayer() override;

    void Start(double seconds) override;
    void Halt() override;
    double Position() override;

    void SetVolume(int volume);  // 0..100
    void SetChannel(int choice);  // 0 both, 1 the left to both speakers, 2 the right to both

    struct State;

private:
    CSoundPlayer() = default;
    std::shared_ptr<State> m_state;
};

}  // namespace MOVRA
