#include "App/ConfigPersist.h"

#include <tinyxml.h>

#include <cerrno>
#include <cstdlib>

#include "App/XmlText.h"
#include "Base/StreamConvert.h"
#include "Base/UserFolders.h"

namespace TarvexApp {

using KX_SOFT_BASE::NativeToWide;
using KX_SOFT_BASE::WideToNative;

CConfigXMLPersistImp::CConfigXMLPersistImp(const std::string& programDirectory) : m_document(new TiXmlDocument) {
    // A file that cannot be read, or that is damaged beyond what the parser can take, gives the
    // defaults, as one that does not parse does.
    std::string text;
    if (ReadXmlText(FilePath(programDirectory), &text)) Parse(text.c_str());
}

CConfigXMLPersistImp::~CConfigXMLPersistImp() = default;

std::string CConfigXMLPersistImp::FilePath(const std::string& programDirectory) {
    return KX_SOFT_BASE::UserFoldersFor(programDirectory).settings + "config.xml";
}

const char* CConfigXMLPersistImp::Value(const std::wstring& section, const std::wstring& key) const {
    // From the first node, whatever it is: a file that starts with a declaration gives defaults.
    const TiXmlNode* root = m_document->FirstChild();
    const TiXmlNode* sectionNode = root ? root->FirstChild(WideToNative(section).c_str()) : nullptr;
    const TiXmlNode* keyNode = sectionNode ? sectionNode->FirstChild(WideToNative(key).c_str()) : nullptr;
    const TiXmlElement* element = keyNode ? keyNode->ToElement() : nullptr;
    return element ? element->Attribute("value") : nullptr;
}

double CConfigXMLPersistImp::GetDouble(const std::wstring& section, const std::wstring& key, double defaultValue) {
    const char* text = Value(section, key);
    if (!text) return defaultValue;
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    return end != text ? v : defaultValue;
}

int CConfigXMLPersistImp::GetInt(const std::wstring& section, const std::wstring& key, int defaultValue) {
    const char* text = Value(section, key);
    if (!text) return defaultValue;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    // A number out of range is no number: the default, as TinyXML's own query gives.
    if (end == text || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return defaultValue;
    return static_cast<int>(v);
}

int CConfigXMLPersistImp::GetInt2(const std::wstring& section, const std::wstring& key, int defaultValue) {
    return GetInt(section, key, defaultValue);
}

bool CConfigXMLPersistImp::GetBool(const std::wstring& section, const std::wstring& key, bool defaultValue) {
    const char* text = Value(section, key);
    if (!text) return defaultValue;
    const std::string v(text);
    if (v == "1" || v == "true" || v == "yes") return true;
    if (v == "0" || v == "false" || v == "no") return false;
    return defaultValue;
}

std::wstring CConfigXMLPersistImp::GetString(const std::wstring& section, const std::wstring& key,
                                             const std::wstring& defaultValue) {
    const char* text = Value(section, key);
    return text ? NativeToWide(text) : defaultValue;
}

void CConfigXMLPersistImp::Parse(const char* xml) {
    if (!xml) return;
    m_document->Clear();
    if (!XmlNestingWithin(xml)) return;
    m_document->Parse(xml);
    if (m_document->Error()) m_document->Clear();
}

}  // namespace TarvexApp
