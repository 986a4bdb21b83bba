#include "Toolkit/Qt/KeyCodes.h"

#include <QKeyEvent>
#include <QKeySequence>

#include "Toolkit/UITypes.h"

namespace KXQt {

int VirtualKey(const QKeyEvent& event) {
    const int key = event.key();
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)) return key;  // same numbers
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return KX_VK_F1 + (key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Backspace: return KX_VK_BACK;
        case Qt::Key_Tab: case Qt::Key_Backtab: return KX_VK_TAB;
        case Qt::Key_Return: case Qt::Key_Enter: return KX_VK_RETURN;
        case Qt::Key_Shift: return KX_VK_SHIFT;
        case Qt::Key_Control: return KX_VK_CONTROL;
        case Qt::Key_Alt: return KX_VK_MENU;
        case Qt::Key_Escape: return KX_VK_ESCAPE;
        case Qt::Key_Space: return KX_VK_SPACE;
        case Qt::Key_PageUp: return KX_VK_PRIOR;
        case Qt::Key_PageDown: return KX_VK_NEXT;
        case Qt::Key_End: return KX_VK_END;
        case Qt::Key_Home: return KX_VK_HOME;
        case Qt::Key_Left: return KX_VK_LEFT;
        case Qt::Key_Up: return KX_VK_UP;
        case Qt::Key_Right: return KX_VK_RIGHT;
        case Qt::Key_Down: return KX_VK_DOWN;
        case Qt::Key_Delete: return KX_VK_DELETE;
        default: return 0;
    }
}

QKeySequence SequenceOf(int virtualKey, int flags) {
    int key = 0;
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z')) key = virtualKey;
    else if (virtualKey >= KX_VK_F1 && virtualKey < KX_VK_F1 + 24) key = Qt::Key_F1 + (virtualKey - KX_VK_F1);
    else {
        switch (virtualKey) {
            case KX_VK_ESCAPE: key = Qt::Key_Escape; break;
            case KX_VK_SPACE: key = Qt::Key_Space; break;
            case KX_VK_RETURN: key = Qt::Key_Return; break;
            case KX_VK_LEFT: key = Qt::Key_Left; break;
            case KX_VK_UP: key = Qt::Key_Up; break;
            case KX_VK_RIGHT: key = Qt::Key_Right; break;
            case KX_VK_DOWN: key = Qt::Key_Down; break;
            case KX_VK_PRIOR: key = Qt::Key_PageUp; break;
            case KX_VK_NEXT: key = Qt::Key_PageDown; break;
            case KX_VK_HOME: key = Qt::Key_Home; break;
            case KX_VK_END: key = Qt::Key_End; break;
            case KX_VK_DELETE: key = Qt::Key_Delete; break;
            default: return QKeySequence();
        }
    }
    Qt::KeyboardModifiers modifiers;
    if (flags & KX_KEY_SHIFT) modifiers |= Qt::ShiftModifier;
    if (flags & KX_KEY_CONTROL) modifiers |= Qt::ControlModifier;
    if (flags & KX_KEY_ALT) modifiers |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(key)));
}

int KeyFlags(const QKeyEvent& event) {
    int flags = 0;
    if (event.modifiers() & Qt::ShiftModifier) flags |= KX_KEY_SHIFT;
    if (event.modifiers() & Qt::ControlModifier) flags |= KX_KEY_CONTROL;
    if (event.modifiers() & Qt::AltModifier) flags |= KX_KEY_ALT;
    if (event.isAutoRepeat()) flags |= KX_KEY_REPEAT;
    return flags;
}

}  // namespace KXQt
