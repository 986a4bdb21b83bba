#pragma once
// What forward play gives up to keep to its clock when the machine cannot decode every frame in
// time: first the frames nothing refers to, skipped before they are decoded while the pictures
// come out late, then the deblocking of those it must decode while that is not enough.
//
// Driven by how late each decoded picture is against the clock, not by how long decoding took:
// with many windows sharing two cores every decode takes long in wall time, and a decision on
// that alone ratcheted every window into keyframes only while the cores idled. Lateness falls as
// soon as the machine has room again, so the relief goes as soon as it is not needed, and every
// window, seeing the same shortage, gives up alike.
#include <chrono>

namespace MOVRA {

enum class Relief { kNone = 0, kNonReference = 1, kCheaper = 2 };

class CKeepUp {
public:
    using Clock = std::chrono::steady_clock;

    // One picture out of the decoder: `late` seconds after it was due (zero or less: in time),
    // with `interval` seconds between frames at the speed played. The relief for what follows.
    Relief Note(double late, double interval, Clock::time_point now);
    Relief Current() const { return m_relief; }
    // After a seek, a speed change or a pause: nothing is behind any more.
    void Reset();

private:
    Relief m_relief = Relief::kNone;
    bool m_behind = false;
    Clock::time_point m_behindSince, m_inTimeSince;
};

}  // namespace MOVRA
