// The play progress panel: rows and segments, cursors, the selected row, the scale's fit, zoom,
// pan and ticks, rows scrolling four at a time, and a click that seeks to the second under it.
#include <QTest>
#include <QWheelEvent>

#include <ctime>
#include <memory>
#include <set>

#include "Toolkit/Dialog.h"
#include "Toolkit/PlayProgressPanel.h"
#include "Toolkit/TimeScale.h"
#include "ToolkitTestSupport.h"

using TarvexTest::NativeOf;

namespace {

class CTimelineJournal : public IPlayProgressEvent, public IKXDialogEvent {
public:
    std::vector<std::string> lines;
    void OnPlayProgressSeek(int key, int marker, int value, int id) override {
        lines.push_back("Seek " + std::to_string(key) + " " + std::to_string(marker) + " " + std::to_string(value) +
                        " " + std::to_string(id));
    }
    void OnPlayProgressCommand(int value, int id) override { lines.push_back("Command " + std::to_string(value)); }
    void OnPlayProgressSelection(long long from, long long to, int) override {
        lines.push_back("Selection " + std::to_string(from) + " " + std::to_string(to));
    }
    void OnPlayProgressSelectionMenu(int, int, int) override { lines.push_back("SelectionMenu"); }
};

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

// The panel as the main page lays it out at a width of 1000.
class TimelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_host.reset(CKXUIFactory::CreateUIDialog(&m_sink));
        m_host->Create(L"Host", KX_WS_VISIBLE, CKXRect(0, 0, 1000, 97), nullptr, 0);
        m_panel.reset(CKXUIFactory::CreateUIPlayProgressPanel(&m_sink));
        KXProgressSkin skin;
        skin.background = L"bg_timeline.png";
        skin.radioChecked = L"radio_check_normal.png";
        skin.radioUnchecked = L"radio_uncheck_normal.png";
        skin.currentTimeBack = L"bg_curtime_text.png";
        skin.channelUp = L"channel_up.png";
        skin.channelDown = L"channel_down.png";
        skin.backwardEnabled = L"BackwardEnable.png";
        skin.backwardDisabled = L"BackwardDisable.png";
        skin.forwardEnabled = L"ForwardEnable.png";
        skin.forwardDisabled = L"ForwardDisable.png";
        skin.header = L"timeline_header.png";
        skin.cursor = L"bg_curtime.png";
        const wchar_t* zoom[4] = {L"zoom_in_out_left.png", L"zoom_in_out_center.png", L"zoom_in_out_right.png", L"zoom_in_out_slip.png"};
        const wchar_t* view[4] = {L"viewport_left.png", L"viewport_center.png", L"viewport_right.png", L"viewport_slip.png"};
        for (int i = 0; i < 4; ++i) {
            skin.zoom[i] = zoom[i];
            skin.viewport[i] = view[i];
        }
        m_panel->SetSkin(skin);
        KXProgressGeometry g;
        g.scaleStart = 158;
        g.scaleEnd = 158 + 24 * 33;  // 950
        const wchar_t* radios[12] = {L"10,20,13,13", L"10,35,13,13", L"10,50,13,13", L"10,65,13,13",
                                     L"120,15,13,13", L"120,40,13,13", L"120,65,13,13", L"120,90,13,13",
                                     L"165,15,13,13", L"165,40,13,13", L"165,65,13,13", L"165,90,13,13"};
        for (int i = 0; i < 12; ++i) g.radios[i] = radios[i];
        g.channelUp = L"965,20,20,30";
        g.channelDown = L"965,50,20,30";
        g.stepBackward = L"143,35,15,30";
        g.stepForward = L"950,35,15,30";
        g.zoomBar = L"158,86,792,13";
        m_panel->SetGeometry(g);
        m_panel->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(0, 0, 1000, 97), m_host.get(), 2166);
    }
    void TearDown() override {
        m_panel.reset();
        m_host.reset();
    }
    QWidget* Native() { return NativeOf(m_panel.get()); }
    KXTimeScale::CSpan Span() const {
        KXTimeScale::CSpan span;
        m_panel->GetVisibleSpan(span.from, span.to);
        return span;
    }
    // A wheel turned by `notches` (positive: away from the user) at a point of the panel.
    void Wheel(QPoint at, int notches, Qt::KeyboardModifiers modifiers = {}, bool sideways = false) {
        WheelBy(at, sideways ? QPoint(120 * notches, 0) : QPoint(0, 120 * notches), modifiers);
    }
    // In eighths of a degree, as a wheel reports its turn (120 a notch).
    void WheelBy(QPoint at, QPoint angle, Qt::KeyboardModifiers modifiers = {}) {
        QWheelEvent e(at, Native()->mapToGlobal(at), QPoint(), angle, Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Native(), &e);
    }
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons held) {
        QMouseEvent e(type, at, Native()->mapToGlobal(at), Qt::LeftButton, held, {});
        QApplication::sendEvent(Native(), &e);
    }
    // A press, a move in steps and a release of one button.
    void Drag(Qt::MouseButton button, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {}) {
        auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
            QMouseEvent e(type, at, Native()->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                          modifiers);
            QApplication::sendEvent(Native(), &e);
        };
        send(QEvent::MouseButtonPress, from, button);
        for (int i = 1; i <= 4; ++i) send(QEvent::MouseMove, from + (to - from) * i / 4, button);
        send(QEvent::MouseButtonRelease, to, Qt::NoButton);
    }

    CTimelineJournal m_sink;
    std::unique_ptr<CKXDialog> m_host;
    std::unique_ptr<CKXPlayProgressPanel> m_panel;
    const std::time_t m_day = LocalTime(2024, 3, 15, 0, 0, 0);
};

}  // namespace

TEST_F(TimelineTest, AClickOnARowsScaleSeeksToTheSecondUnderIt) {
    m_panel->AddRow(3, L"Channel4_main", {{1, m_day + 36000, m_day + 39600, 1}});
    // 7920 s over 792 pixels: ten seconds a pixel from 10:00.
    m_panel->SetVisibleSpan(m_day + 36000, m_day + 36000 + 7920);
    const CKXRect row = m_panel->RowRect(3);
    ASSERT_FALSE(row.IsRectEmpty());
    QTest::mouseClick(Native(), Qt::LeftButton, {}, QPoint(158 + 100, row.top + 5));
    ASSERT_EQ(1u, m_sink.lines.size());
    EXPECT_EQ("Seek 3 0 " + std::to_string(m_day + 37000) + " 2166", m_sink.lines[0]);
    EXPECT_EQ(m_day + 37000, m_panel->TimeAt(258));
    EXPECT_EQ(258, m_panel->XOf(m_day + 37000));
}

TEST_F(TimelineTest, RowsAreReplacedByKeyAndCursorsMoveAloneOrTogether) {
    m_panel->AddRow(0, L"Channel1_main", {{10, m_day + 3600, m_day + 7200, 1}});
    m_panel->AddRow(1, L"Channel2_main", {{20, m_day + 3600, m_day + 5400, 1}, {21, m_day + 6000, m_day + 7200, 1}});
    m_panel->AddRow(0, L"Channel1_main", {{10, m_day + 3600, m_day + 7200, 1}, {11, m_day + 7300, m_day + 9000, 1}});
    std::wstring label;
    std::vector<KXProgressSegment> segments;
    ASSERT_EQ(1, m_panel->GetRow(0, label, segments));
    EXPECT_EQ(2u, segments.size());
    EXPECT_EQ(L"Channel1_main", label);
    EXPECT_EQ(0, m_panel->GetSelectedRow()) << "the first row is selected until another is";

    m_panel->SetCursor(1, m_day + 4000);
    EXPECT_EQ(m_day + 4000, m_panel->GetCursor(1));
    EXPECT_EQ(0, m_panel->GetCursor(0));
    m_panel->SetCursor(-1, m_day + 5000);
    EXPECT_EQ(m_day + 5000, m_panel->GetCursor(0));
    EXPECT_EQ(m_day + 5000, m_panel->GetCursor(1));
    m_panel->SelectRow(1);
    EXPECT_EQ(1, m_panel->GetSelectedRow());

    // A click on a row's label selects it and passes its key on.
    const CKXRect second = m_panel->RowRect(1);
    QTest::mouseClick(Native(), Qt::LeftButton, {}, QPoint(60, second.top + 5));
    EXPECT_EQ(1, m_panel->GetSelectedRow());
    EXPECT_EQ((std::vector<std::string>{"Command 1"}), m_sink.lines);

    m_panel->SetVisibleSpan(m_day + 3000, m_day + 10200);
    const QImage shot = Native()->grab().toImage();
    EXPECT_TRUE(shot.save(QString(TARVEX_TEST_OUTPUT_DIR) + "/timeline.png"));
    // The gap between the second row's files is empty, its files are drawn.
    const int y = second.top + second.Height() / 2;
    EXPECT_NE(shot.pixel(m_panel->XOf(m_day + 5700), y), shot.pixel(m_panel->XOf(m_day + 4500), y));
    EXPECT_EQ(shot.pixel(m_panel->XOf(m_day + 4500), y), shot.pixel(m_panel->XOf(m_day + 6500), y));

    EXPECT_EQ(1, m_panel->RemoveRow(0));
    EXPECT_EQ(0, m_panel->RemoveRow(0));
    EXPECT_EQ(0, m_panel->HasRow(0));
    m_panel->RemoveAllRows();
    EXPECT_EQ(-1, m_panel->GetSelectedRow());
}

TEST_F(TimelineTest, TheScaleZoomsFromADayToMinutesAndScrollsWithinTheDays) {
    m_panel->AddRow(0, L"Channel1_main", {{1, m_day + 36000, m_day + 39600, 1}});
    m_panel->SetCursor(0, m_day + 37800);
    std::time_t from = 0, to = 0;
    // The zoom radio for six hours (the third of the presets) centres on the selected row's cursor.
    QTest::mouseClick(Native(), Qt::LeftButton, {}, QPoint(126, 71));
    m_panel->GetVisibleSpan(from, to);
    EXPECT_EQ(6 * 3600, to - from);
    EXPECT_LE(from, m_day + 37800);
    EXPECT_GE(to, m_day + 37800);
    // The step buttons move by half the span.
    const std::time_t before = from;
    QTest::mouseClick(Native(), Qt::LeftButton, {}, QPoint(955, 50));
    m_panel->GetVisibleSpan(from, to);
    EXPECT_EQ(before + 3 * 3600, from);
    // Never narrower than a minute, never wider than a day, never off the recorded days.
    m_panel->SetVisibleSpan(m_day + 100, m_day + 110);
    m_panel->GetVisibleSpan(from, to);
    EXPECT_EQ(60, to - from);
    m_panel->SetVisibleSpan(m_day - 500000, m_day + 500000);
    m_panel->GetVisibleSpan(from, to);
    EXPECT_EQ(m_day, from);
    EXPECT_EQ(m_day + 86400, to);
}

TEST(TimeScaleTest, AFitShowsWhatIsOpenWithASmallMarginWithinAMinuteAndADay) {
    const std::time_t t = 1710489600;  // any moment
    const KXTimeScale::CSpan hour = KXTimeScale::Fit(t, t + 3600);
    EXPECT_LT(hour.from, t);
    EXPECT_GT(hour.to, t + 3600);
    EXPECT_LE(hour.Length(), 3600 + 3600 / 4) << "the margin is small";
    // A 20-second recording: a minute around it.
    const KXTimeScale::CSpan short_ = KXTimeScale::Fit(t, t + 20);
    EXPECT_EQ(60, short_.Length());
    EXPECT_LT(short_.from, t);
    EXPECT_GT(short_.to, t + 20);
    // Two days: the first day from the first moment.
    const KXTimeScale::CSpan days = KXTimeScale::Fit(t, t + 2 * 86400);
    EXPECT_EQ(86400, days.Length());
    EXPECT_LE(days.from, t);
    EXPECT_GT(days.to, t);
}

TEST(TimeScaleTest, AZoomKeepsTheMomentInItsPlaceAndStopsAtAMinuteAndADay) {
    const KXTimeScale::CSpan view{1000000, 1000000 + 3600};
    const std::time_t at = 1000000 + 900;  // a quarter in
    const KXTimeScale::CSpan in = KXTimeScale::ZoomAround(view, at, 1800);
    EXPECT_EQ(1800, in.Length());
    EXPECT_EQ(at - 450, in.from) << "a quarter in still";
    EXPECT_EQ(60, KXTimeScale::ZoomAround(view, at, 10).Length());
    EXPECT_EQ(86400, KXTimeScale::ZoomAround(view, at, 10 * 86400).Length());
    // Kept within bounds: moved, never shrunk.
    const KXTimeScale::CSpan bounded = KXTimeScale::Within({500, 500 + 7200}, 1000, 5000);
    EXPECT_EQ(1000, bounded.from);
    EXPECT_EQ(1000 + 7200, bounded.to);
    EXPECT_EQ(5000 - 600, KXTimeScale::Within({4900, 5500}, 1000, 5000).from);
}

TEST(TimeScaleTest, TicksAreTheFinestUsualStepWhoseLabelsLeaveAGap) {
    // 800 pixels, labels 40 pixels with seconds and 25 without.
    EXPECT_EQ(7200, KXTimeScale::TickStep({0, 86400}, 800, 40, 25)) << "a day: an hour (33 px) leaves too small a gap";
    EXPECT_EQ(300, KXTimeScale::TickStep({0, 3600}, 800, 40, 25));
    EXPECT_EQ(5, KXTimeScale::TickStep({0, 60}, 800, 40, 25)) << "a minute: 5 s are 66 px";
    const std::vector<std::time_t> ticks = KXTimeScale::Ticks({1000, 1000 + 60}, 10);
    ASSERT_FALSE(ticks.empty());
    for (std::time_t t : ticks) {
        EXPECT_EQ(0, (t - KXTimeScale::LocalMidnight(t)) % 10) << "at whole steps from midnight";
        EXPECT_GE(t, 1000);
        EXPECT_LE(t, 1060);
    }
}

TEST_F(TimelineTest, TheScaleFitsWhatIsOpenAndFollowsItUntilTheUserChoosesASpan) {
    // A minute-long recording fills the scale, not a sliver of a day.
    m_panel->AddRow(0, L"Channel1_main", {{1, m_day + 36000, m_day + 36060, 1}});
    KXTimeScale::CSpan span = Span();
    EXPECT_LT(span.from, m_day + 36000);
    EXPECT_GT(span.to, m_day + 36060);
    EXPECT_LE(span.Length(), 90);
    // A further row that widens what is open widens the scale.
    m_panel->AddRow(1, L"Channel2_main", {{1, m_day + 37800, m_day + 37860, 1}});
    span = Span();
    EXPECT_LT(span.from, m_day + 36000);
    EXPECT_GT(span.to, m_day + 37860);
    EXPECT_LE(span.Length(), 1860 + 1860 / 4);
    // The user's zoom stays while rows come and go ...
    Wheel(QPoint(500, 40), 1);
    const KXTimeScale::CSpan chosen = Span();
    EXPECT_LT(chosen.Length(), span.Length());
    m_panel->AddRow(2, L"Channel3_main", {{1, m_day + 43200, m_day + 43260, 1}});
    m_panel->RemoveRow(0);
    EXPECT_EQ(chosen.from, Span().from);
    EXPECT_EQ(chosen.to, Span().to);
    // ... until the next opening fits everything again.
    m_panel->FitToRows();
    span = Span();
    EXPECT_LT(span.from, m_day + 37800);
    EXPECT_GT(span.to, m_day + 43260);
    // While it follows, a row that goes narrows it.
    m_panel->RemoveRow(2);
    EXPECT_LE(Span().Length(), 90);
}

TEST_F(TimelineTest, TheWheelZoomsAroundTheMouseFromADayToAMinuteAndADragPans) {
    m_panel->AddRow(0, L"Channel1_main", {{1, m_day + 3600, m_day + 80000, 1}});
    m_panel->SetVisibleSpan(m_day + 36000, m_day + 36000 + 4 * 3600);
    // The moment under the mouse stays there, notch after notch, down to a minute.
    const int x = 158 + 300;
    std::time_t last = Span().Length();
    for (int i = 0; i < 12; ++i) {
        const std::time_t under = m_panel->TimeAt(x);
        Wheel(QPoint(x, 40), 1);
        const std::time_t length = Span().Length();
        EXPECT_LE(length, last);
        last = length;
        const std::time_t secondsPerPixel = length / 792 + 1;
        EXPECT_LE(std::llabs(static_cast<long long>(m_panel->TimeAt(x) - under)), secondsPerPixel) << "notch " << i;
    }
    EXPECT_EQ(60, Span().Length()) << "a minute at most zoomed in";
    for (int i = 0; i < 14; ++i) Wheel(QPoint(x, 40), -1);
    EXPECT_EQ(86400, Span().Length()) << "a day at most zoomed out";
    EXPECT_EQ(m_day, Span().from) << "within the recorded day";

    // A drag on the header moves the scale with the mouse; the moment taken stays under it.
    m_panel->SetVisibleSpan(m_day + 36000, m_day + 36000 + 7920);  // ten seconds a pixel
    Mouse(QEvent::MouseButtonPress, QPoint(500, 5), Qt::LeftButton);
    Mouse(QEvent::MouseMove, QPoint(550, 5), Qt::LeftButton);
    Mouse(QEvent::MouseMove, QPoint(600, 5), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, QPoint(600, 5), Qt::NoButton);
    EXPECT_EQ(m_day + 36000 - 1000, Span().from);
    EXPECT_EQ(7920, Span().Length());
    EXPECT_TRUE(m_sink.lines.empty()) << "a drag on the header seeks nothing";
    // A sideways wheel moves it too, a tenth of the scale a notch.
    Wheel(QPoint(500, 40), -1, {}, true);
    EXPECT_EQ(m_day + 36000 - 1000 + 792, Span().from);
    // A row still seeks where it is pressed, and a drag that began there pans nothing.
    const CKXRect row = m_panel->RowRect(0);
    Mouse(QEvent::MouseButtonPress, QPoint(258, row.top + 5), Qt::LeftButton);
    Mouse(QEvent::MouseMove, QPoint(358, row.top + 5), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, QPoint(358, row.top + 5), Qt::NoButton);
    ASSERT_EQ(1u, m_sink.lines.size());
    EXPECT_EQ("Seek 0 0 " + std::to_string(m_day + 36000 - 1000 + 792 + 1000) + " 2166", m_sink.lines[0]);
    EXPECT_EQ(m_day + 36000 - 1000 + 792, Span().from);
}

TEST_F(TimelineTest, AZoomedInScaleTurnsAPageWhenTheSelectedRowsCursorPlaysOffIt) {
    m_panel->AddRow(0, L"Channel1_main", {{1, m_day + 3600, m_day + 7200, 1}});
    m_panel->AddRow(1, L"Channel2_main", {{1, m_day + 3600, m_day + 7200, 1}});
    m_panel->SelectRow(0);
    m_panel->SetVisibleSpan(m_day + 4000, m_day + 4600);
    m_panel->SetCursor(0, m_day + 4500);
    EXPECT_EQ(m_day + 4000, Span().from) << "on view: nothing moves";
    // Another row's cursor leaves the scale alone.
    m_panel->SetCursor(1, m_day + 4500);
    m_panel->SetCursor(1, m_day + 5000);
    EXPECT_EQ(m_day + 4000, Span().from);
    // Forward off the end: the cursor comes back near the start of the page.
    m_panel->SetCursor(0, m_day + 4601);
    EXPECT_EQ(m_day + 4601 - 60, Span().from);
    EXPECT_EQ(600, Span().Length());
    // Backward off the start: near the end of the page.
    m_panel->SetCursor(0, m_day + 4500);
    EXPECT_EQ(m_day + 4500 - 540, Span().from);
    // The group's time (every row) moves it as the selected row's would.
    m_panel->SetCursor(-1, m_day + 6000);
    EXPECT_EQ(m_day + 6000 - 60, Span().from);
}

TEST_F(TimelineTest, TicksFitTheScaleAndTheirLabelsNeverOverlap) {
    m_panel->AddRow(0, L"Channel1_main", {{1, m_day, m_day + 86399, 1}});
    std::time_t lastStep = 86400;
    for (std::time_t length : {86400, 6 * 3600, 3600, 900, 300, 60}) {
        m_panel->SetVisibleSpan(m_day + 43200 - length / 2, m_day + 43200 - length / 2 + length);
        const std::vector<KXProgressTick> ticks = m_panel->GetTicks();
        ASSERT_GE(ticks.size(), 3u) << length;
        const std::time_t step = ticks[1].at - ticks[0].at;
        EXPECT_LE(step, lastStep) << "finer as the scale narrows: " << length;
        lastStep = step;
        for (std::size_t i = 0; i + 1 < ticks.size(); ++i) {
            EXPECT_EQ(step, ticks[i + 1].at - ticks[i].at);
            EXPECT_LT(ticks[i].labelRect.right, ticks[i + 1].labelRect.left) << length << " at " << i;
        }
        // Labels say seconds only when the step is below a minute.
        EXPECT_EQ(step < 60 ? 8u : 5u, ticks[0].label.size()) << length;
        if (length == 60) {
            EXPECT_LE(step, 10) << "a minute is read in seconds";
        } else if (length == 3600) {
            EXPECT_LE(step, 15 * 60);
        } else if (length == 86400) {
            EXPECT_LE(step, 3 * 3600);
        }
    }
}

TEST_F(TimelineTest, FourRowsShowAtATimeAndTheSelectedOneComesOnView) {
    for (int key = 0; key < 9; ++key)
        m_panel->AddRow(key, L"Channel" + std::to_wstring(key + 1) + L"_main", {{1, m_day + 3600, m_day + 7200, 1}});
    std::set<int> onView;
    for (int key = 0; key < 9; ++key)
        if (!m_panel->RowRect(key).IsRectEmpty()) onView.insert(key);
    EXPECT_EQ((std::set<int>{0, 1, 2, 3}), onView);
    m_panel->SelectRow(6);
    EXPECT_FALSE(m_panel->RowRect(6).IsRectEmpty());
    EXPECT_TRUE(m_panel->RowRect(2).IsRectEmpty());
    m_panel->SelectRow(1);
    EXPECT_FALSE(m_panel->RowRect(1).IsRectEmpty());
    // Shift with the wheel, or the wheel over the labels, turns the rows, not the scale.
    const KXTimeScale::CSpan span = Span();
    Wheel(QPoint(500, 40), -1, Qt::ShiftModifier);
    EXPECT_TRUE(m_panel->RowRect(1).IsRectEmpty());
    EXPECT_FALSE(m_panel->RowRect(2).IsRectEmpty());
    // A fine wheel's eighths of a notch turn a row once they make a notch.
    for (int i = 0; i < 7; ++i) WheelBy(QPoint(60, 40), QPoint(0, -15));
    EXPECT_FALSE(m_panel->RowRect(2).IsRectEmpty()) << "seven eighths of a notch";
    Wheel(QPoint(60, 40), -3);
    EXPECT_FALSE(m_panel->RowRect(8).IsRectEmpty()) << "down to the last row, no further";
    EXPECT_FALSE(m_panel->RowRect(5).IsRectEmpty());
    EXPECT_EQ(span.from, Span().from);
    EXPECT_EQ(span.to, Span().to);
    // The bar at the left edge turns a page.
    QTest::mouseClick(Native(), Qt::LeftButton, {}, QPoint(2, 22));
    EXPECT_FALSE(m_panel->RowRect(1).IsRectEmpty());
    const QImage shot = Native()->grab().toImage();
    EXPECT_TRUE(shot.save(QString(TARVEX_TEST_OUTPUT_DIR) + "/timeline-rows.png"));

    // A row asked for before it comes is shown once it does; a row that goes leaves no gap.
    m_panel->SelectRow(12);
    m_panel->AddRow(12, L"Channel13_main", {{1, m_day + 3600, m_day + 7200, 1}});
    EXPECT_EQ(12, m_panel->GetSelectedRow());
    EXPECT_FALSE(m_panel->RowRect(12).IsRectEmpty());
    for (int key = 0; key < 9; ++key) m_panel->RemoveRow(key);
    EXPECT_FALSE(m_panel->RowRect(12).IsRectEmpty());
}

namespace {
bool Reddish(QRgb c) { return qRed(c) > 200 && qGreen(c) < 110 && qBlue(c) < 110; }
}  // namespace

TEST_F(TimelineTest, TheHeatStripFollowsTheLevelsAndShowsEventsFromADayDownToAMinute) {
    m_panel->AddRow(0, L"Channel1_main", {{1, m_day + 36000, m_day + 39600, 1}});
    m_panel->AddRow(1, L"Channel2_main", {{5, m_day + 36000, m_day + 39600, 1}});
    KXProgressActivity a;
    a.start = m_day + 36000;
    a.levels.assign(3600, 0);
    for (int s = 600; s < 700; ++s) a.levels[s] = 90;  // something moving, below an event
    for (int s = 1800; s < 1803; ++s) a.levels[s] = 255;
    a.events = {{m_day + 37800, m_day + 37803}};
    m_panel->SetSegmentActivity(0, 1, a);
    const CKXRect row = m_panel->RowRect(0), plain = m_panel->RowRect(1);
    const int band = row.bottom - 2;  // inside the strip at the row's foot

    // A day, two hours, a minute: the three-second event is drawn at every zoom.
    const std::pair<std::time_t, std::time_t> spans[3] = {
        {m_day, m_day + 86400}, {m_day + 36000, m_day + 43200}, {m_day + 37780, m_day + 37840}};
    for (const auto& [from, to] : spans) {
        m_panel->SetVisibleSpan(from, to);
        const QImage shot = Native()->grab().toImage();
        EXPECT_TRUE(Reddish(shot.pixel(m_panel->XOf(m_day + 37801), band))) << "span from " << from - m_day;
        if (to - from > 3600) {
            // The quiet stretch stays as the row's background, the moving one is coloured but no event.
            const QRgb quiet = shot.pixel(m_panel->XOf(m_day + 36200), band);
            const QRgb moving = shot.pixel(m_panel->XOf(m_day + 36650), band);
            EXPECT_NE(quiet, moving);
            EXPECT_FALSE(Reddish(moving));
            // The row without a profile keeps its plain span.
            EXPECT_FALSE(Reddish(shot.pixel(m_panel->XOf(m_day + 37801), plain.bottom - 2)));
        }
    }
    m_panel->SetVisibleSpan(m_day + 36000, m_day + 43200);
    EXPECT_TRUE(Native()->grab().toImage().save(QString(TARVEX_TEST_OUTPUT_DIR) + "/timeline-heat.png"));

    // The strip stays while its row is replaced with its file in it, and goes with the file.
    m_panel->AddRow(0, L"Channel1_main", {{1, m_day + 36000, m_day + 39600, 1}, {2, m_day + 39600, m_day + 43200, 1}});
    EXPECT_EQ(1, m_panel->HasSegmentActivity(0, 1));
    m_panel->AddRow(0, L"Channel1_main", {{2, m_day + 39600, m_day + 43200, 1}});
    EXPECT_EQ(0, m_panel->HasSegmentActivity(0, 1));
    m_panel->SetSegmentActivity(0, 2, a);
    m_panel->RemoveRow(0);
    m_panel->AddRow(0, L"Channel1_main", {{2, m_day + 39600, m_day + 43200, 1}});
    EXPECT_EQ(0, m_panel->HasSegmentActivity(0, 2)) << "a removed row's strips are not those of a new one";
}

TEST_F(TimelineTest, ARightDragSelectsAStretchOverEveryRowAndAClickOrEscapeClearsIt) {
    m_panel->AddRow(0, L"Channel1_main", {{1, m_day + 36000, m_day + 43200, 1}});
    m_panel->AddRow(1, L"Channel2_main", {{2, m_day + 36000, m_day + 43200, 1}});
    m_panel->SetVisibleSpan(m_day + 36000, m_day + 36000 + 7920);  // ten seconds a pixel
    const CKXRect first = m_panel->RowRect(0), second = m_panel->RowRect(1);
    const QImage before = Native()->grab().toImage();

    Drag(Qt::RightButton, QPoint(358, first.top + 5), QPoint(258, first.top + 5));
    std::time_t from = 0, to = 0;
    ASSERT_TRUE(m_panel->GetSelection(from, to));
    EXPECT_EQ(m_day + 37000, from) << "either way of dragging";
    EXPECT_EQ(m_day + 38000, to);
    ASSERT_FALSE(m_sink.lines.empty());
    EXPECT_EQ("Selection " + std::to_string(m_day + 37000) + " " + std::to_string(m_day + 38000), m_sink.lines.back());
    for (const std::string& line : m_sink.lines) EXPECT_EQ(0u, line.rfind("Selection", 0)) << "no seek: " << line;
    // Shaded over every row, not only the one dragged on.
    const QImage shaded = Native()->grab().toImage();
    EXPECT_NE(before.pixel(300, second.top + 6), shaded.pixel(300, second.top + 6));
    EXPECT_EQ(before.pixel(500, second.top + 6), shaded.pixel(500, second.top + 6));

    // A right click on it offers what can be done with it and keeps it.
    m_sink.lines.clear();
    QTest::mouseClick(Native(), Qt::RightButton, {}, QPoint(300, second.top + 5));
    EXPECT_EQ((std::vector<std::string>{"SelectionMenu"}), m_sink.lines);
    EXPECT_TRUE(m_panel->GetSelection(from, to));

    // A plain click on a row clears it and still seeks.
    m_sink.lines.clear();
    QTest::mouseClick(Native(), Qt::LeftButton, {}, QPoint(458, first.top + 5));
    EXPECT_FALSE(m_panel->GetSelection(from, to));
    EXPECT_EQ((std::vector<std::string>{"Selection 0 0", "Seek 0 0 " + std::to_string(m_day + 39000) + " 2166"}),
              m_sink.lines);

    // Ctrl with the left button selects too; Escape clears it.
    Drag(Qt::LeftButton, QPoint(258, second.top + 5), QPoint(308, second.top + 5), Qt::ControlModifier);
    ASSERT_TRUE(m_panel->GetSelection(from, to));
    EXPECT_EQ(m_day + 37000, from);
    EXPECT_EQ(m_day + 37500, to);
    EXPECT_EQ(m_day + 36000, Span().from) << "a selecting drag does not pan";
    QTest::keyClick(Native(), Qt::Key_Escape);
    EXPECT_FALSE(m_panel->GetSelection(from, to));

    // A plain drag on the header still pans and selects nothing.
    Drag(Qt::LeftButton, QPoint(400, 8), QPoint(300, 8));
    EXPECT_FALSE(m_panel->GetSelection(from, to));
    EXPECT_EQ(m_day + 37000, Span().from);
}
