// The player's entry: start-up in its fixed order, the toolkit's main loop until the main window
// closes, and the shutdown. Worker loops are left blocked for the process's end to take.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "App/CommandLine.h"
#include "App/CrashReport.h"
#include "App/FileTypes.h"
#include "App/Language.h"
#include "App/LeftoverFiles.h"
#include "App/Settings.h"
#include "App/StartupLoops.h"
#include "Base/FolderPath.h"
#include "Base/LoopIds.h"
#include "Base/StreamConvert.h"
#include "Base/SystemFunctions.h"
#include "Base/TaskLog.h"
#include "Base/UserFolders.h"
#include "Main/MainFrame.h"
#include "PlayManager/YuvTables.h"
#include "Toolkit/UIFactory.h"

namespace {

// The task log starts off; TARVEX_TASK_LOG=<level> switches it on for diagnosis.
void ConfigureTaskLog() {
    TarvexBase::SetTaskLogSwitch(0);
    TarvexBase::SetTaskLogLevel(0);
    const char* level = std::getenv("TARVEX_TASK_LOG");
    const int n = level ? std::atoi(level) : 0;
    if (n > 0) {
        TarvexBase::SetTaskLogSwitch(1);
        TarvexBase::SetTaskLogLevel(n);
    }
}

// The executable's own path, which the file types are associated with.
std::wstring ExecutablePath() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof(path) - 1);
    return n > 0 ? KX_SOFT_BASE::NativeToWide(std::string(path, static_cast<std::size_t>(n))) : std::wstring();
}

void PrintHelp() {
    std::printf(
        "Usage: tarvex-player [OPTION]... [PATH]\n"
        "Plays the recordings of surveillance video recorders: a recorder's export folder is listed by\n"
        "device, day and channel, a recording plays with the rest of its channel's day.\n"
        "\n"
        "  PATH           a folder to list, or a recording to play (the folders of the last run\n"
        "                 are listed when no path is given); after \"--\", a path that begins\n"
        "                 with \"-\"\n"
        "  --ipc-server=PATH  listen for remote-control commands on a Unix socket at PATH\n"
        "  -h, --help     print this help and exit\n"
        "  -v, --version  print the version and exit\n"
        "\n"
        "Qt's options (-platform, -display, ...) are understood too.\n");
    const KX_SOFT_BASE::KXUserFolders folders = KX_SOFT_BASE::UserFolders();
    std::printf("\nData:       %s\nSettings:   %s\nIndex:      %s\nSnapshots:  %s\nClips:      %s\n",
                folders.data.c_str(), folders.settings.c_str(), folders.index.c_str(), folders.pictures.c_str(),
                folders.videos.c_str());
}

// --help and --version are answered without a window; a "--" ends the options.
bool AnsweredWithoutWindow(int argc, char** argv, int* status) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--") == 0) return false;
        if (std::strcmp(a, "-h") == 0 || std::strcmp(a, "--help") == 0) {
            PrintHelp();
            *status = 0;
            return true;
        }
        if (std::strcmp(a, "-v") == 0 || std::strcmp(a, "--version") == 0) {
            std::printf("tarvex-player %s\n", TARVEX_VERSION);
            *status = 0;
            return true;
        }
        if (std::strncmp(a, "--ipc-server=", 13) == 0) continue;
        // "--" followed by anything is an option of ours we do not know (the toolkit's own start
        // with a single "-"): said, rather than opened as a path.
        if (std::strncmp(a, "--", 2) == 0) {
            std::fprintf(stderr, "tarvex-player: unknown option %s (see --help)\n", a);
            *status = 2;
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace TarvexApp;
    int status = 0;
    if (AnsweredWithoutWindow(argc, argv, &status)) return status;
    KX_SOFT_BASE::LimitHeapGrowth();  // before the first worker thread
    InstallCrashReport();
    ConfigureTaskLog();
    // The toolkit sees the arguments before "--" only, and takes its own options out of them.
    const PlayerArguments arguments = SplitArguments(argc, argv);
    int toolkitArgc = arguments.toolkitCount;
    if (!CKXUIFactory::Install(toolkitArgc, argv)) {
        std::fprintf(stderr, "tarvex-player: the desktop cannot be reached (no display?)\n");
        return 1;
    }
    const std::wstring programDirectory = CKXUIFactory::GetCurrentPath();
    CKXUIFactory::SetResourcePath(KX_SOFT_BASE::GetDataDirectory() + L"Skin/");
    LoadSettings(programDirectory);
    SetLanguageNumber(Settings().Language);
    CKXUIFactory::SetTextTranslator(&Translate);  // the file dialog speaks the window's language
    CKXUIFactory::SetFontProperty(Settings().CharSet, Settings().FontFace);
    // Beside the program its folders are made at once, as they always were; the user's own
    // pictures and videos folders get ours only when a snapshot or clip is written.
    const KX_SOFT_BASE::KXUserFolders folders = KX_SOFT_BASE::UserFolders();
    KX_SOFT_BASE::CreateFolderPath(KX_SOFT_BASE::Utf8ToWide(folders.index));
    if (folders.besideProgram)
        for (const std::string& folder : {folders.pictures, folders.videos})
            KX_SOFT_BASE::CreateFolderPath(KX_SOFT_BASE::Utf8ToWide(folder));
    // A run killed while writing left its temporary files: nobody holds them now.
    RemoveLeftoverFiles(folders, Settings().SnapPath, Settings().VideoPath);

    StartupLoops loops = CreateStartupLoops(TarvexBase::MC_UI_THREAD);
    TarvexPlay::FillYuvTables();

    const FileTypeOffer offer = CheckFileTypes(Settings().recordFormats, &CKXUIFactory::IsFileAssociatetoApp);
    const std::string path = PathArgument(arguments, toolkitArgc, argv);
    auto mainWindow = CMainFrameEventImp::Create(KX_SOFT_BASE::NativeToWide(path), ExecutablePath());
    std::string socketError;
    if (!arguments.socketPath.empty() && !mainWindow->ListenRemote(arguments.socketPath, &socketError)) {
        std::fprintf(stderr, "tarvex-player: no remote control at %s: %s\n", arguments.socketPath.c_str(),
                     socketError.c_str());
        return 2;
    }
    // The question is put once the window is up, through its message dialog.
    mainWindow->OfferFileTypes(offer);

    CKXUIFactory::MainLoop();

    // The settings were written by the close; a close the loop did not live to see writes them now.
    FinishSettingsSave();
    mainWindow.reset();
    CKXUIFactory::UnInstall();
    return 0;
}
