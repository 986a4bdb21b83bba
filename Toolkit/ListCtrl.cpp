#include "Toolkit/ListCtrl.h"

#include <QHeaderView>
#include <QIcon>
#include <QPixmap>
#include <QPainter>
#include <QTreeWidget>

#include "Toolkit/Qt/Skin.h"
#include "Toolkit/Qt/Text.h"
#include "Toolkit/Qt/WidgetLink.h"

namespace {

using namespace KXQt;

// The heading, drawn over its skin image.
class CHeader : public QHeaderView {
public:
    CHeader() : QHeaderView(Qt::Horizontal) {}
    std::wstring image;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        const QPixmap back = SkinImage(image);
        if (back.isNull()) return QHeaderView::paintSection(painter, rect, logicalIndex);
        DrawImage(*painter, rect, back, QRect(), FillMode::Stretch);
        painter->setPen(Theme::Text());
        painter->drawText(rect.adjusted(6, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          model()->headerData(logicalIndex, Qt::Horizontal).toString());
    }
};

class CListWidget : public QTreeWidget, public CWidgetLink {
public:
    CListWidget() : header(new CHeader) {
        setHeader(header);
        setRootIsDecorated(false);
        setUniformRowHeights(true);
        setColumnCount(0);
        setSelectionMode(QAbstractItemView::SingleSelection);
        header->setStretchLastSection(true);
        connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { Report(item, false); });
        connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { Report(item, true); });
    }
    QWidget* Widget() override { return this; }
    CHeader* header;

private:
    void Report(QTreeWidgetItem* item, bool twice) {
        const int row = indexOfTopLevelItem(item);
        NotifySink(static_cast<CKXListCtrl*>(owner), [row, twice](auto* sink, int id) {
            twice ? sink->LC_OnItemDbClick(row, id) : sink->LC_OnItemClick(row, id);
        });
    }
};

const auto WidgetOf = &KXQt::WidgetAs<CListWidget>;

}  // namespace

CKXListCtrl::CKXListCtrl(IKXListCtrlEvent* sink) : CKXWindow(KXQt::MakeImpl<CListWidget>()), m_sink(sink) {}
CKXListCtrl::~CKXListCtrl() = default;

void CKXListCtrl::SetHeaderImage(const std::wstring& image) {
    if (auto* list = WidgetOf(this)) {
        list->header->image = image;
        list->header->viewport()->update();
    }
}

int CKXListCtrl::InsertColumn(int index, const std::wstring& title, int width) {
    auto* list = WidgetOf(this);
    if (!list || index < 0) return -1;
    const int count = list->columnCount();
    index = std::min(index, count);
    QStringList titles;
    for (int c = 0; c < count; ++c) titles << list->headerItem()->text(c);
    titles.insert(index, ToQString(title));
    list->setColumnCount(count + 1);
    list->setHeaderLabels(titles);
    // Existing rows make room for the new column.
    for (int r = 0; r < list->topLevelItemCount(); ++r) {
        QTreeWidgetItem* item = list->topLevelItem(r);
        for (int c = count; c > index; --c) item->setText(c, item->text(c - 1));
        item->setText(index, QString());
    }
    if (width > 0) list->setColumnWidth(index, width);
    return index;
}

int CKXListCtrl::GetColumnCount() const {
    auto* list = WidgetOf(this);
    return list ? list->columnCount() : 0;
}

int CKXListCtrl::InsertItem(int row, const std::wstring& text) {
    auto* list = WidgetOf(this);
    if (!list) return -1;
    row = std::clamp(row, 0, list->topLevelItemCount());
    auto* item = new QTreeWidgetItem;
    item->setText(0, ToQString(text));
    list->insertTopLevelItem(row, item);
    return row;
}

int CKXListCtrl::SetItemText(int row, int column, const std::wstring& text) {
    auto* list = WidgetOf(this);
    QTreeWidgetItem* item = list ? list->topLevelItem(row) : nullptr;
    if (!item || column < 0 || column >= list->columnCount()) return 0;
    item->setText(column, ToQString(text));
    return 1;
}

std::wstring CKXListCtrl::GetItemText(int row, int column) const {
    auto* list = WidgetOf(this);
    QTreeWidgetItem* item = list ? list->topLevelItem(row) : nullptr;
    return item ? ToWString(item->text(column)) : std::wstring();
}

int CKXListCtrl::SetItemPicture(int row, const std::wstring& file) {
    auto* list = WidgetOf(this);
    QTreeWidgetItem* item = list ? list->topLevelItem(row) : nullptr;
    if (!item) return 0;
    QPixmap picture;
    if (!file.empty()) picture.load(PathToQString(file));
    const QSize size = list->iconSize().isValid() ? list->iconSize() : QSize(16, 16);
    item->setIcon(0, picture.isNull() ? QIcon() : QIcon(picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    return 1;
}

void CKXListCtrl::SetPictureSize(int width, int height) {
    if (auto* list = WidgetOf(this)) list->setIconSize(QSize(std::max(1, width), std::max(1, height)));
}

int CKXListCtrl::DeleteItem(int row) {
    auto* list = WidgetOf(this);
    QTreeWidgetItem* item = list ? list->takeTopLevelItem(row) : nullptr;
    delete item;
    return item ? 1 : 0;
}

void CKXListCtrl::DeleteAllItems() {
    if (auto* list = WidgetOf(this)) list->clear();
}

int CKXListCtrl::GetItemCount() const {
    auto* list = WidgetOf(this);
    return list ? list->topLevelItemCount() : 0;
}
