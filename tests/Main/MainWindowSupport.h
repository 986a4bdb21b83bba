#pragma once
// The main window with its real panels, offscreen, on the logic tests' loops: what its tests share.
#include <fstream>
#include <sstream>

#include "App/Language.h"
#include "App/Settings.h"
#include "Files/NamingRules.h"
#include "Main/FileList.h"
#include "Main/LayoutBar.h"
#include "Main/MainFrame.h"
#include "Main/MainPage.h"
#include "Main/MessageNotifier.h"
#include "Main/MsgDlg.h"
#include "Main/PlayBar.h"
#include "Main/PlayWinManager.h"
#include "Main/TimeLine.h"
#include "MainTestSupport.h"
#include "Toolkit/Button.h"
#include "Toolkit/PlayProgressPanel.h"
#include "Toolkit/RadioBox.h"
#include "Toolkit/SliderCtrl.h"
#include "Toolkit/TreeCtrl.h"
#include "Toolkit/View.h"

namespace TarvexTest {

inline bool Same(const CKXRect& a, const CKXRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline std::string Text(const CKXRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," + std::to_string(r.bottom);
}
#define EXPECT_RECT(expected, actual) EXPECT_TRUE(Same(expected, actual)) << Text(actual)

// What the window would otherwise show in boxes, written down instead.
class CMessageJournal : public IUserMessages {
public:
    std::vector<std::wstring> boxes, notifications;
    int answer = KX_IDCANCEL;
    void MessageBox(const std::wstring& text, const std::wstring&) override { boxes.push_back(text); }
    int Question(const std::wstring& text, const std::wstring&) override {
        boxes.push_back(text);
        return answer;
    }
    void Notification(const std::wstring& text) override { notifications.push_back(text); }
    void VideoInfo(const CVideoInfoTexts&) override {}
};

class MainWindowTest : public MainLogicTest {
protected:
    void SetUp() override {
        MainLogicTest::SetUp();
        // The logic's doubles are not used here: the window brings its own panels.
        m_panels->Destroy();
        m_panels->DestroyWindows();
        m_panels.reset();
        TarvexApp::LoadSettings(Wide(m_home));
        m_frame = CMainFrameEventImp::Create(L"", L"/usr/bin/tarvex-player");
        ASSERT_TRUE(PumpUntil([&] { return m_frame->Page() && m_frame->IsWindowVisible(); }));
        SetUserMessages(&m_journal);
    }
    void TearDown() override {
        SetUserMessages(nullptr);
        m_frame.reset();
        MainLogicTest::TearDown();
    }
    CFileListEventImp* List() { return m_frame->Page()->FileList(); }
    CPlayWinManagerEventImp* Windows() { return m_frame->Page()->PlayWindows(); }
    CPlayBarEventImp* Bar() { return Windows()->PlayBarPanel(); }
    CPlayManagerUILogic& Ui() { return *Windows()->PlayUILogic(); }
    // A window of its own in the language (its file copied into the program folder), shown.
    boost::shared_ptr<CMainFrameEventImp> FrameInLanguage(int language) {
        std::filesystem::copy_file(std::string(TARVEX_LANGUAGE_DIR) + "/Lang_" + std::to_string(language) + ".xml",
                                   m_home + "Lang_" + std::to_string(language) + ".xml",
                                   std::filesystem::copy_options::overwrite_existing);
        TarvexApp::SetLanguageNumber(language);
        TarvexApp::ResetLanguageTable();
        auto frame = CMainFrameEventImp::Create(L"", L"/usr/bin/tarvex-player");
        EXPECT_TRUE(PumpUntil([&] { return frame->Page() && frame->IsWindowVisible(); }));
        return frame;
    }
    // English again, as the other tests expect.
    void BackToEnglish() {
        TarvexApp::SetLanguageNumber(0);
        std::filesystem::remove(m_home + "Lang_0.xml");
        TarvexApp::ResetLanguageTable();
    }
    std::vector<std::wstring> Children(HKXTREEITEM parent) {
        std::vector<std::wstring> texts;
        CKXTreeCtrl* tree = List()->Tree();
        for (HKXTREEITEM i = parent ? tree->GetChildItem(parent) : tree->GetRootItem(); i; i = tree->GetNextSiblingItem(i))
            texts.push_back(tree->GetItemText(i));
        return texts;
    }

    boost::shared_ptr<CMainFrameEventImp> m_frame;
    CMessageJournal m_journal;
};


}  // namespace TarvexTest
