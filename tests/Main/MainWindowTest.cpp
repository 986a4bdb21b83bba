// The main window a user sees, offscreen, with its real panels on the real loops, catalogue and
// engine: where everything goes, what the panels show and decide, and the close.
#include <unistd.h>

#include "MainWindowSupport.h"
#include "Main/DialogParts.h"
#include "Main/MotionSearchDlg.h"
#include "Main/OpenDialog.h"
#include "Toolkit/Static.h"
#include "Toolkit/VideoWindow.h"

using namespace TarvexTest;

TEST_F(MainWindowTest, TheWindowAndItsPagesAreLaidOutAsTheirTablesSay) {
    EXPECT_RECT(CKXRect(0, 0, 1000, 730), m_frame->Window()->GetClientRect());
    EXPECT_RECT(CKXRect(0, 0, 1000, 62), m_frame->ToolBarPanel()->View()->GetWindowRect());
    EXPECT_RECT(CKXRect(0, 62, 1000, 94), m_frame->TabBarPanel()->View()->GetWindowRect());
    EXPECT_RECT(CKXRect(0, 94, 1000, 730), m_frame->Page()->View()->GetWindowRect());
    // The page: the list, the grid panel beside it, the timeline along the bottom.
    EXPECT_RECT(CKXRect(0, 0, 240, 526), List()->View()->GetWindowRect());
    EXPECT_RECT(CKXRect(240, 0, 1000, 526), Windows()->View()->GetWindowRect());
    EXPECT_RECT(CKXRect(0, 526, 1000, 636), m_frame->Page()->TimeLine()->View()->GetWindowRect());
    // The grid panel: the layout bar, the grid, the play bar (its activity jumps at the right end)
    // centred under it.
    EXPECT_RECT(CKXRect(0, 0, 70, 526), Windows()->LayoutBarPanel()->View()->GetWindowRect());
    EXPECT_RECT(CKXRect(70, 2, 756, 471), Windows()->VideoWindow()->GetWindowRect());
    EXPECT_RECT(CKXRect(75, 471, 750, 526), Bar()->View()->GetWindowRect());

    // Collapsed, the list leaves a 14-pixel strip and the grid panel takes the rest.
    m_frame->SetFileListExpanded(0);
    EXPECT_RECT(CKXRect(-226, 0, 14, 526), List()->View()->GetWindowRect());
    EXPECT_RECT(CKXRect(14, 0, 1000, 526), Windows()->View()->GetWindowRect());
    m_frame->SetFileListExpanded(1);

    // Full screen only from the play page; Esc leaves it.
    m_frame->EnterFullScreen();
    EXPECT_EQ(1, m_frame->IsFullScreen());
    EXPECT_EQ(0, m_frame->ToolBarPanel()->View()->IsWindowVisible());
    EXPECT_EQ(0, List()->View()->IsWindowVisible());
    EXPECT_EQ(1, m_frame->OnDlgKeyDown(KX_VK_ESCAPE, 0));
    EXPECT_EQ(0, m_frame->IsFullScreen());
    EXPECT_EQ(1, m_frame->ToolBarPanel()->View()->IsWindowVisible());
    EXPECT_EQ(0, m_frame->OnDlgKeyDown(KX_VK_ESCAPE, 0)) << "Esc outside full screen does nothing";
}

TEST_F(MainWindowTest, TheTimelinesScaleIsAWholeNumberOfSteps) {
    const KXProgressGeometry wide = CMainTimeLineEventImp::GeometryFor(1000, false);
    EXPECT_EQ(158, wide.scaleStart);
    EXPECT_EQ(950, wide.scaleEnd);
    EXPECT_EQ(L"965,20,20,30", wide.channelUp);
    EXPECT_EQ(L"158,86,792,13", wide.zoomBar);
    const KXProgressGeometry narrow = CMainTimeLineEventImp::GeometryFor(221, false);
    EXPECT_EQ(158, narrow.scaleStart);
    EXPECT_EQ(158, narrow.scaleEnd);
    EXPECT_EQ(L"10,20,13,13", narrow.radios[0]);
    const KXProgressGeometry first = CMainTimeLineEventImp::GeometryFor(1000, true);
    EXPECT_EQ(0, first.scaleStart);
    EXPECT_EQ(L"30,20,13,13", first.radios[0]);
    EXPECT_EQ(L"178,86,755,13", first.zoomBar);
}

// A day of `channels` channels of two 2-second files listed and spread over the grid.
#define OPEN_DAY(channels)                                                                                      \
    Recordings(Channels(channels, 2, 2));                                                                       \
    m_frame->DropPath(Wide(m_dir + "/export"));                                                                 \
    ASSERT_TRUE(PumpUntil([&] { return List()->Tree()->GetCount() == 2 + (channels); }));                      \
    List()->OnItemDbClick(List()->Tree()->GetChildItem(List()->Tree()->GetRootItem()), -1, CFileListEventImp::kTree); \
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingOpens() == 0 && Ui().Tables().CurrentRecord((channels) - 1); }))

TEST_F(MainWindowTest, TheTimelineFitsEachOpeningAndKeepsTheUsersZoomUntilTheNext) {
    OPEN_DAY(2);
    CKXPlayProgressPanel* panel = m_frame->Page()->TimeLine()->Panel();
    std::time_t from = 0, to = 0;
    // Four seconds of recordings: a minute around them, not a day.
    ASSERT_TRUE(PumpUntil([&] {
        panel->GetVisibleSpan(from, to);
        return panel->HasRow(0) && panel->HasRow(1) && from <= kStart && to >= kStart + 4;
    }));
    EXPECT_EQ(60, to - from);
    // The user's zoom stays while the day plays ...
    panel->SetVisibleSpan(kStart - 3600, kStart + 3600);
    PumpFor(300);
    panel->GetVisibleSpan(from, to);
    EXPECT_EQ(kStart - 3600, from);
    // ... and while a window closes ...
    ASSERT_TRUE(Windows()->Commands()->CloseWindow(1).ok);
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingCloses() == 0; }));
    panel->GetVisibleSpan(from, to);
    EXPECT_EQ(kStart - 3600, from);
    // ... until something is opened: its channel again, into its window.
    ASSERT_TRUE(Windows()->Commands()->Focus(1).ok);
    ASSERT_TRUE(Windows()->Commands()->OpenChannel(L"DVR", kDay, 2).ok);
    ASSERT_TRUE(PumpUntil([&] {
        panel->GetVisibleSpan(from, to);
        return to - from == 60;
    }));
    EXPECT_LE(from, kStart);
    EXPECT_GE(to, kStart + 4);
}

TEST_F(MainWindowTest, TheTimelinesRowsFollowTheWindowsFourOnViewAndAClosedWindowsRowGoes) {
    OPEN_DAY(6);
    CKXPlayProgressPanel* panel = m_frame->Page()->TimeLine()->Panel();
    ASSERT_TRUE(PumpUntil([&] { return panel->HasRow(5) == 1; }));
    for (int window = 0; window < 6; ++window) EXPECT_EQ(1, panel->HasRow(window)) << window;
    EXPECT_FALSE(panel->RowRect(0).IsRectEmpty());
    EXPECT_TRUE(panel->RowRect(5).IsRectEmpty()) << "four rows on view";
    // Selecting a window brings its row on view.
    ASSERT_TRUE(Windows()->Commands()->Focus(5).ok);
    EXPECT_EQ(5, panel->GetSelectedRow());
    EXPECT_FALSE(panel->RowRect(5).IsRectEmpty());
    EXPECT_TRUE(panel->RowRect(0).IsRectEmpty());
    ASSERT_TRUE(Windows()->Commands()->Focus(0).ok);
    EXPECT_FALSE(panel->RowRect(0).IsRectEmpty());
    // A closed window's row goes; the others stay.
    ASSERT_TRUE(Windows()->Commands()->CloseWindow(5).ok);
    EXPECT_EQ(0, panel->HasRow(5));
    EXPECT_EQ(1, panel->HasRow(4));
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingCloses() == 0; }));
    // Stop closes everything: no rows are left.
    ASSERT_TRUE(Windows()->Commands()->Stop().ok);
    EXPECT_EQ(0, panel->HasRow(0));
    EXPECT_EQ(0, panel->HasRow(4));
    EXPECT_EQ(-1, panel->GetSelectedRow());
}

TEST_F(MainWindowTest, TheTreeKeepsDevicesFirstAndDaysInOrderAndADoubleClickPlaysTheDay) {
    _GROUP_FILE_INFO day16{L"DVR", kDay + 86400, {{1, nullptr}}};
    _GROUP_FILE_INFO day15{L"DVR", kDay, {{1, nullptr}, {MakeChannelCode(2, 1), nullptr}}};
    List()->SetSingleList({{3, L"/x/loose clip.rvf"}});
    List()->SetGroupList({day16});
    List()->SetGroupList({day15});
    List()->SetGroupList({day15});  // a second build of the same day changes nothing
    EXPECT_EQ((std::vector<std::wstring>{L"DVR", L"loose clip"}), Children(0)) << "devices ahead of ungrouped files";
    const HKXTREEITEM device = List()->Tree()->GetRootItem();
    EXPECT_EQ((std::vector<std::wstring>{L"2024-03-15", L"2024-03-16"}), Children(device));
    const HKXTREEITEM day = List()->Tree()->GetChildItem(device);
    EXPECT_EQ((std::vector<std::wstring>{L"Channel1_main", L"Channel2_extra1"}), Children(day));
    const HKXTREEITEM extra = List()->Tree()->GetNextSiblingItem(List()->Tree()->GetChildItem(day));
    EXPECT_EQ(MakeChannelCode(2, 1), List()->ChannelCodeOf(extra)) << "the item's code, whatever its text says";
    EXPECT_EQ(-1, List()->ChannelCodeOf(day)) << "a day is no channel";
    EXPECT_EQ(1, List()->Tree()->GetCheck(day));
    EXPECT_EQ(0, List()->Tree()->GetCheck(List()->Tree()->GetNextSiblingItem(device))) << "ungrouped files come unchecked";
    List()->Tree()->DeleteAllItems();

    // The real thing: a folder listed, a double-click on its day spreads it over the windows.
    Recordings(Channels(2, 1, 3));
    m_frame->DropPath(Wide(m_dir + "/export"));
    ASSERT_TRUE(PumpUntil([&] { return List()->Tree()->GetCount() == 4; }));
    const HKXTREEITEM listedDay = List()->Tree()->GetChildItem(List()->Tree()->GetRootItem());
    List()->OnItemDbClick(listedDay, -1, CFileListEventImp::kTree);
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingOpens() == 0 && Ui().Tables().CurrentRecord(1); }));
    EXPECT_EQ(1, Ui().Tables().CurrentRecord(0)->channelCode);
    EXPECT_EQ(2, Ui().Tables().CurrentRecord(1)->channelCode);
    EXPECT_TRUE(PumpUntil([&] { return List()->Tree()->GetPlaying(listedDay) == 1; })) << "a day marked while all its channels play";
    EXPECT_EQ(listedDay, List()->FindEntry(*Ui().Tables().CurrentRecord(0)));
    // A channel that plays is not opened twice.
    List()->OnItemDbClick(List()->Tree()->GetChildItem(listedDay), -1, CFileListEventImp::kTree);
    ASSERT_FALSE(m_journal.notifications.empty());
    EXPECT_EQ(L"Already Playing!", m_journal.notifications.back());
}

TEST_F(MainWindowTest, AWindowThatMovesOnToTheListsNextChannelSaysWhichOneAndIsTitledByIt) {
    MOVRA::SynthOptions o = Channels(2, 1, 1);
    o.device = "FRONTDOOR";
    Recordings(o);
    m_frame->DropPath(Wide(m_dir + "/export"));
    ASSERT_TRUE(PumpUntil([&] { return List()->Tree()->GetCount() == 4; }));
    const HKXTREEITEM day = List()->Tree()->GetChildItem(List()->Tree()->GetRootItem());
    List()->OnItemDbClick(List()->Tree()->GetChildItem(day), -1, CFileListEventImp::kTree);  // channel 1
    ASSERT_TRUE(PumpUntil([&] {
        const PlayRecord* r = Ui().Tables().CurrentRecord(0);
        return r && r->channelCode == 2;
    })) << "past its last file the window goes on with channel 2";
    const std::wstring told = L"Now playing the next in the list: FRONTDOOR \u00B7 2";
    EXPECT_NE(m_journal.notifications.end(), std::find(m_journal.notifications.begin(), m_journal.notifications.end(), told));
    ASSERT_TRUE(PumpUntil([&] { return Windows()->VideoWindow()->GetWindowTitle(0) == L"FRONTDOOR \u00B7 2"; }));
}

TEST_F(MainWindowTest, ThePlayBarShowsItsSpeedAndRefusesWhileFilesOpen) {
    EXPECT_EQ(L"1X", Bar()->SpeedText());
    // The slider moved by the user: the state takes the speed, and the bar shows it.
    Bar()->SpeedSlider()->SetPos(10);
    Bar()->SLD_OnPosChanged(kSpeedSlider, 10);
    EXPECT_FLOAT_EQ(16.0f, Ui().State().SpeedFactor());
    EXPECT_EQ(L"16X", Bar()->SpeedText());
    CPlayState state = Ui().State();
    state.forward = false;
    state.playing = true;
    Bar()->ShowPlayState(state);
    EXPECT_EQ(L"-16X", Bar()->SpeedText());
    EXPECT_EQ(L"Pause", Bar()->ToolTipOf(kPlayButton));
    EXPECT_EQ(L"Next Group", Bar()->ToolTipOf(kNextButton));
    Ui().ShowState();
    EXPECT_EQ(L"Previous Frame", Bar()->ToolTipOf(kPreviousButton)) << "the bar shows the state again";

    COpeningHold opening(Ui());
    Bar()->Box(kSyncButton)->SetCheck(1);
    Bar()->RB_OnStateChanged(kSyncButton, 1, 1);
    EXPECT_EQ(0, Bar()->IsChecked(kSyncButton)) << "put back as it was";
    ASSERT_EQ(1u, m_journal.notifications.size());
    Bar()->Box(kRepeatButton)->SetCheck(1);
    Bar()->RB_OnStateChanged(kRepeatButton, 1, 1);
    EXPECT_EQ(1, Ui().RepeatFlag()) << "the repeat box is not held by the opens";
    EXPECT_EQ(L"Sequence Play", Bar()->ToolTipOf(kRepeatButton));
    opening.Release();
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingOpens() == 0; }));
}

TEST_F(MainWindowTest, ASnapshotGoesIntoItsFolderAndTheLowDiskWarningComesBelow10MiB) {
    EXPECT_EQ(L"/srv/shots/", CPlayWinManagerEventImp::FolderWithSeparator(L"/srv/shots"));
    EXPECT_EQ(L"/srv/shots/", CPlayWinManagerEventImp::FolderWithSeparator(L"/srv/shots/"));
    EXPECT_EQ(L"D:/shots/", CPlayWinManagerEventImp::FolderWithSeparator(L"D:\\shots"));
    static std::uint64_t s_free = 0;
    CPlayWinManagerEventImp::SetFreeSpaceQuery([](const char*, std::uint64_t* free) {
        *free = s_free;
        return 1;
    });
    s_free = 10485760;
    EXPECT_FALSE(CPlayWinManagerEventImp::IsLowOnSpace(L"/tmp/"));
    s_free = 10485759;
    EXPECT_TRUE(CPlayWinManagerEventImp::IsLowOnSpace(L"/tmp/"));

    // A snapshot of the frame on screen, into a folder that did not exist, with the warning.
    const auto files = Recordings(Channels(1, 1, 4));
    m_frame->DropPath(Wide(files[0]));
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingOpens() == 0 && Ui().Tables().CurrentRecord(0); }));
    ASSERT_TRUE(PumpUntil([&] { return Windows()->VideoWindow()->HasFrame(0) == 1; }));
    ASSERT_TRUE(PumpUntil([&] { return Ui().Tables().CurrentRecord(0)->fileStartTime > 0; }));
    const std::string shots = m_dir + "/shots";
    TarvexApp::Settings().SnapPath = Wide(shots);  // no separator at its end
    Windows()->OnBnClickedVideoSnap(0, CPlayWinManagerEventImp::kGrid);
    CPlayWinManagerEventImp::SetFreeSpaceQuery(nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !m_journal.boxes.empty(); })) << "shown once the click is done";
    ASSERT_EQ(1u, m_journal.boxes.size());
    EXPECT_EQ(L"There is a few disk space, pertinent operation may be failed!", m_journal.boxes[0]);
    std::filesystem::path shot;
    ASSERT_TRUE(PumpUntil([&] {
        if (!std::filesystem::exists(shots)) return false;
        for (const auto& entry : std::filesystem::directory_iterator(shots))
            if (entry.path().extension() == ".bmp") shot = entry.path();
        return !shot.empty();
    })) << "written all the same";
    EXPECT_EQ(0u, shot.filename().string().find("20240315")) << "named by the time shown: " << shot;
}

TEST_F(MainWindowTest, TheMessageBoxSizesItselfToItsText) {
    const CMsgDlgEventImp::Layout one = CMsgDlgEventImp::LayoutFor(200, 16, 0);
    EXPECT_RECT(CKXRect(20, 10, 220, 35), one.text);
    EXPECT_EQ(240, one.width);
    EXPECT_EQ(45, one.ok.top) << "buttons 10 pixels under a one-line text";
    EXPECT_EQ(80, one.ok.left);
    EXPECT_FALSE(one.cancelShown);
    const CMsgDlgEventImp::Layout question = CMsgDlgEventImp::LayoutFor(200, 40, CMsgDlgEventImp::kOkCancel);
    EXPECT_EQ(50, question.text.bottom);
    EXPECT_EQ(30, question.ok.left);
    EXPECT_EQ(130, question.cancel.left);
    EXPECT_TRUE(question.cancelShown);

    // Non-modal, with an action for OK; a hostile text shows as it is.
    CMsgDlgEventImp& dialog = *m_frame->MessageDialog();
    int confirmed = 0;
    dialog.ShowQuestion(L"", L"%s%s%n %d", [&] { ++confirmed; });
    EXPECT_TRUE(dialog.IsShown());
    EXPECT_EQ(L"Prompt", dialog.Window()->GetTitle()) << "an empty title is the prompt's";
    EXPECT_EQ(L"%s%s%n %d", dialog.Text());
    dialog.Dlg_OnOK();
    EXPECT_EQ(1, confirmed);
    EXPECT_FALSE(dialog.IsShown());
}

TEST_F(MainWindowTest, NotificationsComeNewestFirstAndClearEmptiesTheList) {
    CMessageNotifier& notifier = CMessageNotifier::Instance();
    notifier.BTN_OnClicked(CMessageNotifier::kClear);
    notifier.ShowNotification(L"first");
    notifier.ShowNotification(L"second");
    EXPECT_EQ(2, notifier.Count());
    EXPECT_NE(std::wstring::npos, notifier.Line(0).find(L"  second"));
    EXPECT_NE(std::wstring::npos, notifier.Line(1).find(L"  first"));
    EXPECT_EQ(1, notifier.Window()->IsWindowVisible()) << "a message shows the window";
    notifier.BTN_OnClicked(CMessageNotifier::kClear);
    notifier.ShowNotification(L"third");
    EXPECT_EQ(1, notifier.Count());
    EXPECT_NE(std::wstring::npos, notifier.Line(0).find(L"third"));
    EXPECT_EQ(std::wstring(), notifier.Line(1));
    notifier.BTN_OnClicked(CMessageNotifier::kAutoHide);
    EXPECT_TRUE(notifier.IsAutoHide());
    notifier.BTN_OnClicked(CMessageNotifier::kTop);
    EXPECT_FALSE(notifier.IsAutoHide());
}

namespace {
std::vector<std::string> g_shellOpened;
int NoteShellOpen(const char* path) {
    g_shellOpened.push_back(path);
    return 1;
}
}  // namespace

TEST_F(MainWindowTest, ANotificationOfAWrittenFileOpensItsFolder) {
    CMessageNotifier& notifier = CMessageNotifier::Instance();
    notifier.BTN_OnClicked(CMessageNotifier::kClear);
    g_shellOpened.clear();
    KX_SOFT_BASE::SetShellOpener(&NoteShellOpen);
    notifier.ShowNotification(L"plain");
    EXPECT_FALSE(notifier.OpenFolderButton()->IsWindowVisible()) << "nothing to open yet";
    notifier.ShowNotification(L"Snapshot saved: a.bmp", L"/srv/shots/");
    notifier.ShowNotification(L"Clip saved: b.rvf", L"/srv/clips/");
    notifier.ShowNotification(L"later");
    EXPECT_TRUE(notifier.OpenFolderButton()->IsWindowVisible());
    notifier.BTN_OnClicked(CMessageNotifier::kOpenFolder);
    notifier.LC_OnItemClick(2, CMessageNotifier::kList);  // the snapshot's line
    notifier.BTN_OnClicked(CMessageNotifier::kOpenFolder);
    notifier.LC_OnItemDbClick(1, CMessageNotifier::kList);
    notifier.LC_OnItemDbClick(0, CMessageNotifier::kList);  // a line without a folder
    EXPECT_EQ((std::vector<std::string>{"/srv/clips/", "/srv/shots/", "/srv/clips/"}), g_shellOpened)
        << "the newest folder, then the clicked line's, then the double-clicked line's";
    notifier.ShowNotification(L"newer");
    notifier.BTN_OnClicked(CMessageNotifier::kOpenFolder);
    EXPECT_EQ("/srv/shots/", g_shellOpened.back()) << "the clicked line moved down with the new one";
    notifier.BTN_OnClicked(CMessageNotifier::kClear);
    EXPECT_FALSE(notifier.OpenFolderButton()->IsWindowVisible());
    KX_SOFT_BASE::SetShellOpener(nullptr);
}

TEST_F(MainWindowTest, TheCloseWaitsForTheFilesAndWritesTheFolderIntoTheSettings) {
    const auto files = Recordings(Channels(1, 1, 4));
    m_frame->DropPath(Wide(files[0]));
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingOpens() == 0 && Ui().Tables().CurrentRecord(0); }));
    EXPECT_EQ(0, m_frame->Dlg_Close()) << "the first close only asks";
    ASSERT_TRUE(PumpUntil([&] { return m_frame->IsClosingFlag() == 1 && !m_frame->IsWindowVisible(); }));
    ASSERT_TRUE(PumpUntil([&] { return std::filesystem::exists(m_home + "Config/config.xml"); }));
    std::ifstream in(m_home + "Config/config.xml");
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(std::string::npos, text.str().find(m_dir + "/export/;")) << text.str();
    EXPECT_TRUE(Ui().Tables().Empty());
}

namespace {
std::vector<std::wstring>* g_missing = nullptr;
void NoteMissing(const std::wstring& text) {
    if (g_missing) g_missing->push_back(text);
}
}  // namespace

TEST_F(MainWindowTest, EveryTextTheWindowShowsIsInEachLanguageFile) {
    m_frame.reset();
    std::vector<std::wstring> missing;
    g_missing = &missing;
    TarvexApp::SetMissingTextHook(&NoteMissing);
    for (int language : {0, 1, 2}) {
        auto frame = FrameInLanguage(language);
        ASSERT_TRUE(frame->IsWindowVisible());
        // The texts that come with use: the play bar's states, a full screen, the dialogs.
        CPlayBarEventImp* bar = frame->Page()->PlayWindows()->PlayBarPanel();
        CPlayState state;
        state.repeat = state.playing = true;
        bar->ShowPlayState(state);
        bar->ShowPlayState(CPlayState());
        frame->EnterFullScreen();
        frame->SetFullScreen(0);
        frame->MessageDialog()->ShowQuestion(L"", L"text", nullptr);
        frame->MessageDialog()->Dlg_OnCancel();
        frame->ShowAbout();
        CMessageNotifier::Instance().ShowNotification(L"text");
        frame.reset();
        EXPECT_TRUE(missing.empty()) << "language " << language << " lacks " << KX_SOFT_BASE::WideToUtf8(missing.front());
        missing.clear();
    }
    TarvexApp::SetMissingTextHook(nullptr);
    g_missing = nullptr;
    BackToEnglish();
}

TEST_F(MainWindowTest, TheFileTypeQuestionStandsInFrontOfTheShownWindowOnceAndTheConfigurationPageAsksAgain) {
    TarvexApp::FileTypeOffer offer;
    offer.question = L"The file types(.rvf ) do not open with this program.";
    offer.extensions = {L".rvf"};
    TarvexApp::Settings().FileTypesAsked = false;
    CMsgDlgEventImp* question = m_frame->QuestionDialog();
    ASSERT_NE(nullptr, question);
    EXPECT_EQ(m_frame->Window(), question->Window()->GetParent()) << "it belongs to the window, above it";

    // Offered before the window shows, it waits for the window: else it would stand behind it.
    m_frame->Window()->ShowWindow(KX_SW_HIDE);
    m_frame->OfferFileTypes(offer);
    EXPECT_FALSE(question->IsShown());
    m_frame->ShowWindow();
    ASSERT_TRUE(question->IsShown());
    EXPECT_EQ(offer.question, question->Text());

    // Escape declines it (the window's keys act wherever the focus is), and that is remembered.
    EXPECT_EQ(1, m_frame->OnDlgKeyDown(KX_VK_ESCAPE, 0));
    EXPECT_FALSE(question->IsShown());
    EXPECT_TRUE(TarvexApp::Settings().FileTypesAsked);
    m_frame->OfferFileTypes(offer);
    EXPECT_FALSE(question->IsShown()) << "answered once: the start-up question is not put again";

    // The configuration page puts it again, whatever was answered; closing it is a no as well.
    m_frame->ConfigPage()->BTN_OnClicked(CConfigViewEventImp::kFileTypes);
    ASSERT_TRUE(question->IsShown());
    EXPECT_NE(std::wstring::npos, question->Text().find(L".rvf"));
    question->Dlg_Close();
    question->Window()->ShowWindow(KX_SW_HIDE);
    EXPECT_TRUE(TarvexApp::Settings().FileTypesAsked);
    EXPECT_EQ(0, m_frame->OnDlgKeyDown(KX_VK_ESCAPE, 0)) << "no question, no full screen: Esc does nothing";
}

TEST_F(MainWindowTest, TheEmptyGridSaysHowToBeginAndTheWordUnderTheToolBarIsTranslated) {
    EXPECT_EQ(1, Windows()->VideoWindow()->IsEmptyGridTextShown());
    ASSERT_NE(nullptr, m_frame->ToolBarPanel()->ProductWord());
    EXPECT_EQ(TarvexApp::Translate(L"Player"), m_frame->ToolBarPanel()->ProductWord()->GetWindowText());
    Windows()->VideoWindow()->SetLoading(0, 1);
    EXPECT_EQ(0, Windows()->VideoWindow()->IsEmptyGridTextShown()) << "gone as soon as a window opens something";
    Windows()->VideoWindow()->SetLoading(0, 0);
}

TEST(OpenDialogTest, AllRecordingsAreEveryRecordFormatThenWhatTheEnginePlaysEachOnce) {
    const std::wstring filter = RecordingsFilter({L".rvf", L".AVI", L"ts", L".p s", L".ps"});
    EXPECT_EQ(0u, filter.find(L"All recordings(*.rvf;*.avi;*.ts;*.ps;")) << KX_SOFT_BASE::WideToUtf8(filter);
    for (const wchar_t* pattern : {L"*.mp4;", L"*.mkv;", L"*.mov;", L"*.h264;", L"*.mpg;"})
        EXPECT_NE(std::wstring::npos, filter.find(pattern)) << KX_SOFT_BASE::WideToUtf8(pattern);
    EXPECT_EQ(filter.find(L"*.avi"), filter.rfind(L"*.avi")) << "once, whatever its case";
    EXPECT_EQ(std::wstring::npos, filter.find(L"p s")) << "a format with a blank is no pattern";
    const std::size_t bar = filter.find(L")|");
    ASSERT_NE(std::wstring::npos, bar);
    EXPECT_EQ(L"RVF Video File(*.rvf)", filter.substr(bar + 2)) << "the recorder's own files follow";
}

TEST(OpenDialogTest, ItOpensWhereTheUserWasLastWhileThatFolderIsThere) {
    const std::string root = std::filesystem::temp_directory_path() / ("tarvex-open-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root + "/last");
    std::filesystem::create_directories(root + "/recent");
    const std::wstring wroot = KX_SOFT_BASE::Utf8ToWide(root);
    EXPECT_EQ(wroot + L"/last/", OpenDialogStart(wroot + L"/last", {wroot + L"/recent/"}));
    EXPECT_EQ(wroot + L"/recent/", OpenDialogStart(wroot + L"/gone/", {wroot + L"/gone too/", wroot + L"/recent/"}))
        << "the first recent folder that is still there";
    const std::wstring home = OpenDialogStart(L"", {});
    EXPECT_NE(L"", home);
    EXPECT_EQ(L'/', home.back());
    EXPECT_TRUE(std::filesystem::is_directory(KX_SOFT_BASE::WideToUtf8(home))) << "the home folder, never the program's";

    EXPECT_EQ(L"/srv/export/", FolderToRemember(L"/srv/export/DVR_ch1.rvf"));
    EXPECT_EQ(L"/srv/", FolderToRemember(L"/srv/export/")) << "a folder chosen: the one it is in";
    EXPECT_EQ(L"/srv/", FolderToRemember(L"/srv/export"));
    EXPECT_EQ(L"", FolderToRemember(L"loose"));
    std::filesystem::remove_all(root);
}

TEST_F(MainWindowTest, AResultOfAnotherDayOpensThatDaysChannelInTheWindowAndGoesToItsTime) {
    Recordings(Channels(1, 2, 2));
    MOVRA::SynthOptions nextDay = Channels(1, 2, 2);
    nextDay.start = kStart + 86400;
    const std::vector<std::string> later = Recordings(nextDay);
    ASSERT_EQ(2u, later.size());
    m_frame->DropPath(Wide(m_dir + "/export"));
    // The recorder, its two days, a channel in each.
    ASSERT_TRUE(PumpUntil([&] { return List()->Tree()->GetCount() == 5; }));
    List()->OnItemDbClick(List()->Tree()->GetChildItem(List()->Tree()->GetRootItem()), -1, CFileListEventImp::kTree);
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingOpens() == 0 && Ui().Tables().CurrentRecord(0); }));
    ASSERT_LT(Ui().Tables().CurrentRecord(0)->fileStartTime, kStart + 86400) << "the first day plays";

    const unsigned int target = kStart + 86400 + 3;
    ASSERT_TRUE(Windows()->Commands()->ShowRecordingAt(0, later[1], target).ok);
    EXPECT_TRUE(PumpUntil([&] {
        const PlayRecord* r = Ui().Tables().CurrentRecord(0);
        return Ui().PendingOpens() == 0 && r && r->path == Wide(later[1]) && Ui().TimeShown(0) == target;
    }, 30000)) << "shown: " << Ui().TimeShown(0) << ", wanted " << target;

    // Within the day it holds now, a plain seek.
    ASSERT_TRUE(Windows()->Commands()->ShowRecordingAt(0, later[0], kStart + 86400 + 1).ok);
    EXPECT_TRUE(PumpUntil([&] { return Ui().TimeShown(0) == kStart + 86400 + 1; }, 20000)) << Ui().TimeShown(0);
}

TEST_F(MainWindowTest, ARectangleDrawnWhileAStretchIsSelectedSearchesThatStretch) {
    OPEN_DAY(2);
    CKXPlayProgressPanel* panel = m_frame->Page()->TimeLine()->Panel();
    Windows()->OnRegionChosen(1, 0.25, 0.25, 0.5, 0.5, 0);
    CMotionSearchDlgEventImp* dialog = Windows()->SearchDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(CMotionSearchDlgEventImp::kOpenFiles, dialog->ScopeChosen()) << "without a selection: the day open";
    dialog->Dlg_Close();

    panel->SetSelection(kStart + 1, kStart + 3);
    Windows()->OnRegionChosen(1, 0.25, 0.25, 0.5, 0.5, 0);
    EXPECT_EQ(CMotionSearchDlgEventImp::kStretch, dialog->ScopeChosen());
    EXPECT_EQ(DialogParts::FieldTime(kStart + 1), dialog->StretchField(false));
    EXPECT_EQ(DialogParts::FieldTime(kStart + 3), dialog->StretchField(true));
    dialog->Dlg_Close();
}
