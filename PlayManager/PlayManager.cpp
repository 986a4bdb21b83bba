#include "PlayManager/PlayManager.h"

#include <boost/make_shared.hpp>

#include <algorithm>

#include "Base/DateTime.h"
#include "Base/LoopIds.h"
#include "Base/MessageLoop.h"
#include "Base/MessageLoopManager.h"
#include "Base/PostTask.h"
#include "Base/SystemFunctions.h"
#include "Base/UITimer.h"

namespace TarvexPlay {

using MOVRA::CMovra;
using TarvexBase::ML_MAIN;
using TarvexBase::ML_PLAY;

namespace {
constexpr unsigned int kTickMs = 300;
}  // namespace

// The timer's record and what its firing needs, apart from the manager: the firing may come after
// the manager has gone (its kill then waits for the UI thread), and must find nothing then.
struct CPlayManager::TimerLink {
    CKXTimer timer;
    boost::weak_ptr<CPlayManager> manager;
};

boost::shared_ptr<CPlayManager> CPlayManager::Create() {
    boost::shared_ptr<CPlayManager> manager(new CPlayManager);
    manager->m_timer->manager = manager;
    // The tick is the UI thread's timer: made elsewhere, the manager has it started there.
    if (!TarvexBase::StartUITimer(&manager->m_timer->timer, kTickMs)) {
        boost::shared_ptr<TimerLink> link = manager->m_timer;
        KX_POST_FUNCTION(ML_MAIN, [link] { TarvexBase::StartUITimer(&link->timer, kTickMs); });
    }
    return manager;
}

CPlayManager::CPlayManager() : m_timer(boost::make_shared<TimerLink>()) {
    m_timer->timer.handler = &CPlayManager::OnTimer;
    m_timer->timer.context = m_timer.get();
}

CPlayManager::~CPlayManager() {
    // The timer registry belongs to the UI thread; the last holder of the manager may be a task on
    // ML_PLAY, and then the kill goes to the UI thread with the record it needs.
    auto main = TarvexBase::CKXMessageLoopManager::GetInstance()->GetMessageLoop(ML_MAIN);
    if (!main || main->GetThreadId() == KX_SOFT_BASE::CurrentThreadId()) {
        TarvexBase::KillUITimer(&m_timer->timer);
    } else {
        boost::shared_ptr<TimerLink> link = m_timer;
        KX_POST_FUNCTION(ML_MAIN, [link] { TarvexBase::KillUITimer(&link->timer); });
    }
}

void CPlayManager::OnTimer(std::uintptr_t, void* context) {
    auto* link = static_cast<TimerLink*>(context);
    if (auto manager = link->manager.lock())
        KX_POST_TASK_LEVEL(3, ML_PLAY, manager.get(), &CPlayManager::Task_OnTimer);
}

void CPlayManager::Task_OnTimer() {
    for (const auto& object : m_objects) object->MonitorPlayTimeChange();
    if (m_groupPlay != 1) return;
    for (const auto& group : m_groups) {
        MOVRA::__DATETIME_INFO t;
        group->GroupPlay_QueryGroupPlayingTime(&t);
        const auto seconds = KX_SOFT_BASE::DateTime::MakeTimeT(t.year, t.month, t.day, t.hour, t.minute, t.second);
        if (seconds == 0) continue;
        if (auto listener = m_groupListener.lock())
            KX_POST_TASK_LEVEL(3, ML_MAIN, listener.get(), &IPlayObjectListener::OnPlayPositionChanged,
                               static_cast<void*>(nullptr), static_cast<unsigned int>(seconds));
    }
}

std::vector<boost::shared_ptr<CPlayObject>>::const_iterator CPlayManager::Position(void* handle) const {
    if (!handle) return m_objects.end();
    return std::find_if(m_objects.begin(), m_objects.end(), [handle](const auto& o) { return o->Handle() == handle; });
}

boost::shared_ptr<CPlayObject> CPlayManager::Find(void* handle) const {
    auto it = Position(handle);
    return it == m_objects.end() ? boost::shared_ptr<CPlayObject>() : *it;
}

CMovra* CPlayManager::FindEngine(void* handle) const {
    auto object = Find(handle);
    return object ? &object->Engine() : nullptr;
}

CMovra* CPlayManager::FindGroup(void* group) const {
    if (!group) return nullptr;
    auto it = std::find_if(m_groups.begin(), m_groups.end(), [group](const auto& g) { return g.get() == group; });
    return it == m_groups.end() ? nullptr : it->get();
}

void* CPlayManager::CreatePlayObject() {
    m_objects.push_back(CPlayObject::Create());
    return m_objects.back()->Handle();
}

int CPlayManager::DestroyPlayObject(void* handle) {
    auto it = Position(handle);
    if (it == m_objects.end()) return 0;
    m_objects.erase(it);  // a task that still holds the object keeps it until it has run
    return 1;
}

int CPlayManager::SetPlayObjectListener(void* handle, const boost::weak_ptr<IPlayObjectListener>& listener) {
    auto object = Find(handle);
    if (!object) return 0;
    object->SetListener(listener);
    return 1;
}

// The play object's own operations, and the engine's forwarded as they are.
#define TARVEX_ON_OBJECT(call) \
    if (auto object = Find(handle)) return object->call; \
    return 0
#define TARVEX_ON_ENGINE(call) \
    if (CMovra* engine = FindEngine(handle)) return engine->call; \
    return 0
#define TARVEX_ON_GROUP(call) \
    if (CMovra* engine = FindGroup(group)) return engine->call; \
    return 0

int CPlayManager::Open(void* handle, const char* path) { TARVEX_ON_OBJECT(Open(path ? path : "")); }
int CPlayManager::Play(void* handle) { TARVEX_ON_ENGINE(Play(nullptr)); }
int CPlayManager::Stop(void* handle) { TARVEX_ON_OBJECT(Stop()); }
int CPlayManager::Close(void* handle) { TARVEX_ON_OBJECT(Close()); }
int CPlayManager::Pause(void* handle) { TARVEX_ON_ENGINE(Pause()); }
int CPlayManager::Resume(void* handle) { TARVEX_ON_ENGINE(Resume()); }
int CPlayManager::SetSpeed(void* handle, float speed) { TARVEX_ON_ENGINE(SetSpeed(speed)); }
int CPlayManager::OpenAudio(void* handle) { TARVEX_ON_ENGINE(OpenAudio()); }
int CPlayManager::CloseAudio(void* handle) { TARVEX_ON_ENGINE(CloseAudio()); }
int CPlayManager::PlayForward(void* handle) { TARVEX_ON_ENGINE(PlayForward()); }
int CPlayManager::PlayBackward(void* handle) { TARVEX_ON_ENGINE(PlayBackward()); }
int CPlayManager::GetMediaInfo(void* handle, MOVRA::MEDIA_INFO* info) { TARVEX_ON_ENGINE(GetMediaInfo(info)); }
int CPlayManager::SetShownSize(void* handle, int width, int height) { TARVEX_ON_ENGINE(SetShownSize(width, height)); }
int CPlayManager::QueryPlayStats(void* handle, MOVRA::MV_PLAY_STATS* stats) {
    TARVEX_ON_ENGINE(QueryInfo(MOVRA::MV_QUERY_PLAY_STATS, stats, sizeof *stats, nullptr));
}
int CPlayManager::DescribeFile(void* handle, MOVRA::MV_FILE_DESCRIPTION* description) {
    TARVEX_ON_ENGINE(DescribeFile(description));
}
unsigned int CPlayManager::GetFileStartTime(void* handle) { TARVEX_ON_ENGINE(GetFileStartTime()); }
unsigned int CPlayManager::GetFileEndTime(void* handle) { TARVEX_ON_ENGINE(GetFileEndTime()); }
int CPlayManager::AdjustWaveAudio(void* handle, int volume) { TARVEX_ON_ENGINE(AdjustWaveAudio(volume)); }
int CPlayManager::SnapPicture(void* handle, char* path, MOVRA::MV_IMAGE_TYPE type) { TARVEX_ON_ENGINE(SnapPicture(path, type)); }
int CPlayManager::SetRefValue(void* handle, const unsigned char* data, unsigned int length) {
    TARVEX_ON_ENGINE(SetRefValue(data, length));
}
int CPlayManager::GetRefValue(void* handle, unsigned char* data, unsigned int* length) { TARVEX_ON_ENGINE(GetRefValue(data, length)); }
int CPlayManager::ChooseSoundChannel(void* handle, int channel) {
    TARVEX_ON_ENGINE(ChooseSoundChannel(static_cast<unsigned long>(channel)));
}
int CPlayManager::Seek(void* handle, unsigned int wallClockSecond) { TARVEX_ON_OBJECT(Seek(wallClockSecond)); }
int CPlayManager::Seek(void* handle, float percent) { TARVEX_ON_OBJECT(Seek(percent)); }
int CPlayManager::StepForward(void* handle) { TARVEX_ON_OBJECT(StepForward()); }
int CPlayManager::StepBackward(void* handle) { TARVEX_ON_OBJECT(StepBackward()); }
int CPlayManager::StartDataRecord(void* handle, const char* path, int type) { TARVEX_ON_OBJECT(StartDataRecord(path, type)); }
int CPlayManager::StopDataRecord(void* handle) { TARVEX_ON_OBJECT(StopDataRecord()); }

int CPlayManager::RenderLastFrame(void* handle) {
    auto object = Find(handle);
    if (!object || !object->IsRenderDone()) return 0;
    return object->Engine().RenderLastFrame();
}

void* CPlayManager::GroupPlay_Create() {
    m_groups.push_back(boost::make_shared<CMovra>(nullptr));
    return m_groups.back().get();
}

int CPlayManager::GroupPlay_SetListener(const boost::weak_ptr<IPlayObjectListener>& listener) {
    m_groupListener = listener;
    return 1;
}

int CPlayManager::GroupPlay_Open(void* group) { TARVEX_ON_GROUP(GroupPlay_Open()); }
int CPlayManager::GroupPlay_AddToPlayGroup(void* group, void* handle) {
    CMovra* member = FindEngine(handle);
    if (!member) return 0;
    TARVEX_ON_GROUP(GroupPlay_AddToPlayGroup(member));
}
int CPlayManager::GroupPlay_AddAhead(void* group, void* handle) {
    CMovra* member = FindEngine(handle);
    if (!member) return 0;
    TARVEX_ON_GROUP(GroupPlay_AddAhead(member));
}
int CPlayManager::GroupPlay_DelFromPlayGroup(void* group, void* handle) {
    CMovra* member = FindEngine(handle);
    if (!member) return 0;
    TARVEX_ON_GROUP(GroupPlay_DelFromPlayGroup(member));
}
int CPlayManager::GroupPlay_PlayForward(void* group) { TARVEX_ON_GROUP(GroupPlay_PlayForward()); }
int CPlayManager::GroupPlay_PlayBackward(void* group) { TARVEX_ON_GROUP(GroupPlay_PlayBackward()); }
int CPlayManager::GroupPlay_SetPlaySpeed(void* group, float speed) { TARVEX_ON_GROUP(GroupPlay_SetPlaySpeed(speed)); }
int CPlayManager::GroupPlay_Pause(void* group) { TARVEX_ON_GROUP(GroupPlay_Pause()); }
int CPlayManager::GroupPlay_Resume(void* group) { TARVEX_ON_GROUP(GroupPlay_Resume()); }
int CPlayManager::GroupPlay_Seek(void* group, unsigned int wallClockSecond) { TARVEX_ON_GROUP(GroupPlay_Seek(wallClockSecond)); }
int CPlayManager::GroupPlay_Close(void* group) { TARVEX_ON_GROUP(GroupPlay_Close()); }

#undef TARVEX_ON_OBJECT
#undef TARVEX_ON_ENGINE
#undef TARVEX_ON_GROUP

}  // namespace TarvexPlay
