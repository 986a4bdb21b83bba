// The tree (the file list's catalogue) and the list (the notification window).
#include <QTest>
#include <QTreeWidget>

#include <memory>
#include <vector>

#include "Toolkit/Dialog.h"
#include "Toolkit/ListCtrl.h"
#include "Toolkit/TreeCtrl.h"
#include "ToolkitTestSupport.h"

using TarvexTest::NativeOf;

namespace {

class CTreeJournal : public IKXTreeCtrlEvent, public IKXListCtrlEvent, public IKXDialogEvent {
public:
    std::vector<std::string> lines;
    std::string Name(HKXTREEITEM item) const {
        const std::wstring text = tree ? tree->GetItemText(item) : std::wstring();
        return std::string(text.begin(), text.end());
    }
    void OnItemDbClick(HKXTREEITEM item, int context, int id) override {
        lines.push_back("DbClick " + Name(item) + " " + std::to_string(context) + " " + std::to_string(id));
    }
    void OnItemCheckChanged(HKXTREEITEM item, int checked, int) override {
        lines.push_back("Check " + Name(item) + " " + std::to_string(checked));
    }
    int OnItemKeyDown(HKXTREEITEM item, int key, int) override {
        lines.push_back("Key " + Name(item) + " " + std::to_string(key));
        return key == 32;
    }
    void LC_OnItemClick(int row, int id) override { lines.push_back("Row " + std::to_string(row)); }
    CKXTreeCtrl* tree = nullptr;
};

class TreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_host.reset(CKXUIFactory::CreateUIDialog(&m_sink));
        m_host->Create(L"Host", KX_WS_VISIBLE, CKXRect(0, 0, 300, 500), nullptr, 0);
        m_tree.reset(CKXUIFactory::CreateUITreeCtrl(&m_sink));
        m_sink.tree = m_tree.get();
        KXTreeSkin skin;
        skin.stateImage = L"treeState.png";
        skin.checkboxImage = L"treeCheckbox.png";
        m_tree->SetSkin(skin);
        m_tree->Create(L"", 0x10000004, CKXRect(0, 0, 300, 500), m_host.get(), 2143);
    }
    void TearDown() override {
        m_tree.reset();
        m_host.reset();
    }
    QTreeWidget* Native() { return static_cast<QTreeWidget*>(NativeOf(m_tree.get())); }
    // Where the item shows on screen, found by the text it shows.
    QRect RectOf(HKXTREEITEM item) {
        const auto found = Native()->findItems(QString::fromStdWString(m_tree->GetItemText(item)),
                                               Qt::MatchExactly | Qt::MatchRecursive);
        return found.size() == 1 ? Native()->visualItemRect(found.front()) : QRect();
    }

    CTreeJournal m_sink;
    std::unique_ptr<CKXDialog> m_host;
    std::unique_ptr<CKXTreeCtrl> m_tree;
};

}  // namespace

TEST_F(TreeTest, ItemsGoWhereTheyAreAskedAndAreFoundAgain) {
    const HKXTREEITEM dvr = m_tree->InsertItem(L"DVR");
    const HKXTREEITEM day16 = m_tree->InsertItem(L"2024-03-16", dvr);
    const HKXTREEITEM day15 = m_tree->InsertItemBefore(L"2024-03-15", dvr, day16);
    const HKXTREEITEM day17 = m_tree->InsertItem(L"2024-03-17", dvr, day16);
    const HKXTREEITEM loose = m_tree->InsertItem(L"clip");
    const HKXTREEITEM nvr = m_tree->InsertItem(L"NVR", 0, dvr);  // devices ahead of loose files
    ASSERT_TRUE(dvr && day15 && day16 && day17 && loose && nvr);
    m_tree->SetItemData(day15, 1710457200);
    m_tree->SetItemData(loose, 7);

    EXPECT_EQ(dvr, m_tree->GetRootItem());
    EXPECT_EQ(nvr, m_tree->GetNextSiblingItem(dvr));
    EXPECT_EQ(loose, m_tree->GetNextSiblingItem(nvr));
    EXPECT_EQ(day15, m_tree->GetChildItem(dvr));
    EXPECT_EQ(day16, m_tree->GetNextSiblingItem(day15));
    EXPECT_EQ(day17, m_tree->GetNextSiblingItem(day16));
    EXPECT_EQ(0u, m_tree->GetNextSiblingItem(day17));
    EXPECT_EQ(day16, m_tree->GetPrevSiblingItem(day17));
    EXPECT_EQ(dvr, m_tree->GetParentItem(day16));
    EXPECT_EQ(0u, m_tree->GetParentItem(dvr));
    EXPECT_EQ(day16, m_tree->FindChild(dvr, L"2024-03-16"));
    EXPECT_EQ(loose, m_tree->FindChild(0, L"clip"));
    EXPECT_EQ(0u, m_tree->FindChild(nvr, L"2024-03-16"));
    EXPECT_EQ(1710457200, m_tree->GetItemData(day15));
    EXPECT_EQ(7, m_tree->GetItemData(loose));
    EXPECT_EQ(1, m_tree->ItemHasChildren(dvr));
    EXPECT_EQ(6, m_tree->GetCount());

    // A place that is not a child of the parent is refused.
    EXPECT_EQ(0u, m_tree->InsertItem(L"x", nvr, day16));
    EXPECT_EQ(0u, m_tree->InsertItemBefore(L"x", 0, day16));

    // Deleting a device takes its days; their handles are then ignored.
    EXPECT_EQ(1, m_tree->DeleteItem(dvr));
    EXPECT_EQ(2, m_tree->GetCount());
    EXPECT_EQ(0, m_tree->IsItem(day16));
    EXPECT_EQ(std::wstring(), m_tree->GetItemText(day16));
    EXPECT_EQ(0, m_tree->SetCheck(day16, 1));
    EXPECT_EQ(0, m_tree->DeleteItem(day16));
    EXPECT_EQ(0u, m_tree->InsertItem(L"x", day16));
    EXPECT_EQ(0, m_tree->SetItemText(0x1234, L"forged"));
    m_tree->DeleteAllItems();
    EXPECT_EQ(0, m_tree->GetCount());
    EXPECT_EQ(0, m_tree->IsItem(nvr));
}

TEST_F(TreeTest, AHandleOfADeletedItemNeverNamesANewerOne) {
    // The file list sends handles through the helper loop and back; by then the item may be gone
    // and the memory it used may hold a new item.
    std::vector<HKXTREEITEM> gone;
    for (int round = 0; round < 200; ++round) {
        const HKXTREEITEM item = m_tree->InsertItem(L"day " + std::to_wstring(round));
        ASSERT_NE(0u, item);
        for (HKXTREEITEM old : gone) ASSERT_NE(old, item) << "a handle was given out twice";
        ASSERT_EQ(1, m_tree->DeleteItem(item));
        gone.push_back(item);
    }
    const HKXTREEITEM live = m_tree->InsertItem(L"live");
    for (HKXTREEITEM old : gone) {
        EXPECT_EQ(0, m_tree->IsItem(old));
        EXPECT_EQ(0, m_tree->SetItemText(old, L"overwritten"));
    }
    EXPECT_EQ(L"live", m_tree->GetItemText(live));
    EXPECT_EQ(1, m_tree->GetCount());
}

TEST_F(TreeTest, TheUserChecksDoubleClicksAndKeysAreReported) {
    const HKXTREEITEM dvr = m_tree->InsertItem(L"DVR");
    const HKXTREEITEM day = m_tree->InsertItem(L"2024-03-15", dvr);
    const HKXTREEITEM channel = m_tree->InsertItem(L"Channel1_main", day);
    m_tree->Expand(dvr, 1);
    m_tree->Expand(day, 1);
    EXPECT_EQ(1, m_tree->IsExpanded(day));
    m_tree->SetCheck(channel, 1);
    EXPECT_TRUE(m_sink.lines.empty()) << "the program's own checks are not reported";
    EXPECT_EQ(1, m_tree->GetCheck(channel));

    QWidget* viewport = Native()->viewport();
    const QRect row = RectOf(channel);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(row.left() + 8, row.center().y()));
    EXPECT_EQ(0, m_tree->GetCheck(channel));
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(row.left() + 60, row.center().y()));
    m_tree->SelectItem(day);
    Native()->setFocus();
    QTest::keyClick(Native(), Qt::Key_Space);
    QTest::keyClick(Native(), Qt::Key_Down);
    EXPECT_EQ(channel, m_tree->GetSelectedItem()) << "a key the sink leaves goes on to the tree";
    EXPECT_EQ((std::vector<std::string>{"Check Channel1_main 0", "DbClick Channel1_main -1 2143", "Key 2024-03-15 32",
                                        "Key 2024-03-15 40"}),
              m_sink.lines);

    m_tree->SetPlaying(channel, 1);
    EXPECT_EQ(1, m_tree->GetPlaying(channel));
    EXPECT_EQ(0, m_tree->GetPlaying(day));
    const QImage shot = Native()->grab().toImage();
    EXPECT_TRUE(shot.save(QString(TARVEX_TEST_OUTPUT_DIR) + "/file_tree.png"));
}

TEST(ListTest, RowsGoInAtTheTopUnderTheirColumns) {
    CTreeJournal sink;
    std::unique_ptr<CKXDialog> host(CKXUIFactory::CreateUIDialog(&sink));
    host->Create(L"Notification", KX_WS_VISIBLE, CKXRect(0, 0, 400, 300), nullptr, 0);
    std::unique_ptr<CKXListCtrl> list(CKXUIFactory::CreateUIListCtrl(&sink));
    list->SetHeaderImage(L"ListCtrlnew.png");
    list->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(0, 0, 400, 260), host.get(), 703);
    EXPECT_EQ(0, list->InsertColumn(0, L"Notification", 0));
    EXPECT_EQ(1, list->GetColumnCount());
    list->InsertItem(0, L"2024/03/15 10:00:00  Record Failed!");
    list->InsertItem(0, L"2024/03/15 10:00:05  Already Playing!");
    EXPECT_EQ(2, list->GetItemCount());
    EXPECT_EQ(L"2024/03/15 10:00:05  Already Playing!", list->GetItemText(0, 0)) << "the newest on top";
    EXPECT_EQ(1, list->SetItemText(1, 0, L"changed"));
    EXPECT_EQ(0, list->SetItemText(5, 0, L"no such row"));
    EXPECT_EQ(0, list->SetItemText(0, 3, L"no such column"));
    auto* native = static_cast<QTreeWidget*>(NativeOf(list.get()));
    QTest::mouseClick(native->viewport(), Qt::LeftButton, {}, native->visualItemRect(native->topLevelItem(1)).center());
    EXPECT_EQ((std::vector<std::string>{"Row 1"}), sink.lines);
    EXPECT_EQ(1, list->DeleteItem(0));
    EXPECT_EQ(L"changed", list->GetItemText(0, 0));
    list->DeleteAllItems();
    EXPECT_EQ(0, list->GetItemCount());
}
