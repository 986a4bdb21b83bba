// The play commands that look through recordings rather than play them: the evidence export of
// a stretch and the search for change in a rectangle of a window's picture.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "App/Language.h"
#include "App/Settings.h"
#include "Base/DateTime.h"
#include "Base/StreamConvert.h"
#include "Base/LoopIds.h"
#include "Main/EvidenceRun.h"
#include "Main/MainFrame_HelpLogic.h"
#include "Main/PlayCommands.h"
#include "Main/PlayWinManager.h"
#include "Main/PlayWinManager_UILogic.h"
#include "Main/ReportLabels.h"
#include "Main/UserMessages.h"
#include "Main/WindowRecordings.h"

using TarvexApp::Settings;
using TarvexApp::Translate;

namespace {

// How often, and how many times, a result of another day looks whether its window holds it yet.
constexpr unsigned int kPendingShowCheckMs = 100;
constexpr int kPendingShowChecks = 600;

// Nothing there, or an empty folder: the export may use it.
bool FolderIsNew(const std::string& folder) {
    struct stat st;
    if (::lstat(folder.c_str(), &st) != 0) return true;
    if (!S_ISDIR(st.st_mode)) return false;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    bool empty = true;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") empty = false;
    }
    ::closedir(dir);
    return empty;
}

}  // namespace

std::wstring CPlayCommands::DefaultEvidenceFolder(std::int64_t now) {
    KX_SOFT_BASE::DateTime t;
    t.FromTimeT(now);
    wchar_t name[40];
    std::swprintf(name, sizeof name / sizeof name[0], L"Evidence_%04d%02d%02d_%02d%02d%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return CPlayWinManagerEventImp::FolderWithSeparator(Settings().VideoPath) + name;
}

CCommandResult CPlayCommands::ExportEvidence(double from, double to, const std::wstring& folder, const std::wstring& note,
                                             EvidenceDone done, std::function<void(double)> progress) {
    auto ui = m_host->PlayUILogic();
    if (!ui) return CCommandResult::Refused(L"The play windows are not ready");
    if (IsExportingEvidence()) return RefusedWith(L"An export of evidence is under way already.", Show::kNotification);
    if (!(to > from) || from <= 0) return RefusedWith(L"The stretch to export ends before it begins.", Show::kMessageBox);
    // A relative folder would land wherever the program was started from.
    if (folder.empty() || folder.front() != L'/')
        return RefusedWith(L"Give the evidence a folder of its own, as a full path.", Show::kMessageBox);
    const std::string native = KX_SOFT_BASE::WideToNative(folder);
    if (!FolderIsNew(native))
        return RefusedWith(L"That folder holds files already: evidence goes into a new folder.", Show::kMessageBox);
    MOVRA::EvidenceRequest request;
    request.channels = EvidenceChannelsOf(ui->Tables(), ui->State().layout);
    if (request.channels.empty()) return RefusedWith(L"Open the recordings to export first.", Show::kMessageBox);
    request.from = from;
    request.to = to;
    request.folder = native;
    request.note = KX_SOFT_BASE::WideToUtf8(note);
    request.version = TARVEX_VERSION;
    request.jpegSnapshot = Settings().SnapFormat == 1;
    // The picture the user looks at, when it lies in the stretch (the engine takes the start else).
    request.snapshotAt = ui->PositionOf(ui->FocusedWindow()).wallClock;
    request.labels = TranslatedEvidenceLabels();
    m_evidence = std::make_unique<CEvidenceRun>();
    m_evidence->Start(std::move(request), std::move(progress), [this, folder, done](const MOVRA::EvidenceResult& result) {
        CCommandResult r;
        if (result.error == MOVRA::EvidenceError::kNone) {
            r.file = folder;
            ShowFolderNotification(L"Evidence exported: ", folder, folder);
        } else if (result.error == MOVRA::EvidenceError::kCancelled) {
            r = CCommandResult::Refused(Translate(L"The export of evidence was cancelled."));
        } else {
            const std::wstring why = result.error == MOVRA::EvidenceError::kNoRecording
                                         ? Translate(L"No window has recording in that stretch.")
                                         : KX_SOFT_BASE::Utf8ToWide(result.message);
            ShowNotification(L"The evidence could not be exported: ", why);
            r = CCommandResult::Refused(Translate(L"The evidence could not be exported: ") + why);
        }
        if (done) done(r);
    });
    return CCommandResult();
}

CCommandResult CPlayCommands::OfferEvidenceExport(double from, double to) {
    IPlayWindowsFace* windows = m_host->PlayWindows();
    if (!windows) return CCommandResult::Refused(L"The play windows are not ready");
    windows->OfferEvidenceExport(from, to);
    return CCommandResult();
}

void CPlayCommands::CancelEvidence() {
    if (m_evidence) m_evidence->Cancel();
}

bool CPlayCommands::IsExportingEvidence() const { return m_evidence && m_evidence->Running(); }

CCommandResult CPlayCommands::SearchMotion(int window, double x, double y, double w, double h, double from, double to,
                                           SearchDone done, std::function<void(double)> progress, SearchScope scope) {
    auto ui = m_host->PlayUILogic();
    if (!ui) return CCommandResult::Refused(L"The play windows are not ready");
    window = WindowOr(window);
    std::vector<std::string> files = WindowRecordings(ui->Tables(), window);
    if (files.empty()) return CCommandResult::Refused(L"Nothing plays in that window");
    MOVRA::ActivityRegion region;
    region.x = x;
    region.y = y;
    region.w = w;
    region.h = h;
    if (!region.IsValid()) return CCommandResult::Refused(L"The rectangle is not inside the picture");
    // A second search would leave the first one's asker waiting for an answer that never comes.
    if (m_search && m_search->Running()) return RefusedWith(L"A search is under way already.", Show::kNotification);
    if (m_thumbnails.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        m_thumbnails = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarvex-search-" + std::to_string(::getpid());
    }
    auto finished = [done](bool cancelled, const std::vector<CMotionEvent>& events, const std::vector<std::string>&) {
        if (done) done(cancelled, events);
    };
    m_search = std::make_unique<CMotionSearch>();
    CListedChannel channel;
    const boost::shared_ptr<CMainFrameHelpLogic> help = m_host->HelpLogic();
    // A window of files outside the recorder's naming has no listed days: its own files are all.
    if (scope == SearchScope::kListedDays && help && WindowChannel(ui->Tables(), window, &channel)) {
        const boost::shared_ptr<const CFileManager> catalogue = help->Catalogue();
        m_search->Start(
            TarvexBase::ML_HELPER, [catalogue, channel] { return ListedDaysRecordings(*catalogue, channel); }, std::move(files),
            region, CMotionSearch::Scope{from, to}, m_thumbnails, std::move(progress), finished);
        return CCommandResult();
    }
    m_search->Start(std::move(files), region, CMotionSearch::Scope{from, to}, m_thumbnails, std::move(progress), finished);
    return CCommandResult();
}

void CPlayCommands::CancelSearch() {
    if (m_search) m_search->Cancel();
}

CCommandResult CPlayCommands::ShowRecordingAt(int window, const std::string& path, double seconds) {
    auto ui = m_host->PlayUILogic();
    if (!ui) return CCommandResult::Refused(L"The play windows are not ready");
    window = WindowOr(window);
    // The user's last click is the one that counts: an earlier one still waiting is dropped.
    if (m_pendingShow) TarvexBase::KillUITimer(&m_pendingShow->timer);
    m_pendingShow.reset();
    const std::vector<std::string> held = WindowRecordings(ui->Tables(), window);
    if (std::find(held.begin(), held.end(), path) != held.end()) return Seek(static_cast<unsigned int>(seconds), window);
    CListedChannel channel;
    std::int32_t dayKey = 0;
    if (!ListedPlaceOf(path, &channel, &dayKey))
        return RefusedWith(L"That recording is not in the list any more.", Show::kNotification);
    const CCommandResult focused = Focus(window);
    if (!focused.ok) return focused;
    const CCommandResult opened = OpenChannel(channel.device, dayKey, channel.channelCode);
    if (!opened.ok) return opened;
    m_pendingShow = std::make_unique<PendingShow>();
    m_pendingShow->window = window;
    m_pendingShow->path = path;
    m_pendingShow->seconds = seconds;
    m_pendingShow->timer.context = this;
    m_pendingShow->timer.handler = [](std::uintptr_t, void* self) { static_cast<CPlayCommands*>(self)->CheckPendingShow(); };
    TarvexBase::StartUITimer(&m_pendingShow->timer, kPendingShowCheckMs);
    return CCommandResult();
}

void CPlayCommands::CheckPendingShow() {
    if (!m_pendingShow) return;
    PendingShow& p = *m_pendingShow;
    auto ui = m_host->PlayUILogic();
    bool held = false;
    if (ui && !ui->IsBusy(false)) {
        const std::vector<std::string> files = WindowRecordings(ui->Tables(), p.window);
        held = std::find(files.begin(), files.end(), p.path) != files.end();
    }
    // A day that never comes (taken off the list meanwhile) is given up after a while.
    if (!held && ++p.checks < kPendingShowChecks) return;
    TarvexBase::KillUITimer(&p.timer);
    const std::unique_ptr<PendingShow> done = std::move(m_pendingShow);
    if (held) Seek(static_cast<unsigned int>(done->seconds), done->window);
}
