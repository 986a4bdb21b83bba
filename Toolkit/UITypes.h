#pragma once
// The plain types the toolkit's contract speaks in: rectangles and points in pixels, window
// styles, key codes and the answers of a dialog. Nothing here knows the library underneath.
#include <cstdint>

struct CKXPoint {
    int x = 0;
    int y = 0;
};

// Left, top, right and bottom edges; right and bottom are one past the last pixel.
struct CKXRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    CKXRect() = default;
    CKXRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
    // From an origin and a size, the way the skins write rectangles ("x,y,width,height").
    static CKXRect FromSize(int x, int y, int width, int height) { return CKXRect(x, y, x + width, y + height); }

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsRectEmpty() const { return right <= left || bottom <= top; }

    void OffsetRect(int dx, int dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    void DeflateRect(int dx, int dy) { DeflateRect(dx, dy, dx, dy); }
    void DeflateRect(int l, int t, int r, int b) {
        left += l;
        top += t;
        right -= r;
        bottom -= b;
    }
    // The right and bottom edges are outside, as everywhere in the toolkit.
    bool PtInRect(const CKXPoint& p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    bool PtInRect(int x, int y) const { return PtInRect(CKXPoint{x, y}); }

    bool operator==(const CKXRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const CKXRect& o) const { return !(*this == o); }
};

// Window styles the toolkit reads; other bits are accepted and ignored.
constexpr unsigned int KX_WS_CHILD = 0x40000000u;
constexpr unsigned int KX_WS_VISIBLE = 0x10000000u;
constexpr unsigned int KX_WS_DISABLED = 0x08000000u;

// ShowWindow commands.
constexpr int KX_SW_HIDE = 0;
constexpr int KX_SW_SHOW = 5;

// What a dialog ended with, and the ids of the buttons that confirm and cancel it.
constexpr int KX_IDOK = 1;
constexpr int KX_IDCANCEL = 2;

// The window message that asks a window to close.
constexpr int KX_WM_CLOSE = 16;

// The size types of a dialog's size notification.
constexpr int KX_SIZE_RESTORED = 0;
constexpr int KX_SIZE_MINIMIZED = 1;
constexpr int KX_SIZE_MAXIMIZED = 2;

// Key codes of the key notifications (the desktop's virtual-key numbers): letters and digits are
// their upper-case characters.
constexpr int KX_VK_BACK = 8;
constexpr int KX_VK_TAB = 9;
constexpr int KX_VK_RETURN = 13;
constexpr int KX_VK_SHIFT = 16;
constexpr int KX_VK_CONTROL = 17;
constexpr int KX_VK_MENU = 18;
constexpr int KX_VK_ESCAPE = 27;
constexpr int KX_VK_SPACE = 32;
constexpr int KX_VK_PRIOR = 33;
constexpr int KX_VK_NEXT = 34;
constexpr int KX_VK_END = 35;
constexpr int KX_VK_HOME = 36;
constexpr int KX_VK_LEFT = 37;
constexpr int KX_VK_UP = 38;
constexpr int KX_VK_RIGHT = 39;
constexpr int KX_VK_DOWN = 40;
constexpr int KX_VK_DELETE = 46;
constexpr int KX_VK_F1 = 112;  // F2..F12 follow
// Flags of a key notification.
constexpr int KX_KEY_SHIFT = 1;
constexpr int KX_KEY_CONTROL = 2;
constexpr int KX_KEY_ALT = 4;
constexpr int KX_KEY_REPEAT = 8;

// File dialog modes.
constexpr int KX_FILEDLG_SAVE = 0;
constexpr int KX_FILEDLG_OPEN = 1;
constexpr int KX_FILEDLG_FOLDER = 2;
// Open-file flags the callers pass; the toolkit's dialog is always resizable and never offers
// read-only opening, so only the overwrite question and the choice of folders change what it does.
constexpr unsigned int KX_OFN_OVERWRITEPROMPT = 0x00000002u;
constexpr unsigned int KX_OFN_HIDEREADONLY = 0x00000004u;
constexpr unsigned int KX_OFN_ENABLESIZING = 0x00800000u;
// An open dialog that also takes a folder: its "Open Folder" button chooses the folder selected
// in it, or the one it shows.
constexpr unsigned int KX_OFN_FOLDERSTOO = 0x10000000u;
