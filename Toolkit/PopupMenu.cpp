// A menu of commands at a point of a window, chosen from before the call returns.
#include <QMenu>

#include "Toolkit/Qt/Text.h"
#include "Toolkit/Qt/WidgetLink.h"
#include "Toolkit/UIFactory.h"

int CKXUIFactory::TrackPopupMenu(CKXWindow* owner, const std::vector<std::wstring>& items, int x, int y) {
    KXQt::CWidgetLink* link = owner ? owner->GetImpl().Link() : nullptr;
    if (!link || items.empty()) return -1;
    QWidget* widget = link->Widget();
    QMenu menu(widget);
    for (std::size_t i = 0; i < items.size(); ++i) menu.addAction(KXQt::ToQString(items[i]))->setData(static_cast<int>(i));
    const QAction* chosen = menu.exec(widget->mapToGlobal(QPoint(x, y)));
    return chosen ? chosen->data().toInt() : -1;
}
