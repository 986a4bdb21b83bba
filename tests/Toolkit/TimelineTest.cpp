// The play progress panel: rows and segments, cursors, the selected row, the scale's zoom and
// scroll, and a click that seeks to the second under it.
#include <QTest>

#include <ctime>
#include <memory>

#include "Toolkit/Dialog.h"
#include "Toolkit/PlayProgressPanel.h"
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

    CTimelineJournal m_sink;
    std::unique_ptr<CKXDialog> m_host;
    std::unique_ptr<CKXPlayProgressPanel> m_panel;
    const std::time_t m_day = LocalTime(2024, 3, 15, 0, 0, 0);
};

}  // namespace

TEST_F(TimelineTest, AClickOnARowsScaleSeeksToTheSecondUnderIt) {
    m_panel->AddRow(3, L"Channel4_main", {{1, m_day + 36000, m_day + 39600, 1}});
    std::time_t from = 0, to = 0;
    m_panel->GetVisibleSpan(from, to);
    EXPECT_EQ(m_day, from) << "the scale shows the day of the first file";
    EXPECT_EQ(m_day + 86400, to);

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
    // Never narrower than two minutes, never wider than a day, never off the recorded days.
    m_panel->SetVisibleSpan(m_day + 100, m_day + 110);
    m_panel->GetVisibleSpan(from, to);
    EXPECT_EQ(120, to - from);
    m_panel->SetVisibleSpan(m_day - 500000, m_day + 500000);
    m_panel->GetVisibleSpan(from, to);
    EXPECT_EQ(m_day, from);
    EXPECT_EQ(m_day + 86400, to);
}
