#pragma once
// Reads one recording's packets and seeks it to keyframes. Containers that seek by time land only
// near the target; a landing after it is corrected by seeking again further back. MPEG-TS, which
// resumes at any packet start, is sought to a keyframe's byte position when the index knows it.
#include <cstdint>
#include <string>

#include "Engine/FfmpegSupport.h"

namespace MOVRA {

class CPacketReader {
public:
    // Opens the file and finds its video stream. `keepAudio`: the first audio stream is read too,
    // every other stream is discarded.
    bool Open(const std::string& path, bool keepAudio);

    AVFormatContext* Input() const { return m_input.get(); }
    AVStream* Video() const { return m_input->streams[m_video]; }
    int VideoIndex() const { return m_video; }
    AVStream* Audio() const { return m_audio >= 0 ? m_input->streams[m_audio] : nullptr; }
    std::int64_t VideoStartPts() const;

    // So that the next video packet read is the keyframe at or before `pts`.
    bool SeekBefore(std::int64_t pts);
    // To a keyframe the index found: its packet's byte position and time.
    bool SeekToKeyframe(std::int64_t position, std::int64_t pts);
    // The next packet of a kept stream; false at the end of the file or past damage nothing more
    // can be read after.
    bool Read(AVPacket* packet);

private:
    void Forget();

    InputPtr m_input;
    int m_video = -1, m_audio = -1;
    PacketPtr m_held{av_packet_alloc()};  // read while checking a seek's landing, not yet handed out
    bool m_holding = false;
    bool m_byteSeek = false;
};

}  // namespace MOVRA
