#include "App/CommandLine.h"

#include <cstring>

namespace TarvexApp {

PlayerArguments SplitArguments(int argc, char** argv) {
    PlayerArguments arguments;
    constexpr char kSocket[] = "--ipc-server=";
    int kept = 1;
    bool dashes = false;
    for (int i = 1; i < argc; ++i) {
        dashes = dashes || std::strcmp(argv[i], "--") == 0;
        if (!dashes && std::strncmp(argv[i], kSocket, sizeof kSocket - 1) == 0) {
            arguments.socketPath = argv[i] + sizeof kSocket - 1;
            continue;
        }
        argv[kept++] = argv[i];
    }
    for (int i = kept; i < argc; ++i) argv[i] = nullptr;
    argc = kept;
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
