#pragma once
// Every open play object and every play-group engine, found by handle (the address of its engine),
// and the 300 ms tick that reports positions. Made on the UI thread, where its timer starts; used
// from then on only on ML_PLAY, so its arrays carry no lock. Every operation given a handle it does
// not hold does nothing and returns 0.
#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include <cstdint>
#include <vector>

#include "Engine/Movra.h"
#include "PlayManager/PlayObject.h"
#include "PlayManager/PlayObjectListener.h"

struct CKXTimer;

namespace TarvexPlay {

class CPlayManager : public boost::enable_shared_from_this<CPlayManager> {
public:
    // On the UI thread: the position timer starts here.
    static boost::shared_ptr<CPlayManager> Create();
    ~CPlayManager();
    CPlayManager(const CPlayManager&) = delete;
    CPlayManager& operator=(const CPlayManager&) = delete;

    void* CreatePlayObject();
    int DestroyPlayObject(void* handle);
    int SetPlayObjectListener(void* handle, const boost::weak_ptr<IPlayObjectListener>& listener);

    int Open(void* handle, const char* path);
    int Play(void* handle);
    int Stop(void* handle);
    int Close(void* handle);
    int Pause(void* handle);
    int Resume(void* handle);
    int SetSpeed(void* handle, float speed);
    int OpenAudio(void* handle);
    int CloseAudio(void* handle);
    int PlayForward(void* handle);
    int PlayBackward(void* handle);
    int GetMediaInfo(void* handle, MOVRA::MEDIA_INFO* info);
    int QueryPlayStats(void* handle, MOVRA::MV_PLAY_STATS* stats);
    int SetShownSize(void* handle, int width, int height);
    int DescribeFile(void* handle, MOVRA::MV_FILE_DESCRIPTION* description);
    unsigned int GetFileStartTime(void* handle);
    unsigned int GetFileEndTime(void* handle);
    int AdjustWaveAudio(void* handle, int volume);
    int SnapPicture(void* handle, char* path, MOVRA::MV_IMAGE_TYPE type);
    int SetRefValue(void* handle, const unsigned char* data, unsigned int length);
    int GetRefValue(void* handle, unsigned char* data, unsigned int* length);
    int ChooseSoundChannel(void* handle, int channel);
    int Seek(void* handle, unsigned int wallClockSecond);
    int Seek(void* handle, float percent);
    int StepForward(void* handle);
    int StepBackward(void* handle);
    int StartDataRecord(void* handle, const char* path, int type);
    int StopDataRecord(void* handle);
    // Redraws the picture on screen, unless one is still on its way to the UI.
    int RenderLastFrame(void* handle);

    void* GroupPlay_Create();
    int GroupPlay_SetListener(const boost::weak_ptr<IPlayObjectListener>& listener);
    int GroupPlay_Open(void* group);
    int GroupPlay_AddToPlayGroup(void* group, void* handle);
    // Joins before the group's clock reaches the file: nothing shows until it does.
    int GroupPlay_AddAhead(void* group, void* handle);
    int GroupPlay_DelFromPlayGroup(void* group, void* handle);
    int GroupPlay_PlayForward(void* group);
    int GroupPlay_PlayBackward(void* group);
    int GroupPlay_SetPlaySpeed(void* group, float speed);
    int GroupPlay_Pause(void* group);
    int GroupPlay_Resume(void* group);
    int GroupPlay_Seek(void* group, unsigned int wallClockSecond);
    int GroupPlay_Close(void* group);

    // 1 while the files play in sync: the tick then reports the group's time too.
    int GroupPlayFlag() const { return m_groupPlay; }
    void SetGroupPlayFlag(int on) { m_groupPlay = on; }

    // The timer's firing (UI thread) posts the tick to ML_PLAY.
    static void OnTimer(std::uintptr_t id, void* context);
    void Task_OnTimer();

private:
    CPlayManager();
    std::vector<boost::shared_ptr<CPlayObject>>::const_iterator Position(void* handle) const;
    boost::shared_ptr<CPlayObject> Find(void* handle) const;
    MOVRA::CMovra* FindEngine(void* handle) const;
    MOVRA::CMovra* FindGroup(void* group) const;

    struct TimerLink;
    std::vector<boost::shared_ptr<CPlayObject>> m_objects;  // in the order they were made
    boost::shared_ptr<TimerLink> m_timer;
    std::vector<boost::shared_ptr<MOVRA::CMovra>> m_groups;
    boost::weak_ptr<IPlayObjectListener> m_groupListener;
    int m_groupPlay = 0;
};

}  // namespace TarvexPlay
