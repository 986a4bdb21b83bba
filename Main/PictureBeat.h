#pragma once
// Played in sync faster than recorded, the members of the group change their pictures together,
// on the group's beat, and their pictures reach this thread within a few milliseconds of each
// other. Those are held and shown at once, with the positions they carry, so that neither the grid
// nor anything that reads the windows' positions ever sees some windows a beat ahead of the rest.
// Belongs to the UI thread.
#include <functional>
#include <vector>

#include "Base/UITimer.h"

class CKXVideoWindow;

class CPictureBeat {
public:
    explicit CPictureBeat(std::function<CKXVideoWindow*()> grid) : m_grid(std::move(grid)) {}
    ~CPictureBeat();
    CPictureBeat(const CPictureBeat&) = delete;
    CPictureBeat& operator=(const CPictureBeat&) = delete;

    // Before a picture for `window` is drawn: the grid holds its frames until no picture has come
    // for a moment. A second picture for a window that holds one is the next beat's: what is
    // held shows first.
    void Hold(int window);
    bool Holding() const { return m_timer.id != 0; }
    // What is to happen when the held pictures show; at once when nothing is held.
    void WhenShown(std::function<void()> note);
    // Shows what is held, and does what waited for it.
    void Release();

private:
    static void OnTimer(std::uintptr_t, void* context);

    std::function<CKXVideoWindow*()> m_grid;
    std::vector<std::function<void()>> m_waiting;
    CKXTimer m_timer;
};
