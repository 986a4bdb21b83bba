#pragma once
// The toolkit's tests run with a real application object on the offscreen platform, made once on
// the main thread (which is the UI thread for them), the toolkit installed on it, the program
// folder in a fresh temporary folder and the skin painted by the build.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "Toolkit/EventSinks.h"
#include "Toolkit/UIFactory.h"
#include "Toolkit/Window.h"
#include "Toolkit/Qt/Text.h"
#include "Toolkit/Qt/WidgetLink.h"

namespace TarvexTest {

// An empty command line for a toolkit that adopts the application object it finds.
inline int& NoArguments() {
    static int argc = 0;
    argc = 0;
    return argc;
}

class ToolkitEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");  // the tests stand in for the desktop themselves
        char home[] = "/tmp/tarvex-toolkit-XXXXXX";
        if (mkdtemp(home)) setenv("TARVEX_HOME", home, 1);
        static int argc = 1;
        static char name[] = "toolkit_tests";
        static char* argv[] = {name, nullptr};
        m_app = new QApplication(argc, argv);
        ASSERT_EQ(1, CKXUIFactory::Install(NoArguments(), nullptr)) << "the toolkit adopts the application it finds";
        CKXUIFactory::SetResourcePath(KXQt::PathFromQString(QStringLiteral(TARVEX_SKIN_DIR)));
    }
    void TearDown() override {
        CKXUIFactory::UnInstall();
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

// Runs the UI thread's events that wait now.
inline void ProcessEvents() { QCoreApplication::processEvents(); }

// Runs the UI thread's events for about `ms` milliseconds (for tests that must see that nothing
// more comes, never to wait for something to happen).
inline void PumpFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    } while (clock.elapsed() < ms);
}

// The native widget behind a toolkit window, for driving it with input.
inline QWidget* NativeOf(const CKXWindow* window) {
    auto* link = window ? window->GetImpl().Link() : nullptr;
    return link ? link->Widget() : nullptr;
}

// A sink of every simple control and of dialogs and views that writes down what it hears, one
// line per notification ("BTN 7", "RB_State 9 1 click").
class CJournalSink : public IKXDialogEvent, public IKXViewEvent, public IKXButtonEvent, public IKXRadioBoxEvent,
                     public IKXStaticEvent, public IKXComboBoxEvent, public IKXEditCtrlEvent, public IKXSliderCtrlEvent,
                     public IKXNumSpinerEvent, public IKXPictureCtrlEvent {
public:
    std::vector<std::string> lines;
    int closeAnswer = 1;
    std::function<void(int)> onButton;  // runs inside BTN_OnClicked

    void Note(const std::string& line) { lines.push_back(line); }
    std::string Last() const { return lines.empty() ? std::string() : lines.back(); }
    bool Heard(const std::string& line) const {
        for (const auto& l : lines)
            if (l == line) return true;
        return false;
    }

    int OnDlgCreate(int argument) override {
        Note("DlgCreate " + std::to_string(argument));
        return 1;
    }
    int Dlg_Close() override {
        Note("DlgClose");
        return closeAnswer;
    }
    int Dlg_OnOK() override {
        Note("OK");
        return 1;
    }
    int Dlg_OnCancel() override {
        Note("Cancel");
        return 1;
    }
    int OnDlgKeyDown(int key, int flags) override {
        Note("Key " + std::to_string(key) + " " + std::to_string(flags));
        return key == 27 || key == 13 ? 0 : 1;
    }
    void OnDlgTimer(int id) override { Note("Timer " + std::to_string(id)); }
    void OnDlgFileDrop(const wchar_t* path) override {
        std::string narrow;
        for (const wchar_t* p = path; *p; ++p) narrow += static_cast<char>(*p < 128 ? *p : '?');
        Note("Drop " + narrow);
    }
    void OnDlgMessage(int code, std::intptr_t data) override {
        Note("Msg " + std::to_string(code) + " " + std::to_string(data));
    }
    void OnMsgScreenLock(int locked) override { Note("Lock " + std::to_string(locked)); }
    void OnDisplayChange(int bits, int width, int height) override { Note("Display"); }
    void OnCreate() override { Note("ViewCreate"); }
    void OnSize(int type, int width, int height) override {
        Note("ViewSize " + std::to_string(width) + "x" + std::to_string(height));
    }
    void BTN_OnClicked(int id) override {
        Note("BTN " + std::to_string(id));
        if (onButton) onButton(id);
    }
    void RB_OnClicked(int id, int checked, int x, int y) override {
        Note("RB_Click " + std::to_string(id) + " " + std::to_string(checked) + " " + std::to_string(x) + "," +
             std::to_string(y));
    }
    void RB_OnStateChanged(int id, int checked, int byClick) override {
        Note("RB_State " + std::to_string(id) + " " + std::to_string(checked) + (byClick ? " click" : " set"));
    }
    void STC_OnClicked(int id) override { Note("STC " + std::to_string(id)); }
    void CB_OnSelChanged(int id, int index) override { Note("CB " + std::to_string(id) + " " + std::to_string(index)); }
    void EDIT_OnCommit(int id, const wchar_t* text) override {
        Note("EditCommit " + std::to_string(id) + " " + std::string(text, text + std::wcslen(text)));
    }
    void SLD_OnPosChanged(int id, int position) override {
        Note("SLD " + std::to_string(id) + " " + std::to_string(position));
    }
    void SPIN_OnValueChanged(int id, int value) override {
        Note("SPIN " + std::to_string(id) + " " + std::to_string(value));
    }
    void PIC_OnClicked(int id) override { Note("PIC " + std::to_string(id)); }
};

}  // namespace TarvexTest
