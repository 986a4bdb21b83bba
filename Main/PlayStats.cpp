#include "Main/PlayStats.h"

#include <algorithm>
#include <set>

void CPlayStats::Add(int window, const Sample& s) {
    CWindowStats& f = m_figures[window];
    f.window = window;
    f.codec = s.engine.codec;
    f.width = s.engine.width;
    f.height = s.engine.height;
    f.frameRate = s.engine.frameRate;
    f.bitRate = s.engine.bitRate;
    f.relief = s.engine.relief;
    const auto last = m_last.find(window);
    const bool comparable = last != m_last.end() && last->second.handle == s.handle && s.at > last->second.at &&
                            s.engine.decoded >= last->second.engine.decoded && s.drawnTotal >= last->second.drawnTotal;
    if (comparable) {
        const Sample& before = last->second;
        const double seconds = s.at - before.at;
        f.drawn = (s.drawnTotal - before.drawnTotal) / seconds;
        // The clock's demand over the interval, as asked at its start and its end.
        const double asked = 0.5 * (s.framesAsked + before.framesAsked);
        f.dropped = std::max(0.0, asked - f.drawn);
        const unsigned int decoded = s.engine.decoded - before.engine.decoded;
        f.decodeMs = decoded ? 1000 * (s.engine.decodeSeconds - before.engine.decodeSeconds) / decoded : 0;
    } else {
        f.drawn = f.dropped = f.decodeMs = 0;  // a new file: nothing to compare with yet
    }
    m_last[window] = s;
}

void CPlayStats::KeepOnly(const std::vector<int>& windows) {
    const std::set<int> kept(windows.begin(), windows.end());
    for (auto it = m_figures.begin(); it != m_figures.end();) it = kept.count(it->first) ? std::next(it) : m_figures.erase(it);
    for (auto it = m_last.begin(); it != m_last.end();) it = kept.count(it->first) ? std::next(it) : m_last.erase(it);
}

std::vector<CWindowStats> CPlayStats::Figures() const {
    std::vector<CWindowStats> all;
    for (const auto& [window, f] : m_figures) all.push_back(f);
    return all;
}
