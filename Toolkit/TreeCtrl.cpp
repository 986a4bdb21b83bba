#include "Toolkit/TreeCtrl.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <unordered_map>

#include "Toolkit/Qt/KeyCodes.h"
#include "Toolkit/Qt/Skin.h"
#include "Toolkit/Qt/Text.h"
#include "Toolkit/Qt/WidgetLink.h"

namespace {

using namespace KXQt;

constexpr int kDataRole = Qt::UserRole + 1;
constexpr int kCheckRole = Qt::UserRole + 2;
constexpr int kPlayingRole = Qt::UserRole + 3;
constexpr int kHandleRole = Qt::UserRole + 4;

// Handles are numbers drawn once per item for the life of the program, never the items'
// addresses: a handle that went out (through another loop and back) after its item was deleted
// must not name a newer item that happens to sit at the same address.
HKXTREEITEM NextHandle() {
    static HKXTREEITEM s_last = 0;  // UI thread only
    return ++s_last;
}

class CTreeWidget;

// Draws an item: its check box from the skin's strip, its text in the colour of its state.
class CItemDelegate : public QStyledItemDelegate {
public:
    explicit CItemDelegate(CTreeWidget* tree);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    static QRect CheckRect(const QRect& item, int size) {
        return QRect(item.left() + 2, item.top() + (item.height() - size) / 2, size, size);
    }

private:
    CTreeWidget* m_tree;
};

class CTreeWidget : public QTreeWidget, public CWidgetLink {
public:
    CTreeWidget() {
        setHeaderHidden(true);
        setColumnCount(1);
        setUniformRowHeights(true);
        setItemDelegate(new CItemDelegate(this));
        setIndentation(16);
        setFrameShape(QFrame::NoFrame);
        connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
            Notify([item](IKXTreeCtrlEvent* s, int id) { s->OnItemClick(Handle(item), id); });
        });
    }
    QWidget* Widget() override { return this; }

    static HKXTREEITEM Handle(QTreeWidgetItem* item) {
        return item ? static_cast<HKXTREEITEM>(item->data(0, kHandleRole).toULongLong()) : 0;
    }
    // The item behind a handle, or null for one that is not (any more) an item of this tree.
    QTreeWidgetItem* Item(HKXTREEITEM handle) const {
        if (!handle) return nullptr;
        const auto found = live.find(handle);
        return found == live.end() ? nullptr : found->second;
    }
    void Forget(QTreeWidgetItem* item) {
        live.erase(Handle(item));
        for (int i = 0; i < item->childCount(); ++i) Forget(item->child(i));
    }

    std::unordered_map<HKXTREEITEM, QTreeWidgetItem*> live;
    KXTreeSkin skin;
    QColor colors[4] = {Qt::white, Theme::Pressed(), Qt::white, QColor(0, 0xff, 0)};

    void ApplySkin(const KXTreeSkin& s) {
        skin = s;
        const QColor fallback[4] = {Theme::Text(), Theme::Pressed(), Theme::Text(), QColor(0, 0xff, 0)};
        for (int i = 0; i < 4; ++i) colors[i] = ParseColor(s.colors[i], fallback[i]);
        QPalette p = palette();
        p.setColor(QPalette::Base, Theme::Window());
        setPalette(p);
        doItemsLayout();
        viewport()->update();
    }

protected:
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override {
        // The selection runs under the branch marks too, in the skin's colour.
        painter->fillRect(rect, selectionModel()->isSelected(index) ? colors[1] : Theme::Window());
        if (!model()->hasChildren(index)) return;
        const int size = skin.markSize;
        const QRect at(rect.right() - indentation() + (indentation() - size) / 2, rect.top() + (rect.height() - size) / 2, size, size);
        const QPixmap marks = SkinImage(skin.stateImage);
        if (!marks.isNull()) {
            DrawImage(*painter, at, marks, QRect(isExpanded(index) ? size : 0, 0, size, size), FillMode::Stretch);
            return;
        }
        // No skin: a plain triangle, pointing down when open.
        const QPointF c = QRectF(at).center();
        const QPointF open[3] = {c + QPointF(-4, -2), c + QPointF(4, -2), c + QPointF(0, 3)};
        const QPointF shut[3] = {c + QPointF(-2, -4), c + QPointF(3, 0), c + QPointF(-2, 4)};
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(colors[0]);
        painter->drawPolygon(isExpanded(index) ? open : shut, 3);
        painter->restore();
    }
    void mousePressEvent(QMouseEvent* e) override {
        // A click on an item's check box toggles it; that is the user's change.
        const QModelIndex index = indexAt(e->position().toPoint());
        QTreeWidgetItem* item = itemFromIndex(index);
        if (item && e->button() == Qt::LeftButton &&
            CItemDelegate::CheckRect(visualRect(index), skin.markSize).contains(e->position().toPoint())) {
            const int checked = item->data(0, kCheckRole).toInt() ? 0 : 1;
            item->setData(0, kCheckRole, checked);
            Notify([item, checked](IKXTreeCtrlEvent* s, int id) { s->OnItemCheckChanged(Handle(item), checked, id); });
            return;
        }
        QTreeWidget::mousePressEvent(e);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        QTreeWidgetItem* item = itemAt(e->position().toPoint());
        if (item && e->button() == Qt::LeftButton)
            Notify([item](IKXTreeCtrlEvent* s, int id) { s->OnItemDbClick(Handle(item), -1, id); });
        if (owner) QTreeWidget::mouseDoubleClickEvent(e);  // a device or a day opens or closes too
    }
    void keyPressEvent(QKeyEvent* e) override {
        QTreeWidgetItem* item = currentItem();
        const int key = VirtualKey(*e);
        int handled = 0;
        if (key) Notify([&](IKXTreeCtrlEvent* s, int id) { handled = s->OnItemKeyDown(Handle(item), key, id); });
        if (!handled && owner) QTreeWidget::keyPressEvent(e);
    }

private:
    template <typename F>
    void Notify(F&& f) {
        NotifySink(static_cast<CKXTreeCtrl*>(owner), std::forward<F>(f));
    }
};

// The tree owns its delegate.
CItemDelegate::CItemDelegate(CTreeWidget* tree) : QStyledItemDelegate(tree), m_tree(tree) {}

void CItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const bool selected = option.state & QStyle::State_Selected;
    if (selected) painter->fillRect(option.rect, m_tree->colors[1]);
    const int size = m_tree->skin.markSize;
    const QRect box = CheckRect(option.rect, size);
    const bool checked = index.data(kCheckRole).toInt() != 0;
    const QPixmap boxes = SkinImage(m_tree->skin.checkboxImage);
    if (!boxes.isNull()) {
        DrawImage(*painter, box, boxes, QRect(checked ? size : 0, 0, size, size), FillMode::Stretch);
    } else {
        QStyleOptionButton check;
        check.rect = box;
        check.state = QStyle::State_Enabled | (checked ? QStyle::State_On : QStyle::State_Off);
        m_tree->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &check, painter, m_tree);
    }
    const bool playing = index.data(kPlayingRole).toInt() != 0;
    QRect text = option.rect.adjusted(size + 8, 0, 0, 0);
    if (playing) {
        // The playing mark: a small triangle before the text, which takes the playing colour.
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(m_tree->colors[3]);
        const QPointF c(text.left() + 4, text.center().y() + 0.5);
        const QPointF mark[3] = {c + QPointF(-3, -4), c + QPointF(4, 0), c + QPointF(-3, 4)};
        painter->drawPolygon(mark, 3);
        painter->restore();
        text.setLeft(text.left() + 12);
    }
    painter->setPen(playing ? m_tree->colors[3] : selected ? m_tree->colors[2] : m_tree->colors[0]);
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, text.width()));
}

QSize CItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(m_tree->skin.itemHeight > 0 ? m_tree->skin.itemHeight : size.height());
    size.setWidth(size.width() + m_tree->skin.markSize + 20);
    return size;
}

const auto WidgetOf = &KXQt::WidgetAs<CTreeWidget>;

// The item behind a handle of this tree, or null (no tree, or not one of its items).
QTreeWidgetItem* ItemOf(const CKXTreeCtrl* tree, HKXTREEITEM handle) {
    CTreeWidget* widget = WidgetOf(tree);
    return widget ? widget->Item(handle) : nullptr;
}

// An item's check box or playing mark: 0 or 1, and 0 for a handle that is not one of the tree's.
int FlagOf(const CKXTreeCtrl* tree, HKXTREEITEM handle, int role) {
    QTreeWidgetItem* item = ItemOf(tree, handle);
    return item ? item->data(0, role).toInt() : 0;
}

int SetFlag(const CKXTreeCtrl* tree, HKXTREEITEM handle, int role, int on) {
    QTreeWidgetItem* item = ItemOf(tree, handle);
    if (!item) return 0;
    item->setData(0, role, on ? 1 : 0);
    return 1;
}

QTreeWidgetItem* NewItem(CTreeWidget* tree, const std::wstring& text) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, ToQString(text));
    item->setData(0, kDataRole, QVariant::fromValue<qlonglong>(0));
    item->setData(0, kCheckRole, 0);
    item->setData(0, kPlayingRole, 0);
    const HKXTREEITEM handle = NextHandle();
    item->setData(0, kHandleRole, QVariant::fromValue<qulonglong>(handle));
    tree->live.emplace(handle, item);
    return item;
}

}  // namespace

CKXTreeCtrl::CKXTreeCtrl(IKXTreeCtrlEvent* sink) : CKXWindow(KXQt::MakeImpl<CTreeWidget>()), m_sink(sink) {}
CKXTreeCtrl::~CKXTreeCtrl() = default;

void CKXTreeCtrl::SetSkin(const KXTreeSkin& skin) {
    if (auto* tree = WidgetOf(this)) tree->ApplySkin(skin);
}

HKXTREEITEM CKXTreeCtrl::InsertItem(const std::wstring& text, HKXTREEITEM parent, HKXTREEITEM after) {
    auto* tree = WidgetOf(this);
    if (!tree || (parent && !tree->Item(parent)) || (after && !tree->Item(after))) return 0;
    QTreeWidgetItem* p = tree->Item(parent);
    QTreeWidgetItem* a = tree->Item(after);
    if (a && a->parent() != p) return 0;
    QTreeWidgetItem* item = NewItem(tree, text);
    const int at = a ? (p ? p->indexOfChild(a) : tree->indexOfTopLevelItem(a)) + 1
                     : (p ? p->childCount() : tree->topLevelItemCount());
    p ? p->insertChild(at, item) : tree->insertTopLevelItem(at, item);
    return CTreeWidget::Handle(item);
}

HKXTREEITEM CKXTreeCtrl::InsertItemBefore(const std::wstring& text, HKXTREEITEM parent, HKXTREEITEM before) {
    auto* tree = WidgetOf(this);
    QTreeWidgetItem* b = tree ? tree->Item(before) : nullptr;
    if (!b || (parent && !tree->Item(parent)) || b->parent() != tree->Item(parent)) return 0;
    QTreeWidgetItem* p = tree->Item(parent);
    QTreeWidgetItem* item = NewItem(tree, text);
    p ? p->insertChild(p->indexOfChild(b), item) : tree->insertTopLevelItem(tree->indexOfTopLevelItem(b), item);
    return CTreeWidget::Handle(item);
}

int CKXTreeCtrl::DeleteItem(HKXTREEITEM handle) {
    QTreeWidgetItem* item = ItemOf(this, handle);
    if (!item) return 0;
    WidgetOf(this)->Forget(item);
    delete item;  // takes its children and leaves its parent
    return 1;
}

void CKXTreeCtrl::DeleteAllItems() {
    auto* tree = WidgetOf(this);
    if (!tree) return;
    tree->live.clear();
    tree->clear();
}

int CKXTreeCtrl::IsItem(HKXTREEITEM item) const {
    auto* tree = WidgetOf(this);
    return tree && tree->Item(item) ? 1 : 0;
}

int CKXTreeCtrl::GetCount() const {
    auto* tree = WidgetOf(this);
    return tree ? static_cast<int>(tree->live.size()) : 0;
}

std::wstring CKXTreeCtrl::GetItemText(HKXTREEITEM handle) const {
    QTreeWidgetItem* item = ItemOf(this, handle);
    return item ? ToWString(item->text(0)) : std::wstring();
}

int CKXTreeCtrl::SetItemText(HKXTREEITEM handle, const std::wstring& text) {
    QTreeWidgetItem* item = ItemOf(this, handle);
    if (!item) return 0;
    item->setText(0, ToQString(text));
    return 1;
}

std::intptr_t CKXTreeCtrl::GetItemData(HKXTREEITEM handle) const {
    QTreeWidgetItem* item = ItemOf(this, handle);
    return item ? static_cast<std::intptr_t>(item->data(0, kDataRole).toLongLong()) : 0;
}

int CKXTreeCtrl::SetItemData(HKXTREEITEM handle, std::intptr_t data) {
    QTreeWidgetItem* item = ItemOf(this, handle);
    if (!item) return 0;
    item->setData(0, kDataRole, QVariant::fromValue<qlonglong>(data));
    return 1;
}

int CKXTreeCtrl::GetCheck(HKXTREEITEM handle) const { return FlagOf(this, handle, kCheckRole); }

int CKXTreeCtrl::SetCheck(HKXTREEITEM handle, int checked) { return SetFlag(this, handle, kCheckRole, checked); }

int CKXTreeCtrl::GetPlaying(HKXTREEITEM handle) const { return FlagOf(this, handle, kPlayingRole); }

int CKXTreeCtrl::SetPlaying(HKXTREEITEM handle, int on) { return SetFlag(this, handle, kPlayingRole, on); }

HKXTREEITEM CKXTreeCtrl::GetRootItem() const { return GetChildItem(0); }

HKXTREEITEM CKXTreeCtrl::GetParentItem(HKXTREEITEM handle) const {
    QTreeWidgetItem* item = ItemOf(this, handle);
    return item ? CTreeWidget::Handle(item->parent()) : 0;
}

HKXTREEITEM CKXTreeCtrl::GetChildItem(HKXTREEITEM handle) const {
    auto* tree = WidgetOf(this);
    if (!tree) return 0;
    if (!handle) return CTreeWidget::Handle(tree->topLevelItem(0));
    QTreeWidgetItem* item = tree->Item(handle);
    return item ? CTreeWidget::Handle(item->child(0)) : 0;
}

namespace {
HKXTREEITEM Sibling(CTreeWidget* tree, HKXTREEITEM handle, int step) {
    QTreeWidgetItem* item = tree ? tree->Item(handle) : nullptr;
    if (!item) return 0;
    QTreeWidgetItem* parent = item->parent();
    const int at = (parent ? parent->indexOfChild(item) : tree->indexOfTopLevelItem(item)) + step;
    return CTreeWidget::Handle(parent ? parent->child(at) : tree->topLevelItem(at));
}
}  // namespace

HKXTREEITEM CKXTreeCtrl::GetNextSiblingItem(HKXTREEITEM item) const { return Sibling(WidgetOf(this), item, 1); }
HKXTREEITEM CKXTreeCtrl::GetPrevSiblingItem(HKXTREEITEM item) const { return Sibling(WidgetOf(this), item, -1); }

int CKXTreeCtrl::ItemHasChildren(HKXTREEITEM handle) const {
    QTreeWidgetItem* item = ItemOf(this, handle);
    return item && item->childCount() > 0 ? 1 : 0;
}

HKXTREEITEM CKXTreeCtrl::FindChild(HKXTREEITEM parent, const std::wstring& text) const {
    auto* tree = WidgetOf(this);
    if (!tree || (parent && !tree->Item(parent))) return 0;
    const QString wanted = ToQString(text);
    QTreeWidgetItem* p = tree->Item(parent);
    const int count = p ? p->childCount() : tree->topLevelItemCount();
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem* child = p ? p->child(i) : tree->topLevelItem(i);
        if (child->text(0) == wanted) return CTreeWidget::Handle(child);
    }
    return 0;
}

int CKXTreeCtrl::Expand(HKXTREEITEM handle, int expand) {
    QTreeWidgetItem* item = ItemOf(this, handle);
    if (!item) return 0;
    item->setExpanded(expand != 0);
    return 1;
}

int CKXTreeCtrl::IsExpanded(HKXTREEITEM handle) const {
    QTreeWidgetItem* item = ItemOf(this, handle);
    return item && item->isExpanded() ? 1 : 0;
}

HKXTREEITEM CKXTreeCtrl::GetSelectedItem() const {
    auto* tree = WidgetOf(this);
    return tree ? CTreeWidget::Handle(tree->currentItem()) : 0;
}

int CKXTreeCtrl::SelectItem(HKXTREEITEM handle) {
    QTreeWidgetItem* item = ItemOf(this, handle);
    if (!item) return 0;
    WidgetOf(this)->setCurrentItem(item);
    return 1;
}
