#include "Main/PlayWinManager_Tables.h"

PlayRecord* CPlayWindowTables::RecordOf(PlayHandle handle) {
    return const_cast<PlayRecord*>(static_cast<const CPlayWindowTables*>(this)->RecordOf(handle));
}

const PlayRecord* CPlayWindowTables::RecordOf(PlayHandle handle) const {
    const auto bound = m_windows.find(handle);
    if (bound != m_windows.end()) return CurrentRecord(bound->second);
    const auto waiting = m_waiting.find(handle);
    return waiting == m_waiting.end() ? nullptr : &waiting->second;
}

PlayRecord* CPlayWindowTables::CurrentRecord(int window) {
    const auto at = m_current.find(window);
    return at == m_current.end() ? nullptr : &at->second;
}

const PlayRecord* CPlayWindowTables::CurrentRecord(int window) const {
    const auto at = m_current.find(window);
    return at == m_current.end() ? nullptr : &at->second;
}

int CPlayWindowTables::WindowOf(PlayHandle handle) const {
    const auto at = m_windows.find(handle);
    return at == m_windows.end() ? -1 : at->second;
}

PlayHandle CPlayWindowTables::HandleOf(int window) const {
    for (const auto& [handle, w] : m_windows)
        if (w == window) return handle;
    return nullptr;
}

std::vector<PlayHandle> CPlayWindowTables::BoundHandles(int window) const {
    std::vector<PlayHandle> handles;
    for (const auto& [handle, w] : m_windows)
        if (window < 0 || w == window) handles.push_back(handle);
    return handles;
}

std::vector<PlayHandle> CPlayWindowTables::WaitingHandles(int window) const {
    std::vector<PlayHandle> handles;
    for (const auto& [handle, record] : m_waiting)
        if (window < 0 || record.context == window) handles.push_back(handle);
    return handles;
}

std::vector<PlayRecord*> CPlayWindowTables::AllRecords() {
    std::vector<PlayRecord*> records;
    for (auto& [window, record] : m_current) records.push_back(&record);
    for (auto& [handle, record] : m_waiting) records.push_back(&record);
    for (auto& [window, list] : m_unopened)
        for (PlayRecord& record : list) records.push_back(&record);
    return records;
}

bool CPlayWindowTables::Add(PlayHandle handle, const PlayRecord& record) {
    if (!handle || RecordOf(handle)) return false;
    if (!m_current.count(record.context)) {
        m_windows[handle] = record.context;
        m_current[record.context] = record;
        return true;
    }
    m_waiting[handle] = record;
    return false;
}

void CPlayWindowTables::Remove(PlayHandle handle) {
    const auto bound = m_windows.find(handle);
    if (bound != m_windows.end()) {
        m_current.erase(bound->second);
        m_windows.erase(bound);
    }
    m_waiting.erase(handle);
}

void CPlayWindowTables::Swap(PlayHandle current, PlayHandle next) {
    const auto bound = m_windows.find(current);
    const auto waiting = m_waiting.find(next);
    if (bound == m_windows.end() || waiting == m_waiting.end()) return;
    const int window = bound->second;
    PlayRecord old = m_current[window];
    m_current[window] = waiting->second;
    m_waiting.erase(waiting);
    m_waiting[current] = old;
    m_windows.erase(bound);
    m_windows[next] = window;
}

PlayHandle CPlayWindowTables::Adjacent(int window, std::int32_t startKey, bool forward) const {
    PlayHandle best = nullptr;
    std::int32_t bestKey = 0;
    for (const auto& [handle, record] : m_waiting) {
        if (record.context != window) continue;
        const bool beyond = forward ? record.startKey > startKey : record.startKey < startKey;
        if (!beyond) continue;
        const bool better = !best || (forward ? record.startKey <= bestKey : record.startKey >= bestKey);
        if (better) {
            best = handle;
            bestKey = record.startKey;
        }
    }
    return best;
}

PlayHandle CPlayWindowTables::First(int window, bool forward) const {
    PlayHandle best = nullptr;
    std::int32_t bestKey = 0;
    for (const auto& [handle, record] : m_waiting) {
        if (record.context != window) continue;
        if (!best || (forward ? record.startKey <= bestKey : record.startKey >= bestKey)) {
            best = handle;
            bestKey = record.startKey;
        }
    }
    return best;
}

PlayHandle CPlayWindowTables::WaitingHolding(int window, unsigned int time) const {
    for (const auto& [handle, record] : m_waiting)
        if (record.context == window && SpanHolds(record, time)) return handle;
    return nullptr;
}

unsigned int CPlayWindowTables::NextRecordingFrom(unsigned int time, bool forward) const {
    unsigned int best = 0;
    auto consider = [&](const PlayRecord& r) {
        if (r.fileStartTime < 0 || r.fileEndTime < 0) return;
        const auto at = static_cast<unsigned int>(forward ? r.fileStartTime : r.fileEndTime);
        if (forward ? at > time && (!best || at < best) : at < time && at > best) best = at;
    };
    for (const auto& [window, record] : m_current) consider(record);
    for (const auto& [handle, record] : m_waiting) consider(record);
    for (const auto& [window, list] : m_unopened)
        for (const PlayRecord& record : list) consider(record);
    return best;
}

void CPlayWindowTables::AddUnopened(const PlayRecord& record) {
    std::vector<PlayRecord>& list = m_unopened[record.context];
    auto at = list.begin();
    while (at != list.end() && at->startKey <= record.startKey) ++at;
    list.insert(at, record);
}

const PlayRecord* CPlayWindowTables::UnopenedAdjacent(int window, std::int32_t startKey, bool forward) const {
    const auto at = m_unopened.find(window);
    if (at == m_unopened.end()) return nullptr;
    const std::vector<PlayRecord>& list = at->second;  // in start order
    if (forward) {
        for (const PlayRecord& r : list)
            if (r.startKey > startKey) return &r;
        return nullptr;
    }
    for (auto r = list.rbegin(); r != list.rend(); ++r)
        if (r->startKey < startKey) return &*r;
    return nullptr;
}

const PlayRecord* CPlayWindowTables::UnopenedHolding(int window, unsigned int time) const {
    const auto at = m_unopened.find(window);
    if (at == m_unopened.end()) return nullptr;
    for (const PlayRecord& r : at->second)
        if (SpanHolds(r, time)) return &r;
    return nullptr;
}

const PlayRecord* CPlayWindowTables::UnopenedFirst(int window, bool forward) const {
    const auto at = m_unopened.find(window);
    if (at == m_unopened.end() || at->second.empty()) return nullptr;
    return forward ? &at->second.front() : &at->second.back();
}

bool CPlayWindowTables::TakeUnopened(int window, const std::wstring& path, PlayRecord* record) {
    const auto at = m_unopened.find(window);
    if (at == m_unopened.end()) return false;
    for (auto r = at->second.begin(); r != at->second.end(); ++r) {
        if (r->path != path) continue;
        if (record) *record = *r;
        at->second.erase(r);
        if (at->second.empty()) m_unopened.erase(at);
        return true;
    }
    return false;
}

std::vector<PlayRecord> CPlayWindowTables::Unopened(int window) const {
    std::vector<PlayRecord> records;
    for (const auto& [w, list] : m_unopened)
        if (window < 0 || w == window) records.insert(records.end(), list.begin(), list.end());
    return records;
}

void CPlayWindowTables::ForgetUnopened(int window) {
    if (window < 0) m_unopened.clear();
    else m_unopened.erase(window);
}

bool SpanHolds(const PlayRecord& record, unsigned int time) {
    return static_cast<unsigned int>(record.fileStartTime) <= time && time <= static_cast<unsigned int>(record.fileEndTime);
}

