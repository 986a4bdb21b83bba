#pragma once
// The commands of tarvex-cli. Each returns the process exit code: 0 done, 1 failed (one line on
// stderr says why), 2 the command line was wrong.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct CliCommand {
    const char* name;
    const char* summary;
    const char* help;  // shown by "tarvex-cli NAME --help"
    int (*run)(int argc, char** argv);  // argv[0] is the command's first argument
};

extern const CliCommand kScanCommand;
extern const CliCommand kSynthCommand;
extern const CliCommand kProbeCommand;
extern const CliCommand kFramesCommand;
extern const CliCommand kSnapshotCommand;
extern const CliCommand kExportCommand;
extern const CliCommand kGroupCommand;
extern const CliCommand kEvidenceCommand;
extern const CliCommand kVerifyCommand;
extern const CliCommand kActivityCommand;
extern const CliCommand kSearchCommand;
