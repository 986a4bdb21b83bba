// Dialogs: creation, the close question, confirm and cancel, keys, drops, timers, posted messages
// and the desktop's news; the main window's close ends the main loop.
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <memory>

#include "Toolkit/Button.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/Qt/DesktopMonitor.h"
#include "ToolkitTestSupport.h"

using TarvexTest::CJournalSink;
using TarvexTest::NativeOf;
using TarvexTest::PumpUntil;

namespace {

std::unique_ptr<CKXDialog> MakeDialog(CJournalSink& sink, unsigned style = KX_WS_VISIBLE) {
    std::unique_ptr<CKXDialog> dialog(CKXUIFactory::CreateUIDialog(&sink));
    dialog->SetFrameImage(L"Frame.png");
    dialog->Create(L"MsgDlg", style, CKXRect(100, 100, 400, 260), nullptr, 0);
    return dialog;
}

}  // namespace

TEST(DialogTest, ADialogHearsOfItsCreationAtOnceTheMainWindowFromTheLoop) {
    CJournalSink sink;
    auto dialog = MakeDialog(sink, 0);
    EXPECT_EQ((std::vector<std::string>{"DlgCreate 1"}), sink.lines);
    EXPECT_EQ(dialog.get(), sink.GetUIWnd());
    EXPECT_EQ(0, dialog->IsWindowVisible()) << "created hidden without the visible style";

    // The main window is given its skin, title and size after it is made, so its creation event
    // comes from the event loop.
    CJournalSink mainSink;
    std::unique_ptr<CKXDialog> main(CKXUIFactory::CreateUIMainWindow(&mainSink, nullptr));
    EXPECT_TRUE(mainSink.lines.empty());
    main->SetTitle(L"Tarvex Player");
    ASSERT_TRUE(PumpUntil([&] { return !mainSink.lines.empty(); }));
    EXPECT_EQ("DlgCreate 1", mainSink.lines[0]);
    EXPECT_EQ(L"Tarvex Player", main->GetTitle());
}

TEST(DialogTest, TheSinkDecidesWhetherTheDialogCloses) {
    CJournalSink sink;
    auto dialog = MakeDialog(sink);
    sink.closeAnswer = 0;
    dialog->Close();
    EXPECT_EQ(1, dialog->IsWindowVisible());
    sink.closeAnswer = 1;
    dialog->PostClose();
    EXPECT_EQ(1, dialog->IsWindowVisible()) << "a posted close waits for the loop";
    ASSERT_TRUE(PumpUntil([&] { return !dialog->IsWindowVisible(); }));
    EXPECT_EQ(2, std::count(sink.lines.begin(), sink.lines.end(), "DlgClose"));
}

TEST(DialogTest, ConfirmAndCancelEndAModalDialogWithTheirCodes) {
    CJournalSink sink;
    auto dialog = MakeDialog(sink, 0);
    std::unique_ptr<CKXButton> ok(CKXUIFactory::CreateUIButton(&sink));
    ok->Create(L"OK", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(20, 80, 90, 108), dialog.get(), KX_IDOK);
    std::unique_ptr<CKXButton> cancel(CKXUIFactory::CreateUIButton(&sink));
    cancel->Create(L"Cancel", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(110, 80, 180, 108), dialog.get(), KX_IDCANCEL);

    QTimer::singleShot(0, [&] { QTest::mouseClick(NativeOf(ok.get()), Qt::LeftButton); });
    EXPECT_EQ(KX_IDOK, dialog->DoModal());
    EXPECT_EQ(0, dialog->IsWindowVisible());
    QTimer::singleShot(0, [&] { QTest::mouseClick(NativeOf(cancel.get()), Qt::LeftButton); });
    EXPECT_EQ(KX_IDCANCEL, dialog->DoModal());
    QTimer::singleShot(0, [&] { QTest::keyClick(NativeOf(dialog.get()), Qt::Key_Escape); });
    EXPECT_EQ(KX_IDCANCEL, dialog->DoModal()) << "Esc, left to the toolkit, cancels";
    QTimer::singleShot(0, [&] { dialog->EndDialog(7); });
    EXPECT_EQ(7, dialog->DoModal());
    EXPECT_EQ((std::vector<std::string>{"DlgCreate 1", "BTN 1", "OK", "BTN 2", "Cancel", "Key 27 0", "Cancel"}),
              sink.lines);
}

TEST(DialogTest, ADialogReleasedFromItsOwnEventGoesQuietly) {
    CJournalSink sink;
    auto dialog = MakeDialog(sink);
    std::unique_ptr<CKXButton> close(CKXUIFactory::CreateUIButton(&sink));
    close->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(20, 80, 90, 108), dialog.get(), KX_IDOK);
    QPointer<QWidget> native = NativeOf(dialog.get());
    sink.onButton = [&](int) {
        close.reset();
        dialog.reset();
    };
    QTest::mouseClick(NativeOf(close.get()), Qt::LeftButton);
    EXPECT_EQ(nullptr, dialog);
    EXPECT_FALSE(sink.Heard("OK")) << "a dialog that is gone confirms nothing";
    ASSERT_TRUE(PumpUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return native.isNull();
    }));
}

TEST(DialogTest, KeysNoControlTookReachTheSinkAsDesktopKeyCodes) {
    CJournalSink sink;
    auto dialog = MakeDialog(sink);
    QWidget* native = NativeOf(dialog.get());
    QTest::keyClick(native, Qt::Key_Space);
    QTest::keyClick(native, Qt::Key_F1);
    QTest::keyClick(native, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ((std::vector<std::string>{"DlgCreate 1", "Key 32 0", "Key 112 0", "Key 17 2", "Key 65 2"}), sink.lines)
        << "a modifier is a key of its own, as the desktop reports it";
}

TEST(DialogTest, DroppedFilesArriveOnePathEachInOrder) {
    CJournalSink sink;
    auto dialog = MakeDialog(sink);
    QWidget* native = NativeOf(dialog.get());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/srv/export/DVR_ch1.rvf"), QUrl("https://example.invalid/x"),
                  QUrl::fromLocalFile("/srv/export/day 2")});
    QDragEnterEvent enter(QPoint(10, 40), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(native, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 40), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(native, &drop);
    EXPECT_EQ((std::vector<std::string>{"DlgCreate 1", "Drop /srv/export/DVR_ch1.rvf", "Drop /srv/export/day 2"}),
              sink.lines)
        << "only local files and folders";

    QMimeData text;
    text.setText("not a file");
    QDragEnterEvent refused(QPoint(10, 40), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    refused.setAccepted(false);
    QCoreApplication::sendEvent(native, &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST(DialogTest, TimersFireWithTheCallersIdUntilKilled) {
    CJournalSink sink;
    auto dialog = MakeDialog(sink);
    dialog->SetTimer(2003, 10);
    ASSERT_TRUE(PumpUntil([&] { return sink.Heard("Timer 2003"); }));
    dialog->KillTimer(2003);
    const auto heard = sink.lines.size();
    QTest::qWait(60);
    EXPECT_EQ(heard, sink.lines.size());
}

TEST(DialogTest, PostedMessagesReachTheDialogInOrderFromTheLoop) {
    CJournalSink sink;
    auto dialog = MakeDialog(sink, 0);
    EXPECT_EQ(1, CKXUIFactory::UIPostMessage(dialog.get(), 2003, 0));
    EXPECT_EQ(1, CKXUIFactory::UIPostMessage(dialog.get(), 2001, 42));
    EXPECT_EQ(0, CKXUIFactory::UIPostMessage(nullptr, 2001, 0));
    EXPECT_EQ((std::vector<std::string>{"DlgCreate 1"}), sink.lines) << "not before the loop runs";
    ASSERT_TRUE(PumpUntil([&] { return sink.lines.size() == 3; }));
    EXPECT_EQ((std::vector<std::string>{"DlgCreate 1", "Msg 2003 0", "Msg 2001 42"}), sink.lines);

    // A message for a dialog released before it arrives goes nowhere.
    CKXUIFactory::UIPostMessage(dialog.get(), 2001, 1);
    dialog.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(3u, sink.lines.size());
}

TEST(DialogTest, EveryDialogHearsOfTheScreenLockAndDisplayChanges) {
    CJournalSink first, second;
    auto a = MakeDialog(first, 0);
    auto b = MakeDialog(second, 0);
    KXQt::CDesktopMonitor::ReportScreenLock(true);
    KXQt::CDesktopMonitor::ReportScreenLock(false);
    KXQt::CDesktopMonitor::ReportDisplayChange();
    for (auto* sink : {&first, &second})
        EXPECT_EQ((std::vector<std::string>{"DlgCreate 1", "Lock 1", "Lock 0", "Display"}), sink->lines);
}

TEST(DialogTest, ClosingTheMainWindowEndsTheMainLoop) {
    CJournalSink sink;
    std::unique_ptr<CKXDialog> main(CKXUIFactory::CreateUIMainWindow(&sink, nullptr));
    KXDialogSkin skin;
    skin.frameImage = L"FrameMain.png";
    skin.backgroundImage = L"bg_monitor.png";
    skin.top = {L"0,0,60,1", L"tile", L"60,0,1,1", L"stretch", L"138,0,10,1", L""};
    skin.captionArea = L"0,0,1000,62";
    skin.resizeArea = L"0,0,-1,-1";
    main->SetSkin(skin);
    main->ShowWindow(KX_SW_SHOW);
    sink.closeAnswer = 0;
    QTimer::singleShot(0, [&] { main->Close(); });  // refused: the loop goes on
    QTimer::singleShot(30, [&] {
        sink.closeAnswer = 1;
        main->PostClose();
    });
    CKXUIFactory::MainLoop();
    EXPECT_EQ(0, main->IsWindowVisible());
    EXPECT_EQ(2, std::count(sink.lines.begin(), sink.lines.end(), "DlgClose"));

    // A Quit before the loop runs ends it at once.
    CKXUIFactory::Quit();
    EXPECT_EQ(0, CKXUIFactory::MainLoop());

    // Ending the loop leaves the windows to their owners: none is closed by it.
    CJournalSink other;
    std::unique_ptr<CKXDialog> shown(CKXUIFactory::CreateUIDialog(&other));
    shown->Create(L"Shown", KX_WS_VISIBLE, CKXRect(0, 0, 200, 100), nullptr, 0);
    QTimer::singleShot(0, [] { CKXUIFactory::Quit(); });
    CKXUIFactory::MainLoop();
    EXPECT_EQ(1, shown->IsWindowVisible());
    EXPECT_EQ(0, std::count(other.lines.begin(), other.lines.end(), "DlgClose"));
}

TEST(DialogTest, SkinnedFramesSizeTheirClientArea) {
    CJournalSink sink;
    auto dialog = MakeDialog(sink, 0);
    dialog->SetSize(300, 120);
    EXPECT_EQ(CKXRect(0, 0, 300, 120), dialog->GetClientRect()) << "the caption and borders come on top";
    const CKXRect outer = dialog->GetWindowRect();
    EXPECT_EQ(302, outer.Width());
    EXPECT_EQ(149, outer.Height());
}

TEST(DialogTest, TheMainWindowMovesByItsCaptionAndMaximisesMinimisesAndRestores) {
    class CSizeJournal : public CJournalSink {
    public:
        std::vector<int> types;
        void OnDlgSize(int type, int, int) override { types.push_back(type); }
    } sink;
    std::unique_ptr<CKXDialog> main(CKXUIFactory::CreateUIMainWindow(&sink, nullptr));
    KXDialogSkin skin;
    skin.frameImage = L"FrameMain.png";
    skin.captionArea = L"0,0,1000,62";
    skin.resizeArea = L"0,0,-1,-1";
    main->SetSkin(skin);
    main->MoveWindow(CKXRect(100, 100, 1100, 830));
    main->ShowWindow(KX_SW_SHOW);
    ASSERT_TRUE(PumpUntil([&] { return sink.Heard("DlgCreate 1"); }));

    // A drag in the caption moves the window (by the desktop where it can, else by the toolkit).
    QWidget* native = NativeOf(main.get());
    const QPoint before = native->pos();
    QTest::mousePress(native, Qt::LeftButton, {}, QPoint(300, 30));
    QMouseEvent drag(QEvent::MouseMove, QPointF(350, 50), native->mapToGlobal(QPointF(350, 50)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(native, &drag);
    QTest::mouseRelease(native, Qt::LeftButton, {}, QPoint(350, 50));
    EXPECT_EQ(before + QPoint(50, 20), native->pos());

    main->Maximize();
    ASSERT_TRUE(PumpUntil([&] { return main->IsMaximized() == 1; }));
    main->Restore();
    ASSERT_TRUE(PumpUntil([&] { return main->IsMaximized() == 0; }));
    main->Minimize();
    QCoreApplication::processEvents();
    EXPECT_NE(sink.types.end(), std::find(sink.types.begin(), sink.types.end(), KX_SIZE_MAXIMIZED));
    EXPECT_NE(sink.types.end(), std::find(sink.types.begin(), sink.types.end(), KX_SIZE_RESTORED));
    main->SetFullScreen(1);
    EXPECT_EQ(1, main->IsFullScreen());
    main->SetFullScreen(0);
    EXPECT_EQ(0, main->IsFullScreen());
    // Full screen from a maximised window gives the maximised window back.
    main->Maximize();
    ASSERT_TRUE(PumpUntil([&] { return main->IsMaximized() == 1; }));
    main->SetFullScreen(1);
    ASSERT_TRUE(PumpUntil([&] { return main->IsFullScreen() == 1; }));
    main->SetFullScreen(0);
    ASSERT_TRUE(PumpUntil([&] { return main->IsFullScreen() == 0; }));
    EXPECT_EQ(1, main->IsMaximized());
}
