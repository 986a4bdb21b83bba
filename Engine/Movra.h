#pragma once
// The playback engine. One CMovra plays one recording, or, built without a listener, drives a
// play group. Calls return int, nonzero for success; times are wall-clock seconds (local time_t).
// The listener is called on the engine's own threads, never while the engine holds a lock the
// listener could need.
#include <cstdint>
#include <memory>
#include <string>

namespace MOVRA {

class CPlayGroup;

enum MV_IMAGE_TYPE { MV_IMAGE_BMP = 0, MV_IMAGE_JPEG = 1 };

// Normal speed (1X) within the tolerance the play-window rules use, the one test for it: clips,
// the stream push and sound run only at normal speed.
constexpr double kNormalSpeedTolerance = 0.0001;
inline bool IsNormalSpeed(double speed) {
    return speed >= 1.0 - kNormalSpeedTolerance && speed <= 1.0 + kNormalSpeedTolerance;
}

struct MEDIA_INFO {
    int width = 0;
    int height = 0;
    // Whole frames per second, or -f: one frame every f/10000 seconds.
    int frameRate = 0;
};

struct __DATETIME_INFO {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// What OnFrameVisible describes: the picture's size, then an unused int, then 3 for a complete
// planar frame (the only kind a listener should draw).
struct MV_FRAME_RECORD {
    int width = 0;
    int height = 0;
    int reserved = 0;
    int type = 3;
    // Shown because a play group's clock reached it, not by a seek or a step.
    int byGroupClock = 0;
};

enum MV_FRAME_KIND {
    MV_FRAME_DIRECTDRAW = 1,  // planar Y, then V (Cr), then U (Cb), tightly packed
    MV_FRAME_PLANAR = 2,
};

enum MV_QUERY_TYPE {
    MV_QUERY_FRAME_NUMBER = 4,  // int: the presented frame's number in the file
    MV_QUERY_STREAM_SECONDS = 5,  // double: its time from the file's first frame
    MV_QUERY_WALL_CLOCK = 6,  // double: its wall-clock time, to the fraction of a second
    MV_QUERY_PLAY_STATS = 7,  // MV_PLAY_STATS
};

// What a file's play has cost and given up. The counts run from the file's opening: a reader
// takes differences over the time it watches.
struct MV_PLAY_STATS {
    char codec[16] = {0};  // the video codec's short name
    int width = 0, height = 0;
    double frameRate = 0;  // frames per second, 0 when not known
    double bitRate = 0;  // bits per second over the whole file, 0 before its index is read
    unsigned int presented = 0;  // pictures shown
    unsigned int passedOver = 0;  // decoded too late to be shown
    unsigned int decoded = 0;  // pictures out of the decoder
    double decodeSeconds = 0;  // the time spent decoding them
    int relief = 0;  // forward play gives up now: 0 nothing, 1 frames nothing refers to, 2 also cheaper decoding
};

// OnStreamData's record: ints 7..12 (the 8th to the 13th) hold the data's year, month, day, hour,
// minute and second.
struct MV_STREAM_RECORD {
    int fields[16] = {0};
};

// What tools show of an open file (tarvex-cli probe). The frame counts need the index.
struct MV_FILE_DESCRIPTION {
    std::string container;
    std::string videoCodec;
    std::string audioCodec;  // empty without sound
    int audioRate = 0;
    int audioChannels = 0;
    double framesPerSecond = 0;
    double duration = 0;  // seconds; exact once the index is complete
    long frames = 0;
    long keyframes = 0;
    bool indexComplete = false;
};

// Why CMovra::Open refuses the file at `path`, in a few words for the user ("no video stream");
// empty when the engine can play it.
std::string WhyNotPlayable(const char* path);

enum MV_RECORD_STOP_REASON {
    MV_RECORD_NO_SPACE = 1,  // the disk is full, or the file may grow no further
    MV_RECORD_WRITE_FAILED = 2,
};

class IMovraListener {
public:
    virtual ~IMovraListener() = default;
    // The index is built (result nonzero) or could not be (0).
    virtual void OnFileRefFinished(void* context, int result) {}
    // Forward play passed the last frame, or backward play the first.
    virtual void OnFileEnd(void* context) {}
    virtual void OnStreamData(void* context, char* data, int length, MV_STREAM_RECORD* record, void* reserved) {}
    virtual void OnReserved4() {}
    virtual void OnReserved5() {}
    // `buffer` (of `size` bytes) stays valid until the call returns; the call may block.
    virtual void OnFrameVisible(int size, int kind, unsigned char* buffer, void* context, MV_FRAME_RECORD* frame) {}
    // A clip being recorded (StartDataRecord mode 0) stopped by itself: `reason` is
    // MV_RECORD_NO_SPACE or MV_RECORD_WRITE_FAILED. What it wrote stays and plays up to its last
    // whole packet; StopDataRecord still ends it (and returns 0).
    virtual void OnDataRecordStopped(void* context, int reason) {}
    virtual void OnFileTimeDone(void* context, unsigned int start, unsigned int end) {}
    virtual void OnReserved9() {}
    virtual void OnReserved10() {}
};

class CMovra {
public:
    explicit CMovra(IMovraListener* listener);
    ~CMovra();
    CMovra(const CMovra&) = delete;
    CMovra& operator=(const CMovra&) = delete;

    // Opening: any file FFmpeg can demux and decode, judged by content. 0 for anything that
    // cannot be played. The wall-clock span is reported through OnFileTimeDone and the index is
    // built on a thread of its own (OnFileRefFinished).
    int Open(const char* path);
    int Close();

    // A blob from GetRefValue given before Open skips the index scan. A blob for another file,
    // or a damaged one, is ignored. GetRefValue with a null buffer asks the length.
    int SetRefValue(const unsigned char* data, unsigned int length);
    int GetRefValue(unsigned char* data, unsigned int* length);

    int Play(void* reserved);
    int Stop();
    int Pause();
    int Resume();
    int IsPlaying();
    int SetSpeed(float speed);  // 1/64 .. 64
    // Off: every frame is handed out as fast as it decodes, with no clock (tools, benchmarks).
    int SetPresentationPacing(int paced);
    int PlayForward();
    int PlayBackward();  // 0 until the index is complete
    // Pause, then show exactly the next or previous frame; 0 at that end of the file.
    int StepForward();
    int StepBackward();
    // Frame-accurate; the play or pause state stays. 0 for a target outside the file.
    int Seek(unsigned int wallClockSecond);
    int Seek(float percent);  // 0..100 of the file's span

    int OpenAudio();
    int CloseAudio();
    int AdjustWaveAudio(int volume);  // 0..100
    int ChooseSoundChannel(unsigned long channel);  // 0 both, 1 left only, 2 right only

    // The frame on screen at its native size; 0 before any frame is shown or when the file cannot
    // be written (nothing is left behind then).
    int SnapPicture(char* path, MV_IMAGE_TYPE type);
    // A native clip from the keyframe before the frame on screen, while playing forward at 1X; a
    // file that exists is never overwritten (0). Mode 0, a clip being recorded: each packet
    // reaches the file under its name as it is written, so that a clip cut short by a crash or a
    // full disk plays up to its last whole packet. Mode 1, an export: written under a temporary
    // name and given `path` by StopDataRecord once complete; one that fails leaves nothing.
    int StartDataRecord(char* path, int mode);
    int StopDataRecord();
    // While playing forward at 1X the engine hands OnStreamData the stream it plays, from a
    // keyframe on (MPEG-TS, or Matroska for codecs MPEG-TS does not carry). On by default; off
    // for measuring what it costs.
    int EnableStreamPush(int on);

    unsigned int GetFileStartTime();
    unsigned int GetFileEndTime();
    unsigned int GetCurrentPlayTime();
    int IsGetFileTimeInfo();
    int SetFileTimeInfo(unsigned int start, unsigned int end);
    int GetMediaInfo(MEDIA_INFO* info);
    int DescribeFile(MV_FILE_DESCRIPTION* description);
    int QueryInfo(int type, void* buffer, int size, int* returned);
    int GetCurrentPlayingVideoFrameWidth();
    int GetCurrentPlayingVideoFrameHeight();
    int SetCurrentPlayingVideoFrameWidth(int width);
    int SetCurrentPlayingVideoFrameHeight(int height);
    int RenderLastFrame();
    // The size the pictures are shown at on screen. Shown at half their size or less, they are
    // decoded without deblocking: its work cannot be seen there, and it is a fifth of decoding.
    int SetShownSize(int width, int height);

    int GroupPlay_Open();
    int GroupPlay_AddToPlayGroup(CMovra* member);
    // A member that joins before the group's clock reaches its file (a channel's next file, a
    // little before the one on screen ends): it shows nothing until the clock reaches its first
    // frame in the direction of play, and then shows it on the group's beat like the others.
    int GroupPlay_AddAhead(CMovra* member);
    int GroupPlay_DelFromPlayGroup(CMovra* member);
    int GroupPlay_PlayForward();
    int GroupPlay_PlayBackward();
    int GroupPlay_SetPlaySpeed(float speed);
    int GroupPlay_Pause();
    int GroupPlay_Resume();
    int GroupPlay_Seek(unsigned int wallClockSecond);
    int GroupPlay_Close();
    int GroupPlay_QueryGroupPlayingTime(__DATETIME_INFO* time);
    // The group's clock to the fraction of a second (tools and benchmarks); 0 when not known.
    double GroupPlay_ClockSeconds();

    class Impl;

private:
    friend class CPlayGroup;  // a group steers its members
    std::unique_ptr<Impl> m_impl;
};

}  // namespace MOVRA
