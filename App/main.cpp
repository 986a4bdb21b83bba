// The player's entry: start-up in its fixed order, the toolkit's main loop until the main window
// closes, and the shutdown. Worker loops are left blocked for the process's end to take.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "App/CrashReport.h"
#include "App/FileTypes.h"
#include "App/Language.h"
#include "App/Settings.h"
#include "App/StartupLoops.h"
#include "App/StartupWindow.h"
#include "Base/FolderPath.h"
#include "Base/LoopIds.h"
#include "Base/TaskLog.h"
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

}  // namespace

int main(int argc, char** argv) {
    using namespace TarvexApp;
    InstallCrashReport();
    ConfigureTaskLog();
    if (!CKXUIFactory::Install(argc, argv)) {
        std::fprintf(stderr, "tarvex-player: the desktop cannot be reached (no display?)\n");
        return 1;
    }
    const std::wstring programDirectory = CKXUIFactory::GetCurrentPath();
    CKXUIFactory::SetResourcePath(programDirectory + L"Skin/");
    LoadSettings(programDirectory);
    SetLanguageNumber(Settings().Language);
    CKXUIFactory::SetFontProperty(Settings().CharSet, Settings().FontFace);
    for (const wchar_t* folder : {L"Picture/", L"Index/", L"Video/"}) KX_SOFT_BASE::CreateFolderPath(programDirectory + folder);

    StartupLoops loops = CreateStartupLoops(TarvexBase::MC_UI_THREAD);
    TarvexPlay::FillYuvTables();

    const FileTypeOffer offer = CheckFileTypes(Settings().recordFormats, &CKXUIFactory::IsFileAssociatetoApp);
    // The toolkit has taken its own options out of the command line by now.
    auto mainWindow = std::make_unique<CStartupWindow>(argc > 1 ? argv[1] : "");
    // The main window puts the question once it is up, through its message dialog.
    mainWindow->OfferFileTypes(offer);

    CKXUIFactory::MainLoop();

    mainWindow.reset();
    CKXUIFactory::UnInstall();
    return 0;
}
