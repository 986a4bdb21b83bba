// tarvex-cli: the command-line face of the player's catalogue and engine.
#include <cstdio>
#include <cstring>

#include "tools/cli/Commands.h"

namespace {

const CliCommand* const kCommands[] = {&kScanCommand, &kSynthCommand, &kProbeCommand, &kFramesCommand, &kSnapshotCommand, &kExportCommand, &kGroupCommand,
                                     &kEvidenceCommand, &kVerifyCommand,
                                     &kActivityCommand, &kSearchCommand};

void PrintUsage(std::FILE* out) {
    std::fputs("Usage: tarvex-cli COMMAND [ARGS...]\n\nCommands:\n", out);
    for (const CliCommand* c : kCommands) std::fprintf(out, "  %-10s %s\n", c->name, c->summary);
    std::fputs("\n\"tarvex-cli COMMAND --help\" describes one command.\n", out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "help") == 0) {
        PrintUsage(stdout);
        return kExitOk;
    }
    for (const CliCommand* c : kCommands)
        if (std::strcmp(argv[1], c->name) == 0) return c->run(argc - 2, argv + 2);
    std::fprintf(stderr, "tarvex-cli: unknown command %s\n", argv[1]);
    PrintUsage(stderr);
    return kExitUsage;
}
