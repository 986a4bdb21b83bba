#pragma once
// A widget the toolkit draws itself from skin images: it follows hover and press so that the
// images of those looks can be chosen, and takes no keyboard focus (keys belong to the dialog,
// where shortcuts such as Space live).
#include <QEnterEvent>
#include <QEvent>
#include <QMouseEvent>
#include <QWidget>

#include "Toolkit/Qt/WidgetLink.h"

namespace KXQt {

// Set (true) on a control that takes typed keys once it has the focus: the window-wide shortcuts
// leave it its keys, as they do a text field.
inline constexpr char kTakesKeys[] = "kxTakesKeys";

class CPaintedWidget : public QWidget, public CWidgetLink {
public:
    CPaintedWidget() {
        setAttribute(Qt::WA_Hover);
        setFocusPolicy(Qt::NoFocus);
    }
    QWidget* Widget() override { return this; }

protected:
    bool Hovered() const { return m_hover; }
    bool Pressed() const { return m_pressed; }
    // A left-button press and release over the widget.
    virtual void Clicked(const QPoint& at) {}

    void enterEvent(QEnterEvent*) override {
        m_hover = true;
        update();
    }
    void leaveEvent(QEvent*) override {
        m_hover = false;
        update();
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
        m_pressed = true;
        update();
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton || !m_pressed) return QWidget::mouseReleaseEvent(e);
        m_pressed = false;
        update();
        if (rect().contains(e->position().toPoint())) Clicked(e->position().toPoint());
    }

private:
    bool m_hover = false;
    bool m_pressed = false;
};

}  // namespace KXQt
