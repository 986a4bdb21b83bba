#pragma once
// The start-up check of the recording file types: which extensions of the record-format list do
// not open with this program, and the question that offers to make them do.
#include <string>
#include <vector>

namespace TarvexApp {

// The extensions that are not associated, each followed by " ," (the last comma is the caller's
// to drop); empty when all are.
std::wstring MissingFileTypes(const std::vector<std::wstring>& extensions, int (*isAssociated)(const std::wstring&));

// The question for the missing types (the text above without its last character), translated
// and cut to 127 characters. A translation whose conversions differ from the English text's is
// not used.
std::wstring AssociationQuestion(const std::wstring& missingTypes);

// What the start-up check finds: the question to put to the user (empty when every type opens
// with the program already) and the extensions its OK associates (every record format).
struct FileTypeOffer {
    std::wstring question;
    std::vector<std::wstring> extensions;
};
FileTypeOffer CheckFileTypes(const std::vector<std::wstring>& extensions, int (*isAssociated)(const std::wstring&));

// Associates every extension with the program, the last one asking the desktop to refresh.
void AssociateFileTypes(const std::vector<std::wstring>& extensions, const std::wstring& program,
                        int (*associate)(const std::wstring&, const std::wstring&, int));

}  // namespace TarvexApp
