#include "App/CommandLine.h"

#include <cstring>

namespace TarvexApp {

PlayerArguments SplitArguments(int argc, char** argv) {
    PlayerArguments arguments;
    arguments.toolkitCount = argc;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") != 0) continue;
        arguments.toolkitCount = i;
        arguments.afterDashes = true;
        if (i + 1 < argc) arguments.path = argv[i + 1];
        break;
    }
    return arguments;
}

std::string PathArgument(const PlayerArguments& arguments, int argc, char** argv) {
    if (arguments.afterDashes) return arguments.path;
    return argc > 1 && argv[1] ? argv[1] : std::string();
}

}  // namespace TarvexApp
