#pragma once
// A message posted to a dialog with `CKXUIFactory::UIPostMessage`, as an event of the toolkit's
// queue: it reaches the dialog on the UI thread, after what was queued before it.
#include <QEvent>

#include <cstdint>

namespace KXQt {

QEvent::Type PostedMessageType();

class CPostedMessage : public QEvent {
public:
    CPostedMessage(int code, std::intptr_t data) : QEvent(PostedMessageType()), code(code), data(data) {}
    const int code;
    const std::intptr_t data;
};

}  // namespace KXQt
