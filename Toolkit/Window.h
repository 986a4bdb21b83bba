#pragma once
// A window of the toolkit: every dialog, view and control is one. It is made by a factory call
// (hidden and without a parent), placed with `Create`, and released with the matching destroy
// call. All calls are made on the UI thread. A window whose native side is gone (its parent was
// destroyed first) ignores every call and answers with zeros.
#include <memory>
#include <string>
#include <vector>

#include "Toolkit/UITypes.h"

class CKXWindow {
public:
    virtual ~CKXWindow();
    CKXWindow(const CKXWindow&) = delete;
    CKXWindow& operator=(const CKXWindow&) = delete;

    // Places the window: its name (a dialog's title until one is set), style (KX_WS_...), its
    // rectangle in the parent's client coordinates (on the desktop for a window without a
    // parent), its parent and its control id. Nonzero on success; a second call fails.
    int Create(const wchar_t* name, unsigned int style, const CKXRect& rect, CKXWindow* parent, int ctrlId);
    int IsCreated() const;

    int GetDlgCtrlID() const;
    std::wstring GetName() const;
    CKXWindow* GetParent() const;

    void MoveWindow(const CKXRect& rect);
    void MoveWindow(int x, int y, int width, int height) { MoveWindow(CKXRect::FromSize(x, y, width, height)); }
    CKXRect GetWindowRect() const;  // in the parent's client coordinates
    CKXRect GetClientRect() const;  // from 0, 0
    CKXPoint ClientToScreen(const CKXPoint& p) const;

    void ShowWindow(int command);  // KX_SW_SHOW or KX_SW_HIDE
    int IsWindowVisible() const;
    void EnableWindow(int enable);
    int IsWindowEnabled() const;

    virtual void SetWindowText(const std::wstring& text);
    std::wstring GetWindowText() const;
    // 1 when the text, as drawn, is wider than the room the window gives it: cut off on screen.
    int IsTextWiderThanBox() const;
    void SetToolTip(const std::wstring& text);
    // Face (empty: the toolkit's), size in pixels (0: the toolkit's), bold.
    void SetFont(const std::wstring& face, int pixelSize, int bold);
    // Colours as six hex digits, "RRGGBB".
    void SetTextColor(const std::wstring& rgb);

    void SetFocus();
    int HasFocus() const;
    void Invalidate();
    void BringWindowToTop();

    // The toolkit's side of the window.
    struct Impl;
    Impl& GetImpl() const { return *m_impl; }

protected:
    explicit CKXWindow(std::unique_ptr<Impl> impl);
    // After `Create` has placed the window: dialogs and views raise their creation events here.
    virtual void OnCreated() {}

private:
    std::unique_ptr<Impl> m_impl;
};

// Every window shown inside `root` (and `root` itself) whose text is wider than its box, so that a
// check can walk a whole dialog or page in each language.
std::vector<CKXWindow*> FindTextsWiderThanBox(const CKXWindow& root);
