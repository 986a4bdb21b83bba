#pragma once
// Which file plays in which sub-window: the window table (handle -> window) of every window's
// current file, the current files' play records by window, and the waiting files (further files
// of a window's channel, for sequence play): those open in the engine by handle, the others as
// records only, opened when the window is about to show them. A handle is in the window table or
// in the waiting table, never both; a record without a handle is in neither. Only reads and moves
// records: posts nothing, shows nothing.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Files/FileRecords.h"

using PlayHandle = void*;
using PlayRecord = _QUERY_FILE_INFO;  // its context is the window number

class CPlayWindowTables {
public:
    // The record of a current or waiting file; null for a handle of neither.
    PlayRecord* RecordOf(PlayHandle handle);
    const PlayRecord* RecordOf(PlayHandle handle) const;
    PlayRecord* CurrentRecord(int window);
    const PlayRecord* CurrentRecord(int window) const;
    // The window a current file plays in, or -1.
    int WindowOf(PlayHandle handle) const;
    PlayHandle HandleOf(int window) const;  // null when nothing plays there
    bool IsBound(PlayHandle handle) const { return m_windows.count(handle) != 0; }
    bool IsWaiting(PlayHandle handle) const { return m_waiting.count(handle) != 0; }
    bool Empty() const { return m_windows.empty() && m_waiting.empty() && m_unopened.empty(); }

    // Every current file's handle, in handle order; or those of one window (-1: all windows).
    std::vector<PlayHandle> BoundHandles(int window = -1) const;
    // The waiting files of one window (-1: of every window).
    std::vector<PlayHandle> WaitingHandles(int window = -1) const;
    // Every record, current ones first, then the open waiting ones, then those not open.
    std::vector<PlayRecord*> AllRecords();

    // A file opened into its record's window: the window's current file if it had none, else a
    // waiting file. True when it became current.
    bool Add(PlayHandle handle, const PlayRecord& record);
    // Forgets the handle wherever it is.
    void Remove(PlayHandle handle);
    // `next` (waiting in the same window) becomes the window's current file, `current` waits:
    // its record keeps the play-state fields it had as current.
    void Swap(PlayHandle current, PlayHandle next);

    // Sequence play: the waiting file of `window` that follows (forward) or precedes the start
    // key; on equal keys the later one in table order. Null when there is none.
    PlayHandle Adjacent(int window, std::int32_t startKey, bool forward) const;
    // The window's waiting file that comes first (forward) or last in start order.
    PlayHandle First(int window, bool forward) const;
    // The waiting file of `window` whose span holds the time (bounds included), or null.
    PlayHandle WaitingHolding(int window, unsigned int time) const;
    // Where the nearest recording of any window begins after `time` (forward), or ends before it;
    // 0 when there is none that way.
    unsigned int NextRecordingFrom(unsigned int time, bool forward) const;

    // --- The waiting files not open in the engine ---
    void AddUnopened(const PlayRecord& record);
    // The window's file not open that follows (forward) or precedes the start key; the one whose
    // span holds the time; the first (forward) or last one. Null when there is none.
    const PlayRecord* UnopenedAdjacent(int window, std::int32_t startKey, bool forward) const;
    const PlayRecord* UnopenedHolding(int window, unsigned int time) const;
    const PlayRecord* UnopenedFirst(int window, bool forward) const;
    // Takes the record of `path` out (it is being opened); false when it is not there.
    bool TakeUnopened(int window, const std::wstring& path, PlayRecord* record);
    // The window's files not open (every window's with -1), and forgetting them.
    std::vector<PlayRecord> Unopened(int window = -1) const;
    void ForgetUnopened(int window);

private:
    std::map<PlayHandle, int> m_windows;
    std::map<int, PlayRecord> m_current;
    std::map<PlayHandle, PlayRecord> m_waiting;
    std::map<int, std::vector<PlayRecord>> m_unopened;  // window -> records in start order
};

// A record's span as the engine reported it, compared unsigned: a span not reported yet (-1)
// holds nothing.
bool SpanHolds(const PlayRecord& record, unsigned int time);

