// The painted skin holds every image the panels name, and controls draw with it: a screenshot of
// one of each control is kept as test output and its pixels are checked against the skin.
#include <QDir>
#include <QImage>
#include <QPixmap>

#include <memory>

#include "Toolkit/Button.h"
#include "Toolkit/ComboBox.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/EditCtrl.h"
#include "Toolkit/NumSpiner.h"
#include "Toolkit/PictureCtrl.h"
#include "Toolkit/RadioBox.h"
#include "Toolkit/SliderCtrl.h"
#include "Toolkit/Static.h"
#include "Toolkit/View.h"
#include "ToolkitTestSupport.h"

using TarvexTest::CJournalSink;
using TarvexTest::NativeOf;

namespace {

// What each part of the window names, as it names it.
const std::vector<std::vector<const char*>> kReferencedImages = {
    // main window, main page, dialogs
    {"FrameMain.png", "bg_monitor.png", "Tarvex.png", "Frame.png", "AboutPic.png", "logo_0.png", "logoRight.png"},
    // tool bar
    {"bg_toolbar.png", "btn_addfilenor.png", "btn_addfileover.png", "btn_addfiledown.png", "btn_addfiledis.png",
     "btn_seperater.png", "btn_frameselectnor.png", "btn_frameselectover.png", "btn_frameselectdown.png",
     "btn_frameselectdis.png", "btn_selectnor.png", "btn_selectover.png", "btn_selectdown.png", "btn_selectdis.png",
     "btn_dragnor.png", "btn_dragover.png", "btn_dragdown.png", "btn_dragdis.png", "btn_fullscreennor.png",
     "btn_fullscreenover.png", "btn_fullscreendown.png", "btn_fullscreendis.png", "btn_confignor.png",
     "btn_configover.png", "btn_configdown.png", "btn_configdis.png", "btn_lock.png", "btn_close.png",
     "btn_minimize.png", "btn_maximize.png", "btn_restore.png"},
    // tab bar
    {"bg_tabbar.png", "bg_filelisttitle.png", "btn_selAllchecknor.png", "btn_selAllcheckdown.png",
     "btn_selAllunchecknor.png", "btn_selAlluncheckdown.png", "btn_delnor.png", "btn_deldown.png",
     "btn_tabSelect.png", "btn_tabSelectUncheck.png", "btn_tabUnselectcheck.png", "btn_tabUnselect.png"},
    // file list
    {"scrollbar.png", "treeState.png", "treeCheckbox.png", "btn_listContract.png", "btn_listExpend.png"},
    // video windows
    {"NoVideo.png", "btn_videoclose.png", "btn_videoclosedown.png", "btn_videosnap.png", "btn_videosnapdown.png",
     "btn_propertynor.png", "btn_propertydown.png", "btn_videorecordcheck.png", "btn_videorecord.png"},
    // play bar
    {"bg_playbar.png", "btn_repeatover.png", "btn_repeatdown.png", "btn_repeatnor.png", "btn_syncheck.png",
     "btn_syndown.png", "btn_synuncheck.png", "btn_playbackcheck.png", "btn_playbackdown.png",
     "btn_playbackuncheck.png", "btn_parsenor.png", "btn_parseover.png", "btn_playunchchecknor.png",
     "btn_playuncheckover.png", "btn_stopnor.png", "btn_stopover.png", "btn_prevnor.png", "btn_prevover.png",
     "btn_prevdis.png", "btn_nextnor.png", "btn_nextover.png", "btn_nextdis.png", "slider_speed.png",
     "btn_volumenor.png", "btn_volumeover.png", "btn_silencenor.png", "btn_silenceover.png", "slider_volume.png"},
    // timeline
    {"bg_timeline.png", "radio_uncheck_normal.png", "radio_check_normal.png", "videorecord.png",
     "bg_curtime_text.png", "channel_up.png", "channel_down.png", "BackwardDisable.png", "BackwardEnable.png",
     "ForwardDisable.png", "ForwardEnable.png", "timeline_header.png", "zoom_in_out_left.png",
     "zoom_in_out_center.png", "zoom_in_out_right.png", "zoom_in_out_slip.png", "viewport_left.png",
     "viewport_center.png", "viewport_right.png", "viewport_slip.png", "bg_curtime.png", "VedioCutLeft.png",
     "VedioCutRight.png"},
    // layout bar and custom layout
    {"btn_win1check.png", "btn_win1uncheck.png", "btn_win4check.png", "btn_win4uncheck.png", "btn_win6check.png",
     "btn_win6uncheck.png", "btn_win8check.png", "btn_win8uncheck.png", "btn_win9check.png", "btn_win9uncheck.png",
     "btn_win13check.png", "btn_win13uncheck.png", "btn_win16check.png", "btn_win16uncheck.png",
     "btn_win25check.png", "btn_win25uncheck.png", "btn_win36check.png", "btn_win36uncheck.png",
     "btn_layoutcheck.png", "btn_layoutuncheck.png", "spiner_time.png", "btn_commongnor_short.png",
     "btn_commondown_short.png"},
    // configuration page, notifications
    {"bg_edit.png", "Checkbox.png", "Uncheckbox.png", "ListCtrlnew.png", "btn_clear_normal.png", "btn_clear_over.png",
     "btn_setHide_normal.png", "btn_setHide_down.png", "btn_settop_normal.png", "btn_settop_over.png"},
};

QImage SkinFile(const char* name) { return QImage(QDir(TARVEX_SKIN_DIR).filePath(name)); }

// The skin image's opaque pixels must appear where the control stands in the screenshot.
double OpaqueMatch(const QImage& shot, const QPoint& at, const QImage& skin) {
    int opaque = 0, same = 0;
    for (int y = 0; y < skin.height(); ++y)
        for (int x = 0; x < skin.width(); ++x) {
            const QRgb want = skin.pixel(x, y);
            if (qAlpha(want) != 255) continue;
            ++opaque;
            const QRgb got = shot.pixel(at.x() + x, at.y() + y);
            if (std::abs(qRed(got) - qRed(want)) + std::abs(qGreen(got) - qGreen(want)) + std::abs(qBlue(got) - qBlue(want)) < 12)
                ++same;
        }
    return opaque ? double(same) / opaque : 0;
}

int PixelsUnlike(const QImage& shot, const QRect& area, QRgb background) {
    int unlike = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (shot.pixel(x, y) != background) ++unlike;
    return unlike;
}

}  // namespace

TEST(SkinTest, EveryImageThePanelsNameIsPaintedAndReadable) {
    int count = 0;
    for (const auto& group : kReferencedImages)
        for (const char* name : group) {
            const QImage image = SkinFile(name);
            EXPECT_FALSE(image.isNull()) << name;
            ++count;
        }
    EXPECT_GT(count, 140);
    // Sizes the layouts count on.
    EXPECT_EQ(QSize(148, 133), SkinFile("FrameMain.png").size());
    EXPECT_EQ(QSize(310, 20), SkinFile("slider_speed.png").size());
    EXPECT_EQ(QSize(240, 20), SkinFile("slider_volume.png").size());
    EXPECT_EQ(QSize(60, 96), SkinFile("spiner_time.png").size());
    EXPECT_EQ(QSize(53, 42), SkinFile("btn_win13check.png").size());
    EXPECT_EQ(QSize(101, 25), SkinFile("btn_tabUnselect.png").size());
    EXPECT_EQ(QSize(15, 99), SkinFile("btn_listExpend.png").size());
}

TEST(SkinTest, AScreenshotOfEveryControlShowsItsSkin) {
    CJournalSink sink;
    std::unique_ptr<CKXDialog> dialog(CKXUIFactory::CreateUIDialog(&sink));
    dialog->SetFrameImage(L"Frame.png");
    dialog->Create(L"Controls", 0, CKXRect(0, 0, 10, 10), nullptr, 0);
    dialog->SetTitle(L"Tarvex Player controls");
    dialog->SetSize(640, 240);
    std::unique_ptr<CKXView> view(CKXUIFactory::CreateUIView(&sink));
    view->SetBackground(L"bg_playbar.png");
    view->Create(L"Panel", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(0, 0, 640, 240), dialog.get(), 101);

    auto make = [&](auto* control, const CKXRect& rect, int id) {
        control->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, rect, view.get(), id);
        return std::unique_ptr<std::remove_pointer_t<decltype(control)>>(control);
    };
    auto stop = make(CKXUIFactory::CreateUIButton(&sink), CKXRect::FromSize(10, 15, 31, 31), 2160);
    stop->SetImages(L"btn_stopnor.png", L"btn_stopover.png", L"btn_stopover.png");
    auto prev = make(CKXUIFactory::CreateUIButton(&sink), CKXRect::FromSize(49, 15, 31, 31), 2161);
    prev->SetImages(L"btn_prevnor.png", L"btn_prevover.png", L"btn_prevover.png", L"btn_prevdis.png");
    prev->EnableWindow(0);
    auto play = make(CKXUIFactory::CreateUIRadioBox(&sink), CKXRect::FromSize(88, 5, 49, 49), 2159);
    play->SetImages({L"btn_parsenor.png", L"btn_parseover.png", L"btn_parseover.png", L"btn_playunchchecknor.png",
                     L"btn_playuncheckover.png", L"btn_playuncheckover.png", L"", L""});
    play->SetCheck(1);
    auto tab = make(CKXUIFactory::CreateUIRadioBox(&sink), CKXRect(150, 8, 251, 33), 2174);
    tab->SetImages({L"btn_tabUnselectcheck.png", L"", L"", L"btn_tabUnselect.png"});
    tab->SetWindowText(L"Config");
    auto check = make(CKXUIFactory::CreateUIRadioBox(&sink), CKXRect::FromSize(270, 10, 200, 20), 2709);
    check->SetImages({L"Checkbox.png", L"", L"", L"Uncheckbox.png"});
    check->SetWindowText(L"Vertical Synchronization");
    check->SetCheck(1);
    auto speed = make(CKXUIFactory::CreateUISliderCtrl(&sink), CKXRect::FromSize(10, 70, 116, 20), 2164);
    KXSliderSkin sliderSkin{L"slider_speed.png", L"0,0,115,20", L"115,0,115,20",
                            {L"230,0,20,20", L"250,0,20,20", L"270,0,20,20", L"290,0,20,20"}, L"tile"};
    speed->SetSkin(sliderSkin);
    speed->SetRange(0, 12);
    speed->SetPos(6);
    auto label = make(CKXUIFactory::CreateUIStatic(&sink), CKXRect::FromSize(135, 68, 40, 25), 0);
    label->SetWindowText(L"1X");
    label->SetAlignment(L"center");
    auto combo = make(CKXUIFactory::CreateUIComboBox(&sink), CKXRect::FromSize(190, 68, 130, 24), 2704);
    combo->AddString(L"16:9");
    combo->SetCurSel(0);
    auto edit = make(CKXUIFactory::CreateUIEditCtrl(&sink), CKXRect::FromSize(330, 68, 200, 24), 2700);
    edit->SetBackground(L"bg_edit.png");
    edit->SetTextColor(L"000000");
    edit->SetWindowText(L"/home/guard/Picture/");
    auto spin = make(CKXUIFactory::CreateUINumSpiner(&sink), CKXRect::FromSize(540, 68, 60, 24), 2185);
    KXSpinerSkin spinSkin{L"spiner_time.png", {L"0,0,60,24", L"0,24,60,24", L"0,48,60,24", L"0,72,60,24"},
                          L"40,0,20,12", L"40,12,20,12", L"000000", L"tile"};
    spin->SetSkin(spinSkin);
    spin->SetRange(1, 8);
    spin->SetValue(3);
    auto logo = make(CKXUIFactory::CreateUIPictureCtrl(&sink), CKXRect::FromSize(10, 110, 158, 38), 0);
    logo->SetImage(L"logo_0.png");
    auto layout = make(CKXUIFactory::CreateUIRadioBox(&sink), CKXRect::FromSize(180, 110, 53, 42), 2151);
    layout->SetImages({L"btn_win13check.png", L"", L"", L"btn_win13uncheck.png"});
    layout->SetCheck(1);
    // Skins that do not exist: the desktop's own look, never an invisible control.
    auto plain = make(CKXUIFactory::CreateUIButton(&sink), CKXRect::FromSize(250, 120, 90, 28), 3001);
    plain->SetImages(L"missing.png", L"", L"");
    plain->SetWindowText(L"Plain");
    auto plainBox = make(CKXUIFactory::CreateUIRadioBox(&sink), CKXRect::FromSize(350, 120, 120, 24), 3002);
    plainBox->SetWindowText(L"Plain box");
    plainBox->SetCheck(1);

    dialog->ShowWindow(KX_SW_SHOW);
    const QImage shot = NativeOf(dialog.get())->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QString out = QString(TARVEX_TEST_OUTPUT_DIR) + "/toolkit_controls.png";
    QDir().mkpath(TARVEX_TEST_OUTPUT_DIR);
    EXPECT_TRUE(shot.save(out)) << out.toStdString();

    // The client area starts below the caption and inside the border.
    const QPoint client(1, 28);
    EXPECT_GT(OpaqueMatch(shot, client + QPoint(10, 15), SkinFile("btn_stopnor.png")), 0.9);
    EXPECT_GT(OpaqueMatch(shot, client + QPoint(49, 15), SkinFile("btn_prevdis.png")), 0.9) << "disabled look";
    EXPECT_GT(OpaqueMatch(shot, client + QPoint(88, 5), SkinFile("btn_parsenor.png")), 0.9) << "checked look";
    EXPECT_GT(OpaqueMatch(shot, client + QPoint(150, 8), SkinFile("btn_tabUnselect.png")), 0.8) << "text over it";
    EXPECT_GT(OpaqueMatch(shot, client + QPoint(270, 13), SkinFile("Checkbox.png")), 0.9) << "a mark, left";
    EXPECT_GT(OpaqueMatch(shot, client + QPoint(10, 110), SkinFile("logo_0.png")), 0.9);
    EXPECT_GT(OpaqueMatch(shot, client + QPoint(180, 110), SkinFile("btn_win13check.png")), 0.9);
    EXPECT_GT(OpaqueMatch(shot, client + QPoint(540, 68), SkinFile("spiner_time.png").copy(0, 0, 40, 24)), 0.6)
        << "the frame, under the number";
    // The slider's thumb at the middle of its travel (position 6 of 12).
    const QImage thumb = SkinFile("slider_speed.png").copy(230, 0, 20, 20);
    EXPECT_GT(OpaqueMatch(shot, client + QPoint(10 + (116 - 20) / 2, 70), thumb), 0.9);
    // The plain controls differ from the panel behind them.
    const QRgb background = shot.pixel(client + QPoint(600, 200));
    EXPECT_GT(PixelsUnlike(shot, QRect(client + QPoint(250, 120), QSize(90, 28)), background), 200);
    EXPECT_GT(PixelsUnlike(shot, QRect(client + QPoint(350, 120), QSize(120, 24)), background), 100);
}
