#pragma once
// The state behind one CMovra, shared with the engine's threads.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Engine/EngineThread.h"
#include "Engine/FileIndex.h"
#include "Engine/MediaProbe.h"
#include "Engine/Movra.h"

namespace MOVRA {
class CPlayback;
class CSoundPlayer;
class CClipRecorder;
class CRawStreamPush;
class CGroupClock;
class CPlayGroup;
}

namespace MOVRA {

// What the engine knows of its open file. The index thread fills in the index; API calls read
// it. Guarded by `mutex`, which is never held while a listener is called nor while another
// engine lock is taken (it is always the innermost).
struct OpenFileState {
    std::string path;
    MediaDescription media;
    FileIdentity identity;

    std::mutex mutex;
    FileIndex index;
    bool indexReady = false;
    unsigned int start = 0, end = 0;
    double startExact = 0;  // the first frame's wall clock, to the fraction
    bool timeKnown = false;
};

class CMovra::Impl {
public:
    Impl(CMovra* owner, IMovraListener* listener);
    ~Impl();

    int Open(const char* path);
    int Close();
    int SetRefValue(const unsigned char* data, unsigned int length);
    int GetRefValue(unsigned char* data, unsigned int* length);
    unsigned int GetFileStartTime();
    unsigned int GetFileEndTime();
    int IsGetFileTimeInfo();
    int SetFileTimeInfo(unsigned int start, unsigned int end);
    int GetMediaInfo(MEDIA_INFO* info);
    int DescribeFile(MV_FILE_DESCRIPTION* description);

    int Play();
    int Stop();
    int Pause();
    int Resume();
    int IsPlaying();
    int SetSpeed(float speed);
    int SetPresentationPacing(int paced);
    int SetShownSize(int width, int height);
    unsigned int GetCurrentPlayTime();
    int QueryInfo(int type, void* buffer, int size, int* returned);
    int FrameWidth();
    int FrameHeight();
    int SetFrameSize(int width, int height);
    int RenderLastFrame();
    int PlayForward();
    int PlayBackward();
    int Step(bool forward);
    int SeekToWallClock(unsigned int second);
    int SeekToPercent(float percent);
    int OpenAudio();
    int CloseAudio();
    int AdjustWaveAudio(int volume);
    int ChooseSoundChannel(unsigned long channel);
    int SnapPicture(const char* path, MV_IMAGE_TYPE type);
    int StartDataRecord(const char* path, bool whole);
    int StopDataRecord();
    int EnableStreamPush(int on);

    // As a member of a play group.
    void JoinGroup(std::shared_ptr<CGroupClock> clock, std::weak_ptr<CPlayGroup> group);
    void LeaveGroup();
    void NudgePlayback();
    double CurrentWallClock();  // of the frame on screen, else of the file's start
    double StartWallClock();  // of the file's first frame
    // To the frame for a wall-clock time, or the file's nearest end when it does not cover it.
    // Without `showNow`, play shows that frame when it is due (CPlayback::Seek).
    int SeekToWallClockNearest(double wallClock, bool showNow = true);

    // As a group engine (built without a listener).
    std::shared_ptr<CPlayGroup> Group();

    bool IsOpen() const { return m_file != nullptr; }
    std::shared_ptr<OpenFileState> File() const { return m_file; }

private:
    // The stream goes to the listener while playing forward at 1X; a seek (`fromSeconds`) starts
    // it again there.
    void UpdateStreamPush(double fromSeconds = -1);
    void StopStreamPush();
    // Seeks to stream time `seconds` (from the first frame), now or when play starts.
    int SeekToStreamTime(double seconds, bool showNow = true);
    double DurationSeconds();

    CMovra* m_owner;
    IMovraListener* m_listener;
    std::shared_ptr<OpenFileState> m_file;
    std::vector<unsigned char> m_pendingRef;  // given before Open
    CEngineThread m_indexThread;
    std::unique_ptr<CPlayback> m_playback;
    float m_speed = 1;
    bool m_paced = true;
    bool m_shownSmall = false;
    bool m_forward = true;
    double m_startSeconds = -1;  // a seek asked before Play
    bool m_startPaused = false;  // a pause asked before Play
    std::shared_ptr<CSoundPlayer> m_sound;
    std::unique_ptr<CClipRecorder> m_clip;
    std::unique_ptr<CClipRecorder> m_push;  // a remuxed stream, for containers other than MPEG-TS
    std::unique_ptr<CRawStreamPush> m_rawPush;  // the file's own bytes
    std::shared_ptr<CGroupClock> m_groupClock;  // as a member
    std::weak_ptr<CPlayGroup> m_memberOf;
    std::shared_ptr<CPlayGroup> m_group;  // as a group engine
    bool m_pushEnabled = true;
    int m_volume = 100;
    int m_channel = 0;
};

}  // namespace MOVRA
