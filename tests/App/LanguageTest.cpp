// The language table: lookups and their decoding, later entries, the retry while a file is
// missing, results kept by value, the defence of format strings, and the shipped language files.
#include <tinyxml.h>

#include <set>
#include <vector>

#include "App/FileTypes.h"
#include "App/Language.h"
#include "AppTestSupport.h"

using namespace TarvexApp;

namespace {

class LanguageTest : public TarvexTest::ProgramFolderTest {
protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        ResetLanguageTable();
        SetLanguageNumber(2);
    }
    void TearDown() override {
        ResetLanguageTable();
        ProgramFolderTest::TearDown();
    }
    void WriteLanguage(int n, const std::string& entries) {
        WriteFile("Lang_" + std::to_string(n) + ".xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><L>" + entries + "</L>");
    }
};

std::vector<std::pair<std::string, std::string>> Entries(const std::string& path) {
    std::vector<std::pair<std::string, std::string>> entries;
    TiXmlDocument document;
    if (!document.LoadFile(path.c_str(), TIXML_ENCODING_UTF8)) return entries;
    for (const TiXmlElement* e = document.RootElement()->FirstChildElement(); e; e = e->NextSiblingElement())
        entries.emplace_back(e->Attribute("name") ? e->Attribute("name") : "", e->Attribute("value") ? e->Attribute("value") : "");
    return entries;
}

}  // namespace

TEST_F(LanguageTest, WithoutAFileTextsStayEnglishAndTheFileIsTriedAgain) {
    EXPECT_EQ(L"Prompt", Translate(L"Prompt"));
    WriteLanguage(2, "<T name=\"Prompt\" value=\"Hinweis\"/>");
    EXPECT_EQ(L"Hinweis", Translate(L"Prompt")) << "the file that came meanwhile is read";
}

TEST_F(LanguageTest, WithoutAUsableFileTheKeyedEntriesAreInEnglish) {
    const auto english = Entries(std::string(TARVEX_LANGUAGE_DIR) + "/Lang_0.xml");
    const std::set<std::string> keyed = {"ProductName", "ProductVer", "CopyrightString", "WebSite",
                                         "Language_0", "Language_1", "Language_2", "Player User's Guide.pdf"};
    // Missing, empty, not XML, of no entries, and lacking the entry.
    for (const std::string& content : {std::string("-"), std::string(), std::string("\x01\x02 not xml"),
                                       std::string("<?xml version=\"1.0\"?><L/>"),
                                       std::string("<?xml version=\"1.0\"?><L><T name=\"Prompt\" value=\"Hinweis\"/></L>")}) {
        SCOPED_TRACE(content);
        if (content != "-") WriteFile("Lang_2.xml", content);
        ResetLanguageTable();
        for (const auto& [name, value] : english) {
            if (!keyed.count(name)) continue;
            EXPECT_EQ(KX_SOFT_BASE::Utf8ToWide(value), Translate(KX_SOFT_BASE::Utf8ToWide(name))) << name;
        }
        EXPECT_EQ(L"Channel", Translate(L"Channel")) << "a text named by its English wording is itself";
        EXPECT_EQ(L"MultiLanguage", Translate(L"MultiLanguage")) << "no list of languages without their files";
    }
}

TEST_F(LanguageTest, AFileNestedTooDeepForTheParserLeavesTheTextsUntranslated) {
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<d>";
    WriteLanguage(2, "<T name=\"Prompt\" value=\"Hinweis\"/>" + deep);
    EXPECT_EQ(L"Prompt", Translate(L"Prompt")) << "refused before the parser, as a broken file";
    WriteLanguage(2, "<T name=\"Prompt\" value=\"Hinweis\"/>");
    EXPECT_EQ(L"Hinweis", Translate(L"Prompt")) << "and tried again, as a broken file is";
}

TEST_F(LanguageTest, AFileCutInsideAUtf8CharacterIsReadNoFurtherThanItsEnd) {
    // Cut inside an element's name, after the first byte of a three-byte character: the parser
    // steps over the character's length, past the file's last byte (the address sanitizer sees it).
    WriteFile("Lang_2.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><L><T name=\"Prompt\" value=\"Hinweis\"/><T\x89\x88\xe6");
    EXPECT_EQ(L"Prompt", Translate(L"Prompt")) << "a broken file translates nothing";
}

TEST_F(LanguageTest, ValuesAreDecodedFromUtf8AndALaterEntryWins) {
    WriteLanguage(2,
                  "<T name=\"Prompt\" value=\"提示\"/><T name=\"Close\" value=\"Zu\"/><T name=\"Close\" value=\"Schließen\"/>"
                  "<T name=\"only a name\"/><Other value=\"no name\"/>");
    EXPECT_EQ(L"提示", Translate(L"Prompt"));
    EXPECT_EQ(L"Schließen", Translate(L"Close"));
    EXPECT_EQ(L"only a name", Translate(L"only a name"));
    // Results are values: many calls later the first is still what it was.
    const std::wstring first = Translate(L"Prompt");
    for (int i = 0; i < 6; ++i) Translate(L"Close");
    EXPECT_EQ(L"提示", first);
    WriteLanguage(2, std::string("<T name=\"Long\" value=\"") + std::string(2000, 'x') + "\"/>");
    ResetLanguageTable();
    EXPECT_EQ(1023u, Translate(L"Long").size()) << "the visible cut is kept";
}

TEST_F(LanguageTest, AFormatIsTranslatedOnlyWithTheSameConversions) {
    WriteLanguage(2,
                  "<T name=\"%d files of %s\" value=\"%d Dateien von %s\"/>"
                  "<T name=\"%s missing\" value=\"%s%s%n fehlt\"/>"
                  "<T name=\"at %d\" value=\"bei %s\"/>"
                  "<T name=\"%s done\" value=\"100%% fertig: %s\"/>");
    EXPECT_EQ(L"%d Dateien von %s", TranslateFormat(L"%d files of %s"));
    EXPECT_EQ(L"%s missing", TranslateFormat(L"%s missing")) << "extra conversions would read what is not there";
    EXPECT_EQ(L"at %d", TranslateFormat(L"at %d")) << "a string read where a number was given";
    EXPECT_EQ(L"100%% fertig: %s", TranslateFormat(L"%s done")) << "a literal percent is no conversion";
    EXPECT_EQ(L"%-5.2ld\n%s\n", FormatSpecifiers(L"a %-5.2ld b %% c %s"));
}

TEST_F(LanguageTest, TheAssociationQuestionNamesTheMissingTypes) {
    const std::vector<std::wstring> formats{L".rvf", L".avi", L".ps"};
    const std::wstring missing = MissingFileTypes(formats, [](const std::wstring& e) { return e == L".ps" ? 1 : 0; });
    EXPECT_EQ(L".rvf ,.avi ,", missing);
    EXPECT_EQ(L"The file types(.rvf ,.avi ) doesn't associate to the program, do you want to associate to it?",
              AssociationQuestion(missing));
    EXPECT_EQ(L"", MissingFileTypes(formats, [](const std::wstring&) { return 1; }));
    // A hostile translation is not used; a long one is cut to the dialog's 127 characters.
    WriteLanguage(2, "<T name=\"The file types(%s) doesn't associate to the program, do you want to associate to it?\" "
                     "value=\"%s%s%s%s%s%n\"/>");
    EXPECT_EQ(0u, AssociationQuestion(missing).find(L"The file types(.rvf ,.avi )"));
    EXPECT_EQ(127u, AssociationQuestion(std::wstring(300, L'x')).size());
}

TEST_F(LanguageTest, TheStartUpCheckOffersEveryRecordFormatWhenOneIsMissing) {
    const std::vector<std::wstring> formats{L".rvf", L".avi", L".ps"};
    const FileTypeOffer offer = CheckFileTypes(formats, [](const std::wstring& e) { return e == L".ps" ? 1 : 0; });
    EXPECT_EQ(0u, offer.question.find(L"The file types(.rvf ,.avi )")) << "the question is computed";
    EXPECT_EQ(formats, offer.extensions) << "its OK associates every record format";
    const FileTypeOffer none = CheckFileTypes(formats, [](const std::wstring&) { return 1; });
    EXPECT_TRUE(none.question.empty());
    EXPECT_TRUE(none.extensions.empty());
}

TEST_F(LanguageTest, AKeyLeftEmptyOrMissingInABrokenFileShowsTheBuiltInEnglishNeverTheKey) {
    WriteLanguage(2, "<T name=\"ProductName\" value=\"\"/><T name=\"Prompt\" value=\"\"/>");
    SetLanguageNumber(2);
    ResetLanguageTable();
    EXPECT_EQ(L"Tarvex Player", Translate(L"ProductName")) << "the title and the About box";
    EXPECT_EQ(L"", Translate(L"Prompt")) << "an ordinary text is the file's to give, even empty";
    WriteLanguage(2, "<T name=\"Prompt\" value=\"Hinweis\"/><T name=");
    ResetLanguageTable();
    EXPECT_EQ(L"Tarvex Player", Translate(L"ProductName")) << "a file that does not parse";
    EXPECT_EQ(L"Prompt", Translate(L"Prompt"));
}

TEST(LanguageFilesTest, EveryTranslationHasTheEnglishFilesEntriesOneForOne) {
    const std::string folder = TARVEX_LANGUAGE_DIR;
    const auto english = Entries(folder + "/Lang_0.xml");
    ASSERT_GT(english.size(), 90u);
    std::set<std::string> names;
    for (const auto& e : english) EXPECT_TRUE(names.insert(e.first).second) << "twice: " << e.first;
    for (const char* key : {"ProductName", "ProductVer", "CopyrightString", "WebSite", "MultiLanguage", "Language_0",
                            "Player User's Guide.pdf", "Prompt", "Loading...", "Replay", "Channel"})
        EXPECT_TRUE(names.count(key)) << key;
    for (const char* file : {"/Lang_1.xml", "/Lang_2.xml"}) {
        const auto translated = Entries(folder + file);
        ASSERT_EQ(english.size(), translated.size()) << file;
        for (std::size_t i = 0; i < english.size(); ++i) {
            EXPECT_EQ(english[i].first, translated[i].first) << file;
            EXPECT_FALSE(translated[i].second.empty()) << file << ": " << english[i].first;
            const std::wstring name = KX_SOFT_BASE::Utf8ToWide(english[i].first);
            EXPECT_EQ(FormatSpecifiers(name), FormatSpecifiers(KX_SOFT_BASE::Utf8ToWide(translated[i].second)))
                << file << ": " << english[i].first;
        }
    }
    for (const auto& e : english) {
        if (e.first == "MultiLanguage") {
            EXPECT_EQ("0;1;2", e.second);
        }
    }
}
