#pragma once
// The configuration page: the folders of snapshots and clips, the picture's proportion, the
// snapshot and clip formats, the sound channel, the language and vertical synchronisation, and a
// button that asks again whether the recordings' file types should open with the program. Every
// change goes into the settings at once, and where it affects playback it is applied at once; the
// settings reach the file when the window closes.
#include <boost/shared_ptr.hpp>

#include <map>
#include <memory>
#include <string>

#include "Toolkit/EventSinks.h"

class CKXButton;
class CKXComboBox;
class CKXEditCtrl;
class CKXRadioBox;
class CKXStatic;
class CKXView;
class CKXWindow;
class CPlayManagerUILogic;

class IConfigOwner {
public:
    virtual ~IConfigOwner() = default;
    virtual boost::shared_ptr<CPlayManagerUILogic> PlayUILogic() = 0;
    // The window the folder dialog belongs to.
    virtual CKXWindow* DialogOwner() = 0;
    // Puts the file-type question again, whatever was answered before.
    virtual void AskFileTypesAgain() = 0;
};

class CConfigViewEventImp : public IKXViewEvent,
                            public IKXRadioBoxEvent,
                            public IKXButtonEvent,
                            public IKXEditCtrlEvent,
                            public IKXComboBoxEvent {
public:
    enum {
        kSnapPath = 2700, kVideoPath = 2701, kSnapBrowse = 2702, kVideoBrowse = 2703, kProportion = 2704,
        kSnapFormat = 2705, kRecordFormat = 2706, kSoundChannel = 2707, kLanguage = 2708, kVerticalSync = 2709,
        kFileTypes = 2711
    };
    static constexpr std::size_t kMaxPath = 200;

    explicit CConfigViewEventImp(IConfigOwner* owner);
    ~CConfigViewEventImp() override;
    void Create(CKXWindow* parent);
    CKXView* View() const { return m_view.get(); }
    CKXEditCtrl* Edit(int id) const;
    CKXComboBox* Combo(int id) const;
    CKXRadioBox* VerticalSyncBox() const { return m_verticalSync.get(); }
    // The folders of settings and index files this run uses, as the page shows them.
    std::wstring KeptFolder(int row) const;
    int LanguageOfItem(int index) const;

    // A folder as the user typed or chose it, as it is stored: this system's separator, no dots
    // before the last one, a separator at the end.
    static std::wstring NormalisedFolder(const std::wstring& typed);

    void OnCreate() override;
    void OnSize(int type, int width, int height) override;
    void RB_OnStateChanged(int id, int checked, int byClick) override;
    void BTN_OnClicked(int id) override;
    void EDIT_OnCommit(int id, const wchar_t* text) override;
    void CB_OnSelChanged(int id, int index) override;

    // Browse with a path given (the folder dialog's answer); the button asks the dialog for it.
    void TakeChosenFolder(int editId, const std::wstring& chosen);

private:
    std::wstring& SettingOf(int editId);

    IConfigOwner* m_owner;
    std::unique_ptr<CKXView> m_view;
    std::unique_ptr<CKXStatic> m_labels[7];
    std::map<int, std::unique_ptr<CKXEditCtrl>> m_edits;
    std::map<int, std::unique_ptr<CKXButton>> m_buttons;
    std::map<int, std::unique_ptr<CKXComboBox>> m_combos;
    std::unique_ptr<CKXRadioBox> m_verticalSync;
    std::unique_ptr<CKXStatic> m_keptLabels[2], m_keptFolders[2], m_fileTypesLabel;
    std::map<int, int> m_languages;  // combo item -> language number
};
