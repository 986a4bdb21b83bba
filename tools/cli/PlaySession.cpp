#include "tools/cli/PlaySession.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "Base/DateTime.h"

bool ParsePosition(const std::string& text, FilePosition* position) {
    int h = 0, m = 0, s = 0, used = 0;
    if (std::sscanf(text.c_str(), "%2d:%2d:%2d%n", &h, &m, &s, &used) == 3 && used == static_cast<int>(text.size())) {
        if (h > 23 || m > 59 || s > 59 || h < 0 || m < 0 || s < 0) return false;
        position->kind = FilePosition::kClock;
        position->value = h * 3600 + m * 60 + s;
        return true;
    }
    std::string number = text;
    const bool percent = !number.empty() && number.back() == '%';
    if (percent) number.pop_back();
    char* end = nullptr;
    const double v = std::strtod(number.c_str(), &end);
    if (number.empty() || *end || !(v >= 0)) return false;
    if (percent ? v > 100 : (v != std::floor(v) || v >= 4e9)) return false;
    position->kind = percent ? FilePosition::kPercent : FilePosition::kSeconds;
    position->value = v;
    return true;
}

CPlaySession::CPlaySession(FrameHandler onFrame) : m_onFrame(std::move(onFrame)) {}

bool CPlaySession::Open(const std::string& path, bool indexed, std::string* error) {
    if (!m_engine.Open(path.c_str())) {
        const std::string why = MOVRA::WhyNotPlayable(path.c_str());
        *error = "not a recording this player can play" + (why.empty() ? std::string() : ": " + why);
        return false;
    }
    if (!indexed) return true;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait(lock, [&] { return m_indexDone; });
    if (!m_indexed) *error = "its frames cannot be indexed";
    return m_indexed;
}

namespace {

// The wall-clock second of a time of day: on the date the file starts, or the next day for a
// file that runs past midnight.
std::int64_t WallClockOf(MOVRA::CMovra& engine, double secondOfDay) {
    KX_SOFT_BASE::DateTime day;
    day.FromTimeT(engine.GetFileStartTime());
    day.hour = day.minute = day.second = 0;
    std::int64_t t = day.ToTimeT() + static_cast<std::int64_t>(secondOfDay);
    if (t < engine.GetFileStartTime()) t += 24 * 3600;
    return t;
}

}  // namespace

bool CPlaySession::Seek(const FilePosition& p) {
    switch (p.kind) {
        case FilePosition::kPercent: return m_engine.Seek(static_cast<float>(p.value)) != 0;
        case FilePosition::kSeconds: return m_engine.Seek(m_engine.GetFileStartTime() + static_cast<unsigned int>(p.value)) != 0;
        case FilePosition::kClock: {
            const std::int64_t t = WallClockOf(m_engine, p.value);
            return t <= 0xFFFFFFFFll && m_engine.Seek(static_cast<unsigned int>(t)) != 0;
        }
    }
    return false;
}

double CPlaySession::StreamSeconds(const FilePosition& p) {
    switch (p.kind) {
        case FilePosition::kSeconds: return p.value;
        case FilePosition::kPercent: {
            MOVRA::MV_FILE_DESCRIPTION d;
            m_engine.DescribeFile(&d);
            return p.value / 100 * d.duration;
        }
        case FilePosition::kClock: return static_cast<double>(WallClockOf(m_engine, p.value) - m_engine.GetFileStartTime());
    }
    return 0;
}

int CPlaySession::Presented() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_presented;
}

bool CPlaySession::WaitPresented(int count, std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, limit, [&] { return m_presented >= count; });
}

void CPlaySession::WaitEndOr(int count) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait(lock, [&] { return m_ended || m_presented >= count; });
}

void CPlaySession::WaitEndOr(int count, std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait_for(lock, limit, [&] { return m_ended || m_presented >= count; });
}

bool CPlaySession::Ended() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_ended;
}

void CPlaySession::OnFrameVisible(int, int, unsigned char* buffer, void*, MOVRA::MV_FRAME_RECORD* frame) {
    if (frame->type != 3) return;
    if (m_onFrame) m_onFrame(m_engine, buffer, *frame);
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_presented;
    m_cv.notify_all();
}

void CPlaySession::OnFileEnd(void*) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ended = true;
    m_cv.notify_all();
}

void CPlaySession::OnFileRefFinished(void*, int result) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_indexed = result != 0;
    m_indexDone = true;
    m_cv.notify_all();
}
