#include "App/Settings.h"

#include <tinyxml.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "App/ConfigPersist.h"
#include "Base/FolderPath.h"
#include "Base/LoopIds.h"
#include "Base/MessageLoopManager.h"
#include "Base/PostTask.h"
#include "Base/ReplaceFile.h"
#include "Base/StreamConvert.h"
#include "Base/UserFolders.h"
#include "Files/FileManager.h"

namespace TarvexApp {

namespace {

using KX_SOFT_BASE::NativeToWide;
using KX_SOFT_BASE::WideToNative;

const wchar_t kSection[] = L"UIConfig";

// One setting as it is registered: where it lives in the record, its kind and its default.
struct SettingItem {
    const wchar_t* key;
    enum Kind { Bool, Int, String } kind;
    bool SettingsRecord::*boolField;
    int SettingsRecord::*intField;
    std::wstring SettingsRecord::*stringField;
    int intDefault;
    std::wstring stringDefault;
};

// In registration order, which is the order the file is written in.
std::vector<SettingItem> Items(const std::wstring& programDirectory) {
    using R = SettingsRecord;
    auto s = [](const wchar_t* key, std::wstring R::*f, std::wstring d) {
        return SettingItem{key, SettingItem::String, nullptr, nullptr, f, 0, std::move(d)};
    };
    auto i = [](const wchar_t* key, int R::*f, int d) { return SettingItem{key, SettingItem::Int, nullptr, f, nullptr, d, {}}; };
    auto b = [](const wchar_t* key, bool R::*f, bool d) {
        return SettingItem{key, SettingItem::Bool, f, nullptr, nullptr, d ? 1 : 0, {}};
    };
    const KX_SOFT_BASE::KXUserFolders folders = KX_SOFT_BASE::UserFoldersFor(WideToNative(programDirectory));
    return {s(L"SnapPath", &R::SnapPath, NativeToWide(folders.pictures)),
            s(L"VideoPath", &R::VideoPath, NativeToWide(folders.videos)),
            i(L"Proportion", &R::Proportion, 0),
            i(L"SoundChannel", &R::SoundChannel, 0),
            i(L"Language", &R::Language, 0),
            b(L"VerticalSyn", &R::VerticalSyn, false),
            i(L"SnapFormat", &R::SnapFormat, 0),
            i(L"VideoFormat", &R::VideoFormat, 0),
            s(L"OldPath", &R::OldPath, L""),
            i(L"CharSet", &R::CharSet, 1),
            s(L"FontFace", &R::FontFace, L"Arial"),
            s(L"strRecordFormat", &R::strRecordFormat, L".rvf;.avi;.ps;.ts"),
            // Ours, after the recorder's: a file of the older layout reads on as before.
            b(L"FileTypesAsked", &R::FileTypesAsked, false),
            s(L"OpenFolder", &R::OpenFolder, L"")};
}


}  // namespace

SettingsRecord& Settings() {
    static auto* record = new SettingsRecord;  // process-wide; never destroyed under a late reader
    return *record;
}

std::vector<std::wstring> SplitEntries(const std::wstring& text) {
    std::vector<std::wstring> entries;
    std::size_t from = 0;
    for (std::size_t at = text.find(L';'); at != std::wstring::npos; at = text.find(L';', from)) {
        // ";;" leaves an empty entry, which names no folder and no extension.
        if (at > from) entries.push_back(text.substr(from, at - from));
        from = at + 1;
    }
    return entries;
}

void LoadSettings(const std::wstring& programDirectory) {
    CConfigXMLPersistImp file(WideToNative(programDirectory));
    SettingsRecord& r = Settings();
    for (const SettingItem& item : Items(programDirectory)) {
        switch (item.kind) {
            case SettingItem::Bool: r.*item.boolField = file.GetBool(kSection, item.key, item.intDefault != 0); break;
            case SettingItem::Int: r.*item.intField = file.GetInt2(kSection, item.key, item.intDefault); break;
            case SettingItem::String: {
                std::wstring value = file.GetString(kSection, item.key, item.stringDefault);
                if (value.empty()) value = item.stringDefault;
                // Folders written with the other separator read as ours.
                std::replace(value.begin(), value.end(), L'\\', L'/');
                r.*item.stringField = value;
                break;
            }
        }
    }
    r.recentPaths = SplitEntries(r.OldPath);
    r.recordFormats = SplitEntries(r.strRecordFormat);
}

namespace {

// Writes every setting as the record holds it now.
bool WriteSettings(const std::wstring& programDirectory);

}  // namespace

bool SaveSettings(const std::wstring& programDirectory, const std::vector<std::wstring>& catalogueFiles) {
    SettingsRecord& r = Settings();
    r.recentPaths.clear();
    for (const std::wstring& file : catalogueFiles) {
        const std::size_t slash = file.rfind(L'/');
        if (slash == std::wstring::npos) continue;
        const std::wstring folder = file.substr(0, slash + 1);
        if (std::find(r.recentPaths.begin(), r.recentPaths.end(), folder) == r.recentPaths.end())
            r.recentPaths.push_back(folder);
    }
    r.OldPath.clear();
    for (const std::wstring& folder : r.recentPaths) r.OldPath += folder + L";";
    return WriteSettings(programDirectory);
}

namespace {

bool WriteSettings(const std::wstring& programDirectory) {
    const SettingsRecord& r = Settings();
    TiXmlDocument document;
    auto* setting = new TiXmlElement("Setting");
    document.LinkEndChild(setting);
    auto* section = new TiXmlElement(WideToNative(kSection).c_str());
    setting->LinkEndChild(section);
    for (const SettingItem& item : Items(programDirectory)) {
        auto* element = new TiXmlElement(WideToNative(item.key).c_str());
        switch (item.kind) {
            case SettingItem::Bool:
                element->SetAttribute("value", r.*item.boolField ? 1 : 0);
                element->SetAttribute("Default", item.intDefault);
                element->SetAttribute("Min", 0);
                element->SetAttribute("Max", 1);
                break;
            case SettingItem::Int:
                element->SetAttribute("value", r.*item.intField);
                element->SetAttribute("Default", item.intDefault);
                element->SetAttribute("Min", 0);
                element->SetAttribute("Max", 0);
                element->SetAttribute("Scale", 0);
                break;
            case SettingItem::String:
                element->SetAttribute("value", WideToNative(r.*item.stringField).c_str());
                element->SetAttribute("Default", WideToNative(item.stringDefault).c_str());
                break;
        }
        section->LinkEndChild(element);
    }
    TiXmlPrinter printer;
    printer.SetIndent("    ");
    document.Accept(&printer);

    const std::string folder = KX_SOFT_BASE::UserFoldersFor(WideToNative(programDirectory)).settings;
    if (KX_SOFT_BASE::CreateFolderPath(NativeToWide(folder)) != 0) return false;
    const std::string text = printer.Str();
    return KX_SOFT_BASE::ReplaceFile(CConfigXMLPersistImp::FilePath(WideToNative(programDirectory)),
                                     {{text.data(), text.size()}});
}

}  // namespace

std::vector<std::wstring> CatalogueFiles(const CFileManager& catalogue) {
    std::vector<_GROUP_FILE_INFO> groups;
    std::vector<std::wstring> files;
    catalogue.FillGroupList(groups, files);
    std::vector<_SINGLE_FILE_INFO> singles;
    catalogue.FillSingleList(singles);
    for (const auto& single : singles) files.push_back(single.path);
    return files;
}

namespace {

// One save asked for at the close: the helper loop hands the catalogue's files over, the UI thread
// writes. Whichever comes first of the written reply and the end of the main loop completes it.
struct PendingSave {
    std::wstring programDirectory;
    boost::function<void(bool)> done;
    bool written = false;  // UI thread only

    std::mutex lock;  // guards what the helper hands over
    std::condition_variable read;
    bool filesRead = false;
    std::vector<std::wstring> files;
};

std::shared_ptr<PendingSave>& CurrentSave() {
    static auto* save = new std::shared_ptr<PendingSave>();  // UI thread only
    return *save;
}

void HandOver(PendingSave& save, std::vector<std::wstring> files) {
    std::lock_guard<std::mutex> guard(save.lock);
    save.files = std::move(files);
    save.filesRead = true;
    save.read.notify_all();
}

// UI thread: writes the settings once, with the catalogue's files when they have come (otherwise
// the recent folders stay as they were), and tells the asker.
void Complete(const std::shared_ptr<PendingSave>& save) {
    if (save->written) return;
    save->written = true;
    if (CurrentSave() == save) CurrentSave().reset();
    bool haveFiles;
    std::vector<std::wstring> files;
    {
        std::lock_guard<std::mutex> guard(save->lock);
        haveFiles = save->filesRead;
        files = save->files;
    }
    const bool saved = haveFiles ? SaveSettings(save->programDirectory, files) : WriteSettings(save->programDirectory);
    if (save->done) save->done(saved);
}

}  // namespace

void RequestSettingsSave(const std::wstring& programDirectory, boost::shared_ptr<const CFileManager> catalogue,
                         boost::function<void(bool)> done) {
    auto save = std::make_shared<PendingSave>();
    save->programDirectory = programDirectory;
    save->done = std::move(done);
    if (CurrentSave()) Complete(CurrentSave());  // an earlier request is written first, as it stands
    CurrentSave() = save;
    if (!TarvexBase::CKXMessageLoopManager::GetInstance()->GetMessageLoop(TarvexBase::ML_HELPER)) {
        // No helper loop: nothing else can be changing the catalogue, so it is read here.
        HandOver(*save, catalogue ? CatalogueFiles(*catalogue) : std::vector<std::wstring>());
        Complete(save);
        return;
    }
    KX_POST_FUNCTION(TarvexBase::ML_HELPER, ([save, catalogue] {
        HandOver(*save, catalogue ? CatalogueFiles(*catalogue) : std::vector<std::wstring>());
        KX_POST_FUNCTION(TarvexBase::ML_MAIN, ([save] { Complete(save); }));
    }));
}

void FinishSettingsSave(int limitMs) {
    const std::shared_ptr<PendingSave> save = CurrentSave();
    if (!save || save->written) return;
    {
        std::unique_lock<std::mutex> guard(save->lock);
        save->read.wait_for(guard, std::chrono::milliseconds(std::max(limitMs, 0)), [&] { return save->filesRead; });
    }
    Complete(save);
}

}  // namespace TarvexApp
