#include "Main/PlayCommands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "App/Language.h"
#include "App/Settings.h"
#include "Base/FolderPath.h"
#include "Base/StreamConvert.h"
#include "Files/NamingRules.h"
#include "Main/ActivityKeeper.h"
#include "Main/EvidenceRun.h"
#include "Main/PlayWinManager.h"
#include "Main/PlayWinManager_UILogic.h"
#include "Main/UserMessages.h"
#include "Toolkit/VideoWindow.h"

using TarvexApp::Settings;

namespace {

const wchar_t kLowDisk[] = L"There is a few disk space, pertinent operation may be failed!";
const wchar_t kNoFolder[] = L"Failed to create path!";
const wchar_t kInvalidFolder[] = L"The path is invalid!";  // as the configuration page says it
const int kLayouts[] = {1, 4, 6, 8, 9, 13, 16, 25, 36};

// The folder a snapshot or clip goes to, as the settings name it: made when missing; 0 when it
// cannot be made, 1 when it is a folder this user can write into, -1 when it is not (nothing is
// then written, there or anywhere else).
int UsableFolder(const std::wstring& folder) {
    // A relative or empty folder from a hand-edited settings file would land in whatever folder
    // the program was started from (a snapshot in "/etc" when started from there); "/" and the
    // system's folders are refused by the configuration page: all are invalid here too, also
    // through a link.
    if (folder.empty() || folder.front() != L'/' || folder == L"/" || KX_SOFT_BASE::IsSystemFolder(folder)) return -1;
    // Where the part of it that exists really is, before anything is made below it.
    std::string existing = KX_SOFT_BASE::WideToNative(folder);
    struct stat st;
    while (existing.size() > 1 && ::stat(existing.c_str(), &st) != 0) existing.erase(existing.find_last_of('/', existing.size() - 2) + 1);
    char* real = ::realpath(existing.c_str(), nullptr);
    const bool system = !real || (std::string(real) == "/" && existing != "/") ||
                        KX_SOFT_BASE::IsSystemFolder(KX_SOFT_BASE::NativeToWide(real));
    std::free(real);
    if (system) return -1;
    if (KX_SOFT_BASE::CreateFolderPath(folder) != 0) return 0;
    const std::string native = KX_SOFT_BASE::WideToNative(folder);
    return ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(native.c_str(), W_OK | X_OK) == 0 ? 1 : -1;
}

}  // namespace

CPlayCommands::CPlayCommands(IPlayCommandHost* host) : m_host(host) {}

CPlayCommands::~CPlayCommands() {
    if (m_pendingShow) TarvexBase::KillUITimer(&m_pendingShow->timer);
    m_search.reset();  // its thread is done with the thumbnails
    m_evidence.reset();
    // The search's thumbnails are this run's only.
    std::error_code ignored;
    if (!m_thumbnails.empty()) std::filesystem::remove_all(m_thumbnails, ignored);
}

CCommandResult CPlayCommands::RefusedWith(const std::wstring& english, Show how) {
    how == Show::kNotification ? ShowNotification(english) : ShowMessageBox(english);
    return CCommandResult::Refused(TarvexApp::Translate(english));
}

bool CPlayCommands::Refuse(Busy rule, Show how, const wchar_t* text, CCommandResult* result) {
    auto ui = m_host->PlayUILogic();
    if (!ui) {
        *result = CCommandResult::Refused(L"The play windows are not ready");
        return true;
    }
    if (rule == Busy::kNone || !ui->IsBusy(rule == Busy::kOpeningOrClosing)) return false;
    *result = RefusedWith(text, how);
    ui->ShowState();  // a box the click toggled goes back as it was
    return true;
}

template <class F>
CCommandResult CPlayCommands::Ruled(F done) {
    CShownMessages shown;
    const int ok = done();
    if (auto ui = m_host->PlayUILogic()) ui->ShowState();
    if (ok) return CCommandResult();
    return CCommandResult::Refused(shown.Texts().empty() ? std::wstring(L"Refused") : shown.Texts().back());
}

int CPlayCommands::WindowOr(int window) const {
    if (window >= 0) return window;
    auto ui = m_host->PlayUILogic();
    return ui ? ui->FocusedWindow() : 0;
}

CCommandResult CPlayCommands::SetPlaying(bool play) {
    CCommandResult r;
    if (Refuse(Busy::kOpening, Show::kNotification, kOpening, &r)) return r;
    auto ui = m_host->PlayUILogic();
    ui->Pause(play ? 0 : 1);
    return r;
}

CCommandResult CPlayCommands::TogglePlay() {
    auto ui = m_host->PlayUILogic();
    return SetPlaying(!(ui && ui->State().playing));
}

CCommandResult CPlayCommands::Stop() {
    CCommandResult r;
    if (Refuse(Busy::kOpening, Show::kNotification, kBusy, &r)) return r;
    m_host->PlayUILogic()->CloseFiles(-1);
    return r;
}

CCommandResult CPlayCommands::Step(bool forward) {
    CCommandResult r;
    if (Refuse(Busy::kOpening, Show::kNotification, kOpening, &r)) return r;
    auto ui = m_host->PlayUILogic();
    return Ruled([&] {
        // Pausing first would be lost on a step that is refused anyway.
        const bool refused = ui->State().sync || ui->State().SpeedFactor() >= 16;
        if (!refused && ui->State().playing) ui->Pause(1);
        return ui->OneStepPlay(forward ? 1 : 0);
    });
}

CCommandResult CPlayCommands::PreviousOrNext(bool forward) {
    CCommandResult r;
    if (Refuse(Busy::kOpening, Show::kNotification, kOpening, &r)) return r;
    auto ui = m_host->PlayUILogic();
    if (!ui->State().playing) return Ruled([&] { return ui->OneStepPlay(forward ? 1 : 0); });
    IFileListFace* list = m_host->FileList();
    if (!list) return r;
    int window = ui->FocusedWindow();
    const PlayRecord* record = ui->Tables().CurrentRecord(window);
    if (!record) {
        // The selected window plays nothing: a day playing from the first window still changes.
        window = 0;
        record = ui->Tables().CurrentRecord(0);
        if (!record || record->queryType != QUERY_WHOLE_DAY) return r;
    }
    const bool group = record->queryType == QUERY_WHOLE_DAY;
    const HKXTREEITEM entry = list->FindEntry(*record);
    if (entry && list->OpenAdjacentEntry(entry, forward ? 1 : 0, group ? 1 : 0, group ? -1 : window)) return r;
    if (!group)
        ui->CloseFiles(window);
    else if (!forward)
        ui->SetSynPlay(0);
    return r;
}

CCommandResult CPlayCommands::SetSpeed(int position) {
    if (position < 0 || position >= kSpeedPositions) return CCommandResult::Refused(L"No such speed");
    auto ui = m_host->PlayUILogic();
    if (!ui) return CCommandResult::Refused(L"The play windows are not ready");
    ui->SetPlaySpeed(position);
    return CCommandResult();
}

CCommandResult CPlayCommands::ChangeSpeed(int steps) {
    auto ui = m_host->PlayUILogic();
    if (!ui) return CCommandResult::Refused(L"The play windows are not ready");
    // Past the slowest or the fastest the key does nothing.
    const int position = std::clamp(ui->State().speedPosition + steps, 0, kSpeedPositions - 1);
    return SetSpeed(position);
}

CCommandResult CPlayCommands::SetReverse(bool on) {
    CCommandResult r;
    if (Refuse(Busy::kOpening, Show::kNotification, kOpening, &r)) return r;
    auto ui = m_host->PlayUILogic();
    return Ruled([&] {
        const int done = ui->SetPlayDirection(on ? 0 : 1);
        ui->SetPlaySpeed(ui->State().speedPosition);  // the speed applies in the new direction
        return done;
    });
}

CCommandResult CPlayCommands::SetSync(bool on) {
    CCommandResult r;
    if (Refuse(Busy::kOpening, Show::kNotification, kOpening, &r)) return r;
    auto ui = m_host->PlayUILogic();
    return Ruled([&] { return ui->SetSynPlay(on ? 1 : 0); });
}

CCommandResult CPlayCommands::SetRepeat(bool on) {
    // "Repeat One" may change while files open: it only decides what happens at a file's end.
    auto ui = m_host->PlayUILogic();
    if (!ui) return CCommandResult::Refused(L"The play windows are not ready");
    const CCommandResult r = Ruled([&] { return ui->SetRepeatPlay(on ? 1 : 0); });
    if (!r.ok && on) return CCommandResult::Refused(L"\"Repeat One\" is off while the day plays in sync");
    return r;
}

CCommandResult CPlayCommands::SetMute(bool on) {
    CCommandResult r;
    if (Refuse(Busy::kOpening, Show::kNotification, kOpening, &r)) return r;
    m_host->PlayUILogic()->SetMutePlay(on ? 1 : 0);
    return r;
}

CCommandResult CPlayCommands::SetVolume(int volume) {
    if (volume < 0 || volume > 100) return CCommandResult::Refused(L"The volume goes from 0 to 100");
    auto ui = m_host->PlayUILogic();
    if (!ui) return CCommandResult::Refused(L"The play windows are not ready");
    ui->SetPlayVolume(volume);
    return CCommandResult();
}

CCommandResult CPlayCommands::Seek(unsigned int seconds, int window) {
    CCommandResult r;
    if (Refuse(Busy::kOpening, Show::kNotification, kOpening, &r)) return r;
    auto ui = m_host->PlayUILogic();
    window = WindowOr(window);
    if (!ui->Tables().HandleOf(window)) return CCommandResult::Refused(L"Nothing plays in that window");
    ui->Seek(seconds, window);
    return r;
}

CCommandResult CPlayCommands::SeekBy(int seconds) {
    auto ui = m_host->PlayUILogic();
    if (!ui) return CCommandResult::Refused(L"The play windows are not ready");
    const int window = ui->FocusedWindow();
    const unsigned int now = ui->TimeShown(window);
    if (!now) return CCommandResult::Refused(L"Nothing plays in that window");
    const long long to = std::max(0LL, static_cast<long long>(now) + seconds);
    return Seek(static_cast<unsigned int>(to), window);
}

CCommandResult CPlayCommands::JumpToActivity(bool forward) {
    CCommandResult r;
    if (Refuse(Busy::kOpening, Show::kNotification, kOpening, &r)) return r;
    auto ui = m_host->PlayUILogic();
    const int window = ui->FocusedWindow();
    const unsigned int now = ui->TimeShown(window);
    if (!now || !ui->Tables().HandleOf(window)) return CCommandResult::Refused(L"Nothing plays in that window");
    const int of = ui->State().sync ? -1 : window;
    std::vector<double> starts;
    for (const auto& start : ui->ActivityStartsOf(of)) starts.push_back(start.at);
    double at = 0;
    const bool found = NextActivityStart(starts, now, forward, &at);
    if (JumpPassesPending(ui->ActivityPendingOf(of), now, forward, found, at))
        return RefusedWith(L"Activity in these recordings is still being looked for: try again in a moment",
                           Show::kNotification);
    if (!found)
        return RefusedWith(forward ? L"No further activity to go to" : L"No earlier activity to go to",
                           Show::kNotification);
    // Seek takes the window (or in sync the group) to whichever of its files holds the time.
    return Seek(static_cast<unsigned int>(std::floor(at)), window);
}

CCommandResult CPlayCommands::Snapshot(int window) {
    auto ui = m_host->PlayUILogic();
    window = WindowOr(window);
    const PlayRecord* record = ui ? ui->Tables().CurrentRecord(window) : nullptr;
    if (!record) return CCommandResult::Refused(L"Nothing plays in that window");
    const std::wstring folder = CPlayWinManagerEventImp::FolderWithSeparator(Settings().SnapPath);
    const bool jpeg = Settings().SnapFormat == 1;
    std::wstring name;
    MakeCaptureFileName(name, record->channelCode, ui->TimeShown(window), jpeg ? L".jpg" : L".bmp");
    if (const int usable = UsableFolder(folder); usable != 1)
        return RefusedWith(usable == 0 ? kNoFolder : kInvalidFolder, Show::kMessageBox);
    CShownMessages shown;  // the low-disk warning waits until the command has answered
    if (CPlayWinManagerEventImp::IsLowOnSpace(folder)) ShowMessageBox(kLowDisk);
    ui->SnapPicture(window, folder + name, jpeg ? 1 : 0);
    CCommandResult r;
    r.file = folder + name;
    return r;
}

CCommandResult CPlayCommands::Record(int window, bool on) {
    auto ui = m_host->PlayUILogic();
    if (!ui) return CCommandResult::Refused(L"The play windows are not ready");
    window = WindowOr(window);
    IPlayWindowsFace* windows = m_host->PlayWindows();
    CKXVideoWindow* grid = windows ? windows->VideoWindow() : nullptr;
    if (!on) {
        ui->StopRecord(window);
        if (grid) grid->SetRecordState(window, 0);
        return CCommandResult();
    }
    const std::wstring folder = CPlayWinManagerEventImp::FolderWithSeparator(Settings().VideoPath);
    const int format = Settings().VideoFormat;
    std::wstring name;
    MakeCaptureFileName(name, -1, ui->TimeShown(window), format == 0 ? L".rvf" : L".avi");
    if (const int usable = UsableFolder(folder); usable != 1) {
        if (grid) grid->SetRecordState(window, 0);
        return RefusedWith(usable == 0 ? kNoFolder : kInvalidFolder, Show::kMessageBox);
    }
    CShownMessages shown;
    if (CPlayWinManagerEventImp::IsLowOnSpace(folder)) ShowMessageBox(kLowDisk);
    if (!ui->StartRecord(window, folder + name, format)) {
        if (grid) grid->SetRecordState(window, 0);
        return CCommandResult::Refused(L"Only the recorder's own files are cut into clips");
    }
    if (grid) grid->SetRecordState(window, 1);  // the clip's answer puts it back if it fails
    CCommandResult r;
    r.file = folder + name;
    return r;
}

CCommandResult CPlayCommands::SetLayout(int windows) {
    if (std::find(std::begin(kLayouts), std::end(kLayouts), windows) == std::end(kLayouts))
        return CCommandResult::Refused(L"No such layout");
    IPlayWindowsFace* playWindows = m_host->PlayWindows();
    ILayoutBarFace* bar = playWindows ? playWindows->LayoutBar() : nullptr;
    if (!bar) return CCommandResult::Refused(L"The play windows are not ready");
    bar->SelectLayoutFor(windows);
    return CCommandResult();
}

CCommandResult CPlayCommands::Focus(int window) {
    IPlayWindowsFace* windows = m_host->PlayWindows();
    CKXVideoWindow* grid = windows ? windows->VideoWindow() : nullptr;
    auto ui = m_host->PlayUILogic();
    if (!grid || !ui) return CCommandResult::Refused(L"The play windows are not ready");
    if (window < 0 || window >= grid->GetWindowCount()) return CCommandResult::Refused(L"No such window");
    grid->SetFocusWindow(window);
    if (window != ui->FocusedWindow()) ui->SetFocusWindow(window);
    return CCommandResult();
}

CCommandResult CPlayCommands::FullScreen(bool on) {
    // Only the play windows' page goes full screen.
    if (on && !m_host->IsPlayPageShown()) return CCommandResult::Refused(L"The play windows' page is not shown");
    m_host->SetFullScreen(on ? 1 : 0);
    return CCommandResult();
}

CCommandResult CPlayCommands::CloseWindow(int window) {
    CCommandResult r;
    if (Refuse(Busy::kOpeningOrClosing, Show::kMessageBox, kBusy, &r)) return r;
    m_host->PlayUILogic()->CloseFiles(WindowOr(window));
    return r;
}

CCommandResult CPlayCommands::OpenPath(const std::wstring& path) {
    if (path.empty()) return CCommandResult::Refused(L"No path given");
    m_host->DropPath(path);
    return CCommandResult();
}

CCommandResult CPlayCommands::OpenDay(const std::wstring& device, std::int32_t dayKey) {
    IFileListFace* list = m_host->FileList();
    if (!list || !list->OpenListed(device, dayKey, -1)) return CCommandResult::Refused(L"No such day in the list");
    return CCommandResult();
}

CCommandResult CPlayCommands::OpenChannel(const std::wstring& device, std::int32_t dayKey, std::int32_t channelCode) {
    IFileListFace* list = m_host->FileList();
    if (channelCode < 0 || !list || !list->OpenListed(device, dayKey, channelCode))
        return CCommandResult::Refused(L"No such channel in the list");
    return CCommandResult();
}

CCommandResult CPlayCommands::Quit() {
    m_host->CloseWindow();
    return CCommandResult();
}
