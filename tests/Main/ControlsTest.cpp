// Every control of the main window: the tab rules, the layouts a day asks for, the configuration
// page and its path rules, and the keyboard, which does what the matching control does.
#include "Main/ConfigView.h"
#include "Main/CustomLayoutDlg.h"
#include "Main/StatsView.h"
#include "Main/VideoInfoDlg.h"
#include "Main/TabBar.h"
#include "Main/ToolBar.h"
#include "MainWindowSupport.h"
#include "Toolkit/ComboBox.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/EditCtrl.h"
#include "Toolkit/VideoWindow.h"

using namespace TarvexTest;

namespace {

class ControlsTest : public MainWindowTest {
protected:
    CTabBarEventImp* Tabs() { return m_frame->TabBarPanel(); }
    CConfigViewEventImp* Config() { return m_frame->ConfigPage(); }
    // A click on a tab at (x, y) of the tab.
    void ClickTab(int position, int x, int y) {
        const int id = CTabBarEventImp::kFirstTab + position;
        Tabs()->RB_OnClicked(id, 1, x, y);
        Tabs()->Tab(position)->SetCheck(1);
        Tabs()->RB_OnStateChanged(id, 1, 1);
    }
};

}  // namespace

TEST_F(ControlsTest, TheConfigTabsCloseBoxReturnsToThePlayPageAndThePlayTabOnlySelects) {
    EXPECT_EQ(0, Tabs()->IsTabShown(5));
    m_frame->OpenConfig();
    EXPECT_EQ(1, Tabs()->IsTabShown(5));
    EXPECT_EQ(1, Tabs()->IsTabSelected(5));
    EXPECT_EQ(1, Config()->View()->IsWindowVisible());
    EXPECT_EQ(0, m_frame->Page()->View()->IsWindowVisible());
    // Full screen only from the play page.
    m_frame->EnterFullScreen();
    EXPECT_EQ(0, m_frame->IsFullScreen());
    // The button again while the tab is shown does nothing, even with another tab selected.
    ClickTab(0, 10, 10);
    m_frame->OpenConfig();
    EXPECT_EQ(1, Tabs()->IsTabSelected(0));
    EXPECT_EQ(1, m_frame->Page()->View()->IsWindowVisible());

    ClickTab(0, 90, 8);  // where a close box would be: the play tab has none
    EXPECT_EQ(1, Tabs()->IsTabSelected(0));
    EXPECT_EQ(1, Tabs()->IsTabShown(0));
    ClickTab(5, 10, 10);
    EXPECT_EQ(1, Config()->View()->IsWindowVisible());
    ClickTab(5, 90, 8);  // the close box
    EXPECT_EQ(0, Tabs()->IsTabShown(5));
    EXPECT_EQ(1, Tabs()->IsTabSelected(0));
    EXPECT_EQ(1, m_frame->Page()->View()->IsWindowVisible());
    EXPECT_EQ(0, Config()->View()->IsWindowVisible());
}

TEST_F(ControlsTest, DeletingKeepsAPlayingEntryWhenTheAnswerIsNoAndIsRefusedWhileOpening) {
    Recordings(Channels(2, 1, 6));
    m_frame->DropPath(Wide(m_dir + "/export"));
    ASSERT_TRUE(PumpUntil([&] { return List()->Tree()->GetCount() == 4; }));
    CKXTreeCtrl* tree = List()->Tree();
    const HKXTREEITEM day = tree->GetChildItem(tree->GetRootItem());
    const HKXTREEITEM channel1 = tree->GetChildItem(day), channel2 = tree->GetNextSiblingItem(channel1);
    List()->OnItemDbClick(channel1, -1, CFileListEventImp::kTree);
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingOpens() == 0 && tree->GetPlaying(channel1); }));

    {
        COpeningHold opening(Ui(), 1);
        Tabs()->DeleteChecked();
        EXPECT_EQ(4, tree->GetCount()) << "nothing deleted while files open";
        ASSERT_FALSE(m_journal.notifications.empty());
    }
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingOpens() == 0; }));

    m_journal.answer = KX_IDCANCEL;
    Tabs()->DeleteChecked();
    ASSERT_FALSE(m_journal.boxes.empty());
    EXPECT_EQ(L"The item you want to delete is in the operating now. Please stop current operation and then delete.",
              m_journal.boxes.back());
    EXPECT_EQ(1, tree->IsItem(channel1)) << "the playing channel stays listed";
    EXPECT_EQ(0, tree->IsItem(channel2)) << "the others go";
    EXPECT_NE(nullptr, Ui().Tables().CurrentRecord(0)) << "and it goes on playing";

    m_journal.answer = KX_IDOK;
    Tabs()->DeleteChecked();
    EXPECT_EQ(0, tree->GetCount());
    EXPECT_TRUE(PumpUntil([&] { return Ui().Tables().Empty() && Ui().PendingCloses() == 0; }));
}

TEST_F(ControlsTest, ADayGetsTheSmallestLayoutWithAWindowPerChannel) {
    CLayoutBarEventImp* bar = Windows()->LayoutBarPanel();
    EXPECT_EQ(4, CLayoutBarEventImp::LayoutCountFor(3));
    EXPECT_EQ(13, CLayoutBarEventImp::LayoutCountFor(10));
    EXPECT_EQ(4, CLayoutBarEventImp::LayoutCountFor(40));
    EXPECT_EQ(0, CLayoutBarEventImp::LayoutCountFor(0));
    bar->SelectLayoutFor(10);
    EXPECT_EQ(13, Windows()->VideoWindow()->GetWindowCount());
    EXPECT_EQ(2151, bar->CheckedButton());
    bar->SelectLayoutFor(3);
    EXPECT_EQ(4, Windows()->VideoWindow()->GetWindowCount());
    EXPECT_EQ(2147, bar->CheckedButton());
}

TEST_F(ControlsTest, CustomLayoutEditsFollowTheSpinnersDefaultUndoesThemAndConfirmingSwitchesTheGrid) {
    CLayoutBarEventImp* bar = Windows()->LayoutBarPanel();
    CCustomLayoutDlgEventImp* dialog = bar->CustomLayoutDialog();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(0, dialog->Window()->IsWindowVisible());
    bar->BTN_OnClicked(CLayoutBarEventImp::kCustomButton);
    EXPECT_EQ(1, dialog->Window()->IsWindowVisible());

    const int defaults[] = {1, 4, 6, 8, 9, 13, 16, 25, 36, 12};
    for (int slot = 0; slot < CCustomLayoutDlgEventImp::kSlots; ++slot)
        EXPECT_EQ(std::to_wstring(defaults[slot]) + L" Video", dialog->SlotLabel(slot));
    // The slot of 16 windows shows its rows and columns.
    dialog->SelectSlot(6);
    EXPECT_EQ(4, dialog->SpinnerValue(CCustomLayoutDlgEventImp::kRowSpinner));
    EXPECT_EQ(4, dialog->SpinnerValue(CCustomLayoutDlgEventImp::kColumnSpinner));
    EXPECT_EQ(16, dialog->Preview()->GetWindowCount());

    // Three rows of four: the preview and the slot's label change at once.
    dialog->SPIN_OnValueChanged(CCustomLayoutDlgEventImp::kRowSpinner, 3);
    EXPECT_EQ(12, dialog->Preview()->GetWindowCount());
    EXPECT_EQ(L"12 Video", dialog->SlotLabel(6));
    EXPECT_EQ(dialog->Preview()->GetLayoutDescription(), dialog->SlotDescription(6));
    dialog->SPIN_OnValueChanged(CCustomLayoutDlgEventImp::kColumnSpinner, 2);
    EXPECT_EQ(L"6 Video", dialog->SlotLabel(6));
    // Another slot, and back: the edit stays with its slot.
    dialog->SelectSlot(1);
    EXPECT_EQ(4, dialog->Preview()->GetWindowCount());
    EXPECT_EQ(2, dialog->SpinnerValue(CCustomLayoutDlgEventImp::kRowSpinner));
    dialog->SelectSlot(6);
    EXPECT_EQ(6, dialog->Preview()->GetWindowCount());
    EXPECT_EQ(3, dialog->SpinnerValue(CCustomLayoutDlgEventImp::kRowSpinner));
    EXPECT_EQ(2, dialog->SpinnerValue(CCustomLayoutDlgEventImp::kColumnSpinner));

    dialog->BTN_OnClicked(CCustomLayoutDlgEventImp::kDefault);
    EXPECT_EQ(L"16 Video", dialog->SlotLabel(6));
    EXPECT_EQ(CKXVideoWindow::GetDefaultLayout(6), dialog->SlotDescription(6));
    EXPECT_EQ(16, dialog->Preview()->GetWindowCount());
    EXPECT_EQ(4, dialog->SpinnerValue(CCustomLayoutDlgEventImp::kRowSpinner));

    // Confirmed: the main grid takes the edited arrangement and no standard button shows chosen.
    dialog->SPIN_OnValueChanged(CCustomLayoutDlgEventImp::kColumnSpinner, 5);
    EXPECT_EQ(20, dialog->Preview()->GetWindowCount());
    dialog->Window()->EndDialog(dialog->Dlg_OnOK() ? KX_IDOK : KX_IDCANCEL);
    CKXVideoWindow* grid = Windows()->VideoWindow();
    EXPECT_EQ(CKXVideoWindow::kCustomLayout, grid->GetLayoutType());
    EXPECT_EQ(20, grid->GetWindowCount());
    EXPECT_EQ(dialog->SlotDescription(6), grid->GetLayoutDescription());
    EXPECT_EQ(0, bar->CheckedButton());
    EXPECT_EQ(0, dialog->Window()->IsWindowVisible());
    // A standard button chooses again.
    bar->RB_OnStateChanged(2147, 1, 1);
    EXPECT_EQ(4, grid->GetWindowCount());
    EXPECT_EQ(2147, bar->CheckedButton());
}

TEST_F(ControlsTest, ACustomLayoutConfirmedOnceItsOwnerIsGoneOrUnreadableChangesNothing) {
    struct Owner : ICustomLayoutOwner {
        std::vector<std::wstring> applied;
        void ApplyCustomLayout(const std::wstring& d) override { applied.push_back(d); }
    };
    auto owner = std::make_shared<Owner>();
    {
        CCustomLayoutDlgEventImp dialog(m_frame->Window(), owner);
        dialog.SelectSlot(2);
        EXPECT_EQ(1, dialog.Dlg_OnOK());
        ASSERT_EQ(1u, owner->applied.size());
        EXPECT_EQ(CKXVideoWindow::GetDefaultLayout(2), owner->applied[0]);
        std::weak_ptr<Owner> gone = owner;
        owner.reset();
        EXPECT_EQ(1, dialog.Dlg_OnOK()) << "the dialog closes";
        EXPECT_TRUE(gone.expired());
    }
    // What the labels and spinners read from a description, and what they make of a broken one.
    int rows = 0, columns = 0;
    CCustomLayoutDlgEventImp::ReadRowsAndColumns(L"3/5/15/0,0,1,1", rows, columns);
    EXPECT_EQ(3, rows);
    EXPECT_EQ(5, columns);
    for (const wchar_t* broken : {L"", L"x/y/z", L"0/4/4/", L"9/2/18/", L"3"}) {
        CCustomLayoutDlgEventImp::ReadRowsAndColumns(broken, rows, columns);
        EXPECT_EQ(2, rows) << broken;
        EXPECT_EQ(2, columns) << broken;
    }
    EXPECT_EQ(15, CCustomLayoutDlgEventImp::ReadWindowCount(L"3/5/15/0,0,1,1"));
    EXPECT_EQ(0, CCustomLayoutDlgEventImp::ReadWindowCount(L"3/5"));
    EXPECT_EQ(0, CCustomLayoutDlgEventImp::ReadWindowCount(L"3/5/-4/"));
    // The bar refuses an arrangement the grid cannot take and keeps its button.
    CLayoutBarEventImp* bar = Windows()->LayoutBarPanel();
    bar->ApplyCustomLayout(L"2/2/5/0,0,1,1");
    EXPECT_EQ(2147, bar->CheckedButton());
    EXPECT_EQ(4, Windows()->VideoWindow()->GetWindowCount());
}

TEST_F(ControlsTest, TypedFoldersAreStoredWithOurSeparatorWithoutTrailingDotsAndMade) {
    CKXEditCtrl* clips = Config()->Edit(CConfigViewEventImp::kVideoPath);
    const std::wstring before = TarvexApp::Settings().VideoPath;
    EXPECT_EQ(before, clips->GetWindowText());

    const std::wstring typed = Wide(m_dir) + L"\\clips";  // the other system's separator
    Config()->EDIT_OnCommit(CConfigViewEventImp::kVideoPath, typed.c_str());
    EXPECT_EQ(Wide(m_dir) + L"/clips/", TarvexApp::Settings().VideoPath);
    EXPECT_EQ(TarvexApp::Settings().VideoPath, clips->GetWindowText());
    EXPECT_TRUE(std::filesystem::is_directory(m_dir + "/clips"));

    const std::wstring dotted = Wide(m_dir) + L"/evidence../";
    Config()->EDIT_OnCommit(CConfigViewEventImp::kVideoPath, dotted.c_str());
    EXPECT_EQ(Wide(m_dir) + L"/evidence/", TarvexApp::Settings().VideoPath);

    const std::wstring stored = TarvexApp::Settings().VideoPath;
    const std::wstring tooLong = L"/" + std::wstring(200, L'a');
    Config()->EDIT_OnCommit(CConfigViewEventImp::kVideoPath, tooLong.c_str());
    EXPECT_EQ(stored, TarvexApp::Settings().VideoPath);
    EXPECT_EQ(stored, clips->GetWindowText()) << "the previous path shows again";
    EXPECT_EQ(L"The path is too long. Please select again!", m_journal.boxes.back());
    Config()->EDIT_OnCommit(CConfigViewEventImp::kVideoPath, L"");
    EXPECT_EQ(L"The path can not be empty!", m_journal.boxes.back());
    std::ofstream(m_dir + "/a file") << "x";
    const std::wstring underAFile = Wide(m_dir) + L"/a file/clips";
    Config()->EDIT_OnCommit(CConfigViewEventImp::kVideoPath, underAFile.c_str());
    EXPECT_EQ(L"The path is invalid!", m_journal.boxes.back());
    EXPECT_EQ(stored, TarvexApp::Settings().VideoPath);
    // The system's own folders are no place for clips, whoever runs the player.
    for (const wchar_t* system : {L"/etc", L"/usr/share/clips", L"/proc/self"}) {
        m_journal.boxes.clear();
        Config()->EDIT_OnCommit(CConfigViewEventImp::kVideoPath, system);
        EXPECT_EQ(L"The path is invalid!", m_journal.boxes.back()) << KX_SOFT_BASE::WideToNative(system);
        EXPECT_EQ(stored, TarvexApp::Settings().VideoPath);
    }
    EXPECT_FALSE(std::filesystem::exists("/usr/share/clips"));
    Config()->TakeChosenFolder(CConfigViewEventImp::kSnapPath, L"/etc/");
    EXPECT_NE(L"/etc/", TarvexApp::Settings().SnapPath);

    // A folder chosen in the dialog.
    Config()->TakeChosenFolder(CConfigViewEventImp::kSnapPath, Wide(m_dir) + L"/shots");
    EXPECT_EQ(Wide(m_dir) + L"/shots/", TarvexApp::Settings().SnapPath);
}

TEST_F(ControlsTest, SettingsThatAffectPlaybackApplyAtOnce) {
    // The page also says where the settings and index files of this run are kept.
    EXPECT_EQ(Wide(m_home) + L"Config/", Config()->KeptFolder(0));
    EXPECT_EQ(Wide(m_home) + L"Index/", Config()->KeptFolder(1));
    Config()->CB_OnSelChanged(CConfigViewEventImp::kProportion, 1);
    EXPECT_EQ(1, TarvexApp::Settings().Proportion);
    Config()->CB_OnSelChanged(CConfigViewEventImp::kSoundChannel, 2);
    EXPECT_EQ(2, TarvexApp::Settings().SoundChannel);
    Config()->VerticalSyncBox()->SetCheck(1);
    Config()->RB_OnStateChanged(CConfigViewEventImp::kVerticalSync, 1, 1);
    EXPECT_TRUE(TarvexApp::Settings().VerticalSyn);
    EXPECT_EQ(1, Windows()->VideoWindow()->GetVerticalSync());
    // Without a language file the list is the untranslated "MultiLanguage", language 0.
    CKXComboBox* languages = Config()->Combo(CConfigViewEventImp::kLanguage);
    ASSERT_EQ(1, languages->GetCount());
    EXPECT_EQ(L"Language_MultiLanguage", languages->GetItemText(0));
    EXPECT_EQ(0, Config()->LanguageOfItem(0));
}

TEST_F(ControlsTest, KeysDoWhatTheirControlsDoWithTheSameRefusals) {
    const auto files = Recordings(Channels(1, 1, 6));
    m_frame->DropPath(Wide(files[0]));
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingOpens() == 0 && Ui().Tables().CurrentRecord(0); }));
    ASSERT_EQ(1, Bar()->IsChecked(kPlayButton));

    // Up and Down move the speed a step, as the slider does.
    ASSERT_EQ(1, m_frame->OnDlgKeyDown(KX_VK_UP, 0));
    EXPECT_EQ(L"2X", Bar()->SpeedText());
    ASSERT_EQ(1, m_frame->OnDlgKeyDown(KX_VK_DOWN, 0));
    EXPECT_EQ(L"1X", Bar()->SpeedText());

    // Right: a frame forward, pausing first; at 16X refused as the button is.
    for (int i = 0; i < 4; ++i) m_frame->OnDlgKeyDown(KX_VK_UP, 0);
    EXPECT_EQ(L"16X", Bar()->SpeedText());
    m_frame->OnDlgKeyDown(KX_VK_RIGHT, 0);
    EXPECT_TRUE(PumpUntil([&] {
        return std::find(m_journal.boxes.begin(), m_journal.boxes.end(),
                         L"Can not step play while fast playing upon 16x speed!") != m_journal.boxes.end();
    }));
    EXPECT_EQ(1, Bar()->IsChecked(kPlayButton)) << "a refused step does not pause";
    for (int i = 0; i < 4; ++i) m_frame->OnDlgKeyDown(KX_VK_DOWN, 0);
    m_frame->OnDlgKeyDown(KX_VK_RIGHT, 0);
    EXPECT_EQ(0, Bar()->IsChecked(kPlayButton)) << "paused first";
    EXPECT_EQ(1, Ui().Tables().CurrentRecord(0)->paused);

    // R: reverse, refused while the file is being indexed, as the button is.
    Ui().Tables().CurrentRecord(0)->indexReady = 0;
    m_frame->OnDlgKeyDown('R', 0);
    ASSERT_TRUE(PumpUntil([&] { return m_journal.boxes.back() == L"System is creating index!Can not play in reverse!"; }))
        << "the refusal shows once the key is done";
    EXPECT_EQ(0, Bar()->IsChecked(kReverseButton));
    // M: mute; from the file list too, where the tree keeps only the keys that move through it.
    EXPECT_EQ(1, Bar()->IsChecked(kMuteButton));
    m_frame->OnDlgKeyDown('M', 0);
    EXPECT_EQ(0, Bar()->IsChecked(kMuteButton));
    const HKXTREEITEM listed = List()->Tree()->GetRootItem();
    EXPECT_EQ(1, List()->OnItemKeyDown(listed, 'M', CFileListEventImp::kTree));
    EXPECT_EQ(1, Bar()->IsChecked(kMuteButton));
    EXPECT_EQ(0, List()->OnItemKeyDown(listed, KX_VK_DOWN, CFileListEventImp::kTree));
    // S: a snapshot of the focused window.
    const std::string shots = m_dir + "/keyshots";
    TarvexApp::Settings().SnapPath = Wide(shots);
    m_frame->OnDlgKeyDown('S', 0);
    EXPECT_TRUE(PumpUntil([&] {
        if (!std::filesystem::exists(shots)) return false;
        for (const auto& e : std::filesystem::directory_iterator(shots))
            if (e.path().extension() == ".bmp") return true;
        return false;
    }));
    // I: the statistics view, a row per window showing a file, its figures as they come.
    Ui().Pause(0);
    CStatsViewEventImp* stats = m_frame->StatsView();
    ASSERT_EQ(1, m_frame->OnDlgKeyDown('I', 0));
    EXPECT_TRUE(stats->IsShown());
    ASSERT_TRUE(PumpUntil([&] {
        const auto rows = stats->Rows();
        return rows.size() == 1 && rows[0][5] != L"0.0";
    }, 30000)) << "frames drawn over the last second";
    const auto row = stats->Rows()[0];
    EXPECT_EQ(L"1", row[0]);
    EXPECT_EQ(L"h264", row[1]);
    EXPECT_EQ(L"320x240", row[2]);
    EXPECT_EQ(L"25.00", row[3]);
    EXPECT_EQ(1, List()->OnItemKeyDown(listed, 'I', CFileListEventImp::kTree)) << "from the list too";
    EXPECT_FALSE(stats->IsShown());
    m_frame->VideoInfoDialog()->BTN_OnClicked(CVideoInfoDlgEventImp::kStatisticsButton);
    EXPECT_TRUE(stats->IsShown()) << "the property dialog opens it too";
}
