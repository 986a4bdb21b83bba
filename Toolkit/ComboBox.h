#pragma once
// A drop-down list of texts; the sink hears when the user chooses another item.
#include <string>

#include "Toolkit/Window.h"

class IKXComboBoxEvent;

class CKXComboBox : public CKXWindow {
public:
    explicit CKXComboBox(IKXComboBoxEvent* sink);
    ~CKXComboBox() override;

    int AddString(const std::wstring& text);  // its index
    int GetCount() const;
    std::wstring GetItemText(int index) const;
    void ResetContent();
    // -1 selects nothing; an index out of range changes nothing and returns 0.
    int SetCurSel(int index);
    int GetCurSel() const;
    void SetBackground(const std::wstring& image);

    IKXComboBoxEvent* GetSink() const { return m_sink; }

private:
    IKXComboBoxEvent* m_sink;
};
