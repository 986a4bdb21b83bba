// The video-window grid: layouts on screen, focus, buttons, exchange and zoom, frames drawn in the
// right sub-window in the right proportion by either path, the preview's rows, columns and merges.
#include <QTest>
#include <QToolTip>

#include <memory>
#include <thread>

#include "FrameSupport.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/VideoWindow.h"
#include "ToolkitTestSupport.h"

using TarvexTest::NativeOf;
using TarvexTest::PumpUntil;

namespace {

class CGridJournal : public IKXVideoWindowEvent, public IKXDialogEvent {
public:
    std::vector<std::string> lines;
    void Note(const std::string& s) { lines.push_back(s); }
    bool Heard(const std::string& s) const { return std::find(lines.begin(), lines.end(), s) != lines.end(); }
    void OnFocusWndChanged(int n, int o, int) override { Note("Focus " + std::to_string(n) + " " + std::to_string(o)); }
    void OnBnClickedVideoClose(int w, int) override { Note("Close " + std::to_string(w)); }
    void OnBnClickedVideoSnap(int w, int) override { Note("Snap " + std::to_string(w)); }
    void OnBnClickedVideoProperty(int w, int) override { Note("Property " + std::to_string(w)); }
    void OnBnClickedVideoRecord(int w, int checked, int) override {
        Note("Record " + std::to_string(w) + " " + std::to_string(checked));
    }
    void OnPaintFailed(int w, int) override { Note("PaintFailed " + std::to_string(w)); }
    void OnSubWinZoom(int w, int z, int) override { Note("Zoom " + std::to_string(w) + " " + std::to_string(z)); }
    void OnSubWndExchanged(int a, int b, int) override { Note("Exchange " + std::to_string(a) + " " + std::to_string(b)); }
    void OnLayoutChanged(int id) override { Note("Layout " + std::to_string(id)); }
    void OnVideoContextMenu(int w, int, int, int) override { Note("Menu " + std::to_string(w)); }
    void OnRegionChosen(int w, double x, double y, double width, double height, int) override {
        Note("Region " + std::to_string(w));
        region[0] = x, region[1] = y, region[2] = width, region[3] = height;
    }
    double region[4] = {-1, -1, -1, -1};
};

// A grid of 800 x 600 in a shown window, skinned as the player skins its main grid.
class VideoWindowTest : public ::testing::Test {
protected:
    void SetUp() override { Make(0); }
    void Make(int mode) {
        m_grid.reset();
        m_host.reset(CKXUIFactory::CreateUIDialog(&m_sink));
        m_host->Create(L"Host", KX_WS_VISIBLE, CKXRect(0, 0, 800, 600), nullptr, 0);
        m_grid.reset(CKXUIFactory::CreateUIVideoWindow(mode, &m_sink, 8, 8));
        KXVideoWindowSkin skin;
        skin.noVideoImage = L"NoVideo.png";
        skin.closeImages[0] = L"btn_videoclose.png";
        skin.snapImages[0] = L"btn_videosnap.png";
        skin.propertyImages[0] = L"btn_propertynor.png";
        skin.recordImages[0] = L"btn_videorecordcheck.png";
        skin.recordImages[1] = L"btn_videorecord.png";
        m_grid->SetSkin(skin);
        ASSERT_TRUE(m_grid->Create(L"VideoWindow", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(0, 0, 800, 600), m_host.get(),
                                   mode ? 2187 : 2145));
        m_sink.lines.clear();
    }
    void TearDown() override {
        m_grid.reset();
        m_host.reset();
    }
    QWidget* Native() { return NativeOf(m_grid.get()); }
    QPoint Centre(int window) {
        const CKXRect r = m_grid->GetSubWindowRect(window);
        return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    QImage Shot() { return Native()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    void Draw(int window, const QImage& picture) {
        const auto frame = TarvexTest::ToPlanarYVU(picture);
        ASSERT_EQ(1, m_grid->DrawFrame(window, frame.data(), picture.width(), picture.height(), 0, nullptr));
    }

    CGridJournal m_sink;
    std::unique_ptr<CKXDialog> m_host;
    std::unique_ptr<CKXVideoWindow> m_grid;
};

}  // namespace

TEST_F(VideoWindowTest, EveryLayoutsWindowsCoverTheGridWithoutOverlap) {
    for (int type = 0; type < 10; ++type) {
        ASSERT_EQ(1, m_grid->SetLayout(type));
        std::vector<int> owners(800 * 600, 0);
        for (int w = 0; w < m_grid->GetWindowCount(); ++w) {
            const CKXRect r = m_grid->GetSubWindowRect(w);
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) ++owners[y * 800 + x];
        }
        EXPECT_EQ(0, std::count_if(owners.begin(), owners.end(), [](int n) { return n != 1; })) << "type " << type;
        EXPECT_EQ(m_grid->GetDefaultLayout(type), m_grid->GetLayoutDescription());
    }
    EXPECT_EQ(0, m_grid->SetLayout(11));
    EXPECT_EQ(0, m_grid->SetLayout(CKXVideoWindow::kCustomLayout, L"2/2/4/garbage"));
    EXPECT_EQ(12, m_grid->GetWindowCount()) << "a refused layout changes nothing";
    ASSERT_EQ(1, m_grid->SetLayout(CKXVideoWindow::kCustomLayout, L"1/2/2/0,0,1,1;0,1,1,1"));
    EXPECT_EQ(CKXRect(0, 0, 400, 600), m_grid->GetSubWindowRect(0));
    EXPECT_EQ(CKXVideoWindow::kCustomLayout, m_grid->GetLayoutType());
}

TEST_F(VideoWindowTest, ClicksFocusAndTheButtonsOfAWindowInUseReport) {
    m_grid->SetLayout(1);
    QTest::mouseClick(Native(), Qt::LeftButton, {}, Centre(3));
    QTest::mouseClick(Native(), Qt::LeftButton, {}, Centre(3));
    EXPECT_EQ((std::vector<std::string>{"Focus 3 0"}), m_sink.lines) << "once: the focus did not change the second time";
    EXPECT_EQ(3, m_grid->GetFocusWindow());

    // Buttons show on a window in use, right to left: close, snapshot, property, record.
    const CKXRect r = m_grid->GetSubWindowRect(2);
    const QPoint close(r.right - 2 - 11, r.top + 2 + 2 + 10);
    QTest::mouseClick(Native(), Qt::LeftButton, {}, close);
    EXPECT_EQ("Focus 2 3", m_sink.lines.back()) << "an empty window has no buttons: the click focuses it";
    m_grid->SetWindowTitle(2, L"Channel1_main");
    m_sink.lines.clear();
    for (int slot = 1; slot <= 4; ++slot)
        QTest::mouseClick(Native(), Qt::LeftButton, {}, close - QPoint((slot - 1) * 22, 0));
    EXPECT_EQ((std::vector<std::string>{"Close 2", "Snap 2", "Property 2", "Record 2 1"}), m_sink.lines);
    EXPECT_EQ(1, m_grid->GetRecordState(2));
    m_grid->SetRecordState(2, 0);
    EXPECT_EQ(0, m_grid->GetRecordState(2));
    EXPECT_EQ(L"Channel1_main", m_grid->GetWindowTitle(2));
}

TEST_F(VideoWindowTest, DragModeExchangesPlacesAndDoubleClickZooms) {
    m_grid->SetLayout(1);
    const CKXRect first = m_grid->GetSubWindowRect(0), last = m_grid->GetSubWindowRect(3);
    // Without drag mode, a drag does nothing.
    QTest::mousePress(Native(), Qt::LeftButton, {}, Centre(0));
    QTest::mouseMove(Native(), Centre(3));
    QTest::mouseRelease(Native(), Qt::LeftButton, {}, Centre(3));
    EXPECT_FALSE(m_sink.Heard("Exchange 0 3"));

    m_grid->SetDragMode(1);
    const QPoint from = Centre(0), to = Centre(3);
    QTest::mousePress(Native(), Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), Native()->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Native(), &move);
    QTest::mouseRelease(Native(), Qt::LeftButton, {}, to);
    EXPECT_TRUE(m_sink.Heard("Exchange 0 3"));
    EXPECT_EQ(last, m_grid->GetSubWindowRect(0)) << "window 0 now stands where 3 stood";
    EXPECT_EQ(first, m_grid->GetSubWindowRect(3));

    m_sink.lines.clear();
    QTest::mouseDClick(Native(), Qt::LeftButton, {}, Centre(2));
    EXPECT_TRUE(m_sink.Heard("Zoom 2 1"));
    EXPECT_EQ(CKXRect(0, 0, 800, 600), m_grid->GetSubWindowRect(2));
    EXPECT_TRUE(m_grid->GetSubWindowRect(1).IsRectEmpty());
    QTest::mouseDClick(Native(), Qt::LeftButton, {}, QPoint(400, 300));
    EXPECT_TRUE(m_sink.Heard("Zoom 2 0"));
    EXPECT_EQ(-1, m_grid->GetZoomedWindow());
}

TEST_F(VideoWindowTest, AFrameIsDrawnInItsWindowInTheProportionAsked) {
    m_grid->SetLayout(1);
    m_grid->SetProportion(4, 3);
    Draw(3, TarvexTest::ChannelPicture(352, 288, QColor(200, 40, 40), ""));
    EXPECT_EQ(1, m_grid->HasFrame(3));
    EXPECT_EQ(0, m_grid->HasFrame(0));
    QImage shot = Shot();
    const CKXRect cell = m_grid->GetSubWindowRect(3);  // 400 x 300 at (400, 300): 4:3 already
    EXPECT_TRUE(TarvexTest::Near(shot.pixel(cell.left + 100, cell.top + 100), qRgb(200, 40, 40)));
    EXPECT_FALSE(TarvexTest::Near(shot.pixel(Centre(0).x(), Centre(0).y()), qRgb(200, 40, 40)));

    // 16:9 in a 4:3 cell: bands above and below, the picture in the middle.
    m_grid->SetProportion(16, 9);
    Draw(3, TarvexTest::ChannelPicture(352, 288, QColor(200, 40, 40), ""));
    shot = Shot();
    const int pictureHeight = (cell.Width() - 4) * 9 / 16;
    const int band = (cell.Height() - 4 - pictureHeight) / 2;
    EXPECT_TRUE(TarvexTest::Near(shot.pixel(cell.left + 200, cell.top + 150), qRgb(200, 40, 40)));
    EXPECT_FALSE(TarvexTest::Near(shot.pixel(cell.left + 200, cell.top + 2 + band / 2), qRgb(200, 40, 40)))
        << "the band above the picture";

    m_grid->ClearWindow(3);
    EXPECT_EQ(0, m_grid->HasFrame(3));
}

TEST_F(VideoWindowTest, HeldFramesShowTogetherAtTheReleaseAndAClearDropsOne) {
    m_grid->SetLayout(1);
    Draw(0, TarvexTest::ChannelPicture(352, 288, QColor(200, 40, 40), ""));
    const unsigned int before = m_grid->GetFramesShown(0);
    m_grid->HoldFrames(1);
    Draw(0, TarvexTest::ChannelPicture(352, 288, QColor(30, 120, 200), ""));
    Draw(0, TarvexTest::ChannelPicture(352, 288, QColor(40, 200, 40), ""));  // the newer replaces it
    Draw(1, TarvexTest::ChannelPicture(352, 288, QColor(40, 200, 40), ""));
    Draw(2, TarvexTest::ChannelPicture(352, 288, QColor(40, 200, 40), ""));
    EXPECT_EQ(1, m_grid->HasHeldFrame(0));
    EXPECT_EQ(0, m_grid->HasHeldFrame(3));
    EXPECT_EQ(0, m_grid->HasFrame(1)) << "nothing shows before the release";
    EXPECT_EQ(before, m_grid->GetFramesShown(0));
    QImage shot = Shot();
    EXPECT_TRUE(TarvexTest::Near(shot.pixel(Centre(0).x(), Centre(0).y()), qRgb(200, 40, 40))) << "the old frame stays";
    m_grid->ClearWindow(2);  // its file went while held: its frame must never show

    m_grid->HoldFrames(0);
    EXPECT_EQ(before + 1, m_grid->GetFramesShown(0));
    EXPECT_EQ(1, m_grid->HasFrame(1));
    EXPECT_EQ(0, m_grid->HasFrame(2));
    EXPECT_EQ(0, m_grid->HasHeldFrame(0));
    shot = Shot();
    for (int w : {0, 1}) EXPECT_TRUE(TarvexTest::Near(shot.pixel(Centre(w).x(), Centre(w).y()), qRgb(40, 200, 40))) << w;
    Draw(3, TarvexTest::ChannelPicture(352, 288, QColor(40, 200, 40), ""));
    EXPECT_EQ(1, m_grid->HasFrame(3)) << "not held any more";
}

TEST_F(VideoWindowTest, TheHelperPathGivesTheSamePixels) {
    m_grid->SetLayout(0);
    const QImage picture = TarvexTest::ChannelPicture(1920, 1080, QColor(30, 120, 200), "CH 1");
    const auto frame = TarvexTest::ToPlanarYVU(picture);
    EXPECT_EQ(0, m_grid->DrawFrame(0, frame.data(), 1920, 1080, 0, nullptr)) << "a large frame goes to a helper";
    int converted = 0;
    std::thread helper([&] { converted = m_grid->ConvertFrame(0, frame.data(), 1920, 1080); });
    helper.join();
    ASSERT_EQ(1, converted);
    EXPECT_EQ(1, m_grid->PresentFrame(0));
    EXPECT_EQ(0, m_grid->PresentFrame(0)) << "presented once";
    const QImage viaHelper = Shot();

    // The same picture, small enough to draw on the spot, scaled to the same place.
    Draw(0, TarvexTest::ChannelPicture(1280, 720, QColor(30, 120, 200), "CH 1"));
    const QImage direct = Shot();
    int unlike = 0;
    for (int y = 0; y < direct.height(); y += 4)
        for (int x = 0; x < direct.width(); x += 4)
            if (!TarvexTest::Near(direct.pixel(x, y), viaHelper.pixel(x, y), 90)) ++unlike;
    EXPECT_LT(unlike, direct.width() * direct.height() / 16 / 50) << "within 2% of the samples";
    EXPECT_TRUE(TarvexTest::Near(viaHelper.pixel(50, 50), qRgb(30, 120, 200)));
}

TEST_F(VideoWindowTest, TheHelperPathDropsWhatAClearLeftAndRecoversFromAFailure) {
    m_grid->SetLayout(0);
    const auto large = TarvexTest::ToPlanarYVU(TarvexTest::ChannelPicture(1920, 1080, QColor(30, 120, 200), "old"));
    const auto target = m_grid->GetFrameTarget();

    // The previous file's frame, converted elsewhere, is waiting when the window is cleared for
    // the next file: it must never be shown.
    EXPECT_EQ(0, m_grid->DrawFrame(0, large.data(), 1920, 1080, 0, nullptr));
    int converted = 0;
    std::thread helper([&] { converted = target->ConvertFrame(0, large.data(), 1920, 1080); });
    helper.join();
    ASSERT_EQ(1, converted);
    m_grid->ClearWindow(0);
    EXPECT_EQ(0, m_grid->PresentFrame(0));
    EXPECT_EQ(0, m_grid->HasFrame(0));

    // A conversion that fails (nothing will be presented) hands the window back to the UI thread.
    EXPECT_EQ(0, m_grid->DrawFrame(0, large.data(), 1920, 1080, 0, nullptr));
    std::thread failing([&] { converted = target->ConvertFrame(0, nullptr, 1920, 1080); });
    failing.join();
    EXPECT_EQ(0, converted);
    const auto small = TarvexTest::ToPlanarYVU(TarvexTest::ChannelPicture(352, 288, QColor(200, 40, 40), "new"));
    EXPECT_EQ(1, m_grid->DrawFrame(0, small.data(), 352, 288, 0, nullptr)) << "drawn on the spot again";
    EXPECT_EQ(1, m_grid->HasFrame(0));
}

TEST_F(VideoWindowTest, AThreadConvertingForAGridThatIsGoneConvertsForNobody) {
    m_grid->SetLayout(0);
    const auto large = TarvexTest::ToPlanarYVU(TarvexTest::ChannelPicture(1920, 1080, QColor(30, 120, 200), "x"));
    EXPECT_EQ(0, m_grid->DrawFrame(0, large.data(), 1920, 1080, 0, nullptr));
    const std::shared_ptr<CKXVideoFrameTarget> target = m_grid->GetFrameTarget();
    m_grid.reset();  // the window closes while the helper loop still has its frame
    int converted = -1;
    std::thread helper([&] { converted = target->ConvertFrame(0, large.data(), 1920, 1080); });
    helper.join();
    EXPECT_EQ(0, converted);
}

TEST_F(VideoWindowTest, AWindowInUseWithoutAFrameAsksForOneOnce) {
    m_grid->SetLayout(1);
    m_grid->SetWindowTitle(1, L"Channel2_main");
    ASSERT_TRUE(PumpUntil([&] {
        Native()->repaint();
        return m_sink.Heard("PaintFailed 1");
    }));
    Native()->repaint();
    QCoreApplication::processEvents();
    EXPECT_EQ(1, std::count(m_sink.lines.begin(), m_sink.lines.end(), "PaintFailed 1"));
    EXPECT_FALSE(m_sink.Heard("PaintFailed 0")) << "an empty window shows its picture and asks nothing";
    m_grid->SetLoading(1, 1);
    EXPECT_EQ(1, m_grid->IsLoading(1));
}

TEST_F(VideoWindowTest, ThePreviewTakesRowsColumnsAndMerges) {
    Make(1);
    EXPECT_EQ(CKXVideoWindow::kCustomLayout, m_grid->GetLayoutType());
    ASSERT_EQ(1, m_grid->SetRows(3));
    ASSERT_EQ(1, m_grid->SetColumns(4));
    EXPECT_EQ(0, m_grid->SetColumns(9));
    EXPECT_EQ((std::vector<std::string>{"Layout 2187", "Layout 2187"}), m_sink.lines);
    EXPECT_EQ(12, m_grid->GetWindowCount());
    int rows = 0, cols = 0, count = 0;
    ASSERT_EQ(3, std::swscanf(m_grid->GetLayoutDescription().c_str(), L"%d/%d/%d/", &rows, &cols, &count));
    EXPECT_EQ(3, rows);
    EXPECT_EQ(4, cols);
    EXPECT_EQ(12, count);

    // Dragging from one cell to another joins the rectangle between them.
    const QPoint from = Centre(0), to = Centre(5);
    QTest::mousePress(Native(), Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), Native()->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Native(), &move);
    QTest::mouseRelease(Native(), Qt::LeftButton, {}, to);
    EXPECT_EQ(9, m_grid->GetWindowCount());
    EXPECT_EQ(3u, m_sink.lines.size());
    QTest::mouseClick(Native(), Qt::RightButton, {}, Centre(0));
    EXPECT_EQ(12, m_grid->GetWindowCount()) << "a right-click splits it again";
}

TEST_F(VideoWindowTest, ScreenshotsOfGridsWithFrames) {
    const QColor colors[6] = {QColor(190, 60, 60), QColor(60, 150, 80), QColor(50, 90, 190),
                              QColor(170, 140, 40), QColor(120, 60, 160), QColor(40, 140, 150)};
    for (int type : {1, 5, 8}) {
        m_grid->SetLayout(type);
        m_grid->SetProportion(0, 0);
        for (int w = 0; w < m_grid->GetWindowCount(); ++w) {
            if (w % 5 == 4) continue;  // a few stay empty
            m_grid->SetWindowTitle(w, L"Channel" + std::to_wstring(w + 1) + L"_main");
            Draw(w, TarvexTest::ChannelPicture(352, 288, colors[w % 6], QString("CH %1").arg(w + 1)));
        }
        m_grid->SetFocusWindow(0);
        m_grid->SetRecordState(0, 1);
        const QImage shot = Shot();
        const QString name = QString(TARVEX_TEST_OUTPUT_DIR) + QString("/video_grid_%1.png").arg(m_grid->GetWindowCount());
        EXPECT_TRUE(shot.save(name));
        // The first window's picture is in its colour; an empty one is not.
        const CKXRect r = m_grid->GetSubWindowRect(1);
        EXPECT_TRUE(TarvexTest::Near(shot.pixel(r.left + r.Width() / 2, r.bottom - 8), colors[1].darker(180).rgb(), 40));
        for (int w = 0; w < m_grid->GetWindowCount(); ++w) m_grid->ClearWindow(w);
    }
}

TEST_F(VideoWindowTest, ALongTitleIsShortenedInTheMiddleAndTheTooltipShowsOverTheStrip) {
    ASSERT_EQ(1, m_grid->SetLayout(6));  // 16 windows
    const std::wstring title = L"FRONTDOORANDGARAGEDRIVEWAY \u00B7 13";
    m_grid->SetWindowTitle(5, title);
    m_grid->SetWindowToolTip(5, L"FRONTDOOR_ch13_main_20120315101500_20120315110000.rvf");
    const std::wstring shown = m_grid->GetShownTitle(5);
    ASSERT_FALSE(shown.empty());
    ASSERT_NE(title, shown) << "it does not fit a quarter of 800 pixels beside four buttons";
    EXPECT_EQ(title.substr(0, 4), shown.substr(0, 4)) << "the device's start stays: " << shown;
    EXPECT_EQ(L"· 13", shown.substr(shown.size() - 4)) << "and so does the channel: " << shown;
    EXPECT_NE(std::wstring::npos, shown.find(L"\u2026"));

    // 36 windows: the title takes the room of the buttons it needs, and those buttons do nothing.
    ASSERT_EQ(1, m_grid->SetLayout(8));
    m_grid->SetWindowTitle(7, title);
    const std::wstring small = m_grid->GetShownTitle(7);
    EXPECT_EQ(title.substr(0, 2), small.substr(0, 2)) << small;
    EXPECT_EQ(L"\u00B7 13", small.substr(small.size() - 4)) << small;
    const CKXRect cell = m_grid->GetSubWindowRect(7);
    const QPoint close(cell.right - 2 - 11, cell.top + 2 + 2 + 10);
    m_sink.lines.clear();
    QTest::mouseClick(Native(), Qt::LeftButton, {}, close - QPoint(3 * 22, 0));  // where the record button was
    QTest::mouseClick(Native(), Qt::LeftButton, {}, close);
    EXPECT_EQ((std::vector<std::string>{"Focus 7 0", "Close 7"}), m_sink.lines);

    ASSERT_EQ(1, m_grid->SetLayout(0));
    m_grid->SetWindowTitle(0, title);
    EXPECT_EQ(title, m_grid->GetShownTitle(0)) << "a whole window has room for all of it";
    EXPECT_EQ(L"", m_grid->GetWindowToolTip(5)) << "a window the layout took away forgets its tooltip";

    // The tooltip comes over the title, not over the picture.
    m_grid->SetWindowToolTip(0, L"the file");
    const CKXRect r = m_grid->GetSubWindowRect(0);
    QHelpEvent overTitle(QEvent::ToolTip, QPoint(r.left + 30, r.top + 10), Native()->mapToGlobal(QPoint(r.left + 30, r.top + 10)));
    QCoreApplication::sendEvent(Native(), &overTitle);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QString("the file"), QToolTip::text());
    QHelpEvent overPicture(QEvent::ToolTip, Centre(0), Native()->mapToGlobal(Centre(0)));
    QCoreApplication::sendEvent(Native(), &overPicture);
    EXPECT_TRUE(PumpUntil([] { return !QToolTip::isVisible(); }));
}

TEST_F(VideoWindowTest, AnEmptyGridSaysHowToBeginInItsSelectedWindowUntilAnythingIsShown) {
    KXVideoWindowSkin skin;
    skin.noVideoImage = L"NoVideo.png";
    m_grid->SetLayout(1);
    EXPECT_EQ(0, m_grid->IsEmptyGridTextShown()) << "no text in the skin, none shown";
    skin.emptyGridText = L"Drop a folder here";
    m_grid->SetSkin(skin);
    EXPECT_EQ(1, m_grid->IsEmptyGridTextShown());
    // Drawn in the selected window only, away from the borders between windows.
    auto lightPixels = [&](int window) {
        const QImage shot = Shot();
        const CKXRect r = m_grid->GetSubWindowRect(window);
        int light = 0;
        for (int y = r.top + 4; y < r.bottom - 4; ++y)
            for (int x = r.left + 4; x < r.right - 4; ++x) light += qGray(shot.pixel(x, y)) > 180;
        return light;
    };
    EXPECT_GT(lightPixels(0), 50) << "the text's letters";
    EXPECT_EQ(0, lightPixels(3));
    m_grid->SetFocusWindow(3);
    EXPECT_EQ(0, lightPixels(0)) << "it follows the selection";
    EXPECT_GT(lightPixels(3), 50);

    // Anything a window shows takes it away; it comes back once all are empty again.
    m_grid->SetLoading(2, 1);
    EXPECT_EQ(0, m_grid->IsEmptyGridTextShown());
    EXPECT_EQ(0, lightPixels(3));
    m_grid->SetLoading(2, 0);
    EXPECT_EQ(1, m_grid->IsEmptyGridTextShown());
    m_grid->SetNotice(1, L"No recording at this time");
    EXPECT_EQ(0, m_grid->IsEmptyGridTextShown());
    m_grid->SetNotice(1, L"");
    Draw(0, QImage(64, 48, QImage::Format_RGB32));
    EXPECT_EQ(0, m_grid->IsEmptyGridTextShown()) << "a frame";
    m_grid->ClearWindow(0);
    EXPECT_EQ(1, m_grid->IsEmptyGridTextShown());

    Make(1);
    m_grid->SetSkin(skin);
    EXPECT_EQ(0, m_grid->IsEmptyGridTextShown()) << "the custom-layout preview never says it";
}

TEST_F(VideoWindowTest, ARectangleDrawnOnThePictureIsToldInSharesOfTheFrame) {
    m_grid->SetLayout(0);
    m_grid->SetProportion(16, 9);  // the picture letterboxed: 796 x 447 in the middle of the cell
    const auto drag = [&](QPoint from, QPoint to) {
        QTest::mousePress(Native(), Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, QPointF(to), Native()->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(Native(), &move);
        QTest::mouseRelease(Native(), Qt::LeftButton, {}, to);
    };
    QTest::mouseClick(Native(), Qt::RightButton, {}, QPoint(400, 300));
    EXPECT_TRUE(m_sink.Heard("Menu 0")) << "a right-click offers the window's menu";

    m_grid->BeginRegion(0, L"Drag");
    EXPECT_EQ(0, m_grid->GetRegionWindow());
    drag(QPoint(100, 20), QPoint(300, 60));  // in the band above the picture: not a start
    EXPECT_FALSE(m_sink.Heard("Region 0"));
    // The middle quarter of the picture.
    drag(QPoint(400 - 199, 300 - 112), QPoint(400 + 199, 300 + 112));
    ASSERT_TRUE(m_sink.Heard("Region 0"));
    EXPECT_NEAR(0.25, m_sink.region[0], 0.01);
    EXPECT_NEAR(0.25, m_sink.region[1], 0.01);
    EXPECT_NEAR(0.5, m_sink.region[2], 0.01);
    EXPECT_NEAR(0.5, m_sink.region[3], 0.01);
    EXPECT_FALSE(m_grid->GetRegionOutline().IsRectEmpty()) << "the outline stays while the search is set up";
    m_sink.lines.clear();
    drag(QPoint(100, 100), QPoint(200, 200));
    EXPECT_FALSE(m_sink.Heard("Region 0")) << "once chosen, the mouse draws no more";
    m_grid->EndRegion();
    EXPECT_EQ(-1, m_grid->GetRegionWindow());
    EXPECT_TRUE(m_grid->GetRegionOutline().IsRectEmpty());

    // From its corner to beyond the picture: the whole frame, no more.
    m_grid->BeginRegion(0, L"Drag");
    drag(QPoint(3, 78), QPoint(799, 599));
    ASSERT_TRUE(m_sink.Heard("Region 0"));
    EXPECT_NEAR(0, m_sink.region[0], 0.01);
    EXPECT_NEAR(0, m_sink.region[1], 0.01);
    EXPECT_NEAR(1, m_sink.region[2], 0.01);
    EXPECT_NEAR(1, m_sink.region[3], 0.01);
    m_grid->EndRegion();

    // Escape ends it with none.
    m_sink.lines.clear();
    m_grid->BeginRegion(0, L"Drag");
    QTest::keyClick(Native(), Qt::Key_Escape);
    ASSERT_TRUE(m_sink.Heard("Region 0"));
    EXPECT_EQ(0, m_sink.region[2]);
    EXPECT_EQ(-1, m_grid->GetRegionWindow());
}
