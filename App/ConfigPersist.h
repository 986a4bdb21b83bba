#pragma once
// Reading settings from the XML settings file. Lookups go from the document's first node to the
// section's element and the key's element, and read its "value" attribute; anything missing
// gives the caller's default.
#include <memory>
#include <string>

class TiXmlDocument;

namespace TarvexApp {

class IConfigPersistent {
public:
    virtual ~IConfigPersistent() = default;
    virtual double GetDouble(const std::wstring& section, const std::wstring& key, double defaultValue) = 0;
    virtual int GetInt(const std::wstring& section, const std::wstring& key, int defaultValue) = 0;
    virtual bool GetBool(const std::wstring& section, const std::wstring& key, bool defaultValue) = 0;
    // The settings loader's integer lookup; the same as GetInt.
    virtual int GetInt2(const std::wstring& section, const std::wstring& key, int defaultValue) = 0;
    virtual std::wstring GetString(const std::wstring& section, const std::wstring& key,
                                   const std::wstring& defaultValue) = 0;
    // Parses XML text into the document (nothing for null).
    virtual void Parse(const char* xml) = 0;
};

class CConfigXMLPersistImp : public IConfigPersistent {
public:
    // programDirectory ends in "/"; the file is programDirectory + "Config/config.xml". A file
    // that is missing or does not parse leaves the document empty.
    explicit CConfigXMLPersistImp(const std::string& programDirectory);
    ~CConfigXMLPersistImp() override;

    double GetDouble(const std::wstring& section, const std::wstring& key, double defaultValue) override;
    int GetInt(const std::wstring& section, const std::wstring& key, int defaultValue) override;
    bool GetBool(const std::wstring& section, const std::wstring& key, bool defaultValue) override;
    int GetInt2(const std::wstring& section, const std::wstring& key, int defaultValue) override;
    std::wstring GetString(const std::wstring& section, const std::wstring& key, const std::wstring& defaultValue) override;
    void Parse(const char* xml) override;

    static std::string FilePath(const std::string& programDirectory);

private:
    // The key's "value" text, or null.
    const char* Value(const std::wstring& section, const std::wstring& key) const;
    std::unique_ptr<TiXmlDocument> m_document;
};

}  // namespace TarvexApp
