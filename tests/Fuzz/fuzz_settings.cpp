// A settings file of any bytes, read as start-up reads it: refused or parsed, every lookup gives
// a value, nothing crashes however deep or broken the file.
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "App/ConfigPersist.h"
#include "FuzzSupport.h"

using TarvexApp::CConfigXMLPersistImp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& home = TarvexFuzz::ProgramHome();
    static const bool folder = [&] { return ::mkdir((home + "Config").c_str(), 0700) == 0 || errno == EEXIST; }();
    if (!folder || !TarvexFuzz::WriteWhole(CConfigXMLPersistImp::FilePath(home), data, size)) return 0;
    CConfigXMLPersistImp file(home);
    for (const wchar_t* key : {L"SnapPath", L"Proportion", L"VerticalSyn", L"OldPath", L"strRecordFormat", L""}) {
        file.GetString(L"UIConfig", key, L"default");
        file.GetInt(L"UIConfig", key, 7);
        file.GetInt2(L"UIConfig", key, 7);
        file.GetBool(L"UIConfig", key, true);
        file.GetDouble(L"UIConfig", key, 0.5);
    }
    return 0;
}
