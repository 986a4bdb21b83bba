#pragma once
// An open under way for as long as a test needs: the play loop is held busy, so the answer to an
// open posted meanwhile cannot come back until the hold is released.
#include <boost/make_shared.hpp>

#include <atomic>

#include "Base/LoopIds.h"
#include "Base/PostTask.h"
#include "Base/SystemFunctions.h"
#include "Main/PlayWinManager_UILogic.h"

namespace TarvexTest {

class COpeningHold {
public:
    // Opens a file that is not there into `window`: it fails, once the play loop may answer.
    explicit COpeningHold(CPlayManagerUILogic& ui, int window = 0) : m_busy(boost::make_shared<std::atomic<bool>>(true)) {
        auto busy = m_busy;
        KX_POST_FUNCTION(TarvexBase::ML_PLAY, ([busy] {
                             while (*busy) KX_SOFT_BASE::SleepMs(2);
                         }));
        PlayRecord record;
        record.path = L"/nonexistent/opening.rvf";
        record.queryType = QUERY_SINGLE_FILE;
        record.context = window;
        record.fileStartTime = record.fileEndTime = -1;
        ui.StartPlayOneFile(record.path, record);
    }
    ~COpeningHold() { Release(); }
    void Release() { *m_busy = false; }

private:
    boost::shared_ptr<std::atomic<bool>> m_busy;
};

}  // namespace TarvexTest
