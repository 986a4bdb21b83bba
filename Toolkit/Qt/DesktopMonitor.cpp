#include "Toolkit/Qt/DesktopMonitor.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <QScreen>

#include "Toolkit/EventSinks.h"
#include "Toolkit/Qt/DialogCommands.h"

namespace KXQt {

CDesktopMonitor::CDesktopMonitor() {
    // The freedesktop service and GNOME's own both say when the lock screen comes and goes. A
    // process outside a desktop session has no session bus, and none is started for it.
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.connect("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
                    "ActiveChanged", this, SLOT(OnScreenSaverActive(bool)));
        bus.connect("org.gnome.ScreenSaver", "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged", this,
                    SLOT(OnScreenSaverActive(bool)));
    }
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app) return;
    for (QScreen* screen : QGuiApplication::screens()) WatchScreen(screen);
    connect(app, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        WatchScreen(screen);
        ReportDisplayChange();
    });
    connect(app, &QGuiApplication::screenRemoved, this, [] { ReportDisplayChange(); });
    connect(app, &QGuiApplication::primaryScreenChanged, this, [] { ReportDisplayChange(); });
}

void CDesktopMonitor::WatchScreen(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, [] { ReportDisplayChange(); });
}

void CDesktopMonitor::OnScreenSaverActive(bool active) { ReportScreenLock(active); }

void CDesktopMonitor::ReportScreenLock(bool locked) {
    ForEachDialogSink([locked](IKXDialogEvent* sink) { sink->OnMsgScreenLock(locked ? 1 : 0); });
}

void CDesktopMonitor::ReportDisplayChange() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const int depth = screen->depth();
    const QSize size = screen->geometry().size();
    ForEachDialogSink([&](IKXDialogEvent* sink) { sink->OnDisplayChange(depth, size.width(), size.height()); });
}

}  // namespace KXQt
