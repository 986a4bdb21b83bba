#include "Toolkit/NumSpiner.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

#include "Toolkit/EventSinks.h"
#include "Toolkit/Qt/IntRange.h"
#include "Toolkit/Qt/PaintedWidget.h"
#include "Toolkit/Qt/Skin.h"
#include "Toolkit/Qt/Text.h"

namespace {

using namespace KXQt;

class CSpinerWidget : public CPaintedWidget {
public:
    KXSpinerSkin skin;
    CIntRange range;
    int step = 1;
    QString typed;  // digits being typed, not yet taken

    // A number is typed into it too: a click gives it the keys.
    CSpinerWidget() {
        setFocusPolicy(Qt::ClickFocus);
        setProperty(kTakesKeys, true);  // its digits, arrows and Enter, not the window's shortcuts
    }

    // The typed number, clamped to the range, becomes the value (the sink hears of a change).
    void TakeTyped() {
        if (typed.isEmpty()) return;
        bool ok = false;
        const long long number = typed.toLongLong(&ok);
        typed.clear();
        update();
        if (ok) ChangeTo(static_cast<int>(std::clamp<long long>(number, range.minimum, range.maximum)));
    }

    // The arrows' places in the control; without a skin, the right third split in two.
    QRect UpArrow() const {
        const QRect r = ParseRect(skin.upRect);
        return r.isValid() ? r : QRect(width() * 2 / 3, 0, width() - width() * 2 / 3, height() / 2);
    }
    QRect DownArrow() const {
        const QRect r = ParseRect(skin.downRect);
        return r.isValid() ? r : QRect(width() * 2 / 3, height() / 2, width() - width() * 2 / 3, height() - height() / 2);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QPixmap image = SkinImage(skin.image);
        const int look = !isEnabled() ? 3 : Pressed() ? 2 : Hovered() ? 1 : 0;
        QRect frame = ParseRect(skin.frameRects[look]);
        if (!frame.isValid()) frame = ParseRect(skin.frameRects[0]);
        if (image.isNull() || !frame.isValid()) {
            // No skin: a plain box with two arrows.
            painter.fillRect(rect(), Theme::Panel());
            painter.setPen(Theme::Border());
            painter.drawRect(rect().adjusted(0, 0, -1, -1));
            for (const QRect& arrow : {UpArrow(), DownArrow()}) {
                painter.fillRect(arrow.adjusted(1, 1, -1, -1), Theme::Raised());
                painter.setPen(Theme::Text());
                painter.drawText(arrow, Qt::AlignCenter, arrow == UpArrow() ? QStringLiteral("+") : QStringLiteral("-"));
            }
        } else {
            DrawImage(painter, rect(), image, frame, ParseMode(skin.mode));
        }
        painter.setPen(ParseColor(skin.textColor, TextColor()));
        const QRect textArea(6, 0, UpArrow().left() - 6, height());
        const QString shown = typed.isEmpty() ? QString::number(range.value) : typed;
        painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter, shown);
        if (hasFocus()) {
            // The caret after the number says that keys go here.
            const int x = textArea.left() + painter.fontMetrics().horizontalAdvance(shown) + 1;
            const int h = painter.fontMetrics().height();
            painter.drawLine(x, (height() - h) / 2, x, (height() + h) / 2);
        }
    }

    void Clicked(const QPoint& at) override {
        TakeTyped();
        if (UpArrow().contains(at)) ChangeTo(range.value + step);
        else if (DownArrow().contains(at)) ChangeTo(range.value - step);
    }
    void wheelEvent(QWheelEvent* e) override {
        TakeTyped();
        ChangeTo(range.value + (e->angleDelta().y() > 0 ? step : -step));
    }
    void keyPressEvent(QKeyEvent* e) override {
        const int key = e->key();
        if (key >= Qt::Key_0 && key <= Qt::Key_9) {
            // No more digits than the largest value has: a held key cannot overflow the number.
            if (typed.size() < QString::number(std::max(std::abs(range.minimum), std::abs(range.maximum))).size())
                typed += QChar('0' + (key - Qt::Key_0));
            update();
        } else if (key == Qt::Key_Backspace) {
            typed.chop(1);
            update();
        } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter takes the number; with nothing typed it is the dialog's, which confirms.
            if (typed.isEmpty()) return QWidget::keyPressEvent(e);
            TakeTyped();
        } else if (key == Qt::Key_Escape && !typed.isEmpty()) {
            typed.clear();
            update();
        } else if (key == Qt::Key_Up || key == Qt::Key_Down) {
            TakeTyped();
            ChangeTo(range.value + (key == Qt::Key_Up ? step : -step));
        } else {
            QWidget::keyPressEvent(e);
        }
    }
    void focusInEvent(QFocusEvent* e) override {
        update();
        QWidget::focusInEvent(e);
    }
    void focusOutEvent(QFocusEvent* e) override {
        TakeTyped();
        update();
        QWidget::focusOutEvent(e);
    }

private:
    void ChangeTo(int v) {
        if (!range.Set(v)) return;
        update();
        NotifySink(static_cast<CKXNumSpiner*>(owner), [this](auto* sink, int id) { sink->SPIN_OnValueChanged(id, range.value); });
    }
};

const auto WidgetOf = &KXQt::WidgetAs<CSpinerWidget>;

}  // namespace

CKXNumSpiner::CKXNumSpiner(IKXNumSpinerEvent* sink) : CKXWindow(KXQt::MakeImpl<CSpinerWidget>()), m_sink(sink) {}
CKXNumSpiner::~CKXNumSpiner() = default;

void CKXNumSpiner::SetSkin(const KXSpinerSkin& skin) {
    if (CSpinerWidget* widget = WidgetOf(this)) {
        widget->skin = skin;
        widget->update();
    }
}

void CKXNumSpiner::SetRange(int minimum, int maximum) {
    CSpinerWidget* widget = WidgetOf(this);
    if (!widget) return;
    widget->range.SetRange(minimum, maximum);
    widget->update();
}

void CKXNumSpiner::SetStep(int step) {
    if (CSpinerWidget* widget = WidgetOf(this)) widget->step = std::max(1, step);
}

void CKXNumSpiner::SetValue(int value) {
    CSpinerWidget* widget = WidgetOf(this);
    if (!widget) return;
    widget->range.Set(value);
    widget->update();
}

void CKXNumSpiner::TakeTypedValue() {
    if (CSpinerWidget* widget = WidgetOf(this)) widget->TakeTyped();
}

std::wstring CKXNumSpiner::GetTypedText() const {
    CSpinerWidget* widget = WidgetOf(this);
    return widget ? KXQt::ToWString(widget->typed) : std::wstring();
}

int CKXNumSpiner::GetValue() const {
    CSpinerWidget* widget = WidgetOf(this);
    return widget ? widget->range.value : 0;
}
