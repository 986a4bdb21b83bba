// The settings file: defaults, what a stored file gives, the derived lists, the layout written,
// and a save that fails leaving the old file whole.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <boost/make_shared.hpp>

#include "App/Settings.h"
#include "App/StartupLoops.h"
#include "App/XmlText.h"
#include "AppTestSupport.h"
#include "Base/LoopIds.h"
#include "Base/MessageLoopManager.h"
#include "Base/SystemFunctions.h"
#include "Files/CatalogueScan.h"
#include "Files/FileManager.h"

using namespace TarvexApp;

namespace {

class SettingsTest : public TarvexTest::ProgramFolderTest {
protected:
    void WriteConfig(const std::string& xml) {
        Mkdir("Config");
        WriteFile("Config/config.xml", xml);
    }
    // A catalogue of one recording in the folder "export".
    boost::shared_ptr<CFileManager> ExportCatalogue() {
        Mkdir("export");
        WriteFile("export/DVR_ch1_20240315100000_20240315100004.rvf", "");
        auto catalogue = boost::make_shared<CFileManager>();
        int none = 0;
        catalogue->AddFolder(ScanPatternForPath(Home() + L"export"), &none);
        return catalogue;
    }
};

}  // namespace

TEST_F(SettingsTest, WithoutAFileEverySettingHasItsDefault) {
    LoadSettings(Home());
    const SettingsRecord& s = Settings();
    EXPECT_EQ(Home() + L"Picture/", s.SnapPath);
    EXPECT_EQ(Home() + L"Video/", s.VideoPath);
    EXPECT_EQ(L"Arial", s.FontFace);
    EXPECT_EQ(1, s.CharSet);
    EXPECT_EQ(0, s.Language);
    EXPECT_FALSE(s.VerticalSyn);
    EXPECT_EQ(L".rvf;.avi;.ps;.ts", s.strRecordFormat);
    EXPECT_EQ((std::vector<std::wstring>{L".rvf", L".avi", L".ps"}), s.recordFormats)
        << "the text after the last ';' is no entry, even in the default";
    EXPECT_TRUE(s.recentPaths.empty());
}

TEST_F(SettingsTest, AStoredFileIsReadWithOurSeparatorsAndEmptyValuesTakeTheirDefaults) {
    WriteConfig(
        "<Setting><UIConfig>"
        "<SnapPath value=\"D:\\shots\\\"/><VideoPath value=\"\"/><Proportion value=\"2\"/>"
        "<VerticalSyn value=\"yes\"/><Language value=\"abc\"/><SoundChannel value=\"99999999999\"/>"
        "<OldPath value=\";/srv/a/;;/srv/b/\"/><strRecordFormat value=\".rvf;;.avi;\"/>"
        "</UIConfig></Setting>");
    LoadSettings(Home());
    const SettingsRecord& s = Settings();
    EXPECT_EQ(L"D:/shots/", s.SnapPath);
    EXPECT_EQ(Home() + L"Video/", s.VideoPath) << "an empty value reads as the default";
    EXPECT_EQ(2, s.Proportion);
    EXPECT_TRUE(s.VerticalSyn);
    EXPECT_EQ(0, s.Language) << "not a number";
    EXPECT_EQ(0, s.SoundChannel) << "a number out of range";
    EXPECT_EQ((std::vector<std::wstring>{L"/srv/a/"}), s.recentPaths)
        << "text after the last ';' is no entry, nor the empty text of ';;'";
    EXPECT_EQ((std::vector<std::wstring>{L".rvf", L".avi"}), s.recordFormats);
}

TEST_F(SettingsTest, AFileThatBeginsWithADeclarationOrDoesNotParseGivesDefaults) {
    WriteConfig("<?xml version=\"1.0\"?><Setting><UIConfig><Proportion value=\"1\"/></UIConfig></Setting>");
    LoadSettings(Home());
    EXPECT_EQ(0, Settings().Proportion);
    WriteConfig("<Setting><UIConfig><Proportion value=\"1\"/></UIConf");
    LoadSettings(Home());
    EXPECT_EQ(0, Settings().Proportion);
}

TEST_F(SettingsTest, AFileNestedTooDeepForTheParserGivesDefaults) {
    std::string deep = "<Setting><UIConfig><Proportion value=\"1\"/>";
    for (int i = 0; i < 100000; ++i) deep += "<x>";
    WriteConfig(deep);
    LoadSettings(Home());
    EXPECT_EQ(0, Settings().Proportion) << "refused before the parser: the defaults";
}

TEST(XmlText, NestingIsCountedOnlyInElements) {
    EXPECT_TRUE(XmlNestingWithin("<a><b/><c x=\"<d>\" y='>'><!-- <e><e><e> --><![CDATA[<f><f>]]></c></a>", 2));
    EXPECT_FALSE(XmlNestingWithin("<a><b><c/></b></a>", 1));
    EXPECT_TRUE(XmlNestingWithin("<?xml version=\"1.0\"?><!DOCTYPE x><a></a><b></b><c></c>", 1))
        << "siblings, a declaration and a doctype add no level";
    EXPECT_FALSE(XmlNestingWithin("<a><a><a>", 2)) << "unclosed elements count too";
    EXPECT_TRUE(XmlNestingWithin("", 1));
    EXPECT_TRUE(XmlNestingWithin("<a x=\"never closed", 1)) << "a cut file is the parser's to refuse";
}

TEST_F(SettingsTest, SavingWritesEverySettingInOrderAndReadsBack) {
    LoadSettings(Home());
    Settings().Proportion = 1;
    Settings().VerticalSyn = true;
    Settings().SnapPath = L"/srv/shots/";
    Settings().FileTypesAsked = true;
    Settings().OpenFolder = L"/srv/export/";
    ASSERT_TRUE(SaveSettings(Home(), {L"/srv/export/a.rvf", L"/srv/export/b.rvf", L"/mnt/usb/c.rvf", L"loose.rvf"}))
        << "the missing Config folder is made";
    EXPECT_EQ((std::vector<std::wstring>{L"/srv/export/", L"/mnt/usb/"}), Settings().recentPaths);
    EXPECT_EQ(L"/srv/export/;/mnt/usb/;", Settings().OldPath);

    const std::string text = ReadFile("Config/config.xml");
    EXPECT_EQ(0u, text.find("<Setting>")) << "no declaration before the settings";
    const char* order[] = {"SnapPath", "VideoPath", "Proportion", "SoundChannel", "Language", "VerticalSyn",
                           "SnapFormat", "VideoFormat", "OldPath", "CharSet", "FontFace", "strRecordFormat",
                           "FileTypesAsked", "OpenFolder"};
    std::size_t at = text.find("<UIConfig>");
    ASSERT_NE(std::string::npos, at);
    for (const char* key : order) {
        const std::size_t next = text.find(std::string("<") + key + " ", at);
        ASSERT_NE(std::string::npos, next) << key;
        at = next;
    }
    EXPECT_NE(std::string::npos, text.find("<Proportion value=\"1\" Default=\"0\" Min=\"0\" Max=\"0\" Scale=\"0\" />"));
    EXPECT_NE(std::string::npos, text.find("<VerticalSyn value=\"1\" Default=\"0\" Min=\"0\" Max=\"1\" />"));
    EXPECT_NE(std::string::npos, text.find("<FontFace value=\"Arial\" Default=\"Arial\" />"));

    Settings() = SettingsRecord();
    LoadSettings(Home());
    EXPECT_EQ(1, Settings().Proportion);
    EXPECT_TRUE(Settings().VerticalSyn);
    EXPECT_EQ(L"/srv/shots/", Settings().SnapPath);
    EXPECT_EQ((std::vector<std::wstring>{L"/srv/export/", L"/mnt/usb/"}), Settings().recentPaths);
    EXPECT_TRUE(Settings().FileTypesAsked) << "the answered question stays answered";
    EXPECT_EQ(L"/srv/export/", Settings().OpenFolder);
}

TEST_F(SettingsTest, TheFileTypeQuestionIsNotAskedYetUnlessTheFileSaysPlainlyItWas) {
    LoadSettings(Home());
    EXPECT_FALSE(Settings().FileTypesAsked);
    EXPECT_EQ(L"", Settings().OpenFolder);
    for (const char* value : {"maybe", "", "2", "-1"}) {
        WriteConfig(std::string("<Setting><UIConfig><FileTypesAsked value=\"") + value + "\"/></UIConfig></Setting>");
        Settings().FileTypesAsked = true;
        LoadSettings(Home());
        EXPECT_FALSE(Settings().FileTypesAsked) << "'" << value << "' reads as not asked yet";
    }
    WriteConfig("<Setting><UIConfig><FileTypesAsked value=\"1\"/><OpenFolder value=\"D:\\exports\\\"/></UIConfig></Setting>");
    LoadSettings(Home());
    EXPECT_TRUE(Settings().FileTypesAsked);
    EXPECT_EQ(L"D:/exports/", Settings().OpenFolder);
}

TEST_F(SettingsTest, ASaveThatFailsHalfWayLeavesTheOldFileWhole) {
    LoadSettings(Home());
    ASSERT_TRUE(SaveSettings(Home(), {}));
    const std::string before = ReadFile("Config/config.xml");
    // A file-size limit stands in for a full disk, in a child so that the limit stays there.
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{200, 200};
        setrlimit(RLIMIT_FSIZE, &limit);
        Settings().FontFace = std::wstring(500, L'x');
        _exit(SaveSettings(Home(), {}) ? 0 : 3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(3, WEXITSTATUS(status)) << "the failure is reported";
    EXPECT_EQ(before, ReadFile("Config/config.xml"));
    EXPECT_EQ(1, CountFiles("Config")) << "no temporary left behind";
}

TEST_F(SettingsTest, TheSaveOnCloseReadsTheCatalogueOnItsOwnLoop) {
    Mkdir("export");
    Mkdir("usb");
    WriteFile("export/DVR_ch1_20240315100000_20240315100004.rvf", "");
    WriteFile("export/DVR_ch2_20240315100000_20240315100004.rvf", "");
    WriteFile("usb/not-a-recorder-name.rvf", "");
    auto catalogue = boost::make_shared<CFileManager>();
    int none = 0;
    catalogue->AddFolder(ScanPatternForPath(Home() + L"export"), &none);
    catalogue->AddFolder(ScanPatternForPath(Home() + L"usb"), &none);
    LoadSettings(Home());

    StartupLoops loops = CreateStartupLoops(TarvexBase::MC_WORKER);
    bool saved = false;
    KX_SOFT_BASE::KXThreadId savedOn = 0;
    RequestSettingsSave(Home(), catalogue, [&](bool ok) {
        saved = ok;
        savedOn = KX_SOFT_BASE::CurrentThreadId();
        loops.mainLoop->GetControl()->Quit();
    });
    loops.mainLoop->GetControl()->Run();
    EXPECT_TRUE(saved);
    EXPECT_EQ(KX_SOFT_BASE::CurrentThreadId(), savedOn) << "written on the main loop";
    EXPECT_EQ((std::vector<std::wstring>{Home() + L"export/", Home() + L"usb/"}), Settings().recentPaths);
    EXPECT_NE(std::string::npos, ReadFile("Config/config.xml").find("export/;"));
    for (int id : {TarvexBase::ML_MAIN, TarvexBase::ML_HELPER, TarvexBase::ML_PLAY, TarvexBase::ML_EXPORT})
        TarvexBase::CKXMessageLoopManager::GetInstance()->RegisterMessageLoop({}, id);
    for (auto& worker : loops.workers) worker->GetLoop()->GetControl()->Quit();
}

TEST_F(SettingsTest, WithoutAHelperLoopTheSaveIsWrittenAndCompletedAtOnce) {
    auto catalogue = ExportCatalogue();
    LoadSettings(Home());
    TarvexBase::CKXMessageLoopManager::GetInstance()->RegisterMessageLoop({}, TarvexBase::ML_HELPER);
    int completions = 0;
    bool saved = false;
    RequestSettingsSave(Home(), catalogue, [&](bool ok) {
        ++completions;
        saved = ok;
    });
    EXPECT_EQ(1, completions);
    EXPECT_TRUE(saved);
    EXPECT_NE(std::string::npos, ReadFile("Config/config.xml").find("export/;"));
    FinishSettingsSave();
    EXPECT_EQ(1, completions) << "completed once";
}

TEST_F(SettingsTest, ASaveTheMainLoopDidNotLiveToWriteIsWrittenAtTheEnd) {
    auto catalogue = ExportCatalogue();
    LoadSettings(Home());
    Settings().Proportion = 2;
    StartupLoops loops = CreateStartupLoops(TarvexBase::MC_WORKER);
    int completions = 0;
    bool saved = false;
    RequestSettingsSave(Home(), catalogue, [&](bool ok) {
        ++completions;
        saved = ok;
    });
    // The main loop never runs again: its written reply is never taken.
    FinishSettingsSave();
    EXPECT_EQ(1, completions);
    EXPECT_TRUE(saved);
    const std::string written = ReadFile("Config/config.xml");
    EXPECT_NE(std::string::npos, written.find("export/;")) << "the helper's reading was waited for";
    EXPECT_NE(std::string::npos, written.find("<Proportion value=\"2\""));
    // The reply that comes later finds the save done.
    for (int i = 0; i < 1000 && loops.mainLoop->IsIdle(); ++i) KX_SOFT_BASE::SleepMs(10);
    while (loops.mainLoop->DoWork()) {
    }
    EXPECT_EQ(1, completions);
    for (int id : {TarvexBase::ML_MAIN, TarvexBase::ML_HELPER, TarvexBase::ML_PLAY, TarvexBase::ML_EXPORT})
        TarvexBase::CKXMessageLoopManager::GetInstance()->RegisterMessageLoop({}, id);
    for (auto& worker : loops.workers) worker->GetLoop()->GetControl()->Quit();
}
