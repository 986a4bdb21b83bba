#pragma once
// Reads one recording's packets and seeks it to keyframes. Containers that seek by time land only
// near the target; a landing after it is corrected by seeking again further back. MPEG-TS and
// MPEG-PS, which resume at any packet start, are sought to a byte position when the index knows
// one.
#include <cstdint>
#include <string>

#include "Engine/FfmpegSupport.h"

namespace MOVRA {

// Some containers do not give every video packet its presentation time: AVI has none at all (its
// timestamps count packets in decoding order), and an MPEG program stream times only the first
// frame that starts in each of its packs. Their frames are timed by decoding order instead: each
// video packet has a decode time (its own, or the one before it plus a frame), and since the
// frames of a GOP show in the slots they decode in, the pictures, which leave the decoder in
// presentation order, take the decode times of the packets sent so far smallest first, moved by
// the stream's constant distance between decoding and presenting. The index is built the same way,
// so that both agree on every frame's time.
bool IsTimedByDecodeOrder(const AVInputFormat* format);

struct DecodeTiming {
    std::int64_t frame = 1;  // one frame, in the stream's time base
    std::int64_t delay = 0;  // a keyframe's presentation time less its decode time
};

// What the first packets of the file show of the video stream `video`: read from a context of its
// own, so that the index and every reader learn the very same values.
DecodeTiming ProbeDecodeTiming(const std::string& path, int video);

// Decode times in decoding order: a packet without a time of its own follows the one before by a
// frame, and so does one whose time is damaged or not after the one before (a demuxer that splits
// a pack into frames may give the pack's time to two of them; times that go back where two
// recordings meet would reorder the frames).
class CDecodeClock {
public:
    explicit CDecodeClock(std::int64_t frame = 1) : m_frame(frame) {}
    void Restart() { m_last = AV_NOPTS_VALUE; }
    void Set(std::int64_t dts) { m_last = dts; }
    // AV_NOPTS_VALUE until some packet since the restart carried a time.
    std::int64_t Next(const AVPacket& packet) {
        std::int64_t t = (packet.flags & AV_PKT_FLAG_CORRUPT) ? AV_NOPTS_VALUE : packet.dts;
        if (t != AV_NOPTS_VALUE && m_last != AV_NOPTS_VALUE && t <= m_last) t = AV_NOPTS_VALUE;
        if (t == AV_NOPTS_VALUE && m_last != AV_NOPTS_VALUE) t = m_last + m_frame;
        if (t != AV_NOPTS_VALUE) m_last = t;
        return t;
    }

private:
    std::int64_t m_frame;
    std::int64_t m_last = AV_NOPTS_VALUE;
};

class CPacketReader {
public:
    // Opens the file and finds its video stream. `keepAudio`: the first audio stream is read too,
    // every other stream is discarded. `decodeTimes`: in a container timed by decoding order, each
    // video packet read carries its decode time as its dts, and reading after a seek to a keyframe
    // resumes exactly at that keyframe (what a decoder needs; a copy of the packets does not).
    bool Open(const std::string& path, bool keepAudio, bool decodeTimes = false);

    AVFormatContext* Input() const { return m_input.get(); }
    AVStream* Video() const { return m_input->streams[m_video]; }
    int VideoIndex() const { return m_video; }
    AVStream* Audio() const { return m_audio >= 0 ? m_input->streams[m_audio] : nullptr; }
    std::int64_t VideoStartPts() const;
    // Opened with `decodeTimes` on a container timed by decoding order, and how.
    bool TimedByDecodeOrder() const { return m_timed; }
    const DecodeTiming& Timing() const { return m_timing; }

    // So that the next video packet read is the keyframe at or before `pts`.
    bool SeekBefore(std::int64_t pts);
    // To a keyframe the index found: its packet's byte position and time.
    bool SeekToKeyframe(std::int64_t position, std::int64_t pts);
    // The next packet of a kept stream; false at the end of the file or past damage nothing more
    // can be read after.
    bool Read(AVPacket* packet);

private:
    void Forget();
    bool SeekBeforeDecodeTime(std::int64_t dts, std::int64_t keyDts);
    // Gives a video packet its decode time; false for one passed over: before the keyframe that
    // reading resumes at, or with no time known.
    bool TimeVideo(AVPacket* packet);

    InputPtr m_input;
    int m_video = -1, m_audio = -1;
    PacketPtr m_held{av_packet_alloc()};  // read while checking a seek's landing, not yet handed out
    bool m_holding = false;
    bool m_byteSeek = false;
    bool m_timed = false;
    DecodeTiming m_timing;
    CDecodeClock m_clock;
    bool m_awaitKey = false;  // after a seek: nothing before a keyframe
    std::int64_t m_keyDts = AV_NOPTS_VALUE;  // that keyframe's decode time, when the index knows it
};

}  // namespace MOVRA
