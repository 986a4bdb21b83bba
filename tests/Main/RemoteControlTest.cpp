// The remote control's requests and answers: malformed requests answered with a reason and their
// id, commands run as the user's own (a refusal answers with the text the window shows), the
// state and windows told as they are, the catalogue listed from the helper loop, and events
// pushed to a client of the real socket.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <fstream>

#include "../Engine/ActivityScenes.h"
#include "App/Settings.h"
#include "Main/RemoteControl.h"
#include "MainTestSupport.h"

using namespace TarvexTest;
using nlohmann::json;

namespace {

class RemoteControlTest : public MainLogicTest {
protected:
    void SetUp() override {
        MainLogicTest::SetUp();
        m_remote = boost::make_shared<CRemoteControl>(m_panels.get());
    }
    void TearDown() override {
        m_remote.reset();
        MainLogicTest::TearDown();
    }
    // The answer to one request line, once it has come.
    json Ask(const std::string& line) {
        auto answer = boost::make_shared<std::string>();
        m_remote->Execute(line, [answer](const std::string& a) { *answer = a; });
        EXPECT_TRUE(PumpUntil([&] { return !answer->empty(); })) << line;
        return answer->empty() ? json() : json::parse(*answer);
    }
    json Command(const json& command) { return Ask(json{{"command", command}, {"request_id", 7}}.dump()); }

    boost::shared_ptr<CRemoteControl> m_remote;
};

}  // namespace

TEST_F(RemoteControlTest, MalformedRequestsAreAnsweredWithAReasonAndDoNothing) {
    EXPECT_EQ("the request is not JSON", Ask("{\"command\": [")["error"]);
    EXPECT_NE("success", Ask("{\"request_id\": 3}")["error"]);
    EXPECT_EQ(3, Ask("{\"request_id\": 3}")["request_id"]) << "the id comes back with the refusal";
    EXPECT_NE("success", Ask("{\"command\": \"play\"}")["error"]) << "a command is a list";
    EXPECT_EQ("unknown command: fly", Command({"fly"})["error"]);
    EXPECT_NE("success", Command({"speed", "3"})["error"]) << "no such speed";
    EXPECT_NE("success", Command({"step", 2})["error"]);
    EXPECT_NE("success", Command({"volume", "loud"})["error"]);
    EXPECT_NE("success", Command({"seek", "yesterday"})["error"]);
    EXPECT_NE("success", Command({"layout", 7})["error"]);
    EXPECT_NE("success", Command({"reverse"})["error"]) << "a missing argument";
    const json state = Command({"get", "state"});
    ASSERT_EQ("success", state["error"]);
    EXPECT_EQ("1X", state["data"]["speed"]) << "nothing changed";
    EXPECT_EQ(50, state["data"]["volume"]);
}

TEST_F(RemoteControlTest, CommandsActAsTheUsersOwnAndTheWindowsTellWhatTheyShow) {
    const auto files = Recordings(Channels(2, 2, 2));
    ASSERT_EQ("success", Command({"open", m_dir + "/export"})["error"]);
    const json listed = Command({"list"});
    ASSERT_EQ("success", listed["error"]);
    ASSERT_EQ(1u, listed["data"]["devices"].size());
    EXPECT_EQ("DVR", listed["data"]["devices"][0]["name"]);
    EXPECT_EQ("2024-03-15", listed["data"]["devices"][0]["days"][0]["date"]);
    const json channel2 = listed["data"]["devices"][0]["days"][0]["channels"][1];
    EXPECT_EQ(2, channel2["channel"]);
    EXPECT_EQ(2u, channel2["files"].size());

    ASSERT_EQ("success", Command({"open-channel", "DVR", "2024-03-15", 2, 0})["error"]);
    EXPECT_EQ("OpenListed 2", m_panels->calls.back()) << "as a double-click on the channel";
    Drop(files[2]);  // channel 2's first file, with its day
    ASSERT_TRUE(WaitPlaying(0, files[2]));
    ASSERT_TRUE(PumpUntil([&] { return Command({"get", "windows"})["data"][0]["frame"].is_number(); }));
    const json window = Command({"get", "windows"})["data"][0];
    EXPECT_EQ("DVR", window["device"]);
    EXPECT_EQ(2, window["channel"]);
    EXPECT_EQ(0, window["stream"]);
    EXPECT_EQ(0, window["time"].get<std::string>().find("2024-03-15 10:00:0"));
    EXPECT_TRUE(window["dropped"].is_number());
    EXPECT_GE(window["drawn"].get<int>(), 1);
    EXPECT_TRUE(Command({"get", "windows"})["data"][1]["file"].is_null());

    ASSERT_EQ("success", Command({"pause"})["error"]);
    EXPECT_EQ(false, Command({"get", "state"})["data"]["playing"]);
    EXPECT_FALSE(m_panels->shown.playing) << "the play bar shows it";
    ASSERT_EQ("success", Command({"speed", "1/64"})["error"]);
    EXPECT_EQ("1/64X", Command({"get", "state"})["data"]["speed"]);
    ASSERT_EQ("success", Command({"speed", 16})["error"]);
    const json refused = Command({"step", 1});
    EXPECT_EQ("Can not step play while fast playing upon 16x speed!", refused["error"]) << "the text the window shows";
    EXPECT_EQ(7, refused["request_id"]);
    ASSERT_TRUE(PumpUntil([&] { return m_panels->Told(L"Can not step play while fast playing upon 16x speed!"); }))
        << "and the window shows it too, once answered";
    ASSERT_EQ("success", Command({"speed", "1X"})["error"]);
    EXPECT_EQ("success", Command({"focus", 1})["error"]);
    EXPECT_EQ(1, Command({"get", "state"})["data"]["focus"]);
    EXPECT_NE("success", Command({"snapshot", 1})["error"]) << "nothing plays there";
    // A snapshot folder inside a regular file: refused with what the window says, nothing written.
    const std::wstring folder = TarvexApp::Settings().SnapPath;
    std::ofstream(m_dir + "/plain").put('x');
    TarvexApp::Settings().SnapPath = Wide(m_dir + "/plain/shots");
    EXPECT_EQ("Failed to create path!", Command({"snapshot", 0})["error"]);
    // A relative folder (a hand-edited settings file) would land wherever the program started.
    const auto started = std::filesystem::current_path();
    std::filesystem::current_path(m_dir);
    std::filesystem::create_symlink("/etc", m_dir + "/etc-link");
    const std::wstring throughLink = Wide(m_dir + "/etc-link/shots/");
    for (const wchar_t* relative : {L"shots", L"", L"/", L"/etc/", L"/usr//lib/x/", throughLink.c_str()}) {
        TarvexApp::Settings().SnapPath = relative;
        EXPECT_EQ("The path is invalid!", Command({"snapshot", 0})["error"]) << KX_SOFT_BASE::WideToNative(relative);
    }
    std::filesystem::current_path(started);
    EXPECT_FALSE(std::filesystem::exists(m_dir + "/shots")) << "nothing written";
    EXPECT_FALSE(std::filesystem::exists("/etc/shots")) << "nor made";
    TarvexApp::Settings().SnapPath = folder.empty() ? Wide(m_dir + "/shots") : folder;
    const json shot = Command({"snapshot", 0});
    ASSERT_EQ("success", shot["error"]);
    const std::string path = shot["data"]["file"];
    EXPECT_TRUE(PumpUntil([&] { return std::filesystem::exists(path); })) << path;
    ASSERT_EQ("success", Command({"fullscreen", true})["error"]);
    EXPECT_EQ(true, Command({"get", "state"})["data"]["fullscreen"]);
    ASSERT_EQ("success", Command({"quit"})["error"]);
    EXPECT_EQ("CloseWindow", m_panels->calls.back());
}

TEST_F(RemoteControlTest, EventsReachEveryClientOfTheSocket) {
    char folder[] = "/tmp/tarvex-remote-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(folder));
    const std::string path = std::string(folder) + "/control.sock";
    std::string error;
    ASSERT_EQ(1, m_remote->Listen(path, &error)) << error;
    const int client = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(0, connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address));
    std::string received;
    auto lines = [&](long count) {
        return PumpUntil([&] {
            char buffer[512];
            const ssize_t n = recv(client, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) received.append(buffer, static_cast<std::size_t>(n));
            return std::count(received.begin(), received.end(), '\n') >= count;
        });
    };
    // A request answered: the client is connected.
    const std::string request = "{\"command\": [\"get\", \"state\"], \"request_id\": 1}\n";
    ASSERT_EQ(static_cast<ssize_t>(request.size()), send(client, request.data(), request.size(), 0));
    ASSERT_TRUE(lines(1));
    EXPECT_EQ("success", json::parse(received.substr(0, received.find('\n')))["error"]);
    received.erase(0, received.find('\n') + 1);
    ShowNotification(L"Already Playing!");
    ReportFileEnd(3, L"/x/DVR_ch1.rvf");
    ASSERT_TRUE(lines(2));
    const std::size_t cut = received.find('\n');
    EXPECT_EQ((json{{"event", "notification"}, {"text", "Already Playing!"}}), json::parse(received.substr(0, cut)));
    EXPECT_EQ((json{{"event", "file-end"}, {"window", 3}, {"file", "/x/DVR_ch1.rvf"}}),
              json::parse(received.substr(cut + 1, received.find('\n', cut + 1) - cut - 1)));
    close(client);
    m_remote.reset();
    EXPECT_FALSE(std::filesystem::exists(path)) << "the socket goes with the remote control";
    std::filesystem::remove_all(folder);
}

TEST_F(RemoteControlTest, ActivityIsToldPerWindowAndTheJumpsAnswerAsTheKeysDo) {
    std::filesystem::create_directories(m_dir + "/scene");
    ActivityScene scene{"CAM_ch1_20240315100000_20240315100020.rvf", 20, 50, SceneBox("0xE8E8E8", "30x30"),
                        "[b][1]overlay=x='10+(t-6)*50':y=110:enable='between(t,6,10)'", {{6, 10}}};
    const std::string file = MakeActivityScene(m_dir + "/scene", scene);
    ASSERT_FALSE(file.empty());
    Drop(file);
    ASSERT_TRUE(WaitPlaying(0, file));
    ASSERT_TRUE(PumpUntil([&] { return Command({"get", "activity"})["data"][0]["files"][0]["profiled"] == true; }, 60000));
    const json activity = Command({"get", "activity"})["data"];
    ASSERT_EQ(1u, activity[0]["files"].size());
    EXPECT_EQ(file, activity[0]["files"][0]["file"]);
    const json events = activity[0]["files"][0]["events"];
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(0u, events[0]["start"].get<std::string>().find("2024-03-15 10:00:0")) << events.dump();
    EXPECT_EQ(0u, events[0]["end"].get<std::string>().find("2024-03-15 10:00:1")) << events.dump();
    EXPECT_TRUE(activity[1]["files"].empty()) << "a window with nothing open";

    ASSERT_EQ("success", Command({"pause"})["error"]);
    ASSERT_EQ("success", Command({"seek", "2024-03-15 10:00:01.000"})["error"]);
    ASSERT_TRUE(PumpUntil([&] { return m_panels->play->TimeShown(0) <= 1710496800u + 2; }));
    EXPECT_EQ("success", Command({"next-activity"})["error"]);
    ASSERT_TRUE(PumpUntil([&] { return m_panels->play->TimeShown(0) >= 1710496800u + 5; }));
    EXPECT_EQ("No further activity to go to", Command({"next-activity"})["error"]);
    EXPECT_EQ("No earlier activity to go to", Command({"previous-activity"})["error"]);
    const json selection = Command({"get", "selection"});
    EXPECT_EQ("success", selection["error"]);
    EXPECT_TRUE(selection["data"].is_null()) << "nothing selected on the timeline";
}
