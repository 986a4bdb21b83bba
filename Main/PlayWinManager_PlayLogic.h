#pragma once
// The play loop's half of the play windows: every playback command the user gives ends up here as
// a task on ML_PLAY, posted by the UI loop's half (CPlayManagerUILogic). It owns the play
// manager, keeps the table of open files, calls the play manager and, where the UI must know the
// outcome, posts a reply to ML_MAIN while the UI half lives. It never touches a window: it sees
// play handles, paths and numbers only. Made on the UI thread (where the play manager's tick
// starts), used from then on only on ML_PLAY.
#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Engine/Movra.h"
#include "Files/FileRecords.h"
#include "PlayManager/PlayObjectListener.h"

class CPlayManagerUILogic;
namespace TarvexPlay {
class CPlayManager;
}

using PlayHandleList = boost::shared_ptr<std::vector<void*>>;

// What a record request came to.
enum RECORD_RESULT { RECORD_FAILED = 0, RECORD_STARTED = 1, RECORD_REFUSED_STATE = 2 };

class CPlayManagerPlayLogic : public boost::enable_shared_from_this<CPlayManagerPlayLogic> {
public:
    explicit CPlayManagerPlayLogic(const boost::weak_ptr<CPlayManagerUILogic>& ui);
    ~CPlayManagerPlayLogic();
    CPlayManagerPlayLogic(const CPlayManagerPlayLogic&) = delete;
    CPlayManagerPlayLogic& operator=(const CPlayManagerPlayLogic&) = delete;

    using Listener = boost::shared_ptr<TarvexPlay::IPlayObjectListener>;
    using Record = boost::shared_ptr<_QUERY_FILE_INFO>;

    int Task_PlayOneFile(std::wstring path, Listener listener, Record record);
    int Task_CloseFiles(PlayHandleList handles);
    int Task_Pause(PlayHandleList handles, int pause);
    int Task_GroupPause(int pause);
    int Task_SetPlayDirection(PlayHandleList handles, int forward);
    int Task_GroupPlayDirection(int forward);
    int Task_SetPlaySpeed(PlayHandleList handles, float speed);
    int Task_GroupPlaySpeed(float speed);
    int Task_SetPlayVolume(PlayHandleList handles, int volume);
    int Task_MutePlay(PlayHandleList handles, int mute);
    int Task_OpenAudio(void* handle);
    int Task_CloseAudio(void* handle);
    int Task_OneStepPlay(PlayHandleList handles, int forward);
    int Task_Seek(void* handle, unsigned int time);
    int Task_SeekRelativePos(void* handle, float position);
    int Task_GroupSeek(unsigned int time);
    int Task_GroupSyn(PlayHandleList handles, int on, Listener listener);
    // In sync play a window's next file takes its place in the group: the one leaving stops where
    // it is, the one joining shows the group's time (or waits at its nearest frame).
    int Task_GroupSwap(void* leaving, void* joining);
    // A window's next file joins the group a little before the group's clock reaches it, so that
    // its first picture comes on the group's beat; and leaves again, paused, when play turns
    // elsewhere before that.
    int Task_GroupJoinAhead(void* joining);
    int Task_GroupLeaveAhead(PlayHandleList handles);
    int Task_SnapPicure(void* handle, std::wstring path, int imageType);
    int Task_StartRecord(void* handle, std::wstring path, int format, int window);
    // `clip`: the clip being stopped, handed back with the answer (empty when none was known).
    int Task_StopRecord(void* handle, int window, std::wstring clip);
    int Task_GetVideoInfo(void* handle);
    // The engine's counts of each window's file, for the statistics.
    struct StatsAnswer {
        int window;
        void* handle;
        MOVRA::MV_PLAY_STATS stats;
    };
    using StatsAnswers = boost::shared_ptr<std::vector<StatsAnswer>>;
    int Task_SetShownSize(void* handle, int width, int height);
    int Task_QueryStats(boost::shared_ptr<std::vector<std::pair<int, void*>>> shown);
    int Task_SaveRef(void* handle, std::wstring path);
    int Task_ChooseSoundChannel(PlayHandleList handles, unsigned long channel);
    int Task_RenderLastFrame(PlayHandleList handles);
    // The UI half is going (the program ends): every open file is stopped and closed here, on the
    // play loop, so that no engine's thread is ever waited for on the UI thread.
    int Task_CloseAll();

    // For tests and the benchmark: the number of open files, the speed files open at.
    std::size_t OpenFileCount() const { return m_files.size(); }
    float CurrentSpeed() const { return m_speed; }
    int IsGroupActive() const { return m_groupActive; }

private:
    bool IsOpen(void* handle) const { return m_files.count(handle) != 0; }
    bool SpeedIsNormal() const;
    int PlayInDirection(void* handle);

    boost::shared_ptr<TarvexPlay::CPlayManager> m_manager;
    boost::weak_ptr<CPlayManagerUILogic> m_ui;
    float m_speed = 1.0f;
    int m_volume = 0;
    int m_mute = 0;
    void* m_group = nullptr;
    std::map<void*, _QUERY_FILE_INFO> m_files;
    int m_groupActive = 0;
};
