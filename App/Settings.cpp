#include "App/Settings.h"

#include <tinyxml.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "App/ConfigPersist.h"
#include "Base/LoopIds.h"
#include "Base/PostTask.h"
#include "Base/ReplaceFile.h"
#include "Base/StreamConvert.h"
#include "Files/FileManager.h"

namespace TarvexApp {

namespace {

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
    return {s(L"SnapPath", &R::SnapPath, programDirectory + L"Picture/"),
            s(L"VideoPath", &R::VideoPath, programDirectory + L"Video/"),
            i(L"Proportion", &R::Proportion, 0),
            i(L"SoundChannel", &R::SoundChannel, 0),
            i(L"Language", &R::Language, 0),
            b(L"VerticalSyn", &R::VerticalSyn, false),
            i(L"SnapFormat", &R::SnapFormat, 0),
            i(L"VideoFormat", &R::VideoFormat, 0),
            s(L"OldPath", &R::OldPath, L""),
            i(L"CharSet", &R::CharSet, 1),
            s(L"FontFace", &R::FontFace, L"Arial"),
            s(L"strRecordFormat", &R::strRecordFormat, L".rvf;.avi;.ps;.ts")};
}

bool MakeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
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
        entries.push_back(text.substr(from, at - from));
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

    const std::string folder = WideToNative(programDirectory) + "Config";
    if (!MakeFolder(folder)) return false;
    const std::string text = printer.Str();
    return KX_SOFT_BASE::ReplaceFile(CConfigXMLPersistImp::FilePath(WideToNative(programDirectory)),
                                     {{text.data(), text.size()}});
}

std::vector<std::wstring> CatalogueFiles(const CFileManager& catalogue) {
    std::vector<_GROUP_FILE_INFO> groups;
    std::vector<std::wstring> files;
    catalogue.FillGroupList(groups, files);
    std::vector<_SINGLE_FILE_INFO> singles;
    catalogue.FillSingleList(singles);
    for (const auto& single : singles) files.push_back(single.path);
    return files;
}

void RequestSettingsSave(const std::wstring& programDirectory, boost::shared_ptr<const CFileManager> catalogue,
                         boost::function<void(bool)> done) {
    KX_POST_FUNCTION(TarvexBase::ML_HELPER, ([programDirectory, catalogue, done] {
        const std::vector<std::wstring> files = catalogue ? CatalogueFiles(*catalogue) : std::vector<std::wstring>();
        KX_POST_FUNCTION(TarvexBase::ML_MAIN, ([programDirectory, files, done] {
            const bool saved = SaveSettings(programDirectory, files);
            if (done) done(saved);
        }));
    }));
}

}  // namespace TarvexApp
