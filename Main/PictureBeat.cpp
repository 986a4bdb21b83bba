#include "Main/PictureBeat.h"

#include "Base/LoopIds.h"
#include "Base/PostTask.h"
#include "Toolkit/VideoWindow.h"

namespace {

// How long the first picture of a beat waits at most for the others. They are all due at the same
// moment and come one after another as the screen's thread and the decoding threads get a core;
// the next beat's come 1/60 to 1/25 s later, and a window's second picture shows the first beat
// before its own.
constexpr unsigned int kLongestHoldMs = 24;

}  // namespace

CPictureBeat::~CPictureBeat() { TarvexBase::KillUITimer(&m_timer); }

void CPictureBeat::Hold(int window, const void* source, int expected) {
    CKXVideoWindow* grid = m_grid();
    if (!grid) return;
    const auto held = m_held.find(window);
    if (m_holding && grid->HasHeldFrame(window) && (held == m_held.end() || held->second == source)) Release();
    m_timer.handler = &CPictureBeat::OnTimer;
    m_timer.context = this;  // killed in the destructor
    if (!m_holding) {
        if (!TarvexBase::StartUITimer(&m_timer, kLongestHoldMs)) return grid->HoldFrames(0);
        m_holding = true;
        grid->HoldFrames(1);
    }
    m_held[window] = source;
    if (expected <= 0 || static_cast<int>(m_held.size()) < expected) return;
    // The beat is complete with this picture, which is drawn (held) next: they show together
    // right after it.
    TarvexBase::KillUITimer(&m_timer);
    if (!TarvexBase::StartUITimer(&m_timer, 0)) Release();
}

void CPictureBeat::WhenShown(std::function<void()> note) {
    if (m_holding) m_waiting.push_back(std::move(note));
    else note();
}

void CPictureBeat::Release() {
    TarvexBase::KillUITimer(&m_timer);
    if (!m_holding) return;
    m_holding = false;
    ++m_holds;
    m_held.clear();
    if (CKXVideoWindow* grid = m_grid()) grid->HoldFrames(0);
    std::vector<std::function<void()>> waiting;
    waiting.swap(m_waiting);
    for (auto& note : waiting) note();
}

void CPictureBeat::OnTimer(std::uintptr_t, void* context) {
    auto* beat = static_cast<CPictureBeat*>(context);
    TarvexBase::KillUITimer(&beat->m_timer);
    // Pictures of the beat may wait in this thread's queue already (it was busy while the timer
    // ran): the release goes behind them.
    std::weak_ptr<CPictureBeat*> self = beat->m_self;
    const unsigned int hold = beat->m_holds;
    KX_POST_FUNCTION(TarvexBase::ML_MAIN, ([self, hold] {
                         if (auto alive = self.lock())
                             if ((*alive)->m_holds == hold) (*alive)->Release();
                     }));
}
