#include "Main/PictureBeat.h"

#include "Toolkit/VideoWindow.h"

namespace {

// The quiet after the last picture that ends a beat's pictures: they are all due at the same
// moment and come one after another as the screen's thread takes them; the next beat's come at
// least 1/60 s later.
constexpr unsigned int kQuietMs = 8;

}  // namespace

CPictureBeat::~CPictureBeat() { TarvexBase::KillUITimer(&m_timer); }

void CPictureBeat::Hold(int window) {
    CKXVideoWindow* grid = m_grid();
    if (!grid) return;
    if (Holding() && grid->HasHeldFrame(window)) Release();
    TarvexBase::KillUITimer(&m_timer);  // the quiet starts again
    m_timer.handler = &CPictureBeat::OnTimer;
    m_timer.context = this;  // killed in the destructor
    if (!TarvexBase::StartUITimer(&m_timer, kQuietMs)) return grid->HoldFrames(0);
    grid->HoldFrames(1);
}

void CPictureBeat::WhenShown(std::function<void()> note) {
    if (Holding()) m_waiting.push_back(std::move(note));
    else note();
}

void CPictureBeat::Release() {
    TarvexBase::KillUITimer(&m_timer);
    if (CKXVideoWindow* grid = m_grid()) grid->HoldFrames(0);
    std::vector<std::function<void()>> waiting;
    waiting.swap(m_waiting);
    for (auto& note : waiting) note();
}

void CPictureBeat::OnTimer(std::uintptr_t, void* context) { static_cast<CPictureBeat*>(context)->Release(); }
