#pragma once
// The pieces the look-through dialogs (evidence, motion search) are built of, made the same way:
// labels in the panels' text, edits on the light box, buttons on the common button face.
#include <memory>
#include <string>

#include "Toolkit/UITypes.h"

class CKXButton;
class CKXEditCtrl;
class CKXStatic;
class CKXWindow;
class IKXButtonEvent;
class IKXEditCtrlEvent;

namespace DialogParts {

// The texts are English and translated here.
std::unique_ptr<CKXStatic> Label(CKXWindow* parent, const wchar_t* english, const CKXRect& at);
std::unique_ptr<CKXEditCtrl> Edit(CKXWindow* parent, IKXEditCtrlEvent* sink, const CKXRect& at, int id);
std::unique_ptr<CKXButton> Button(CKXWindow* parent, IKXButtonEvent* sink, const wchar_t* english, const CKXRect& at, int id);
// "42%" and the step, for a progress line.
std::wstring Percent(double done);

}  // namespace DialogParts
