// tarvex-cli activity and search on a generated scene: their JSON, the stored profile, and what
// they say to wrong input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>

#include "tests/Engine/ActivityScenes.h"
#include "tests/Tools/CliTestSupport.h"

namespace {

using Json = nlohmann::json;
using Result = TarvexTest::CliResult;
using TarvexTest::Cli;

// The flicker scene: a box crosses from 10 s to 14 s of a 30 s recording starting 13:00:00.
class ActivityCliTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvex-cli-activity-XXXXXX").string();
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        s_dir = new std::string(pattern);
        std::filesystem::create_directories(*s_dir + "/Index");
        s_file = new std::string(TarvexTest::MakeActivityScene(*s_dir, TarvexTest::ActivityScenes()[3]));
    }
    static void TearDownTestSuite() {
        std::filesystem::remove_all(*s_dir);
        delete s_dir;
        delete s_file;
    }
    void SetUp() override { ASSERT_FALSE(s_file->empty()) << "the ffmpeg command could not make the scene"; }

    static Result Run(const std::string& arguments) { return Cli(arguments, "env TARVEX_HOME=" + *s_dir + " "); }
    static Json Parse(const Result& r) {
        EXPECT_EQ(0, r.code) << r.out;
        return Json::parse(r.out, nullptr, false);
    }

    static std::string* s_dir;
    static std::string* s_file;
};
std::string* ActivityCliTest::s_dir = nullptr;
std::string* ActivityCliTest::s_file = nullptr;

const std::regex kWallClock(R"(2024-03-15 13:00:\d\d\.\d\d\d)");

// Seconds after 13:00:00 of a wall-clock text.
double Second(const Json& text) { return std::stod(text.get<std::string>().substr(17)); }

TEST_F(ActivityCliTest, ActivityPrintsEventsAndValuesAndKeepsItsProfile) {
    const Json out = Parse(Run("activity " + *s_file + " --per-second"));
    ASSERT_TRUE(out.is_object());
    ASSERT_EQ(1u, out["files"].size());
    const Json& f = out["files"][0];
    EXPECT_EQ(*s_file, f["file"]);
    EXPECT_EQ("2024-03-15 13:00:00.000", f["start"]);
    ASSERT_EQ(1u, f["events"].size()) << f.dump();
    const Json& e = f["events"][0];
    for (const char* key : {"start", "end", "peak"}) EXPECT_TRUE(std::regex_match(e[key].get<std::string>(), kWallClock)) << e[key];
    EXPECT_NEAR(10, Second(e["start"]), 1);
    EXPECT_NEAR(14, Second(e["end"]), 1.5);
    EXPECT_LE(Second(e["start"]), Second(e["peak"]));
    EXPECT_LE(Second(e["peak"]), Second(e["end"]));
    ASSERT_EQ(30u, f["perSecond"].size());
    EXPECT_GT(f["perSecond"][12].get<double>(), f["perSecond"][3].get<double>());

    // Kept beside the index, read back the same, and without values unless asked for.
    EXPECT_TRUE(std::filesystem::exists(*s_dir + "/Index/CAM_ch4_20240315130000_20240315130030.rva"));
    const Json again = Parse(Run("activity " + *s_file));
    EXPECT_EQ(f["events"], again["files"][0]["events"]);
    EXPECT_FALSE(again["files"][0].contains("perSecond"));
}

TEST_F(ActivityCliTest, SearchFindsOnlyInsideTheRegionAndTheStretch) {
    const std::string thumbs = *s_dir + "/thumbs";
    Json out = Parse(Run("search " + *s_file + " --region 0,0.4,1,0.4 --thumbs " + thumbs));
    ASSERT_EQ(1u, out["events"].size()) << out.dump();
    const Json& e = out["events"][0];
    EXPECT_EQ(*s_file, e["file"]);
    EXPECT_NEAR(10, Second(e["start"]), 1);
    EXPECT_GT(e["score"].get<double>(), 0);
    ASSERT_TRUE(e.contains("thumb"));
    EXPECT_GT(std::filesystem::file_size(e["thumb"].get<std::string>()), 1000u);

    // Above the box's path nothing happens; nor outside the stretch asked for.
    EXPECT_TRUE(Parse(Run("search " + *s_file + " --region 0,0,1,0.4"))["events"].empty());
    EXPECT_TRUE(Parse(Run("search " + *s_file + " --region 0,0,1,1 --from 13:00:20"))["events"].empty());
    EXPECT_TRUE(Parse(Run("search " + *s_file + " --region 0,0,1,1 --to '2024-03-15 13:00:05'"))["events"].empty());
    EXPECT_EQ(1u, Parse(Run("search " + *s_file + " --region 0,0,1,1 --from 13:00:11 --to 13:00:12"))["events"].size());
}

TEST_F(ActivityCliTest, WrongInputIsNamed) {
    for (const char* region : {"0,0,1", "0.5,0,0.6,1", "0,0,0,1", "a,b,c,d", "-0.1,0,0.5,0.5"}) {
        const Result r = Run("search " + *s_file + " --region " + region);
        EXPECT_EQ(2, r.code) << region;
        EXPECT_NE(std::string::npos, r.out.find("--region takes")) << r.out;
    }
    EXPECT_EQ(2, Run("search " + *s_file).code) << "--region is needed";
    EXPECT_EQ(2, Run("search " + *s_file + " --region 0,0,1,1 --from noon").code);
    EXPECT_EQ(2, Run("search " + *s_file + " --region 0,0,1,1 --from 13:00:20 --to 13:00:10").code);
    EXPECT_EQ(2, Run("activity").code);

    const std::string damaged = *s_dir + "/damaged.rvf";
    std::ofstream(damaged) << std::string(4000, 'x');
    Result r = Run("activity " + *s_dir + "/missing.rvf " + damaged);
    EXPECT_EQ(1, r.code);
    EXPECT_NE(std::string::npos, r.out.find("missing.rvf: no such file")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("damaged.rvf: not a recording")) << r.out;
    r = Run("search " + damaged + " " + *s_file + " --region 0,0.4,1,0.4");
    EXPECT_EQ(1, r.code) << "one file could not be read";
    EXPECT_NE(std::string::npos, r.out.find("\"events\"")) << "the others' events are still told: " << r.out;
}

}  // namespace
