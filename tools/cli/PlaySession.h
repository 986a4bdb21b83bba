#pragma once
// One recording opened in the engine for a command: the engine, a listener that counts what it
// presents (and hands each frame to the command), and positions given on the command line.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

#include "Engine/Movra.h"

// A place in a file as the user writes it: whole seconds from the start ("90"), a wall-clock time
// of the file's day ("10:01:30"), or a percentage of its span ("25%").
struct FilePosition {
    enum Kind { kSeconds, kClock, kPercent } kind = kSeconds;
    double value = 0;  // seconds, seconds after midnight, or percent
};
bool ParsePosition(const std::string& text, FilePosition* position);
constexpr const char* kPositionForms = "whole seconds from the file's start, HH:MM:SS on the file's day, or a percentage such as 25%";

class CPlaySession : public MOVRA::IMovraListener {
public:
    // Called on the engine's thread for every frame presented; the buffer lasts for the call.
    using FrameHandler = std::function<void(MOVRA::CMovra& engine, unsigned char* buffer, const MOVRA::MV_FRAME_RECORD& frame)>;
    explicit CPlaySession(FrameHandler onFrame = {});
    // Called on the engine's thread with the stream it pushes while playing forward at 1X.
    using StreamHandler = std::function<void(const char* data, int length)>;
    void SetStreamHandler(StreamHandler onStream) { m_onStream = std::move(onStream); }

    MOVRA::CMovra& Engine() { return m_engine; }
    // Opens and, when `indexed`, waits for the index (seeks are exact with it, backward play needs
    // it). False with the reason in `error`.
    bool Open(const std::string& path, bool indexed, std::string* error);
    // Seeks the engine (before or during play); false when the position is outside the file.
    bool Seek(const FilePosition& position);
    // The position as seconds from the file's first frame (negative before the file's start).
    double StreamSeconds(const FilePosition& position);

    int Presented();
    // Until `count` frames have been presented, or `limit` passed.
    bool WaitPresented(int count, std::chrono::milliseconds limit);
    // Until the end of the file, or `count` frames.
    void WaitEndOr(int count);
    // The same, at most `limit`.
    void WaitEndOr(int count, std::chrono::milliseconds limit);
    bool Ended();

    void OnFrameVisible(int, int, unsigned char* buffer, void*, MOVRA::MV_FRAME_RECORD* frame) override;
    void OnFileEnd(void*) override;
    void OnStreamData(void*, char* data, int length, MOVRA::MV_STREAM_RECORD*, void*) override {
        if (m_onStream) m_onStream(data, length);
    }
    void OnFileRefFinished(void*, int result) override;

private:
    FrameHandler m_onFrame;
    StreamHandler m_onStream;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_presented = 0;
    bool m_ended = false;
    bool m_indexDone = false, m_indexed = false;
    MOVRA::CMovra m_engine{this};  // last: closed before anything its threads use goes
};
