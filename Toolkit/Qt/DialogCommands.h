#pragma once
// What the rest of the toolkit asks of dialogs: a button's confirm or cancel, and the desktop's
// news (screen lock, display change) that every live dialog hears.
#include <functional>

class QWidget;
class IKXDialogEvent;

namespace KXQt {

// id 1 confirms, id 2 cancels the dialog that holds the widget; other ids do nothing.
void RunDialogCommand(QWidget* from, int buttonId);

// Calls `notify` with the sink of every dialog that exists, oldest first. A dialog released
// meanwhile is skipped.
void ForEachDialogSink(const std::function<void(IKXDialogEvent*)>& notify);

}  // namespace KXQt
