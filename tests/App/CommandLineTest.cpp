// The player's command line: "--" ends the options, and the toolkit never sees what follows it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "App/CommandLine.h"

using namespace TarvexApp;

namespace {

// The path the player opens for `words` (the program's name first), with a toolkit that takes
// "-platform VALUE" out of the arguments it is shown, as Qt's does.
std::string PathFor(std::vector<std::string> words, int* toolkitSaw = nullptr) {
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const PlayerArguments arguments = SplitArguments(static_cast<int>(words.size()), argv.data());
    int argc = arguments.toolkitCount;
    if (toolkitSaw) *toolkitSaw = argc;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "-platform") {
            ++i;
            continue;
        }
        argv[kept++] = argv[i];
    }
    return PathArgument(arguments, kept, argv.data());
}

}  // namespace

TEST(CommandLineTest, ThePathGivenIsThePathOpened) {
    EXPECT_EQ("DIR/-platform.rvf", PathFor({"tarvex-player", "DIR/-platform.rvf"}));
    EXPECT_EQ("rec.rvf", PathFor({"tarvex-player", "-platform", "xcb", "rec.rvf"}));
    int toolkitSaw = 0;
    EXPECT_EQ("-platform", PathFor({"tarvex-player", "--", "-platform"}, &toolkitSaw)) << "after --, a path";
    EXPECT_EQ(1, toolkitSaw) << "the toolkit does not see it";
    EXPECT_EQ("-platform", PathFor({"tarvex-player", "-platform", "offscreen", "--", "-platform", "more"}, &toolkitSaw));
    EXPECT_EQ(3, toolkitSaw);
    EXPECT_EQ("--", PathFor({"tarvex-player", "--", "--"})) << "a file named -- too";
    EXPECT_EQ("", PathFor({"tarvex-player", "--"}));
    EXPECT_EQ("", PathFor({"tarvex-player"}));
}

TEST(CommandLineTest, TheRemoteControlsSocketIsTheProgramsOptionNotAPath) {
    std::vector<std::string> words{"tarvex-player", "--ipc-server=/run/x.sock", "rec.rvf"};
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const PlayerArguments arguments = SplitArguments(3, argv.data());
    EXPECT_EQ("/run/x.sock", arguments.socketPath);
    EXPECT_EQ(2, arguments.toolkitCount) << "the toolkit does not see it";
    EXPECT_EQ("rec.rvf", PathArgument(arguments, arguments.toolkitCount, argv.data()));
    EXPECT_EQ("--ipc-server=x", PathFor({"tarvex-player", "--", "--ipc-server=x"})) << "after --, a path";
    EXPECT_EQ("", PathFor({"tarvex-player", "--ipc-server=/run/x.sock"}));
}
