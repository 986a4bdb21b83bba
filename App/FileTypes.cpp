#include "App/FileTypes.h"

#include "App/Language.h"

namespace TarvexApp {

std::wstring MissingFileTypes(const std::vector<std::wstring>& extensions, int (*isAssociated)(const std::wstring&)) {
    std::wstring missing;
    for (const std::wstring& extension : extensions)
        if (!isAssociated(extension)) missing += extension + L" ,";
    return missing;
}

std::wstring AssociationQuestion(const std::wstring& missingTypes) {
    std::wstring types = missingTypes;
    if (!types.empty()) types.pop_back();
    // The translation has exactly the English text's one "%s" (TranslateFormat sees to that): put
    // the types in its place and "%%" back to "%", with no printf to trust a language file to.
    const std::wstring format =
        TranslateFormat(L"The file types(%s) doesn't associate to the program, do you want to associate to it?");
    std::wstring text;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == L'%' && i + 1 < format.size() && (format[i + 1] == L's' || format[i + 1] == L'%')) {
            text += format[i + 1] == L's' ? types : L"%";
            ++i;
            continue;
        }
        text += format[i];
    }
    // The dialog's buffer holds 127 characters: a longer question is cut, as it was there.
    return text.substr(0, 127);
}

FileTypeOffer CheckFileTypes(const std::vector<std::wstring>& extensions, int (*isAssociated)(const std::wstring&)) {
    FileTypeOffer offer;
    const std::wstring missing = MissingFileTypes(extensions, isAssociated);
    if (missing.empty()) return offer;
    offer.question = AssociationQuestion(missing);
    offer.extensions = extensions;
    return offer;
}

void AssociateFileTypes(const std::vector<std::wstring>& extensions, const std::wstring& program,
                        int (*associate)(const std::wstring&, const std::wstring&, int)) {
    for (std::size_t i = 0; i < extensions.size(); ++i)
        associate(extensions[i], program + L",0", i + 1 == extensions.size() ? 1 : 0);
}

}  // namespace TarvexApp
