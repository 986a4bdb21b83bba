// Where the user's files go: everything beside a program folder of its own, or the XDG folders of
// whoever runs an installed copy, read from the variables and user-dirs.dirs as the desktop does.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>

#include "Base/UserFolders.h"
#include "LoopTestSupport.h"

using namespace KX_SOFT_BASE;

namespace {

// Sets variables for one test and puts back what was there.
class ScopedVariables {
public:
    void Set(const char* name, const char* value) {
        if (!m_saved.count(name)) {
            const char* old = std::getenv(name);
            m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedVariables() {
        for (const auto& [name, value] : m_saved) value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }

private:
    std::map<std::string, std::optional<std::string>> m_saved;
};

}  // namespace

TEST(UserFolders, AProgramHomeKeepsEverythingBesideIt) {
    TarvexTest::ScopedProgramHome home;
    const std::string base = home.Path() + "/";
    const KXUserFolders f = UserFolders();
    EXPECT_TRUE(f.besideProgram);
    EXPECT_EQ(base, f.data);
    EXPECT_EQ(base + "Config/", f.settings);
    EXPECT_EQ(base + "Index/", f.index);
    EXPECT_EQ(base + "Picture/", f.pictures);
    EXPECT_EQ(base + "Video/", f.videos);
    EXPECT_EQ(base, GetDataDirectoryUtf8());
    // Another folder than the program's gets everything beside it, whatever this run uses.
    EXPECT_EQ("/elsewhere/Config/", UserFoldersFor("/elsewhere").settings);
    EXPECT_EQ(base + "Picture/", UserFoldersFor(base).pictures);
}

TEST(UserFolders, TheXdgFoldersFollowTheVariablesAndTheUsersDirectories) {
    TarvexTest::ScopedProgramHome scratch;
    const std::string home = scratch.Path() + "/home o'dd [1]";
    ScopedVariables vars;
    vars.Set("HOME", home.c_str());
    vars.Set("XDG_CONFIG_HOME", nullptr);
    vars.Set("XDG_CACHE_HOME", "relative/cache");  // not absolute: ignored, as XDG says
    vars.Set("XDG_STATE_HOME", "/var/tmp/state");
    vars.Set("XDG_PICTURES_DIR", nullptr);
    vars.Set("XDG_VIDEOS_DIR", nullptr);
    KXUserFolders f = XdgFolders("/usr/share/tarvex-player/");
    EXPECT_FALSE(f.besideProgram);
    EXPECT_EQ("/usr/share/tarvex-player/", f.data);
    EXPECT_EQ(home + "/.config/tarvex-player/", f.settings);
    EXPECT_EQ(home + "/.cache/tarvex-player/Index/", f.index);
    EXPECT_EQ(home + "/Pictures/Tarvex Player/", f.pictures);
    EXPECT_EQ(home + "/Videos/Tarvex Player/", f.videos);
    EXPECT_EQ("/var/tmp/state/tarvex-player/", f.reports);

    // The desktop's own names for the pictures and videos folders; "$HOME/" alone is no folder.
    std::filesystem::create_directories(home + "/.config");
    std::ofstream(home + "/.config/user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                                       "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n"
                                                       "XDG_VIDEOS_DIR=\"$HOME/\"\n";
    f = XdgFolders("/usr/share/tarvex-player/");
    EXPECT_EQ(home + "/Bilder/Tarvex Player/", f.pictures);
    EXPECT_EQ(home + "/Videos/Tarvex Player/", f.videos);
    vars.Set("XDG_CONFIG_HOME", (scratch.Path() + "/cfg").c_str());
    vars.Set("XDG_VIDEOS_DIR", "/media/evidence");
    f = XdgFolders("/usr/share/tarvex-player/");
    EXPECT_EQ(scratch.Path() + "/cfg/tarvex-player/", f.settings);
    EXPECT_EQ(home + "/Pictures/Tarvex Player/", f.pictures) << "user-dirs.dirs is read from the configuration folder";
    EXPECT_EQ("/media/evidence/Tarvex Player/", f.videos);
}
