#pragma once
// Listens to the desktop for what every dialog is told: the session's screen lock (from the
// screen saver's D-Bus service, where the session has one) and changes of the primary screen.
#include <QObject>

class QScreen;

namespace KXQt {

class CDesktopMonitor : public QObject {
    Q_OBJECT
public:
    CDesktopMonitor();

    // What the desktop's signals end in; public so that a test can stand in for the desktop.
    static void ReportScreenLock(bool locked);
    static void ReportDisplayChange();

private slots:
    void OnScreenSaverActive(bool active);

private:
    void WatchScreen(QScreen* screen);
};

}  // namespace KXQt
