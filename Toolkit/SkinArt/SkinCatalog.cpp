#include "Toolkit/SkinArt/SkinCatalog.h"

#include <QPainter>

#include "Toolkit/SkinArt/SkinPainter.h"

namespace SkinArt {

namespace {

using namespace Colors;

class CCatalog {
public:
    void Add(const QString& name, const QImage& image) { m_images.push_back({name, image}); }
    // One image per look, "<stem><suffix>.png".
    void Looks(const QString& stem, int w, int h, Glyph glyph, Shape shape,
               std::initializer_list<std::pair<const char*, Look>> looks, const QColor& symbol = QColor()) {
        for (const auto& [suffix, look] : looks) Add(stem + suffix + ".png", Face(w, h, glyph, look, shape, symbol));
    }
    std::vector<SkinImage> Take() { return std::move(m_images); }

private:
    std::vector<SkinImage> m_images;
};

const std::initializer_list<std::pair<const char*, Look>> kFourLooks = {
    {"nor", Look::Normal}, {"over", Look::Over}, {"down", Look::Down}, {"dis", Look::Disabled}};

// The main window's frame: a one-pixel border whose pieces the window's skin record cuts out
// (top row y 0, bottom row y 132, left column x 0, right column x 147).
QImage MainFrame() {
    QImage image = Canvas(148, 133, kWindow);
    QPainter p(&image);
    p.setPen(kBorder);
    p.drawRect(0, 0, 147, 132);
    p.fillRect(QRect(60, 0, 78, 1), QColor(0x4a, 0x52, 0x61));  // the stretched middle of the top edge
    return image;
}

// The small dialogs' frame: caption band of 28 pixels, one-pixel border; cut in nine parts.
QImage DialogFrame() {
    QImage image = Canvas(64, 64, kWindow);
    QPainter p(&image);
    p.fillRect(QRect(0, 0, 64, 28), kPanel);
    p.fillRect(QRect(0, 27, 64, 1), kBorder);
    p.setPen(kBorder);
    p.drawRect(0, 0, 63, 63);
    p.fillRect(QRect(1, 0, 62, 2), kAccent);
    return image;
}

QImage Strip(int w, int h, std::initializer_list<QImage> parts) {
    QImage image = Canvas(w, h);
    QPainter p(&image);
    int x = 0;
    for (const QImage& part : parts) {
        p.drawImage(x, 0, part);
        x += part.width();
    }
    return image;
}

QImage Groove(int w, int h, const QColor& color) {
    QImage image = Canvas(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(QRectF(0, h / 2.0 - 2, w, 4), 2, 2);
    return image;
}

QImage Thumb(int size, const QColor& fill, const QColor& ring) {
    QImage image = Canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ring, 2));
    p.setBrush(fill);
    p.drawEllipse(QRectF(3, 3, size - 6, size - 6));
    return image;
}

// A slider image: groove, filled groove, then the thumb normal, hover, pressed, disabled.
QImage Slider(int trackWidth) {
    return Strip(2 * trackWidth + 80, 20,
                 {Groove(trackWidth, 20, kBorder), Groove(trackWidth, 20, kAccent), Thumb(20, kText, kAccent),
                  Thumb(20, Qt::white, kAccent), Thumb(20, kAccent, Qt::white), Thumb(20, kDim, kBorder)});
}

// The number spinner: four frames 60 x 24 (normal, hover, pressed, disabled), arrows on the right.
QImage Spiner() {
    QImage image = Canvas(60, 96);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor frames[4] = {kBorder, kPressed, kAccent, kRaised};
    for (int i = 0; i < 4; ++i) {
        const QRectF r(0.5, i * 24 + 0.5, 59, 23);
        p.setPen(frames[i]);
        p.setBrush(i == 3 ? kWindow : QColor(0xf2, 0xf4, 0xf7));
        p.drawRoundedRect(r, 3, 3);
        p.fillRect(QRectF(40, i * 24 + 1, 19, 22), i == 3 ? kPanel : kRaised);
        p.fillRect(QRectF(40, i * 24 + 11.5, 19, 1), kBorder);
        const QColor arrow = i == 3 ? kDim : kText;
        DrawGlyph(p, Glyph::ArrowUp, QRectF(44, i * 24 + 1, 11, 11), arrow);
        DrawGlyph(p, Glyph::ArrowDown, QRectF(44, i * 24 + 12, 11, 11), arrow);
    }
    return image;
}

// A tree's two 14 x 14 states side by side: collapsed and expanded, or unchecked and checked.
QImage TreeStates() {
    QImage image = Canvas(28, 14);
    QPainter p(&image);
    DrawGlyph(p, Glyph::ArrowRight, QRectF(1, 1, 12, 12), kText);
    DrawGlyph(p, Glyph::ArrowDown, QRectF(15, 1, 12, 12), kText);
    return image;
}

QImage CheckBox(int size, bool checked, bool strip = false) {
    QImage image = Canvas(strip ? 2 * size : size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < (strip ? 2 : 1); ++i) {
        const bool on = strip ? i == 1 : checked;
        const QRectF r(i * size + 1.5, 1.5, size - 3, size - 3);
        p.setPen(QPen(on ? kAccent : QColor(0x99, 0x99, 0x99), 1.2));
        p.setBrush(on ? kAccent : kPanel);
        p.drawRoundedRect(r, 2, 2);
        if (on) DrawGlyph(p, Glyph::Check, r.adjusted(1, 1, -1, -1), kWindow);
    }
    return image;
}

QImage RadioMark(int size, bool checked) {
    QImage image = Canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(checked ? kAccent : QColor(0x99, 0x99, 0x99), 1.2));
    p.setBrush(kPanel);
    p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    if (checked) {
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawEllipse(QRectF(size / 2.0 - 2.5, size / 2.0 - 2.5, 5, 5));
    }
    return image;
}

QImage Box(int w, int h, const QColor& fill, const QColor& line, double radius = 3) {
    QImage image = Canvas(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(line);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), radius, radius);
    return image;
}

QImage Logo(int w, int h, int textSize) {
    QImage image = Canvas(w, h);
    {
        QPainter p(&image);
        DrawGlyph(p, Glyph::Logo, QRectF(2, (h - h * 0.85) / 2, h * 0.85, h * 0.85), kAccent);
    }
    Label(image, QRect(int(h * 0.85) + 8, 0, w, h), QStringLiteral("TARVEX"), textSize, kText,
          Qt::AlignLeft | Qt::AlignVCenter, true);
    return image;
}

QImage ScaleCap(int w, int h, bool left, const QColor& color) {
    QImage image = Canvas(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(QRectF(left ? 0 : -w, 0, 2 * w, h), h / 2.0, h / 2.0);
    return image;
}

}  // namespace

QImage AppIcon(int size) {
    QImage image = Canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kPanel);
    const qreal unit = size / 64.0;
    p.drawRoundedRect(QRectF(0, 0, size, size), 12 * unit, 12 * unit);
    DrawGlyph(p, Glyph::Logo, QRectF(8 * unit, 8 * unit, 48 * unit, 48 * unit), kAccent);
    return image;
}

std::vector<SkinImage> SkinCatalog() {
    CCatalog c;

    // Windows and views.
    c.Add("FrameMain.png", MainFrame());
    c.Add("Frame.png", DialogFrame());
    c.Add("bg_monitor.png", Canvas(64, 64, kWindow));
    c.Add("bg_toolbar.png", Bar(64, 62, QColor(0x2b, 0x31, 0x3b), kPanel, kBorder));
    c.Add("bg_tabbar.png", Bar(64, 32, kPanel, QColor(0x22, 0x26, 0x2d)));
    c.Add("bg_playbar.png", Bar(64, 55, kPanel, QColor(0x20, 0x24, 0x2b)));
    c.Add("bg_timeline.png", Bar(64, 110, QColor(0x22, 0x26, 0x2d), kWindow));
    c.Add("bg_filelisttitle.png", Bar(226, 25, kRaised, kPanel));
    c.Add("bg_edit.png", Box(200, 24, QColor(0xf2, 0xf4, 0xf7), kBorder));
    c.Add("NoVideo.png", [] {
        QImage image = Canvas(160, 120, QColor(0x14, 0x17, 0x1c));
        QPainter p(&image);
        DrawGlyph(p, Glyph::NoVideo, QRectF(56, 36, 48, 48), QColor(0x41, 0x44, 0x4c));
        return image;
    }());
    c.Add("Tarvex.png", AppIcon(64));
    c.Add("logo_0.png", Logo(158, 38, 22));
    // Only the place of the word under the tool bar's right end: the word is a text of the
    // program's, in the window's language.
    c.Add("logoRight.png", Canvas(83, 33));
    c.Add("AboutPic.png", [] {
        QImage image = Bar(360, 80, QColor(0x2b, 0x31, 0x3b), kWindow, kAccent);
        QPainter p(&image);
        p.drawImage(20, 21, Logo(200, 38, 22));
        return image;
    }());

    // Tool bar: function buttons 49 x 62, separator, caption buttons 13 x 13.
    c.Looks("btn_addfile", 49, 62, Glyph::AddFile, Shape::Round, kFourLooks);
    c.Looks("btn_frameselect", 49, 62, Glyph::DigitalZoom, Shape::Round, kFourLooks);
    c.Looks("btn_select", 49, 62, Glyph::Select, Shape::Round, kFourLooks);
    c.Looks("btn_drag", 49, 62, Glyph::Drag, Shape::Round, kFourLooks);
    c.Looks("btn_fullscreen", 49, 62, Glyph::FullScreen, Shape::Round, kFourLooks);
    c.Looks("btn_config", 49, 62, Glyph::Config, Shape::Round, kFourLooks);
    c.Add("btn_seperater.png", [] {
        QImage image = Canvas(2, 40);
        QPainter p(&image);
        p.fillRect(QRect(0, 0, 1, 40), kBorder);
        p.fillRect(QRect(1, 0, 1, 40), QColor(0x30, 0x35, 0x3f));
        return image;
    }());
    c.Add("btn_lock.png", Face(13, 13, Glyph::Info, Look::Normal, Shape::Flat));
    c.Add("btn_close.png", Face(13, 13, Glyph::Close, Look::Normal, Shape::Flat));
    c.Add("btn_minimize.png", Face(13, 13, Glyph::Minimize, Look::Normal, Shape::Flat));
    c.Add("btn_maximize.png", Face(13, 13, Glyph::Maximize, Look::Normal, Shape::Flat));
    c.Add("btn_restore.png", Face(13, 13, Glyph::Restore, Look::Normal, Shape::Flat));

    // Tab bar.
    c.Add("btn_selAllchecknor.png", CheckBox(20, true));
    c.Add("btn_selAllcheckdown.png", Face(20, 20, Glyph::Check, Look::CheckedDown, Shape::Round));
    c.Add("btn_selAllunchecknor.png", CheckBox(20, false));
    c.Add("btn_selAlluncheckdown.png", Face(20, 20, Glyph::None, Look::Down, Shape::Round));
    c.Add("btn_delnor.png", Face(20, 20, Glyph::Trash, Look::Normal));
    c.Add("btn_deldown.png", Face(20, 20, Glyph::Trash, Look::Down));
    c.Add("btn_tabSelect.png", Tab(101, 25, true, false));
    c.Add("btn_tabSelectUncheck.png", Tab(101, 25, false, false));
    c.Add("btn_tabUnselectcheck.png", Tab(101, 25, true, true));
    c.Add("btn_tabUnselect.png", Tab(101, 25, false, true));

    // File list: tree parts and the collapse strip.
    c.Add("treeState.png", TreeStates());
    c.Add("treeCheckbox.png", CheckBox(14, false, true));
    c.Add("scrollbar.png", [] {
        // Track (x 0-13) and thumb (x 14-27), 14 wide each.
        QImage image = Canvas(28, 40);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(QRect(0, 0, 14, 40), kWindow);
        p.setPen(Qt::NoPen);
        p.setBrush(kPressed);
        p.drawRoundedRect(QRectF(17, 1, 8, 38), 4, 4);
        return image;
    }());
    for (auto [name, glyph] : {std::pair{"btn_listContract.png", Glyph::ArrowLeft}, {"btn_listExpend.png", Glyph::ArrowRight}}) {
        QImage image = Canvas(15, 99, kRaised);
        QPainter p(&image);
        DrawGlyph(p, glyph, QRectF(1, 42, 13, 13), kText);
        c.Add(name, image);
    }

    // Video windows: the per-window buttons, 20 x 20.
    c.Add("btn_videoclose.png", Face(20, 20, Glyph::Close, Look::Normal, Shape::Round));
    c.Add("btn_videoclosedown.png", Face(20, 20, Glyph::Close, Look::Down, Shape::Round));
    c.Add("btn_videosnap.png", Face(20, 20, Glyph::Camera, Look::Normal, Shape::Round));
    c.Add("btn_videosnapdown.png", Face(20, 20, Glyph::Camera, Look::Down, Shape::Round));
    c.Add("btn_propertynor.png", Face(20, 20, Glyph::Info, Look::Normal, Shape::Round));
    c.Add("btn_propertydown.png", Face(20, 20, Glyph::Info, Look::Down, Shape::Round));
    c.Add("btn_videorecord.png", Face(20, 20, Glyph::Record, Look::Normal, Shape::Round));
    c.Add("btn_videorecordcheck.png", Face(20, 20, Glyph::Record, Look::Checked, Shape::Round, kRed));

    // Play bar: round buttons 31 x 31, play and pause 49 x 49, two sliders.
    c.Add("btn_repeatnor.png", Face(31, 31, Glyph::Repeat, Look::Normal, Shape::Circle));
    c.Add("btn_repeatover.png", Face(31, 31, Glyph::RepeatOne, Look::Checked, Shape::Circle));
    c.Add("btn_repeatdown.png", Face(31, 31, Glyph::RepeatOne, Look::CheckedDown, Shape::Circle));
    c.Add("btn_synuncheck.png", Face(31, 31, Glyph::Sync, Look::Normal, Shape::Circle));
    c.Add("btn_syncheck.png", Face(31, 31, Glyph::Sync, Look::Checked, Shape::Circle));
    c.Add("btn_syndown.png", Face(31, 31, Glyph::Sync, Look::CheckedDown, Shape::Circle));
    c.Add("btn_playbackuncheck.png", Face(31, 31, Glyph::Reverse, Look::Normal, Shape::Circle));
    c.Add("btn_playbackcheck.png", Face(31, 31, Glyph::Reverse, Look::Checked, Shape::Circle));
    c.Add("btn_playbackdown.png", Face(31, 31, Glyph::Reverse, Look::CheckedDown, Shape::Circle));
    c.Add("btn_parsenor.png", Face(49, 49, Glyph::Pause, Look::Checked, Shape::Circle));
    c.Add("btn_parseover.png", Face(49, 49, Glyph::Pause, Look::CheckedOver, Shape::Circle));
    c.Add("btn_playunchchecknor.png", Face(49, 49, Glyph::Play, Look::Normal, Shape::Circle));
    c.Add("btn_playuncheckover.png", Face(49, 49, Glyph::Play, Look::Over, Shape::Circle));
    c.Looks("btn_stop", 31, 31, Glyph::Stop, Shape::Circle, {{"nor", Look::Normal}, {"over", Look::Over}});
    c.Looks("btn_prev", 31, 31, Glyph::Previous, Shape::Circle, {{"nor", Look::Normal}, {"over", Look::Over}, {"dis", Look::Disabled}});
    c.Looks("btn_next", 31, 31, Glyph::Next, Shape::Circle, {{"nor", Look::Normal}, {"over", Look::Over}, {"dis", Look::Disabled}});
    c.Looks("btn_volume", 31, 31, Glyph::Volume, Shape::Circle, {{"nor", Look::Normal}, {"over", Look::Over}});
    c.Looks("btn_silence", 31, 31, Glyph::Mute, Shape::Circle, {{"nor", Look::Normal}, {"over", Look::Over}});
    c.Add("slider_speed.png", Slider(115));
    c.Add("slider_volume.png", Slider(80));

    // Layout bar and the custom-layout dialog.
    for (int windows : {1, 4, 6, 8, 9, 13, 16, 25, 36}) {
        c.Add(QStringLiteral("btn_win%1check.png").arg(windows), LayoutFace(53, 42, windows, true));
        c.Add(QStringLiteral("btn_win%1uncheck.png").arg(windows), LayoutFace(53, 42, windows, false));
    }
    c.Add("btn_layoutcheck.png", LayoutFace(53, 42, 0, true));
    c.Add("btn_layoutuncheck.png", LayoutFace(53, 42, 0, false));
    c.Add("spiner_time.png", Spiner());
    c.Add("btn_commongnor_short.png", TextFace(70, 28, Look::Normal));
    c.Add("btn_commondown_short.png", TextFace(70, 28, Look::Down));

    // Timeline.
    c.Add("radio_uncheck_normal.png", RadioMark(13, false));
    c.Add("radio_check_normal.png", RadioMark(13, true));
    c.Add("videorecord.png", Face(10, 10, Glyph::Record, Look::Normal, Shape::Flat, kRed));
    c.Add("bg_curtime_text.png", Box(70, 24, kWindow, kBorder));
    c.Add("channel_up.png", Face(20, 30, Glyph::ArrowUp, Look::Normal, Shape::Round));
    c.Add("channel_down.png", Face(20, 30, Glyph::ArrowDown, Look::Normal, Shape::Round));
    c.Add("BackwardEnable.png", Face(15, 30, Glyph::StepBackward, Look::Normal, Shape::Round));
    c.Add("BackwardDisable.png", Face(15, 30, Glyph::StepBackward, Look::Disabled, Shape::Round));
    c.Add("ForwardEnable.png", Face(15, 30, Glyph::StepForward, Look::Normal, Shape::Round));
    c.Add("ForwardDisable.png", Face(15, 30, Glyph::StepForward, Look::Disabled, Shape::Round));
    c.Add("timeline_header.png", Bar(24, 20, kRaised, kPanel, kBorder));
    c.Add("zoom_in_out_left.png", ScaleCap(6, 13, true, kRaised));
    c.Add("zoom_in_out_center.png", Canvas(4, 13, kRaised));
    c.Add("zoom_in_out_right.png", ScaleCap(6, 13, false, kRaised));
    c.Add("zoom_in_out_slip.png", Box(12, 13, kPressed, kAccent, 4));
    c.Add("viewport_left.png", ScaleCap(6, 13, true, QColor(0x38, 0xb6, 0xff, 90)));
    c.Add("viewport_center.png", Canvas(4, 13, QColor(0x38, 0xb6, 0xff, 90)));
    c.Add("viewport_right.png", ScaleCap(6, 13, false, QColor(0x38, 0xb6, 0xff, 90)));
    c.Add("viewport_slip.png", Box(12, 13, kAccent, kAccent, 4));
    c.Add("bg_curtime.png", [] {
        // The cursor: a head over a line down the rows.
        QImage image = Canvas(11, 97);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(QRect(5, 6, 1, 91), kGreen);
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawPolygon(QPolygonF() << QPointF(0, 0) << QPointF(11, 0) << QPointF(5.5, 7));
        return image;
    }());
    for (auto [name, left] : {std::pair{"VedioCutLeft.png", true}, {"VedioCutRight.png", false}}) {
        QImage image = Canvas(8, 20);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(QRect(left ? 0 : 6, 0, 2, 20), kRed);
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawPolygon(left ? QPolygonF() << QPointF(2, 0) << QPointF(8, 0) << QPointF(2, 6)
                           : QPolygonF() << QPointF(6, 0) << QPointF(0, 0) << QPointF(6, 6));
        c.Add(name, image);
    }

    // Configuration page, notifications and dialogs.
    c.Add("Checkbox.png", CheckBox(14, true));
    c.Add("Uncheckbox.png", CheckBox(14, false));
    c.Add("ListCtrlnew.png", Bar(64, 24, kRaised, kPanel, kBorder));
    c.Add("btn_clear_normal.png", TextFace(70, 24, Look::Normal));
    c.Add("btn_clear_over.png", TextFace(70, 24, Look::Over));
    c.Add("btn_setHide_normal.png", TextFace(70, 24, Look::Normal));
    c.Add("btn_setHide_down.png", TextFace(70, 24, Look::Down));
    c.Add("btn_settop_normal.png", TextFace(70, 24, Look::Normal));
    c.Add("btn_settop_over.png", TextFace(70, 24, Look::Over));
    return c.Take();
}

}  // namespace SkinArt
