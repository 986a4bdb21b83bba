#include "Toolkit/EditCtrl.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>

#include "Toolkit/EventSinks.h"
#include "Toolkit/Qt/Skin.h"
#include "Toolkit/Qt/Text.h"
#include "Toolkit/Qt/WidgetLink.h"

namespace {

using namespace KXQt;

class CEditWidget : public QLineEdit, public CWidgetLink {
public:
    CEditWidget() {
        connect(this, &QLineEdit::textEdited, this, [this] {
            m_dirty = true;
            NotifySink(Edit(), [](auto* sink, int id) { sink->EDIT_OnChanged(id); });
        });
        connect(this, &QLineEdit::editingFinished, this, [this] { Commit(); });
    }
    QWidget* Widget() override { return this; }
    void SetText(const QString& text) override {
        m_dirty = false;
        setText(text);
    }
    QString Text() const override { return text(); }
    void SetBackground(const std::wstring& image) {
        m_background = image;
        const bool skinned = !SkinImage(image).isNull();
        setFrame(!skinned);
        // The image shows through where the desktop would fill the field.
        QPalette p = palette();
        p.setColor(QPalette::Base, skinned ? QColor(Qt::transparent) : QApplication::palette().color(QPalette::Base));
        setPalette(p);
        setTextMargins(skinned ? 4 : 0, 0, 0, 0);
        update();
    }
    void SetTextColor(const QColor& color) override {
        CWidgetLink::SetTextColor(color);
        QPalette p = palette();
        p.setColor(QPalette::Text, color);
        setPalette(p);
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        const QPixmap image = SkinImage(m_background);
        if (!image.isNull()) {
            QPainter painter(this);
            DrawImage(painter, rect(), image, QRect(), FillMode::Stretch);
        }
        QLineEdit::paintEvent(e);
    }

private:
    CKXEditCtrl* Edit() const { return static_cast<CKXEditCtrl*>(owner); }
    // Enter, or the focus leaving after the user changed the text.
    void Commit() {
        if (!m_dirty) return;
        m_dirty = false;
        const std::wstring value = ToWString(text());
        NotifySink(Edit(), [&value](auto* sink, int id) { sink->EDIT_OnCommit(id, value.c_str()); });
    }

    bool m_dirty = false;
    std::wstring m_background;
};

const auto WidgetOf = &KXQt::WidgetAs<CEditWidget>;

}  // namespace

CKXEditCtrl::CKXEditCtrl(IKXEditCtrlEvent* sink) : CKXWindow(KXQt::MakeImpl<CEditWidget>()), m_sink(sink) {}
CKXEditCtrl::~CKXEditCtrl() = default;

void CKXEditCtrl::SetWindowText(const std::wstring& text) {
    if (CEditWidget* widget = WidgetOf(this)) widget->SetText(ToQString(text));
}

void CKXEditCtrl::SetLimitText(int maxChars) {
    if (CEditWidget* widget = WidgetOf(this)) widget->setMaxLength(maxChars > 0 ? maxChars : 32767);
}

void CKXEditCtrl::SetReadOnly(int on) {
    if (CEditWidget* widget = WidgetOf(this)) widget->setReadOnly(on != 0);
}

void CKXEditCtrl::SetBackground(const std::wstring& image) {
    if (CEditWidget* widget = WidgetOf(this)) widget->SetBackground(image);
}
