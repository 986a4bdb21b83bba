#pragma once
// The toolkit's tests run with a real application object on the offscreen platform, made once
// on the main thread (which is the UI thread for them), and the UI thread's loop control
// installed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdlib>
#include <functional>

#include "Toolkit/MessageControlQt.h"

namespace TarvexTest {

class ToolkitEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "toolkit_tests";
        static char* argv[] = {name, nullptr};
        m_app = new QApplication(argc, argv);
        TarvexBase::InstallUIThreadControl();
    }
    void TearDown() override {
        delete m_app;
        m_app = nullptr;
    }

private:
    QApplication* m_app = nullptr;
};

// Runs the UI thread's events until `done` or the limit; false on the limit.
inline bool PumpUntil(const std::function<bool()>& done, int limitMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace TarvexTest
