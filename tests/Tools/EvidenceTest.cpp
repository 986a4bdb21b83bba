// Evidence as an investigator receives it: exported by tarvex-cli evidence from generated
// recordings, then checked by tarvex-cli verify, with the sums recomputed by an independent tool.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/Tools/CliTestSupport.h"

namespace {

using Json = nlohmann::json;
namespace fs = std::filesystem;

using Result = TarvexTest::CliResult;
using TarvexTest::RunShell;

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// One byte changed in place, as damage or tampering would: same size, other content.
void FlipByte(const std::string& path, std::size_t at) {
    std::string bytes = ReadAll(path);
    ASSERT_LT(at, bytes.size());
    bytes[at] = static_cast<char>(bytes[at] ^ 0x01);
    WriteAll(path, bytes);
}

class EvidenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tarvex-evidence-XXXXXX").string();
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        m_dir = pattern;
        m_rec = m_dir + "/rec";
        fs::create_directory(m_rec);
        // Two channels, each two files of 4 s: 10:00:00-10:00:04 and 10:00:04-10:00:08.
        ASSERT_EQ(0, Cli("synth " + m_rec + " --channels 2 --files 2 --seconds 4 --gop 25").code);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    Result Cli(const std::string& arguments) const {
        return RunShell(std::string("env TZ=UTC ") + TARVEX_CLI + " " + arguments, m_dir + "/stderr.txt");
    }
    Result Evidence(const std::string& out, const std::string& from, const std::string& to, const std::string& extra = "") const {
        return Cli("evidence " + m_rec + " --from " + Quote(from) + " --to " + Quote(to) + " -o " + Quote(out) + " " + extra);
    }

    static std::string Sha256Sum(const std::string& path) {
        Result r = RunShell("sha256sum " + Quote(path), "/dev/null");
        return r.out.substr(0, 64);
    }

    std::string m_dir, m_rec;
};

Json ParseOut(const Result& r) {
    Json j = Json::parse(r.out, nullptr, false);
    EXPECT_FALSE(j.is_discarded()) << r.out << r.err;
    return j;
}

const Json* FindFile(const Json& report, const std::string& kind, int channel, const std::string& start) {
    for (const Json& f : report["files"])
        if (f["kind"] == kind && f["channel"] == channel && f["start"] == start) return &f;
    return nullptr;
}

}  // namespace

TEST_F(EvidenceTest, AStretchAcrossAFileBoundaryOfTwoChannelsIsCutHashedAndVerified) {
    const std::string out = m_dir + "/case 1";
    Result r = Evidence(out, "2024-03-15 10:00:02.500", "2024-03-15 10:00:05.500", "--note 'Gate camera, van arriving'");
    ASSERT_EQ(0, r.code) << r.err;
    const Json summary = ParseOut(r);
    const Json report = Json::parse(ReadAll(out + "/report.json"));
    EXPECT_EQ(out + "/report.json", summary["report"]);
    EXPECT_EQ(report["files"], summary["files"]);
    EXPECT_EQ("2024-03-15 10:00:02.500", report["stretch"]["start"]);
    EXPECT_EQ("2024-03-15 10:00:05.500", report["stretch"]["end"]);
    EXPECT_EQ("Gate camera, van arriving", report["note"]);
    EXPECT_FALSE(report["program"]["version"].get<std::string>().empty());
    EXPECT_EQ('Z', report["exported"]["utc"].get<std::string>().back());
    EXPECT_FALSE(report["exported"]["local"].get<std::string>().empty());

    // Both files of both channels are sources, each with its own span and sum.
    ASSERT_EQ(4u, report["sources"].size());
    for (const Json& s : report["sources"]) {
        const std::string path = s["path"];
        EXPECT_EQ(Sha256Sum(path), s["sha256"]) << path;
        EXPECT_EQ(fs::file_size(path), s["size"].get<std::uintmax_t>());
        EXPECT_EQ("DVR", s["device"]);
    }
    // Per channel: a clip and an MP4 from each file, and one snapshot at the stretch's start.
    ASSERT_EQ(10u, report["files"].size());
    for (int channel : {1, 2}) {
        // The first piece starts at the keyframe before 10:00:02.5 (every second), runs to its
        // file's end; the second from its file's start to the last frame before 10:00:05.5.
        const Json* first = FindFile(report, "clip", channel, "2024-03-15 10:00:02.000");
        const Json* second = FindFile(report, "clip", channel, "2024-03-15 10:00:04.000");
        ASSERT_TRUE(first && second) << report.dump(1);
        EXPECT_EQ(50, (*first)["frames"]);
        EXPECT_EQ("2024-03-15 10:00:04.000", (*first)["end"]);
        EXPECT_EQ(38, (*second)["frames"]);
        EXPECT_EQ("2024-03-15 10:00:05.520", (*second)["end"]);
        EXPECT_NE((*first)["source"], (*second)["source"]);
        const Json* mp4 = FindFile(report, "mp4", channel, "2024-03-15 10:00:04.000");
        ASSERT_TRUE(mp4);
        EXPECT_EQ(38, (*mp4)["frames"]);
        const Json* snapshot = FindFile(report, "snapshot", channel, "2024-03-15 10:00:02.480");
        ASSERT_TRUE(snapshot) << report.dump(1);
        EXPECT_EQ(1, (*snapshot)["frames"]);
    }
    // Every file listed is there with the sum an independent tool computes; nothing else is.
    std::vector<std::string> listed{"report.json", "report.html"};
    for (const Json& f : report["files"]) {
        const std::string name = f["path"];
        listed.push_back(name);
        EXPECT_EQ(Sha256Sum(out + "/" + name), f["sha256"]) << name;
        EXPECT_EQ(fs::file_size(out + "/" + name), f["size"].get<std::uintmax_t>());
    }
    std::vector<std::string> present;
    for (const auto& e : fs::directory_iterator(out)) present.push_back(e.path().filename().string());
    std::sort(listed.begin(), listed.end());
    std::sort(present.begin(), present.end());
    EXPECT_EQ(listed, present);

    // The clips hold the very frames of their sources: 50..99 of the first file, 0..37 of the next.
    const std::string firstClip = out + "/" + (*FindFile(report, "clip", 1, "2024-03-15 10:00:02.000"))["path"].get<std::string>();
    const std::string secondMp4 = out + "/" + (*FindFile(report, "mp4", 2, "2024-03-15 10:00:04.000"))["path"].get<std::string>();
    std::vector<int> expected;
    for (int n = 50; n < 100; ++n) expected.push_back(n);
    EXPECT_EQ(expected, TarvexTest::ReadNumbers(Cli("frames " + Quote(firstClip) + " --speed max").out));
    expected.clear();
    for (int n = 0; n < 38; ++n) expected.push_back(n);
    EXPECT_EQ(expected, TarvexTest::ReadNumbers(Cli("frames " + Quote(secondMp4) + " --speed max").out));

    Result v = Cli("verify " + Quote(out + "/report.json"));
    EXPECT_EQ(0, v.code) << v.out << v.err;
    const Json verified = ParseOut(v);
    EXPECT_TRUE(verified["ok"].get<bool>());
    EXPECT_EQ(15u, verified["checked"].get<std::size_t>());  // 10 exported, 4 sources, report.html
}

TEST_F(EvidenceTest, TheSnapshotIsTakenAtTheTimeAskedInsideTheStretchAndTheReportSaysWhen) {
    const std::string out = m_dir + "/at";
    Result r = Evidence(out, "2024-03-15 10:00:02.500", "2024-03-15 10:00:05.500", "--snapshot-at '2024-03-15 10:00:05'");
    ASSERT_EQ(0, r.code) << r.err;
    const Json report = Json::parse(ReadAll(out + "/report.json"));
    EXPECT_EQ("2024-03-15 10:00:05.000", report["snapshotAt"]);
    int snapshots = 0;
    for (const Json& f : report["files"]) snapshots += f["kind"] == "snapshot";
    EXPECT_EQ(2, snapshots) << "one a channel: " << report.dump(1);
    for (int channel : {1, 2}) {
        // From the second file of the channel, the one that holds the time.
        const Json* snapshot = FindFile(report, "snapshot", channel, "2024-03-15 10:00:05.000");
        ASSERT_TRUE(snapshot) << report.dump(1);
        EXPECT_NE(std::string::npos, (*snapshot)["source"].get<std::string>().find("20240315100004")) << (*snapshot)["source"];
    }
    EXPECT_EQ(0, Cli("verify " + Quote(out + "/report.json")).code);

    // Without it: the stretch's start.
    const std::string plain = m_dir + "/plain";
    ASSERT_EQ(0, Evidence(plain, "2024-03-15 10:00:02.500", "2024-03-15 10:00:05.500").code);
    EXPECT_EQ("2024-03-15 10:00:02.500", Json::parse(ReadAll(plain + "/report.json"))["snapshotAt"]);

    // A time outside the stretch is a mistake of the asker's, and nothing is written.
    const std::string outside = m_dir + "/outside";
    EXPECT_EQ(2, Evidence(outside, "2024-03-15 10:00:02", "2024-03-15 10:00:05", "--snapshot-at '2024-03-15 10:00:07'").code);
    EXPECT_EQ(2, Evidence(outside, "2024-03-15 10:00:02", "2024-03-15 10:00:05", "--snapshot-at soon").code);
    EXPECT_FALSE(fs::exists(outside));
}

TEST_F(EvidenceTest, VerifyNamesTheFileWithOneChangedByteOrThatIsMissing) {
    const std::string out = m_dir + "/case";
    ASSERT_EQ(0, Evidence(out, "2024-03-15 10:00:03", "2024-03-15 10:00:05").code);
    const Json report = Json::parse(ReadAll(out + "/report.json"));
    const auto failedPaths = [](const Result& r) {
        std::vector<std::string> paths;
        const Json j = Json::parse(r.out, nullptr, false);
        if (j.is_discarded()) return paths;
        for (const Json& f : j["failed"]) paths.push_back(f["path"]);
        return paths;
    };
    // Each kind of file: a byte in its middle, the others left as they are.
    for (const Json& f : report["files"]) {
        const std::string path = out + "/" + f["path"].get<std::string>();
        const std::string before = ReadAll(path);
        FlipByte(path, before.size() / 2);
        Result r = Cli("verify " + Quote(out + "/report.json"));
        EXPECT_EQ(1, r.code) << f["path"];
        EXPECT_EQ(std::vector<std::string>{f["path"].get<std::string>()}, failedPaths(r));
        EXPECT_NE(std::string::npos, r.err.find("CHANGED: exported " + f["path"].get<std::string>()));
        WriteAll(path, before);
    }
    const std::string source = report["sources"][1]["path"];
    const std::string before = ReadAll(source);
    FlipByte(source, before.size() - 1);
    Result r = Cli("verify " + Quote(out + "/report.json"));
    EXPECT_EQ(1, r.code);
    EXPECT_EQ(std::vector<std::string>{source}, failedPaths(r));
    WriteAll(source, before);

    // A page edited to show what it likes no longer matches the report it is made from.
    std::string html = ReadAll(out + "/report.html");
    html.replace(html.find("Evidence report"), 15, "Evidence REPORT");
    WriteAll(out + "/report.html", html);
    EXPECT_EQ(std::vector<std::string>{"report.html"}, failedPaths(Cli("verify " + Quote(out + "/report.json"))));

    fs::remove(out + "/report.html");
    const std::string clip = report["files"][0]["path"];
    fs::remove(out + "/" + clip);
    r = Cli("verify " + Quote(out + "/report.json"));
    EXPECT_EQ(1, r.code);
    EXPECT_EQ((std::vector<std::string>{clip, "report.html"}), failedPaths(r));
    EXPECT_NE(std::string::npos, r.out.find("\"missing\""));
}

TEST_F(EvidenceTest, TheNoteAndPathsAreEscapedInThePageAndKeptExactInTheReport) {
    const std::string note = "<script>alert(\"x\")</script> & 'it's' </div>";
    const std::string out = m_dir + "/<b>case</b>";
    ASSERT_EQ(0, Evidence(out, "2024-03-15 10:00:01", "2024-03-15 10:00:02", "--note " + Quote(note)).code);
    EXPECT_EQ(note, Json::parse(ReadAll(out + "/report.json"))["note"]);
    const std::string html = ReadAll(out + "/report.html");
    EXPECT_EQ(std::string::npos, html.find("<script"));
    EXPECT_EQ(std::string::npos, html.find("</div> </div>"));
    EXPECT_NE(std::string::npos, html.find("&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; &#39;it&#39;s&#39; &lt;/div&gt;"));
    EXPECT_NE(std::string::npos, html.find("@media print"));
    EXPECT_EQ(0, Cli("verify " + Quote(out + "/report.json")).code);
}

TEST_F(EvidenceTest, AnExistingFolderIsRefusedAndLeftAsItWas) {
    const std::string out = m_dir + "/taken";
    fs::create_directory(out);
    WriteAll(out + "/report.json", "an investigator's earlier work");
    Result r = Evidence(out, "2024-03-15 10:00:01", "2024-03-15 10:00:02");
    EXPECT_EQ(1, r.code);
    EXPECT_NE(std::string::npos, r.err.find("exists already")) << r.err;
    EXPECT_EQ("an investigator's earlier work", ReadAll(out + "/report.json"));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(out), fs::directory_iterator()));

    // A file under the name is not a folder to write into either.
    WriteAll(m_dir + "/plain", "x");
    EXPECT_EQ(1, Evidence(m_dir + "/plain", "2024-03-15 10:00:01", "2024-03-15 10:00:02").code);
    EXPECT_EQ("x", ReadAll(m_dir + "/plain"));

    // An empty folder made for the purpose is taken.
    fs::create_directory(m_dir + "/empty");
    EXPECT_EQ(0, Evidence(m_dir + "/empty", "2024-03-15 10:00:01", "2024-03-15 10:00:02").code);
}

TEST_F(EvidenceTest, AStretchWithoutRecordingIsAClearErrorAndWritesNothing) {
    const std::string out = m_dir + "/none";
    Result r = Evidence(out, "2024-03-15 11:00:00", "2024-03-15 11:05:00");
    EXPECT_EQ(1, r.code);
    EXPECT_NE(std::string::npos, r.err.find("no recording between 2024-03-15 11:00:00.000 and 2024-03-15 11:05:00.000")) << r.err;
    EXPECT_FALSE(fs::exists(out));

    EXPECT_EQ(2, Evidence(out, "2024-03-15 10:00:05", "2024-03-15 10:00:01").code);
    EXPECT_EQ(2, Evidence(out, "10:00:01", "2024-03-15 10:00:02").code);
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(EvidenceTest, AReportThatIsNotOneOfOursIsAnErrorNeverACrash) {
    const std::string out = m_dir + "/case";
    ASSERT_EQ(0, Evidence(out, "2024-03-15 10:00:01", "2024-03-15 10:00:02").code);
    const std::string good = ReadAll(out + "/report.json");
    const std::string report = out + "/report.json";
    const auto expectRefused = [&](const std::string& text, const std::string& why) {
        WriteAll(report, text);
        Result r = Cli("verify " + Quote(report));
        EXPECT_EQ(2, r.code) << why << ": " << r.out << r.err;
        const Json j = Json::parse(r.out, nullptr, false);
        ASSERT_FALSE(j.is_discarded()) << why;
        EXPECT_FALSE(j["ok"].get<bool>());
        EXPECT_FALSE(j["error"].get<std::string>().empty());
    };
    expectRefused(good.substr(0, good.size() / 2), "truncated");
    expectRefused(std::string("\x00\xff\xfe garbage \x80", 14), "garbled");
    expectRefused("[]", "not an object");
    expectRefused("{\"format\":\"something else\"}", "another format");

    Json forged = Json::parse(good);
    forged["files"][0]["path"] = "../rec/" + fs::path(forged["sources"][0]["path"].get<std::string>()).filename().string();
    expectRefused(forged.dump(), "an exported file outside the folder");
    forged = Json::parse(good);
    forged["files"][0]["sha256"] = "not a sum";
    expectRefused(forged.dump(), "a sum that is not one");
    forged = Json::parse(good);
    forged["sources"][0]["size"] = "big";
    expectRefused(forged.dump(), "a size that is not a number");
    forged = Json::parse(good);
    forged["files"] = Json::object();
    expectRefused(forged.dump(), "files not a list");

    EXPECT_EQ(2, Cli("verify " + Quote(out + "/nothing.json")).code);
    EXPECT_EQ(2, Cli("verify /dev/null").code);
}

TEST_F(EvidenceTest, VideoThatMp4CannotCarryByCopyIsSkippedWithItsReason) {
    const std::string rec = m_dir + "/mjpeg";
    fs::create_directory(rec);
    ASSERT_EQ(0, Cli("synth " + rec + " --device CAM --codec mjpeg --seconds 3").code);
    const std::string out = m_dir + "/case";
    Result r = Cli("evidence " + rec + " --from '2024-03-15 10:00:01' --to '2024-03-15 10:00:02' -o " + out + " --snapshot bmp");
    ASSERT_EQ(0, r.code) << r.err;
    const Json report = Json::parse(ReadAll(out + "/report.json"));
    std::vector<std::string> kinds;
    for (const Json& f : report["files"]) kinds.push_back(f["kind"]);
    EXPECT_EQ((std::vector<std::string>{"snapshot", "clip"}), kinds);
    ASSERT_EQ(1u, report["skipped"].size());
    EXPECT_NE(std::string::npos, report["skipped"][0]["reason"].get<std::string>().find("mjpeg"));
    EXPECT_EQ("bmp", report["files"][0]["container"]);
    EXPECT_NE(std::string::npos, ReadAll(out + "/report.html").find("Not exported"));
    EXPECT_EQ(0, Cli("verify " + Quote(out + "/report.json")).code);
}

TEST_F(EvidenceTest, AChannelIsOneChannelAcrossMidnightAndAFileNamedGivesOnlyItself) {
    const std::string rec = m_dir + "/night";
    fs::create_directory(rec);
    ASSERT_EQ(0, Cli("synth " + rec + " --device GATE --start 23:59:58 --files 2 --seconds 2 --date-folders").code);
    const std::string out = m_dir + "/case";
    Result r = Cli("evidence " + rec + " --from '2024-03-15 23:59:59' --to '2024-03-16 00:00:01' -o " + out);
    ASSERT_EQ(0, r.code) << r.err;
    const Json report = Json::parse(ReadAll(out + "/report.json"));
    ASSERT_EQ(2u, report["sources"].size());
    int snapshots = 0;
    for (const Json& f : report["files"]) snapshots += f["kind"] == "snapshot";
    EXPECT_EQ(1, snapshots);  // one channel, one cursor
    EXPECT_NE(std::string::npos, report["sources"][1]["path"].get<std::string>().find("/2024-03-16/"));

    // Only the file named, though its neighbours (and the other channel) lie beside it.
    const std::string file = m_rec + "/DVR_ch1_20240315100004_20240315100008.rvf";
    r = Cli("evidence " + Quote(file) + " --from '2024-03-15 10:00:02' --to '2024-03-15 10:00:06' -o " + m_dir + "/one");
    ASSERT_EQ(0, r.code) << r.err;
    const Json one = Json::parse(ReadAll(m_dir + "/one/report.json"));
    ASSERT_EQ(1u, one["sources"].size());
    EXPECT_EQ(file, one["sources"][0]["path"]);
    EXPECT_EQ(1, one["sources"][0]["channel"]);
}
