// Every text of every panel and dialog has the room it is drawn in, in each language, with the
// window at its starting size: nothing is cut off on screen.
#include "Main/AboutDlg.h"
#include "Main/CustomLayoutDlg.h"
#include "Main/ConfigView.h"
#include "Main/VideoInfoDlg.h"
#include "MainWindowSupport.h"

using namespace TarvexTest;

namespace {

class TextRoomTest : public MainWindowTest {
protected:
    // "Name: text" of each window shown in `root` whose text is wider than its box.
    static std::vector<std::string> Cut(const CKXWindow* root) {
        std::vector<std::string> cut;
        if (!root) return cut;
        for (CKXWindow* w : FindTextsWiderThanBox(*root))
            cut.push_back(KX_SOFT_BASE::WideToUtf8(w->GetName() + L": " + w->GetWindowText()));
        return cut;
    }
    static std::string Join(const std::vector<std::string>& list) {
        std::string all;
        for (const std::string& s : list) all += "\n  " + s;
        return all;
    }
};

}  // namespace

TEST_F(TextRoomTest, NoTextIsWiderThanItsBoxInAnyLanguage) {
    m_frame.reset();
    for (int language : {0, 1, 2}) {
        SCOPED_TRACE("language " + std::to_string(language));
        auto frame = FrameInLanguage(language);
        ASSERT_TRUE(frame->IsWindowVisible());
        frame->Window()->SetSize(CMainFrameEventImp::kWidth, CMainFrameEventImp::kHeight);
        ProcessEvents();

        // The play page, with the play bar at each speed in either direction.
        CPlayBarEventImp* bar = frame->Page()->PlayWindows()->PlayBarPanel();
        for (int speed = 0; speed <= 12; ++speed) {
            for (bool forward : {true, false}) {
                CPlayState state;
                state.playing = true;
                state.speedPosition = speed;
                state.forward = forward;
                bar->ShowPlayState(state);
                EXPECT_EQ("", Join(Cut(frame->Window()))) << "at speed " << speed;
            }
        }
        // The configuration page, with its tab.
        frame->OpenConfig();
        ProcessEvents();
        EXPECT_EQ("", Join(Cut(frame->Window()))) << "the configuration page";
        frame->ShowPage(0);

        // The dialogs.
        frame->ShowAbout();
        EXPECT_EQ("", Join(Cut(frame->AboutDialog()->Window()))) << "about";
        CVideoInfoTexts info;
        info.codec = L"hevc + pcm_mulaw";
        info.resolution = L"1920*1080";
        info.frameRate = L"0.500 (1/2) fps";
        info.duration = L"23:59:59";
        info.span = L"2024-03-15 23:50:00 - 2024-03-16 00:10:00";
        info.frames = info.keyframes = TarvexApp::Translate(L"Still being indexed");
        info.size = L"1024.000 KB";
        info.path = L"/media/investigator/Exports of the recorder/2024-03-15/FRONTDOOR_ch12_main_20240315101500_20240315110000.rvf";
        frame->VideoInfo(info);
        ASSERT_TRUE(PumpUntil([&] { return frame->VideoInfoDialog()->Window()->IsWindowVisible() == 1; }));
        EXPECT_EQ("", Join(Cut(frame->VideoInfoDialog()->Window()))) << "property";
        frame->MessageDialog()->ShowQuestion(L"", TarvexApp::Translate(L"Application is busy now,wait and retry again!"), nullptr);
        EXPECT_EQ("", Join(Cut(frame->MessageDialog()->Window()))) << "message";
        frame->MessageDialog()->Dlg_OnCancel();
        CMessageNotifier::Instance().ShowNotification(L"text", L"/tmp/");
        EXPECT_EQ("", Join(Cut(CMessageNotifier::Instance().Window()))) << "notifications";
        CCustomLayoutDlgEventImp* custom = frame->Page()->PlayWindows()->LayoutBarPanel()->CustomLayoutDialog();
        custom->ShowBeside(0, 700);
        EXPECT_EQ("", Join(Cut(custom->Window()))) << "custom layout";
        frame->TopPopDialog()->Show();
        EXPECT_EQ("", Join(Cut(frame->TopPopDialog()->Window()))) << "full-screen bar";
        frame.reset();
    }
    BackToEnglish();
}
