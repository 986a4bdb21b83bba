#pragma once
// A list of rows under column headings; rows are numbered from the top.
#include <string>

#include "Toolkit/EventSinks.h"
#include "Toolkit/Window.h"

class CKXListCtrl : public CKXWindow {
public:
    explicit CKXListCtrl(IKXListCtrlEvent* sink);
    ~CKXListCtrl() override;

    // The heading's background image.
    void SetHeaderImage(const std::wstring& image);
    // width 0: the column takes the room that is left.
    int InsertColumn(int index, const std::wstring& title, int width);
    int GetColumnCount() const;
    // A row with its first column's text at `row` (0: at the top); its index.
    int InsertItem(int row, const std::wstring& text);
    int SetItemText(int row, int column, const std::wstring& text);
    std::wstring GetItemText(int row, int column) const;
    // A picture file shown at the start of the row's first column, scaled into the picture size
    // the rows make room for (SetPictureSize); an empty or unreadable file shows none. 1 when the
    // row exists.
    int SetItemPicture(int row, const std::wstring& file);
    void SetPictureSize(int width, int height);
    int DeleteItem(int row);
    void DeleteAllItems();
    int GetItemCount() const;

    IKXListCtrlEvent* GetSink() const { return m_sink; }

private:
    IKXListCtrlEvent* m_sink;
};
