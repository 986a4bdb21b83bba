#include "Main/PlayWinManager_PlayLogic.h"

#include <memory>
#include <new>

#include "Base/LoopIds.h"
#include "Base/StreamConvert.h"
#include "Base/SystemFunctions.h"
#include "Files/IndexFiles.h"
#include "Main/PlayWinManager_UILogic.h"
#include "Main/PlaySpeeds.h"
#include "Main/VideoProperties.h"
#include "Main/WeakPost.h"
#include "PlayManager/PlayManager.h"

using KX_SOFT_BASE::WideToNative;
using TarvexBase::ML_MAIN;

CPlayManagerPlayLogic::CPlayManagerPlayLogic(const boost::weak_ptr<CPlayManagerUILogic>& ui)
    : m_manager(TarvexPlay::CPlayManager::Create()), m_ui(ui) {}

// The files were closed by the UI half first (or by Task_CloseAll): nothing to close here.
CPlayManagerPlayLogic::~CPlayManagerPlayLogic() = default;

bool CPlayManagerPlayLogic::SpeedIsNormal() const { return IsNormalSpeed(m_speed); }

int CPlayManagerPlayLogic::PlayInDirection(void* handle) {
    const auto file = m_files.find(handle);
    const bool backward = file != m_files.end() && file->second.direction == 0;
    return backward ? m_manager->PlayBackward(handle) : m_manager->PlayForward(handle);
}

int CPlayManagerPlayLogic::Task_PlayOneFile(std::wstring path, Listener listener, Record record) {
    // Paths stay wide up to here, where they enter the play manager.
    const std::string native = WideToNative(path);
    void* handle = m_manager->CreatePlayObject();
    int result = 0;
    if (handle) {
        m_manager->SetPlayObjectListener(handle, listener);
        // The index file is read by the index files' reader, which checks its header and size: a
        // stale, cut or forged file only means the engine indexes the recording itself.
        LoadIndex(path, [&](const unsigned char* data, std::size_t length) {
            m_manager->SetRefValue(handle, data, static_cast<unsigned int>(length));
        });
        if (!m_manager->Open(handle, native.c_str())) {
            m_manager->DestroyPlayObject(handle);
            handle = nullptr;
        } else if (!(result = m_manager->Play(handle))) {
            m_manager->Close(handle);
            m_manager->DestroyPlayObject(handle);
            handle = nullptr;
        } else {
            m_files[handle] = record ? *record : _QUERY_FILE_INFO();
            m_manager->SetSpeed(handle, m_speed);
        }
    }
    KX_POST_WEAK(ML_MAIN, m_ui, &CPlayManagerUILogic::Task_PlayOneFile_Ret, result, handle, record);
    return 1;
}

int CPlayManagerPlayLogic::Task_CloseFiles(PlayHandleList handles) {
    if (!handles) return 1;
    // Every file stops before any closes.
    for (void* handle : *handles) {
        if (!IsOpen(handle)) continue;
        if (m_group && m_groupActive) m_manager->GroupPlay_DelFromPlayGroup(m_group, handle);
        m_manager->StopDataRecord(handle);
        m_manager->CloseAudio(handle);
        m_manager->Stop(handle);
    }
    for (void* handle : *handles) {
        int result = 1;
        if (IsOpen(handle)) {
            result = m_manager->Close(handle);
            m_files.erase(handle);
            m_manager->DestroyPlayObject(handle);
        }
        KX_POST_WEAK(ML_MAIN, m_ui, &CPlayManagerUILogic::Task_CloseFiles_Ret, handle, result);
    }
    if (m_files.empty() && m_groupActive) {
        m_manager->SetGroupPlayFlag(0);
        m_manager->GroupPlay_Close(m_group);
        m_groupActive = 0;
    }
    return 1;
}

int CPlayManagerPlayLogic::Task_CloseAll() {
    auto handles = boost::make_shared<std::vector<void*>>();
    for (const auto& file : m_files) handles->push_back(file.first);
    return Task_CloseFiles(handles);
}

int CPlayManagerPlayLogic::Task_Pause(PlayHandleList handles, int pause) {
    int result = 1;
    for (void* handle : handles ? *handles : std::vector<void*>()) {
        if (!IsOpen(handle)) continue;
        if (pause) {
            result &= m_manager->Pause(handle) ? 1 : 0;
        } else {
            result &= m_manager->Resume(handle) ? 1 : 0;
            PlayInDirection(handle);
        }
    }
    KX_POST_WEAK(ML_MAIN, m_ui, &CPlayManagerUILogic::Task_Pause_Ret, result, pause);
    return result;
}

int CPlayManagerPlayLogic::Task_GroupPause(int pause) {
    int result = 1;
    if (m_group && m_groupActive) result = pause ? m_manager->GroupPlay_Pause(m_group) : m_manager->GroupPlay_Resume(m_group);
    KX_POST_WEAK(ML_MAIN, m_ui, &CPlayManagerUILogic::Task_Pause_Ret, result, pause);
    return result;
}

int CPlayManagerPlayLogic::Task_SetPlayDirection(PlayHandleList handles, int forward) {
    auto failed = boost::make_shared<std::vector<void*>>();
    for (void* handle : handles ? *handles : std::vector<void*>()) {
        const auto file = m_files.find(handle);
        if (file == m_files.end()) continue;
        file->second.direction = forward ? 1 : 0;
        if (forward) {
            m_manager->PlayForward(handle);
            continue;
        }
        m_manager->StopDataRecord(handle);  // a clip runs only forward
        if (!m_manager->PlayBackward(handle)) {
            file->second.direction = 1;
            failed->push_back(handle);
        }
    }
    if (!forward && !failed->empty())
        KX_POST_WEAK(ML_MAIN, m_ui, &CPlayManagerUILogic::Task_SetPlayDirection_FailedRet, failed);
    return 1;
}

int CPlayManagerPlayLogic::Task_GroupPlayDirection(int forward) {
    for (auto& file : m_files) file.second.direction = forward ? 1 : 0;
    if (m_group && m_groupActive) {
        forward ? m_manager->GroupPlay_PlayForward(m_group) : m_manager->GroupPlay_PlayBackward(m_group);
        m_manager->GroupPlay_SetPlaySpeed(m_group, m_speed);
    }
    return 1;
}

int CPlayManagerPlayLogic::Task_SetPlaySpeed(PlayHandleList, float speed) {
    m_speed = speed;
    // Every open file plays at the one speed, not only the listed ones.
    for (const auto& file : m_files) {
        if (!SpeedIsNormal()) {
            m_manager->CloseAudio(file.first);
            m_manager->StopDataRecord(file.first);
        }
        m_manager->SetSpeed(file.first, speed);
    }
    return 1;
}

int CPlayManagerPlayLogic::Task_GroupPlaySpeed(float speed) {
    m_speed = speed;
    if (m_group && m_groupActive) m_manager->GroupPlay_SetPlaySpeed(m_group, speed);
    return 1;
}

int CPlayManagerPlayLogic::Task_SetPlayVolume(PlayHandleList, int volume) {
    m_volume = volume;
    if (!m_mute)
        for (const auto& file : m_files) m_manager->AdjustWaveAudio(file.first, volume);
    return 1;
}

int CPlayManagerPlayLogic::Task_MutePlay(PlayHandleList handles, int mute) {
    if (mute == m_mute) return 0;
    m_mute = mute;
    for (void* handle : handles ? *handles : std::vector<void*>()) {
        if (!mute && SpeedIsNormal()) {
            m_manager->OpenAudio(handle);
            m_manager->AdjustWaveAudio(handle, m_volume);
        } else {
            m_manager->CloseAudio(handle);
        }
    }
    return 1;
}

int CPlayManagerPlayLogic::Task_OpenAudio(void* handle) {
    if (!m_mute) {
        m_manager->OpenAudio(handle);
        m_manager->AdjustWaveAudio(handle, m_volume);
    }
    return 0;
}

int CPlayManagerPlayLogic::Task_CloseAudio(void* handle) {
    m_manager->CloseAudio(handle);
    return 0;
}

int CPlayManagerPlayLogic::Task_OneStepPlay(PlayHandleList handles, int forward) {
    for (void* handle : handles ? *handles : std::vector<void*>())
        forward ? m_manager->StepForward(handle) : m_manager->StepBackward(handle);
    return 1;
}

int CPlayManagerPlayLogic::Task_Seek(void* handle, unsigned int time) {
    m_manager->Seek(handle, time);
    PlayInDirection(handle);
    return 1;
}

int CPlayManagerPlayLogic::Task_SeekRelativePos(void* handle, float position) {
    if (!IsOpen(handle)) return 1;
    int result = m_manager->Seek(handle, position) ? 1 : 0;
    result &= PlayInDirection(handle) ? 1 : 0;
    // A file whose engine is not ready yet takes the play call a little later.
    for (int retry = 0; result != 1 && retry < 5; ++retry) {
        KX_SOFT_BASE::SleepMs(10);
        result &= PlayInDirection(handle) ? 1 : 0;
    }
    return 1;
}

int CPlayManagerPlayLogic::Task_GroupSeek(unsigned int time) {
    return m_group && m_groupActive ? m_manager->GroupPlay_Seek(m_group, time) : 0;
}

int CPlayManagerPlayLogic::Task_GroupSyn(PlayHandleList handles, int on, Listener listener) {
    if (!m_group) {
        m_group = m_manager->GroupPlay_Create();
        m_manager->GroupPlay_SetListener(listener);
    }
    if (!handles || handles->empty() || !IsOpen(handles->front())) return 1;
    if (on == 1) {
        m_manager->GroupPlay_Open(m_group);
        m_groupActive = 1;
        for (void* handle : *handles) m_manager->GroupPlay_AddToPlayGroup(m_group, handle);
        m_manager->SetGroupPlayFlag(1);
        m_manager->GroupPlay_SetPlaySpeed(m_group, m_speed);
    } else if (on == 0 && m_groupActive) {
        m_manager->SetGroupPlayFlag(0);
        m_groupActive = 0;
        for (void* handle : *handles) m_manager->GroupPlay_DelFromPlayGroup(m_group, handle);
        m_manager->GroupPlay_Close(m_group);
    }
    return 1;
}

int CPlayManagerPlayLogic::Task_GroupSwap(void* leaving, void* joining) {
    if (!m_group || !m_groupActive) return 0;
    if (IsOpen(leaving)) {
        m_manager->GroupPlay_DelFromPlayGroup(m_group, leaving);
        m_manager->Pause(leaving);
    }
    if (!IsOpen(joining)) return 0;
    m_manager->Resume(joining);
    return m_manager->GroupPlay_AddToPlayGroup(m_group, joining);
}

int CPlayManagerPlayLogic::Task_GroupJoinAhead(void* joining) {
    if (!m_group || !m_groupActive || !IsOpen(joining)) return 0;
    const int joined = m_manager->GroupPlay_AddAhead(m_group, joining);
    if (joined) m_manager->Resume(joining);  // positioned first: it waits for its time, not its own clock
    return joined;
}

int CPlayManagerPlayLogic::Task_GroupLeaveAhead(PlayHandleList handles) {
    for (void* handle : handles ? *handles : std::vector<void*>()) {
        if (!IsOpen(handle)) continue;
        if (m_group && m_groupActive) m_manager->GroupPlay_DelFromPlayGroup(m_group, handle);
        m_manager->Pause(handle);
    }
    return 1;
}

int CPlayManagerPlayLogic::Task_SnapPicure(void* handle, std::wstring path, int imageType) {
    std::string native = WideToNative(path);
    const int result = m_manager->SnapPicture(handle, native.data(), static_cast<MOVRA::MV_IMAGE_TYPE>(imageType)) ? 1 : 0;
    KX_POST_WEAK(ML_MAIN, m_ui, &CPlayManagerUILogic::Task_SnapPicture_Ret, result, path);
    return result;
}

int CPlayManagerPlayLogic::Task_StartRecord(void* handle, std::wstring path, int format, int window) {
    int result = RECORD_REFUSED_STATE;
    const auto file = m_files.find(handle);
    const bool forward = file == m_files.end() || file->second.direction == 1;
    if (SpeedIsNormal() && forward) {
        const std::string native = WideToNative(path);
        result = m_manager->StartDataRecord(handle, native.c_str(), format) ? RECORD_STARTED : RECORD_FAILED;
    }
    KX_POST_WEAK(ML_MAIN, m_ui, &CPlayManagerUILogic::Task_StartRecord_Ret, result, window);
    return 1;
}

int CPlayManagerPlayLogic::Task_StopRecord(void* handle, int window, std::wstring clip) {
    const int result = m_manager->StopDataRecord(handle) ? 1 : 0;
    KX_POST_WEAK(ML_MAIN, m_ui, &CPlayManagerUILogic::Task_StopRecord_Ret, result, window, clip);
    return 1;
}

int CPlayManagerPlayLogic::Task_GetVideoInfo(void* handle) {
    MOVRA::MEDIA_INFO info;
    const int known = m_manager->GetMediaInfo(handle, &info);
    const unsigned int start = m_manager->GetFileStartTime(handle);
    const unsigned int end = m_manager->GetFileEndTime(handle);
    if (!known) return 1;
    CVideoInfoTexts texts;
    texts.resolution = ResolutionText(info.width, info.height);
    texts.frameRate = FrameRateText(info.frameRate);
    texts.duration = DurationText(start, end);
    texts.span = WallClockSpanText(start, end);
    MOVRA::MV_FILE_DESCRIPTION description;
    if (m_manager->DescribeFile(handle, &description)) {
        texts.codec = KX_SOFT_BASE::NativeToWide(description.videoCodec);
        if (!description.audioCodec.empty()) texts.codec += L" + " + KX_SOFT_BASE::NativeToWide(description.audioCodec);
        // Counted by the index: until it is complete they stay empty (the dialog says so).
        if (description.indexComplete) {
            texts.frames = std::to_wstring(description.frames);
            texts.keyframes = std::to_wstring(description.keyframes);
        }
    }
    KX_POST_WEAK(ML_MAIN, m_ui, &CPlayManagerUILogic::Task_GetVideoInfo_Ret, handle, texts);
    return 1;
}

int CPlayManagerPlayLogic::Task_SetShownSize(void* handle, int width, int height) {
    if (IsOpen(handle)) m_manager->SetShownSize(handle, width, height);
    return 1;
}

int CPlayManagerPlayLogic::Task_QueryStats(boost::shared_ptr<std::vector<std::pair<int, void*>>> shown) {
    auto answers = boost::make_shared<std::vector<StatsAnswer>>();
    for (const auto& [window, handle] : *shown) {
        StatsAnswer answer{window, handle, {}};
        if (m_manager->QueryPlayStats(handle, &answer.stats)) answers->push_back(answer);
    }
    KX_POST_WEAK(ML_MAIN, m_ui, &CPlayManagerUILogic::Task_QueryStats_Ret, answers);
    return 1;
}

int CPlayManagerPlayLogic::Task_SaveRef(void* handle, std::wstring path) {
    if (!IsOpen(handle)) return 1;
    unsigned int length = 0;
    if (!m_manager->GetRefValue(handle, nullptr, &length) || length == 0) return 1;
    std::unique_ptr<unsigned char[]> data(new (std::nothrow) unsigned char[length]);
    if (!data || !m_manager->GetRefValue(handle, data.get(), &length)) return 1;
    WriteIndexFile(data.get(), length, path);
    return 1;
}

int CPlayManagerPlayLogic::Task_ChooseSoundChannel(PlayHandleList handles, unsigned long channel) {
    for (void* handle : handles ? *handles : std::vector<void*>())
        if (handle) m_manager->ChooseSoundChannel(handle, static_cast<int>(channel));
    return 1;
}

int CPlayManagerPlayLogic::Task_RenderLastFrame(PlayHandleList handles) {
    for (void* handle : handles ? *handles : std::vector<void*>())
        if (handle) m_manager->RenderLastFrame(handle);
    return 1;
}
