#pragma once
// The player's command line, shared between the toolkit and the player. "--" ends the options:
// the argument after it is the path, whatever it looks like, and nothing from it on is shown to
// the toolkit, whose parsing would take "-platform" for its option and the path for its value.
#include <string>

namespace TarvexApp {

struct PlayerArguments {
    int toolkitCount = 0;  // the arguments the toolkit may see: those before "--"
    bool afterDashes = false;  // the path came after "--"
    std::string path;  // then, the argument after "--" (empty when none)
    std::string socketPath;  // "--ipc-server=PATH": where the remote control listens
};

// Takes the player's own options (before "--") out of argv, moving the rest up, so that neither
// the toolkit nor the path sees them.
PlayerArguments SplitArguments(int argc, char** argv);

// The one path: the argument after "--", else the first argument the toolkit left of the
// `argc` it was shown (it takes out its own options and their values, nothing else).
std::string PathArgument(const PlayerArguments& arguments, int argc, char** argv);

}  // namespace TarvexApp
