#pragma once
// The desktop's virtual-key numbers for a key event, as the key notifications give them.
class QKeyEvent;
class QKeySequence;

namespace KXQt {

// 0 for a key without a number.
int VirtualKey(const QKeyEvent& event);
// KX_KEY_SHIFT, KX_KEY_CONTROL, KX_KEY_ALT and KX_KEY_REPEAT.
int KeyFlags(const QKeyEvent& event);
// The key sequence of a virtual key with KX_KEY_SHIFT, KX_KEY_CONTROL and KX_KEY_ALT; an empty one
// for a key without a Qt key.
QKeySequence SequenceOf(int virtualKey, int flags);

}  // namespace KXQt
