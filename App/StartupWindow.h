#pragma once
// The main window the program opens until the player's own main window is built: a window of the
// toolkit titled with the product's name, showing the path it was started with. Closing it ends
// the main loop.
#include <memory>
#include <string>

#include "App/FileTypes.h"
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

    // The association question of start-up, kept for the message dialog of the player's main
    // window, which asks it (and associates every record format on OK).
    void OfferFileTypes(const FileTypeOffer& offer) { m_fileTypes = offer; }
    const FileTypeOffer& FileTypes() const { return m_fileTypes; }

    CKXDialog* Window() const { return m_window; }
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
    FileTypeOffer m_fileTypes;
    CKXDialog* m_window = nullptr;
    CKXPictureCtrl* m_logo = nullptr;
    CKXStatic* m_text = nullptr;
};

}  // namespace TarvexApp
