#pragma once
// The main window the program opens until the player's own main window is built: a window of the
// toolkit titled with the product's name, showing the path it was started with. Closing it ends
// the main loop.
#include <memory>
#include <string>

#include "Toolkit/EventSinks.h"

class CKXDialog;
class CKXPictureCtrl;
class CKXStatic;

namespace TarvexApp {

class CStartupWindow : public IKXDialogEvent {
public:
    // path: the first command-line argument, or empty.
    explicit CStartupWindow(const std::string& path);
    ~CStartupWindow() override;

    int OnDlgCreate(int argument) override;
    void OnDlgSize(int type, int width, int height) override;
    void OnDlgFileDrop(const wchar_t* path) override;

    CKXDialog* Window() const { return m_window; }
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
    CKXDialog* m_window = nullptr;
    CKXPictureCtrl* m_logo = nullptr;
    CKXStatic* m_text = nullptr;
};

}  // namespace TarvexApp
