#include "Main/ConfigView.h"

#include <boost/shared_ptr.hpp>

#include <cwchar>

#include "App/Language.h"
#include "App/Settings.h"
#include "Base/FolderPath.h"
#include "Base/StreamConvert.h"
#include "Base/UserFolders.h"
#include "Main/PlayWinManager_UILogic.h"
#include "Main/UserMessages.h"
#include "Toolkit/Button.h"
#include "Toolkit/ComboBox.h"
#include "Toolkit/EditCtrl.h"
#include "Toolkit/RadioBox.h"
#include "Toolkit/Static.h"
#include "Toolkit/UIFactory.h"
#include "Toolkit/VideoWindow.h"
#include "Toolkit/View.h"

using TarvexApp::Settings;
using TarvexApp::Translate;

namespace {

const wchar_t kTooLong[] = L"The path is too long. Please select again!";
const wchar_t* const kLabels[7] = {L"Snap Path", L"Video Path", L"Video Proportion", L"Snap Format", L"Record Format",
                                   L"Sound Channel", L"Language(Restart Required)"};
constexpr int kRowTop = 40, kRowPitch = 44, kLabelLeft = 40, kLabelWidth = 220, kControlLeft = 270,
              kControlWidth = 320, kRowHeight = 28;
constexpr int kBrowseWidth = 110;  // "Durchsuchen" with room to spare

CKXRect Row(int row, int left, int width) { return CKXRect::FromSize(left, kRowTop + kRowPitch * row, width, kRowHeight); }

void ApplyProportion(CPlayManagerUILogic* ui, int index) {
    auto owner = ui ? ui->Owner() : nullptr;
    if (CKXVideoWindow* grid = owner ? owner->VideoWindow() : nullptr)
        index == 0 ? grid->SetProportion(4, 3) : index == 1 ? grid->SetProportion(16, 9) : grid->SetProportion(0, 0);
}

}  // namespace

CConfigViewEventImp::CConfigViewEventImp(IConfigOwner* owner) : m_owner(owner) {}

CConfigViewEventImp::~CConfigViewEventImp() {
    for (auto& s : m_keptFolders) s.reset();
    m_fileTypesLabel.reset();
    for (auto& s : m_keptLabels) s.reset();
    m_verticalSync.reset();
    m_combos.clear();
    m_buttons.clear();
    m_edits.clear();
    for (auto& l : m_labels) l.reset();
    m_view.reset();
}

void CConfigViewEventImp::Create(CKXWindow* parent) {
    m_view.reset(CKXUIFactory::CreateUIView(this));
    m_view->SetBackground(L"bg_monitor.png");
    m_view->Create(L"Config", KX_WS_CHILD, CKXRect(0, 94, 1000, 730), parent, 0);
    m_view->ShowWindow(KX_SW_HIDE);
}

CKXEditCtrl* CConfigViewEventImp::Edit(int id) const {
    const auto at = m_edits.find(id);
    return at == m_edits.end() ? nullptr : at->second.get();
}

CKXComboBox* CConfigViewEventImp::Combo(int id) const {
    const auto at = m_combos.find(id);
    return at == m_combos.end() ? nullptr : at->second.get();
}

int CConfigViewEventImp::LanguageOfItem(int index) const {
    const auto at = m_languages.find(index);
    return at == m_languages.end() ? -1 : at->second;
}

void CConfigViewEventImp::OnCreate() {
    for (int row = 0; row < 7; ++row) {
        m_labels[row].reset(CKXUIFactory::CreateUIStatic(nullptr));
        m_labels[row]->Create(kLabels[row], KX_WS_CHILD | KX_WS_VISIBLE, Row(row, kLabelLeft, kLabelWidth), m_view.get(), 2710);
        m_labels[row]->SetWindowText(Translate(kLabels[row]));
    }
    for (int id : {kSnapPath, kVideoPath}) {
        std::unique_ptr<CKXEditCtrl> edit(CKXUIFactory::CreateUIEditCtrl(this));
        edit->SetBackground(L"bg_edit.png");
        edit->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, Row(id - kSnapPath, kControlLeft, kControlWidth), m_view.get(), id);
        // Dark text on the light box: the panels' own light text would hardly show on it.
        edit->SetTextColor(L"1b1f26");
        edit->SetWindowText(SettingOf(id));
        m_edits[id] = std::move(edit);
        const int browse = id == kSnapPath ? kSnapBrowse : kVideoBrowse;
        std::unique_ptr<CKXButton> b(CKXUIFactory::CreateUIButton(this));
        b->SetImages(L"btn_commongnor_short.png", L"btn_commongnor_short.png", L"btn_commondown_short.png");
        b->Create(L"Browse", KX_WS_CHILD | KX_WS_VISIBLE, Row(id - kSnapPath, kControlLeft + kControlWidth + 10, kBrowseWidth), m_view.get(), browse);
        b->SetWindowText(Translate(L"Browse"));
        m_buttons[browse] = std::move(b);
    }
    auto combo = [&](int id, int row, std::initializer_list<const wchar_t*> items, bool translate) {
        std::unique_ptr<CKXComboBox> c(CKXUIFactory::CreateUIComboBox(this));
        c->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, Row(row, kControlLeft, 160), m_view.get(), id);
        for (const wchar_t* item : items) c->AddString(translate ? Translate(item) : std::wstring(item));
        m_combos[id] = std::move(c);
    };
    combo(kProportion, 2, {L"4:3", L"16:9", L"100%"}, false);
    combo(kSnapFormat, 3, {L"BMP", L"JPG"}, false);
    combo(kRecordFormat, 4, {L"RVF", L"AVI"}, false);
    combo(kSoundChannel, 5, {L"Double Channel", L"Channel 1", L"Channel 2"}, true);
    combo(kLanguage, 6, {}, false);
    m_combos[kProportion]->SetCurSel(Settings().Proportion);
    m_combos[kSnapFormat]->SetCurSel(Settings().SnapFormat);
    m_combos[kRecordFormat]->SetCurSel(Settings().VideoFormat);
    m_combos[kSoundChannel]->SetCurSel(Settings().SoundChannel);
    auto ui = m_owner ? m_owner->PlayUILogic() : nullptr;
    if (ui) ui->ChooseSoundChannel(static_cast<unsigned long>(Settings().SoundChannel));

    // The languages the language file names: every text between ";", the last one included.
    const std::wstring list = Translate(L"MultiLanguage");
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = list.find(L';', from);
        const std::wstring entry = list.substr(from, at == std::wstring::npos ? std::wstring::npos : at - from);
        const int item = m_combos[kLanguage]->AddString(Translate(L"Language_" + entry));
        m_languages[item] = static_cast<int>(std::wcstol(entry.c_str(), nullptr, 10));
        if (m_languages[item] == Settings().Language) m_combos[kLanguage]->SetCurSel(item);
        if (at == std::wstring::npos) break;
        from = at + 1;
    }

    m_verticalSync.reset(CKXUIFactory::CreateUIRadioBox(this));
    m_verticalSync->SetImages({L"Checkbox.png", L"Checkbox.png", L"Checkbox.png", L"Uncheckbox.png", L"Uncheckbox.png",
                               L"Uncheckbox.png", L"Checkbox.png", L"Uncheckbox.png"});
    m_verticalSync->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, Row(7, kLabelLeft, 300), m_view.get(), kVerticalSync);
    m_verticalSync->SetWindowText(Translate(L"Vertical Synchronization"));
    m_verticalSync->SetCheck(Settings().VerticalSyn ? 1 : 0);
    if (ui) ui->SetVerticalSync(Settings().VerticalSyn ? 1 : 0);

    // Where the rest of the user's files are kept: they are not chosen here, but people ask.
    const KX_SOFT_BASE::KXUserFolders folders = KX_SOFT_BASE::UserFolders();
    const wchar_t* const keptLabels[2] = {L"Settings Folder", L"Index Folder"};
    const std::string kept[2] = {folders.settings, folders.index};
    for (int i = 0; i < 2; ++i) {
        m_keptLabels[i].reset(CKXUIFactory::CreateUIStatic(nullptr));
        m_keptLabels[i]->Create(keptLabels[i], KX_WS_CHILD | KX_WS_VISIBLE, Row(8 + i, kLabelLeft, kLabelWidth), m_view.get(), 0);
        m_keptLabels[i]->SetWindowText(Translate(keptLabels[i]));
        m_keptFolders[i].reset(CKXUIFactory::CreateUIStatic(nullptr));
        m_keptFolders[i]->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, Row(8 + i, kControlLeft, kControlWidth + 80), m_view.get(), 0);
        const std::wstring text = KX_SOFT_BASE::Utf8ToWide(kept[i]);
        m_keptFolders[i]->SetWindowText(text);
        m_keptFolders[i]->SetToolTip(text);
    }

    // The start-up question about the file types is put once; here it can be put again.
    m_fileTypesLabel.reset(CKXUIFactory::CreateUIStatic(nullptr));
    m_fileTypesLabel->Create(L"File Types", KX_WS_CHILD | KX_WS_VISIBLE, Row(10, kLabelLeft, kLabelWidth), m_view.get(), 0);
    m_fileTypesLabel->SetWindowText(Translate(L"File Types"));
    std::unique_ptr<CKXButton> associate(CKXUIFactory::CreateUIButton(this));
    associate->SetImages(L"btn_commongnor_short.png", L"btn_commongnor_short.png", L"btn_commondown_short.png");
    associate->Create(L"Associate", KX_WS_CHILD | KX_WS_VISIBLE, Row(10, kControlLeft, 120), m_view.get(), kFileTypes);
    associate->SetWindowText(Translate(L"Associate"));
    m_buttons[kFileTypes] = std::move(associate);
}

std::wstring CConfigViewEventImp::KeptFolder(int row) const {
    return row >= 0 && row < 2 && m_keptFolders[row] ? m_keptFolders[row]->GetWindowText() : std::wstring();
}

void CConfigViewEventImp::OnSize(int, int, int) {}

std::wstring& CConfigViewEventImp::SettingOf(int editId) {
    return editId == kSnapPath || editId == kSnapBrowse ? Settings().SnapPath : Settings().VideoPath;
}

std::wstring CConfigViewEventImp::NormalisedFolder(const std::wstring& typed) {
    std::wstring folder = typed;
    for (wchar_t& c : folder)
        if (c == L'\\') c = L'/';  // the other system's separator reads as ours
    while (!folder.empty() && folder.back() == L'/') folder.pop_back();
    while (!folder.empty() && folder.back() == L'.') folder.pop_back();  // "clips.." is "clips"
    return folder + L"/";
}

void CConfigViewEventImp::EDIT_OnCommit(int id, const wchar_t* text) {
    CKXEditCtrl* edit = Edit(id);
    if (!edit) return;
    std::wstring& setting = SettingOf(id);
    const std::wstring typed = text ? text : L"";
    if (typed.empty() || KX_SOFT_BASE::WideToNative(typed).size() > kMaxPath) {
        edit->SetWindowText(setting);
        ShowMessageBox(typed.empty() ? L"The path can not be empty!" : kTooLong);
        return;
    }
    const std::wstring folder = NormalisedFolder(typed);
    if (folder == setting) {
        edit->SetWindowText(folder);
        return;
    }
    if (folder == L"/" || KX_SOFT_BASE::IsSystemFolder(folder) || KX_SOFT_BASE::CreateFolderPath(folder) != 0) {
        edit->SetWindowText(setting);
        ShowMessageBox(L"The path is invalid!");
        return;
    }
    setting = folder;
    edit->SetWindowText(folder);
}

void CConfigViewEventImp::TakeChosenFolder(int editId, const std::wstring& chosen) {
    if (chosen.empty()) return;  // the edit keeps its text
    if (KX_SOFT_BASE::WideToNative(chosen).size() > kMaxPath) {
        ShowMessageBox(kTooLong);
        return;
    }
    std::wstring folder = chosen;
    if (folder.back() != L'/') folder += L'/';
    if (KX_SOFT_BASE::IsSystemFolder(folder)) {
        ShowMessageBox(L"The path is invalid!");
        return;
    }
    SettingOf(editId) = folder;
    if (CKXEditCtrl* edit = Edit(editId)) edit->SetWindowText(folder);
}

void CConfigViewEventImp::BTN_OnClicked(int id) {
    if (id == kFileTypes) {
        if (m_owner) m_owner->AskFileTypesAgain();
        return;
    }
    if (id != kSnapBrowse && id != kVideoBrowse) return;
    const int editId = id == kSnapBrowse ? kSnapPath : kVideoPath;
    std::wstring path = SettingOf(editId);
    if (!CKXUIFactory::CreateFileDialog(KX_FILEDLG_FOLDER, m_owner ? m_owner->DialogOwner() : nullptr, path, L"", L"", 0, 256))
        return;  // cancelled, or longer than the dialog's room
    TakeChosenFolder(editId, path);
}

void CConfigViewEventImp::CB_OnSelChanged(int id, int index) {
    auto ui = m_owner ? m_owner->PlayUILogic() : nullptr;
    switch (id) {
        case kProportion:
            Settings().Proportion = index;
            ApplyProportion(ui.get(), index);
            break;
        case kSnapFormat: Settings().SnapFormat = index; break;
        case kRecordFormat: Settings().VideoFormat = index; break;
        case kSoundChannel:
            Settings().SoundChannel = index;
            if (ui) ui->ChooseSoundChannel(static_cast<unsigned long>(index));
            break;
        case kLanguage:
            if (LanguageOfItem(index) >= 0) Settings().Language = LanguageOfItem(index);  // at the next start
            break;
    }
}

void CConfigViewEventImp::RB_OnStateChanged(int id, int checked, int byClick) {
    if (id != kVerticalSync || !byClick) return;
    if (auto ui = m_owner ? m_owner->PlayUILogic() : nullptr) ui->SetVerticalSync(checked);
    Settings().VerticalSyn = checked != 0;
}
