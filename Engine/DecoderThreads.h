#pragma once
// How many threads one video decoder gets: the machine's cores shared among the windows that
// decode. One window of a large picture (or at a high speed) gets every core, as a general player
// would give it; a grid of windows gets one thread each, since the windows already keep every core
// busy and more threads than cores only add switching and memory.
namespace MOVRA {

// Held by a playback while it decodes; its lifetime counts it among the decoding windows.
class CDecodingWindow {
public:
    CDecodingWindow();
    ~CDecodingWindow();
    CDecodingWindow(const CDecodingWindow&) = delete;
    CDecodingWindow& operator=(const CDecodingWindow&) = delete;
};

// The threads for a decoder opened now, from the windows decoding now.
int DecoderThreads();
// The rule itself: `cores` shared among `windows`, at least 1, at most kMaxDecoderThreads (each
// frame thread holds back a picture, which a step or a reverse would wait for).
int DecoderThreadsFor(int cores, int windows);
constexpr int kMaxDecoderThreads = 4;

}  // namespace MOVRA
