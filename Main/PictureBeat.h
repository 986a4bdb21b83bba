#pragma once
// Played in sync faster than recorded, the members of the group change their pictures together,
// on the group's beat, and their pictures reach this thread within a few milliseconds of each
// other. Those are held and shown at once, with the positions they carry, so that neither the grid
// nor anything that reads the windows' positions ever sees some windows a beat ahead of the rest.
// Belongs to the UI thread.
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "Base/UITimer.h"

class CKXVideoWindow;

class CPictureBeat {
public:
    explicit CPictureBeat(std::function<CKXVideoWindow*()> grid) : m_grid(std::move(grid)) {}
    ~CPictureBeat();
    CPictureBeat(const CPictureBeat&) = delete;
    CPictureBeat& operator=(const CPictureBeat&) = delete;

    // Before a picture for `window` from the file `source` is drawn: the grid holds its frames
    // until `expected` windows (those with a recording at the group's time; 0 when not known) hold
    // one, or for a moment at most when some window's picture does not come. A second picture
    // from the same file is the next beat's: what is held shows first. One from another file (the
    // window's next, whose first frame falls in the beat where the one before it ends) takes the
    // held one's place.
    void Hold(int window, const void* source, int expected);
    bool Holding() const { return m_holding; }
    // What is to happen when the held pictures show; at once when nothing is held.
    void WhenShown(std::function<void()> note);
    // Shows what is held, and does what waited for it.
    void Release();

private:
    static void OnTimer(std::uintptr_t, void* context);

    std::function<CKXVideoWindow*()> m_grid;
    std::vector<std::function<void()>> m_waiting;
    std::map<int, const void*> m_held;  // the windows holding a picture, and whose it is
    bool m_holding = false;
    unsigned int m_holds = 0;  // counts the holds, so that a late release lets a later one be
    CKXTimer m_timer;
    // Gone with this object: a release posted meanwhile then does nothing.
    std::shared_ptr<CPictureBeat*> m_self = std::make_shared<CPictureBeat*>(this);
};
