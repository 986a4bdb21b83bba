// Looking through recordings from the player: the search for change in a rectangle of a window's
// picture (through the remote control and the search dialog) and the evidence export of a
// stretch, on a generated scene with known events.
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "../Engine/ActivityScenes.h"
#include "App/Language.h"
#include "Engine/EvidenceReport.h"
#include "Files/FileManager.h"
#include "Main/ClockText.h"
#include "Main/EvidenceDlg.h"
#include "Main/EvidenceRun.h"
#include "Main/MotionSearchDlg.h"
#include "Main/RemoteControl.h"
#include "Main/WindowRecordings.h"
#include "MainTestSupport.h"
#include "Toolkit/ListCtrl.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/ProgressCtrl.h"

using namespace TarvexTest;
using nlohmann::json;

namespace {

// 20 s: a dark box crosses the lower left quarter from 4 s to 8 s, a light one the upper right
// quarter from 12 s to 16 s.
ActivityScene TwoCorners() {
    return {"CAM_ch1_20240315100000_20240315100020.rvf", 20, 25,
            SceneBox("0x101010", "40x30") + SceneBox("0xF0F0F0", "40x30"),
            "[b][1]overlay=x='10+(t-4)*20':y=190:enable='between(t,4,8)'[p];"
            "[p][2]overlay=x='180+(t-12)*20':y=20:enable='between(t,12,16)'",
            {{4, 8}, {12, 16}}};
}

class LookThroughTest : public MainLogicTest {
protected:
    void SetUp() override {
        MainLogicTest::SetUp();
        m_remote = boost::make_shared<CRemoteControl>(m_panels.get());
        std::filesystem::create_directories(m_dir + "/scene");
        m_scene = MakeActivityScene(m_dir + "/scene", TwoCorners());
        ASSERT_FALSE(m_scene.empty()) << "ffmpeg made no scene";
        ASSERT_TRUE(ParseClockText("2024-03-15 10:00:00", &m_start));
        Drop(m_scene);
        ASSERT_TRUE(WaitPlaying(0, m_scene));
    }
    void TearDown() override {
        m_remote.reset();
        MainLogicTest::TearDown();
    }
    // The answer to a command, however long it takes to come.
    json Command(const json& command) {
        auto answer = boost::make_shared<std::string>();
        m_remote->Execute(json{{"command", command}}.dump(), [answer](const std::string& a) { *answer = a; });
        EXPECT_TRUE(PumpUntil([&] { return !answer->empty(); }, 120000)) << command.dump();
        return answer->empty() ? json() : json::parse(*answer);
    }
    // The scene again under another name in its folder, and the folder listed again.
    std::string Copy(const std::string& name) {
        const std::string path = m_dir + "/scene/" + name;
        std::filesystem::copy_file(m_scene, path);
        return path;
    }
    void ListSceneAgain() {
        const int before = m_panels->lastBuilds;
        Drop(m_dir + "/scene");
        ASSERT_TRUE(PumpUntil([&] { return m_panels->lastBuilds > before && m_panels->play->PendingOpens() == 0; }, 20000));
    }
    // The window paused at a wall-clock time, with that picture on screen.
    double PauseAt(double wall) {
        m_panels->commands.SetPlaying(false);
        m_panels->commands.Seek(static_cast<unsigned int>(wall), 0);
        EXPECT_TRUE(PumpUntil([&] {
            const double shown = m_panels->play->PositionOf(0).wallClock;
            return shown >= wall && shown < wall + 0.5;
        }, 20000)) << m_panels->play->PositionOf(0).wallClock - m_start;
        return m_panels->play->PositionOf(0).wallClock;
    }
    json Report(const std::string& folder) {
        std::ifstream in(folder + "/report.json");
        return json::parse(in);
    }
    double Seconds(const json& clock) {
        double s = 0;
        EXPECT_TRUE(ParseClockText(clock.get<std::string>(), &s)) << clock;
        return s - m_start;
    }

    boost::shared_ptr<CRemoteControl> m_remote;
    std::string m_scene;
    double m_start = 0;
};

TEST_F(LookThroughTest, ARegionSearchFindsWhatMovesInsideTheRectangleOnly) {
    const json lower = Command({"search-motion", 0, 0.0, 0.55, 0.5, 0.45});
    ASSERT_EQ("success", lower["error"]) << lower.dump();
    ASSERT_EQ(1u, lower["data"]["events"].size()) << lower.dump();
    const json found = lower["data"]["events"][0];
    EXPECT_NEAR(4, Seconds(found["start"]), 1.0);
    EXPECT_LT(Seconds(found["end"]), 12) << "the crossing outside the rectangle is not part of it";
    EXPECT_EQ(m_scene, found["file"]);
    ASSERT_TRUE(found.contains("thumb"));
    EXPECT_TRUE(std::filesystem::file_size(found["thumb"].get<std::string>()) > 0);

    const json upper = Command({"search-motion", 0, 0.5, 0.0, 0.5, 0.45});
    ASSERT_EQ("success", upper["error"]);
    ASSERT_EQ(1u, upper["data"]["events"].size()) << upper.dump();
    EXPECT_NEAR(12, Seconds(upper["data"]["events"][0]["start"]), 1.0);

    EXPECT_NE("success", Command({"search-motion", 0, 0.5, 0.5, 0.8, 0.2})["error"]) << "a rectangle outside the picture";
    EXPECT_NE("success", Command({"search-motion", 3, 0.0, 0.0, 0.5, 0.5})["error"]) << "an empty window";
}

TEST_F(LookThroughTest, TheSearchDialogListsTheEventsOfItsStretchAndAClickSeeksThere) {
    CMotionSearchDlgEventImp dialog(nullptr, &m_panels->commands, {});
    dialog.Show(0, L"CAM ch1", 0.0, 0.0, 1.0, 1.0, m_start + 10);
    dialog.SetScope(CMotionSearchDlgEventImp::kStretch, L"2024-03-15 10:00:10", L"2024-03-15 10:00:20");
    dialog.Search();
    ASSERT_TRUE(dialog.IsSearching());
    ASSERT_TRUE(PumpUntil([&] { return !dialog.IsSearching(); }, 120000));
    ASSERT_EQ(1u, dialog.Events().size()) << "the event before the stretch is left out";
    EXPECT_NEAR(12, dialog.Events()[0].start - m_start, 1.0);
    ASSERT_EQ(1, dialog.List()->GetItemCount());
    EXPECT_EQ(0u, dialog.List()->GetItemText(0, 0).find(L"2024-03-15 10:00:1"));

    dialog.LC_OnItemClick(0, CMotionSearchDlgEventImp::kList);
    const unsigned int target = static_cast<unsigned int>(dialog.Events()[0].start);
    EXPECT_TRUE(PumpUntil([&] {
        const unsigned int shown = m_panels->play->TimeShown(0);
        return shown >= target && shown <= target + 1;
    }, 20000)) << "shown: " << m_panels->play->TimeShown(0) << ", wanted " << target;
}

TEST_F(LookThroughTest, ASecondSearchWaitsForTheFirstAndACancelledOneEndsWithoutEvents) {
    bool ended = false, cancelled = false;
    const CCommandResult r = m_panels->commands.SearchMotion(0, 0, 0, 1, 1, 0, 0,
                                                             [&](bool c, const std::vector<CMotionEvent>&) {
                                                                 ended = true;
                                                                 cancelled = c;
                                                             });
    ASSERT_TRUE(r.ok);
    const CCommandResult second = m_panels->commands.SearchMotion(0, 0, 0, 1, 1, 0, 0, {});
    EXPECT_FALSE(second.ok) << "one search at a time: the first one's answer still comes";
    m_panels->commands.CancelSearch();
    ASSERT_TRUE(PumpUntil([&] { return ended; }, 30000));
    EXPECT_TRUE(cancelled);
}

TEST_F(LookThroughTest, TheListedDaysAreTheChannelsRecordingsOfEveryDayOfItsDeviceOnly) {
    const std::string nextDay = Copy("CAM_ch1_20240316100000_20240316100020.rvf");
    Copy("CAM_ch2_20240315100000_20240315100020.rvf");
    Copy("DVR_ch1_20240316100000_20240316100020.rvf");
    CFileManager catalogue;
    int none = -1;
    ASSERT_EQ(1, catalogue.AddFolder(Wide(m_dir + "/scene/*.*"), &none));
    CListedChannel channel;
    std::int32_t day = 0;
    ASSERT_TRUE(ListedPlaceOf(m_scene, &channel, &day));
    EXPECT_EQ(L"CAM", channel.device);
    EXPECT_EQ(static_cast<std::int32_t>(m_start - 10 * 3600), day) << "the day's midnight";
    EXPECT_EQ((std::vector<std::string>{m_scene, nextDay}), ListedDaysRecordings(catalogue, channel))
        << "day by day; not the other channel nor the other recorder's channel 1";
    CListedChannel gone{L"GATE", channel.channelCode};
    EXPECT_TRUE(ListedDaysRecordings(catalogue, gone).empty());
    EXPECT_FALSE(ListedPlaceOf(m_dir + "/scene/clip.rvf", &channel, &day));

    // The dialog's search of the listed days finds the crossing on both days, and a click on the
    // other day's opens that day's channel in the window, as a double-click in the list does.
    ListSceneAgain();
    CMotionSearchDlgEventImp dialog(nullptr, &m_panels->commands, {});
    dialog.Show(0, L"CAM ch1", 0.0, 0.55, 0.5, 0.45, m_start + 10);
    ASSERT_TRUE(PumpUntil([&] { return dialog.Window()->IsWindowVisible() != 0; }));
    dialog.SetScope(CMotionSearchDlgEventImp::kListedDays);
    dialog.Search();
    ASSERT_TRUE(dialog.IsSearching());
    EXPECT_TRUE(dialog.Bar()->IsWindowVisible()) << "the progress bar while it runs";
    ASSERT_TRUE(PumpUntil([&] { return !dialog.IsSearching(); }, 120000));
    EXPECT_FALSE(dialog.Bar()->IsWindowVisible());
    ASSERT_EQ(2u, dialog.Events().size()) << KX_SOFT_BASE::WideToUtf8(dialog.Status());
    EXPECT_EQ(m_scene, dialog.Events()[0].file);
    EXPECT_EQ(nextDay, dialog.Events()[1].file);
    EXPECT_NEAR(24 * 3600 + 4, dialog.Events()[1].start - m_start, 1.0);

    m_panels->calls.clear();
    dialog.LC_OnItemClick(1, CMotionSearchDlgEventImp::kList);
    EXPECT_EQ(std::vector<std::string>{"OpenListed " + std::to_string(channel.channelCode)}, m_panels->calls);
}

TEST_F(LookThroughTest, TheEvidenceSnapshotIsThePictureOnScreenWhenItLiesInTheStretch) {
    const double cursor = PauseAt(m_start + 5);
    const std::string folder = m_dir + "/at-cursor";
    bool done = false;
    ASSERT_TRUE(m_panels->commands.ExportEvidence(m_start + 2, m_start + 9, Wide(folder), L"",
                                                  [&](const CCommandResult& r) { done = r.ok; }).ok);
    ASSERT_TRUE(PumpUntil([&] { return done; }, 60000));
    const json report = Report(folder);
    double at = 0;
    ASSERT_TRUE(ParseClockText(report["snapshotAt"].get<std::string>(), &at)) << report.dump(1);
    EXPECT_NEAR(cursor, at, 0.002) << "the time of the picture on screen";
    int snapshots = 0;
    for (const json& f : report["files"])
        if (f["kind"] == "snapshot") {
            ++snapshots;
            EXPECT_NEAR(cursor, Seconds(f["start"]) + m_start, 0.05) << f.dump();
        }
    EXPECT_EQ(1, snapshots);

    // The picture on screen outside the stretch: the stretch's start.
    PauseAt(m_start + 15);
    const std::string before = m_dir + "/before-cursor";
    done = false;
    ASSERT_TRUE(m_panels->commands.ExportEvidence(m_start + 2, m_start + 9, Wide(before), L"",
                                                  [&](const CCommandResult& r) { done = r.ok; }).ok);
    ASSERT_TRUE(PumpUntil([&] { return done; }, 60000));
    EXPECT_EQ("2024-03-15 10:00:02.000", Report(before)["snapshotAt"]);
}

TEST_F(LookThroughTest, BothDialogsShowTheirRunningJobOnAProgressBar) {
    // A job started in a shown dialog: its bar shows while it runs (when it runs long enough to
    // be seen) and goes when it ends.
    auto watch = [](const auto& dialog, const std::function<bool()>& running, const std::wstring& status) {
        ASSERT_TRUE(running());
        ASSERT_TRUE(PumpUntil([&] { return dialog.Bar()->GetPos() > 0 || !running(); }, 120000));
        if (running()) {
            EXPECT_TRUE(dialog.Bar()->IsWindowVisible());
            EXPECT_EQ(status, dialog.Status());
        }
        ASSERT_TRUE(PumpUntil([&] { return !running(); }, 120000));
        EXPECT_FALSE(dialog.Bar()->IsWindowVisible());
    };
    CMotionSearchDlgEventImp search(nullptr, &m_panels->commands, {});
    search.Show(0, L"CAM ch1", 0.0, 0.0, 1.0, 1.0, m_start + 10);
    ASSERT_TRUE(PumpUntil([&] { return search.Window()->IsWindowVisible() != 0; }));
    EXPECT_FALSE(search.Bar()->IsWindowVisible()) << "no bar before a job";
    search.Search();
    watch(search, [&] { return search.IsSearching(); }, L"Searching...");
    search.Dlg_Close();

    CEvidenceDlgEventImp evidence(nullptr, &m_panels->commands);
    evidence.Show(m_start + 1, m_start + 19);
    ASSERT_TRUE(PumpUntil([&] { return evidence.Window()->IsWindowVisible() != 0; }));
    evidence.SetFieldText(CEvidenceDlgEventImp::kFolderField, Wide(m_dir + "/shown"));
    evidence.BTN_OnClicked(CEvidenceDlgEventImp::kExport);
    watch(evidence, [&] { return evidence.IsExporting(); }, L"Exporting...");
}

TEST_F(LookThroughTest, EvidenceOfAStretchVerifiesAndAFolderInUseIsRefused) {
    const std::string folder = m_dir + "/evidence";
    const json done = Command({"export-evidence", "2024-03-15 10:00:02", "2024-03-15 10:00:09", folder, "case 17"});
    ASSERT_EQ("success", done["error"]) << done.dump();
    EXPECT_EQ(folder, done["data"]["folder"]);
    const MOVRA::EvidenceVerification check = MOVRA::VerifyEvidence(folder + "/report.json");
    ASSERT_TRUE(check.readable) << check.error;
    EXPECT_TRUE(check.AllMatch());
    std::ifstream report(folder + "/report.json");
    const json written = json::parse(report);
    EXPECT_EQ("case 17", written["note"]);
    EXPECT_TRUE(m_panels->folders.count(L"Evidence exported: " + Wide(folder))) << "told with Open folder";

    // The same folder again: refused at once, the evidence in it untouched.
    const auto before = std::filesystem::last_write_time(folder + "/report.json");
    bool called = false;
    const CCommandResult again = m_panels->commands.ExportEvidence(m_start + 2, m_start + 9, Wide(folder), L"",
                                                                   [&](const CCommandResult&) { called = true; });
    EXPECT_FALSE(again.ok);
    EXPECT_EQ(L"That folder holds files already: evidence goes into a new folder.", again.error);
    EXPECT_FALSE(called);
    EXPECT_EQ(before, std::filesystem::last_write_time(folder + "/report.json"));
    EXPECT_TRUE(MOVRA::VerifyEvidence(folder + "/report.json").AllMatch());

    EXPECT_NE("success", Command({"export-evidence", "2024-03-15 10:00:09", "2024-03-15 10:00:02", m_dir + "/other", ""})["error"]);
    EXPECT_NE("success", Command({"export-evidence", "2024-03-15 10:00:02", "2024-03-15 10:00:09", "relative", ""})["error"]);
    EXPECT_FALSE(std::filesystem::exists(m_dir + "/other"));
}

// The report is in the user's language, its times and the keys of report.json as always; the page
// made again from report.json - by the command line, in English - is the page handed over.
TEST_F(LookThroughTest, EvidenceFromThePlayerInGermanHasGermanWordsAndVerifies) {
    std::filesystem::copy_file(std::string(TARVEX_LANGUAGE_DIR) + "/Lang_2.xml", m_home + "Lang_2.xml");
    TarvexApp::SetLanguageNumber(2);
    TarvexApp::ResetLanguageTable();
    const std::string folder = m_dir + "/beweise";
    const json done = Command({"export-evidence", "2024-03-15 10:00:02", "2024-03-15 10:00:09", folder, "Fall 17"});
    TarvexApp::SetLanguageNumber(0);
    TarvexApp::ResetLanguageTable();
    ASSERT_EQ("success", done["error"]) << done.dump();

    std::ifstream page(folder + "/report.html");
    const std::string html((std::istreambuf_iterator<char>(page)), std::istreambuf_iterator<char>());
    for (const char* german : {"<html lang=\"de\">", "<h1>Beweisbericht</h1>", "<h2>Exportierte Dateien</h2>",
                               "<h2>Quellaufnahmen</h2>", "<th>Datei</th>", "<th>Gr\xC3\xB6\xC3\x9F" "e</th>", " Bytes</td>",
                               "Aufnahmen aus dem Zeitraum 2024-03-15 10:00:02.000 \xE2\x80\x93 10:00:09.000",
                               "pr\xC3\xBC" "ft jede hier aufgef\xC3\xBChrte Datei", "<td class=\"nowrap\">Schnappschuss ("})
        EXPECT_NE(std::string::npos, html.find(german)) << german;
    EXPECT_EQ(std::string::npos, html.find("Evidence report")) << html;

    std::ifstream report(folder + "/report.json");
    json written = json::parse(report);
    EXPECT_EQ("2024-03-15 10:00:02.000", written["stretch"]["start"]);
    EXPECT_EQ("Fall 17", written["note"]);
    std::set<std::string> kinds;  // values for scripts stay as they are
    for (const json& f : written["files"]) kinds.insert(f["kind"].get<std::string>());
    EXPECT_TRUE(kinds.count("clip") && kinds.count("snapshot")) << written["files"].dump();
    EXPECT_EQ("Beweisbericht", written["labels"]["title"]);
    const MOVRA::EvidenceVerification check = MOVRA::VerifyEvidence(folder + "/report.json");
    ASSERT_TRUE(check.readable) << check.error;
    EXPECT_TRUE(check.AllMatch());

    // The words are part of what is verified: others in report.json do not make the page handed over.
    written["labels"]["title"] = "Bericht";
    std::ofstream(folder + "/report.json", std::ios::trunc) << written.dump(2) << "\n";
    const MOVRA::EvidenceVerification edited = MOVRA::VerifyEvidence(folder + "/report.json");
    ASSERT_TRUE(edited.readable) << edited.error;
    ASSERT_FALSE(edited.checks.empty());
    EXPECT_EQ("report", edited.checks.back().role);
    EXPECT_EQ("changed", edited.checks.back().status);
}

TEST_F(LookThroughTest, TheEvidenceDialogExportsAndACancelLeavesNoFolder) {
    CEvidenceDlgEventImp dialog(nullptr, &m_panels->commands);
    dialog.Show(m_start + 1, m_start + 6);
    EXPECT_EQ(L"2024-03-15 10:00:01", dialog.FieldText(CEvidenceDlgEventImp::kFromField));
    EXPECT_EQ(L"2024-03-15 10:00:06", dialog.FieldText(CEvidenceDlgEventImp::kToField));
    EXPECT_NE(std::wstring::npos, dialog.FieldText(CEvidenceDlgEventImp::kFolderField).find(L"/Evidence_"));

    const std::string cancelled = m_dir + "/cancelled";
    dialog.SetFieldText(CEvidenceDlgEventImp::kFolderField, Wide(cancelled));
    dialog.BTN_OnClicked(CEvidenceDlgEventImp::kExport);
    ASSERT_TRUE(dialog.IsExporting());
    dialog.BTN_OnClicked(CEvidenceDlgEventImp::kCancel);
    ASSERT_TRUE(PumpUntil([&] { return !dialog.IsExporting(); }, 60000));
    EXPECT_EQ(L"The export of evidence was cancelled.", dialog.Status());
    EXPECT_FALSE(std::filesystem::exists(cancelled)) << "a folder of evidence is whole or not there";

    const std::string folder = m_dir + "/by-dialog";
    dialog.SetFieldText(CEvidenceDlgEventImp::kFolderField, Wide(folder));
    dialog.SetFieldText(CEvidenceDlgEventImp::kNoteField, L"seen at the gate");
    dialog.BTN_OnClicked(CEvidenceDlgEventImp::kExport);
    ASSERT_TRUE(PumpUntil([&] { return !dialog.IsExporting(); }, 60000));
    EXPECT_EQ(L"", dialog.Status());
    EXPECT_TRUE(MOVRA::VerifyEvidence(folder + "/report.json").AllMatch());
}

}  // namespace
