// The player's entry: start-up in its fixed order, the toolkit's main loop until the main window
// closes, and the shutdown. Worker loops are left blocked for the process's end to take.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "App/CrashReport.h"
#include "App/FileTypes.h"
#include "App/Language.h"
#include "App/Settings.h"
#include "App/StartupLoops.h"
#include "Base/FolderPath.h"
#include "Base/LoopIds.h"
#include "Base/StreamConvert.h"
#include "Base/TaskLog.h"
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
    auto mainWindow = CMainFrameEventImp::Create(KX_SOFT_BASE::NativeToWide(argc > 1 ? argv[1] : ""), ExecutablePath());
    // The question is put once the window is up, through its message dialog.
    mainWindow->OfferFileTypes(offer);

    CKXUIFactory::MainLoop();

    // The settings were written by the close; a close the loop did not live to see writes them now.
    FinishSettingsSave();
    mainWindow.reset();
    CKXUIFactory::UnInstall();
    return 0;
}
