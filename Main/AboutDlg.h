#pragma once
// The about dialog: the product's picture, version and copyright, and a link to its web site.
#include <memory>

#include "Toolkit/EventSinks.h"

class CKXButton;
class CKXDialog;
class CKXPictureCtrl;
class CKXStatic;
class CKXWindow;

class CAboutDlgEventImp : public IKXDialogEvent, public IKXButtonEvent {
public:
    static constexpr int kLink = 2189;
    explicit CAboutDlgEventImp(CKXWindow* parent);
    ~CAboutDlgEventImp() override;
    void Show();
    CKXDialog* Window() const { return m_dialog.get(); }

    int OnDlgCreate(int argument) override;
    void BTN_OnClicked(int id) override;

private:
    std::unique_ptr<CKXDialog> m_dialog;
    std::unique_ptr<CKXPictureCtrl> m_picture;
    std::unique_ptr<CKXStatic> m_version, m_copyright;
    std::unique_ptr<CKXButton> m_link;
};
