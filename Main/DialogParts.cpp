#include "Main/DialogParts.h"

#include <cmath>

#include "App/Language.h"
#include "Toolkit/Button.h"
#include "Toolkit/EditCtrl.h"
#include "Toolkit/Static.h"
#include "Toolkit/UIFactory.h"

using TarvexApp::Translate;

namespace DialogParts {

std::unique_ptr<CKXStatic> Label(CKXWindow* parent, const wchar_t* english, const CKXRect& at) {
    std::unique_ptr<CKXStatic> s(CKXUIFactory::CreateUIStatic(nullptr));
    s->Create(english, KX_WS_CHILD | KX_WS_VISIBLE, at, parent, 0);
    s->SetWindowText(english[0] ? Translate(english) : std::wstring());
    return s;
}

std::unique_ptr<CKXEditCtrl> Edit(CKXWindow* parent, IKXEditCtrlEvent* sink, const CKXRect& at, int id) {
    std::unique_ptr<CKXEditCtrl> edit(CKXUIFactory::CreateUIEditCtrl(sink));
    edit->SetBackground(L"bg_edit.png");
    edit->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, at, parent, id);
    edit->SetTextColor(L"1b1f26");  // dark on the light box
    return edit;
}

std::unique_ptr<CKXButton> Button(CKXWindow* parent, IKXButtonEvent* sink, const wchar_t* english, const CKXRect& at, int id) {
    std::unique_ptr<CKXButton> b(CKXUIFactory::CreateUIButton(sink));
    b->SetImages(L"btn_commongnor_short.png", L"btn_commongnor_short.png", L"btn_commondown_short.png");
    b->Create(english, KX_WS_CHILD | KX_WS_VISIBLE, at, parent, id);
    b->SetWindowText(Translate(english));
    return b;
}

std::wstring Percent(double done) {
    return std::to_wstring(static_cast<int>(std::floor(std::max(0.0, std::min(1.0, done)) * 100))) + L"%";
}

}  // namespace DialogParts
