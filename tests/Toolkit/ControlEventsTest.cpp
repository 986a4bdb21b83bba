// Each control raises its events with its own id when the user acts on it, and stays quiet when
// the program sets its state.
#include <QTest>

#include <algorithm>
#include <memory>

#include "Toolkit/Button.h"
#include "Toolkit/ComboBox.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/EditCtrl.h"
#include "Toolkit/NumSpiner.h"
#include "Toolkit/PictureCtrl.h"
#include "Toolkit/ProgressCtrl.h"
#include "Toolkit/RadioBox.h"
#include "Toolkit/SliderCtrl.h"
#include "Toolkit/Static.h"
#include "Toolkit/View.h"
#include "ToolkitTestSupport.h"

using TarvexTest::CJournalSink;
using TarvexTest::NativeOf;
using TarvexTest::PumpUntil;

namespace {

// A shown dialog holding a view, where each test places its controls.
class ControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dialog.reset(CKXUIFactory::CreateUIDialog(&m_sink));
        ASSERT_TRUE(m_dialog->Create(L"Host", KX_WS_VISIBLE, CKXRect(50, 50, 650, 450), nullptr, 100));
        m_view.reset(CKXUIFactory::CreateUIView(&m_sink));
        ASSERT_TRUE(m_view->Create(L"Panel", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(0, 0, 600, 400), m_dialog.get(), 101));
        m_sink.lines.clear();
    }
    void TearDown() override {
        m_view.reset();
        m_dialog.reset();
    }
    template <typename T>
    T* Place(T* control, const CKXRect& rect, int id, const std::wstring& text = L"") {
        EXPECT_TRUE(control->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, rect, m_view.get(), id));
        if (!text.empty()) control->SetWindowText(text);
        return control;
    }

    CJournalSink m_sink;
    std::unique_ptr<CKXDialog> m_dialog;
    std::unique_ptr<CKXView> m_view;
};

}  // namespace

TEST_F(ControlTest, ButtonsReportClicksWithTheirIdUnlessDisabled) {
    std::unique_ptr<CKXButton> a(Place(CKXUIFactory::CreateUIButton(&m_sink), CKXRect(10, 10, 80, 38), 2130, L"Add"));
    std::unique_ptr<CKXButton> b(Place(CKXUIFactory::CreateUIButton(&m_sink), CKXRect(90, 10, 160, 38), 2136));
    QTest::mouseClick(NativeOf(a.get()), Qt::LeftButton);
    QTest::mouseClick(NativeOf(b.get()), Qt::LeftButton);
    EXPECT_EQ((std::vector<std::string>{"BTN 2130", "BTN 2136"}), m_sink.lines);

    b->EnableWindow(0);
    QTest::mouseClick(NativeOf(b.get()), Qt::LeftButton);
    // A press that ends outside the button is no click either.
    QTest::mousePress(NativeOf(a.get()), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(NativeOf(a.get()), Qt::LeftButton, {}, QPoint(200, 5));
    EXPECT_EQ(2u, m_sink.lines.size());
}

TEST_F(ControlTest, RadioBoxesToggleOnClickAndReportWhereAndHow) {
    std::unique_ptr<CKXRadioBox> tab(Place(CKXUIFactory::CreateUIRadioBox(&m_sink), CKXRect(240, 8, 341, 33), 2170, L"Search"));
    QTest::mouseClick(NativeOf(tab.get()), Qt::LeftButton, {}, QPoint(90, 8));
    EXPECT_EQ(1, tab->GetCheck());
    EXPECT_EQ((std::vector<std::string>{"RB_Click 2170 1 90,8", "RB_State 2170 1 click"}), m_sink.lines);

    QTest::mouseClick(NativeOf(tab.get()), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(0, tab->GetCheck()) << "a second click unchecks: what a group does is its owner's choice";

    m_sink.lines.clear();
    tab->SetCheck(1);
    EXPECT_TRUE(m_sink.lines.empty()) << "showing a state raises nothing";
    tab->SetCheck(0, 1);
    EXPECT_EQ((std::vector<std::string>{"RB_State 2170 0 set"}), m_sink.lines);
    tab->SetCheck(0, 1);
    EXPECT_EQ(1u, m_sink.lines.size()) << "no change, no notification";
}

TEST_F(ControlTest, StaticsAndPicturesReportClicks) {
    std::unique_ptr<CKXStatic> text(Place(CKXUIFactory::CreateUIStatic(&m_sink), CKXRect(10, 50, 200, 70), 2710, L"Snap Path"));
    std::unique_ptr<CKXPictureCtrl> picture(Place(CKXUIFactory::CreateUIPictureCtrl(&m_sink), CKXRect(10, 80, 168, 118), 7));
    picture->SetImage(L"logo_0.png");
    QTest::mouseClick(NativeOf(text.get()), Qt::LeftButton);
    QTest::mouseClick(NativeOf(picture.get()), Qt::LeftButton);
    EXPECT_EQ((std::vector<std::string>{"STC 2710", "PIC 7"}), m_sink.lines);
    EXPECT_EQ(L"Snap Path", text->GetWindowText());
}

TEST_F(ControlTest, ComboBoxesReportTheUsersChoiceOnly) {
    std::unique_ptr<CKXComboBox> combo(Place(CKXUIFactory::CreateUIComboBox(&m_sink), CKXRect(10, 10, 150, 34), 2704));
    for (const wchar_t* item : {L"4:3", L"16:9", L"100%"}) combo->AddString(item);
    EXPECT_EQ(3, combo->GetCount());
    EXPECT_EQ(-1, combo->GetCurSel()) << "a new list has nothing chosen";
    EXPECT_EQ(1, combo->SetCurSel(1));
    EXPECT_EQ(0, combo->SetCurSel(3));
    EXPECT_EQ(1, combo->GetCurSel());
    EXPECT_TRUE(m_sink.lines.empty());

    QWidget* native = NativeOf(combo.get());
    native->setFocus();
    QTest::keyClick(native, Qt::Key_Down);
    EXPECT_EQ(2, combo->GetCurSel());
    EXPECT_EQ((std::vector<std::string>{"CB 2704 2"}), m_sink.lines);
    EXPECT_EQ(L"100%", combo->GetItemText(2));
}

TEST_F(ControlTest, EditsCommitTheUsersTextOnEnterOrWhenLeft) {
    std::unique_ptr<CKXEditCtrl> edit(Place(CKXUIFactory::CreateUIEditCtrl(&m_sink), CKXRect(10, 10, 300, 34), 2700));
    edit->SetWindowText(L"/srv/snaps/");
    EXPECT_TRUE(m_sink.lines.empty()) << "a text the program sets is not the user's";
    QWidget* native = NativeOf(edit.get());
    native->activateWindow();
    native->setFocus();
    QTest::keyClick(native, Qt::Key_End);
    QTest::keyClicks(native, "day1");
    QTest::keyClick(native, Qt::Key_Return);
    EXPECT_TRUE(m_sink.Heard("EditCommit 2700 /srv/snaps/day1"));
    EXPECT_EQ(L"/srv/snaps/day1", edit->GetWindowText());

    QTest::keyClick(native, Qt::Key_Return);
    EXPECT_EQ(1, std::count_if(m_sink.lines.begin(), m_sink.lines.end(),
                               [](const std::string& l) { return l.rfind("EditCommit", 0) == 0; }))
        << "nothing changed since the last commit";
}

TEST_F(ControlTest, SlidersReportPositionsTheUserSets) {
    std::unique_ptr<CKXSliderCtrl> speed(Place(CKXUIFactory::CreateUISliderCtrl(&m_sink), CKXRect(10, 20, 126, 40), 2164));
    KXSliderSkin skin;
    skin.image = L"slider_speed.png";
    skin.grooveRect = L"0,0,115,20";
    skin.filledRect = L"115,0,115,20";
    skin.thumbRects[0] = L"230,0,20,20";
    skin.mode = L"tile";
    speed->SetSkin(skin);
    speed->SetRange(0, 12);
    speed->SetPos(6);
    speed->SetPos(40);
    EXPECT_EQ(12, speed->GetPos()) << "clamped to the range";
    speed->SetPos(6);
    EXPECT_TRUE(m_sink.lines.empty());

    QTest::mouseClick(NativeOf(speed.get()), Qt::LeftButton, {}, QPoint(1, 10));
    EXPECT_EQ(0, speed->GetPos());
    QTest::mouseClick(NativeOf(speed.get()), Qt::LeftButton, {}, QPoint(115, 10));
    EXPECT_EQ(12, speed->GetPos());
    EXPECT_EQ((std::vector<std::string>{"SLD 2164 0", "SLD 2164 12"}), m_sink.lines);
}

TEST_F(ControlTest, SpinnersStepWithinTheirRange) {
    std::unique_ptr<CKXNumSpiner> rows(Place(CKXUIFactory::CreateUINumSpiner(&m_sink), CKXRect(10, 10, 70, 34), 2185));
    KXSpinerSkin skin;
    skin.image = L"spiner_time.png";
    skin.frameRects[0] = L"0,0,60,24";
    skin.upRect = L"40,0,20,12";
    skin.downRect = L"40,12,20,12";
    rows->SetSkin(skin);
    rows->SetRange(1, 8);
    rows->SetStep(1);
    rows->SetValue(7);
    QTest::mouseClick(NativeOf(rows.get()), Qt::LeftButton, {}, QPoint(50, 5));
    QTest::mouseClick(NativeOf(rows.get()), Qt::LeftButton, {}, QPoint(50, 5));
    EXPECT_EQ(8, rows->GetValue());
    QTest::mouseClick(NativeOf(rows.get()), Qt::LeftButton, {}, QPoint(50, 18));
    QTest::mouseClick(NativeOf(rows.get()), Qt::LeftButton, {}, QPoint(10, 12));  // the number itself
    EXPECT_EQ(7, rows->GetValue());
    EXPECT_EQ((std::vector<std::string>{"SPIN 2185 8", "SPIN 2185 7"}), m_sink.lines)
        << "the click at the top of the range changes nothing and says nothing";
}

TEST_F(ControlTest, ANumberTypedIntoASpinnerIsTakenOnEnterOnLeavingAndWhenAsked) {
    std::unique_ptr<CKXNumSpiner> rows(Place(CKXUIFactory::CreateUINumSpiner(&m_sink), CKXRect(10, 10, 70, 34), 2185));
    std::unique_ptr<CKXNumSpiner> columns(Place(CKXUIFactory::CreateUINumSpiner(&m_sink), CKXRect(80, 10, 140, 34), 2186));
    for (CKXNumSpiner* s : {rows.get(), columns.get()}) {
        s->SetRange(1, 8);
        s->SetValue(2);
    }
    QWidget* native = NativeOf(rows.get());
    QTest::mouseClick(native, Qt::LeftButton, {}, QPoint(10, 12));  // the number: the keys come here
    ASSERT_TRUE(PumpUntil([&] { return native->hasFocus(); }));
    QTest::keyClick(native, Qt::Key_5);
    EXPECT_EQ(L"5", rows->GetTypedText());
    EXPECT_EQ(2, rows->GetValue()) << "not taken while typed";
    QTest::keyClick(native, Qt::Key_Return);
    EXPECT_EQ(5, rows->GetValue());
    EXPECT_EQ(L"", rows->GetTypedText());

    // Too large is the largest, too small the smallest; Backspace and Escape undo typing.
    QTest::keyClicks(native, "97");
    EXPECT_EQ(L"9", rows->GetTypedText()) << "no more digits than the largest value has";
    QTest::keyClick(native, Qt::Key_Return);
    EXPECT_EQ(8, rows->GetValue());
    QTest::keyClick(native, Qt::Key_0);
    QTest::keyClick(native, Qt::Key_Return);
    EXPECT_EQ(1, rows->GetValue()) << "too small is the smallest";
    QTest::keyClick(native, Qt::Key_3);
    QTest::keyClick(native, Qt::Key_Backspace);
    QTest::keyClick(native, Qt::Key_4);
    QTest::keyClick(native, Qt::Key_Escape);
    EXPECT_EQ(L"", rows->GetTypedText()) << "Escape drops what was typed";
    EXPECT_EQ(1, rows->GetValue());

    // The focus going elsewhere takes the number.
    QTest::keyClick(native, Qt::Key_6);
    QWidget* other = NativeOf(columns.get());
    QTest::mouseClick(other, Qt::LeftButton, {}, QPoint(10, 12));
    ASSERT_TRUE(PumpUntil([&] { return other->hasFocus(); }));
    EXPECT_EQ(6, rows->GetValue());

    // Asked (the dialog's OK), as it stands; nothing typed, nothing said.
    QTest::keyClick(other, Qt::Key_7);
    columns->TakeTypedValue();
    EXPECT_EQ(7, columns->GetValue());
    columns->TakeTypedValue();
    EXPECT_EQ((std::vector<std::string>{"SPIN 2185 5", "SPIN 2185 8", "SPIN 2185 1", "SPIN 2185 6", "SPIN 2186 7"}),
              m_sink.lines);
}

TEST_F(ControlTest, ViewsCreateTheirControlsAndHearTheirSize) {
    CJournalSink panelSink;
    std::unique_ptr<CKXView> panel(CKXUIFactory::CreateUIView(&panelSink));
    EXPECT_EQ(panel.get(), panelSink.GetUIWnd());
    ASSERT_TRUE(panel->Create(L"PlayBar", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(0, 0, 1000, 55), m_view.get(), 101));
    EXPECT_FALSE(panel->Create(L"PlayBar", 0, CKXRect(0, 0, 1, 1), m_view.get(), 101)) << "created once";
    ASSERT_GE(panelSink.lines.size(), 2u);
    EXPECT_EQ("ViewCreate", panelSink.lines[0]);
    EXPECT_EQ("ViewSize 1000x55", panelSink.lines[1]);
    panel->MoveWindow(0, 0, 595, 55);
    QCoreApplication::processEvents();
    EXPECT_EQ("ViewSize 595x55", panelSink.Last());
    EXPECT_EQ(CKXRect(0, 0, 595, 55), panel->GetWindowRect());
    EXPECT_EQ(101, panel->GetDlgCtrlID());
    panel.reset();
    EXPECT_EQ(nullptr, panelSink.GetUIWnd());
}

TEST_F(ControlTest, AControlWhoseParentIsGoneAnswersWithZeros) {
    std::unique_ptr<CKXButton> button(Place(CKXUIFactory::CreateUIButton(&m_sink), CKXRect(10, 10, 80, 38), 2130));
    m_view.reset();  // its native window takes the button's with it
    EXPECT_EQ(0, button->IsWindowVisible());
    button->ShowWindow(KX_SW_SHOW);
    button->SetWindowText(L"late");
    EXPECT_EQ(std::wstring(), button->GetWindowText());
    EXPECT_EQ(CKXRect(), button->GetWindowRect());
}

TEST(RectTest, OffsetDeflateAndHitTestKeepTheFarEdgesOutside) {
    CKXRect r(10, 20, 110, 70);
    EXPECT_EQ(100, r.Width());
    EXPECT_EQ(50, r.Height());
    r.OffsetRect(-10, 5);
    EXPECT_EQ(CKXRect(0, 25, 100, 75), r);
    r.DeflateRect(2, 3);
    EXPECT_EQ(CKXRect(2, 28, 98, 72), r);
    EXPECT_TRUE(r.PtInRect(2, 28));
    EXPECT_FALSE(r.PtInRect(98, 50));
    EXPECT_FALSE(r.PtInRect(50, 72));
    EXPECT_EQ(CKXRect(158, 35, 173, 65), CKXRect::FromSize(158, 35, 15, 30));
}

TEST_F(ControlTest, ATextWiderThanItsBoxIsFoundWhereverItIsShown) {
    std::unique_ptr<CKXStatic> tightOwned(Place(CKXUIFactory::CreateUIStatic(nullptr), CKXRect(10, 10, 30, 30), 1, L"-1/64X"));
    std::unique_ptr<CKXStatic> roomyOwned(Place(CKXUIFactory::CreateUIStatic(nullptr), CKXRect(10, 40, 200, 60), 2, L"-1/64X"));
    std::unique_ptr<CKXStatic> pathOwned(
        Place(CKXUIFactory::CreateUIStatic(nullptr), CKXRect(10, 70, 60, 90), 3, L"/media/a/long/path/file.rvf"));
    std::unique_ptr<CKXButton> buttonOwned(
        Place(CKXUIFactory::CreateUIButton(&m_sink), CKXRect(10, 100, 60, 128), 4, L"Durchsuchen"));
    std::unique_ptr<CKXStatic> wrappedOwned(
        Place(CKXUIFactory::CreateUIStatic(nullptr), CKXRect(10, 140, 80, 200), 5, L"two words"));
    std::unique_ptr<CKXStatic> hiddenOwned(
        Place(CKXUIFactory::CreateUIStatic(nullptr), CKXRect(10, 210, 20, 230), 6, L"hidden text"));
    std::unique_ptr<CKXRadioBox> boxOwned(
        Place(CKXUIFactory::CreateUIRadioBox(&m_sink), CKXRect(10, 240, 111, 265), 7, L"Settings"));
    CKXStatic *tight = tightOwned.get(), *roomy = roomyOwned.get(), *wrapped = wrappedOwned.get();
    CKXButton* button = buttonOwned.get();
    CKXRadioBox* box = boxOwned.get();
    pathOwned->SetElideMiddle(1);
    wrapped->SetWordWrap(1);
    hiddenOwned->ShowWindow(KX_SW_HIDE);

    std::vector<CKXWindow*> found = FindTextsWiderThanBox(*m_dialog);
    std::sort(found.begin(), found.end());
    std::vector<CKXWindow*> expected{tight, button};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, found) << "an elided path, a wrapped text that fits and a hidden one are not cut";
    EXPECT_EQ(0, roomy->IsTextWiderThanBox());
    EXPECT_EQ(1, tight->IsTextWiderThanBox());

    EXPECT_EQ(0, box->IsTextWiderThanBox());
    box->MoveWindow(CKXRect(10, 240, 50, 265));
    EXPECT_EQ(1, box->IsTextWiderThanBox()) << "beside its mark there is room for a few letters only";
    wrapped->MoveWindow(CKXRect(10, 140, 80, 145));
    EXPECT_EQ(1, wrapped->IsTextWiderThanBox()) << "its lines no longer fit the height";
}

namespace {

// The pixels of a row of the picture with the colour of its first pixel inside the border.
int FilledAlong(const QImage& image, int y, QRgb fill) {
    int n = 0;
    for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == fill;
    return n;
}

}  // namespace

TEST_F(ControlTest, AProgressBarFillsItsShareOfTheRangeAndWritesThePercent) {
    std::unique_ptr<CKXProgressCtrl> bar(Place(CKXUIFactory::CreateUIProgressCtrl(), CKXRect::FromSize(10, 10, 200, 20), 0));
    EXPECT_EQ(0, bar->GetRangeMin());
    EXPECT_EQ(100, bar->GetRangeMax());
    bar->SetRange(0, 200);
    bar->SetPos(50);
    EXPECT_EQ(50, bar->GetPos());
    EXPECT_DOUBLE_EQ(0.25, bar->GetFraction());
    bar->SetPos(500);
    EXPECT_EQ(200, bar->GetPos()) << "clamped to the range";
    bar->SetPos(-3);
    EXPECT_EQ(0, bar->GetPos());
    bar->SetRange(100, 100);
    EXPECT_DOUBLE_EQ(0, bar->GetFraction()) << "an empty range fills nothing and divides by nothing";

    auto shot = [&] { return NativeOf(bar.get())->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    bar->SetRange(0, 200);
    bar->SetPos(0);
    const QImage empty = shot();
    const QRgb unfilled = empty.pixel(3, 3);
    bar->SetPos(50);
    QImage quarter = shot();
    const QRgb fill = quarter.pixel(3, 3);
    ASSERT_NE(unfilled, fill) << "the done share looks unlike the rest";
    EXPECT_NEAR(50, FilledAlong(quarter, 3, fill), 2) << "a quarter of the width, from the left";
    EXPECT_EQ(unfilled, quarter.pixel(150, 3));
    bar->SetPos(200);
    EXPECT_NEAR(198, FilledAlong(shot(), 3, fill), 2) << "all of it inside the border";
    bar->SetRange(0, 400);
    EXPECT_NEAR(99, FilledAlong(shot(), 3, fill), 2) << "a wider range leaves the position, a smaller share";

    // "25%" over the middle; none when turned off.
    bar->SetPos(100);
    auto written = [&](const QImage& image) {
        int n = 0;
        for (int y = 4; y < 16; ++y)
            for (int x = 80; x < 120; ++x) n += image.pixel(x, y) != fill && image.pixel(x, y) != unfilled;
        return n;
    };
    EXPECT_GT(written(shot()), 10);
    bar->SetShowPercent(0);
    EXPECT_EQ(0, written(shot()));
}
