#pragma once
// The native side of a toolkit window. Every widget the toolkit makes is a QWidget and a
// CWidgetLink: the link names the toolkit window that owns it (null once that is released) and
// carries what every window has, its text and text colour.
#include <QColor>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <string>
#include <utility>

#include "Toolkit/Window.h"

namespace KXQt {

class CWidgetLink {
public:
    virtual ~CWidgetLink() = default;
    virtual QWidget* Widget() = 0;
    // Where the window's children go (a dialog's client area).
    virtual QWidget* Content() { return Widget(); }
    // Puts the widget in its parent (or on the desktop) at its rectangle.
    virtual void Place(QWidget* parent, const QRect& rect);

    virtual void SetText(const QString& text);
    virtual QString Text() const { return m_text; }
    virtual void SetTextColor(const QColor& color);
    QColor TextColor() const;
    // Whether the window's text, as drawn, fits the room it is drawn in. Windows whose text
    // scrolls (edits) or is shortened on purpose (with the whole in a tooltip) say it fits.
    virtual bool TextFits() { return true; }

    CKXWindow* owner = nullptr;

protected:
    QString m_text;
    QColor m_textColor;
};

// A call into a sink. A window released by the sink meanwhile is deleted once the event that
// called it has returned, never under it.
class CDispatchScope {
public:
    CDispatchScope();
    ~CDispatchScope();
    CDispatchScope(const CDispatchScope&) = delete;
    CDispatchScope& operator=(const CDispatchScope&) = delete;
    static bool Active();
};

CWidgetLink* LinkOf(QWidget* widget);

// Whether a single line of `text` in the widget's font fits `box` (wrapped: its lines fit the box's
// height); the one measure every control uses for its own room.
bool TextFitsBox(const QWidget* widget, const QString& text, const QRect& box, bool wrap = false);

// Tells a control's sink of a user's action: `call(sink, control id)`, inside a dispatch scope;
// nothing when the control is gone or has no sink.
template <class Control, class Call>
void NotifySink(Control* control, Call&& call) {
    if (!control || !control->GetSink()) return;
    CDispatchScope scope;
    call(control->GetSink(), control->GetDlgCtrlID());
}

}  // namespace KXQt

struct CKXWindow::Impl {
    Impl(QWidget* widget, KXQt::CWidgetLink* link) : widget(widget), link(link) {}
    QPointer<QWidget> widget;
    KXQt::CWidgetLink* link;  // the same object as the widget: valid while `widget` is
    CKXWindow* parent = nullptr;
    std::wstring name;
    int id = 0;
    bool created = false;

    // The link while the native side lives.
    KXQt::CWidgetLink* Link() const { return widget ? link : nullptr; }
};

namespace KXQt {

// The native widget of a toolkit window as the type its maker gave it; null once it is gone.
template <class Widget>
Widget* WidgetAs(const CKXWindow* window) {
    return static_cast<Widget*>(window->GetImpl().Link());
}

// The native side of a new toolkit window: a `Widget` is both the QWidget and its link.
template <class Widget, class... Args>
std::unique_ptr<CKXWindow::Impl> MakeImpl(Args&&... args) {
    auto* widget = new Widget(std::forward<Args>(args)...);
    return std::make_unique<CKXWindow::Impl>(widget, widget);
}

}  // namespace KXQt
