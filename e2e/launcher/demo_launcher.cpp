// Demo: AFGold in a sample game folder, the add-on switched on and off with
// a screenshot of each state, saved in the working folder.
#include <cstdio>

#include "scenario.h"

using namespace launcher_e2e;

namespace {
void PrintFiles(const Files &files)
{
    std::string names;
    for (const auto &[name, contents] : files)
        names += " " + name + "(\"" + contents + "\")";
    std::printf("afgold: folder holds%s\n", names.c_str());
}
}  // namespace

int main()
{
    RegistryGuard guard;
    Launcher l;
    l.Put(GameFilesOff());
    std::printf("afgold: sample game folder %s\n", l.folder.path().string().c_str());
    PrintFiles(l.Read());
    if (!l.Start()) {
        std::printf("afgold: the launcher did not open\n");
        return 1;
    }
    bool ok = l.WaitShown(Indicator::Off);
    Sleep(300);
    e2e::Screenshot(l.main(), fs::current_path() / "afgold-start.png");

    l.Press(kEnable);
    ok = l.WaitShown(Indicator::On) && ok;
    std::optional<DWORD> state = e2e::ReadDword(HKEY_CURRENT_USER, kKey, kValue);
    std::printf("afgold: switched on, Enabled = %lu\n", state ? static_cast<unsigned long>(*state) : 999ul);
    PrintFiles(l.Read());
    Sleep(300);
    e2e::Screenshot(l.main(), fs::current_path() / "afgold-on.png");

    l.Press(kDisable);
    ok = l.WaitShown(Indicator::Off) && ok;
    state = e2e::ReadDword(HKEY_CURRENT_USER, kKey, kValue);
    std::printf("afgold: switched off, Enabled = %lu\n", state ? static_cast<unsigned long>(*state) : 999ul);
    PrintFiles(l.Read());
    Sleep(300);
    e2e::Screenshot(l.main(), fs::current_path() / "afgold-off.png");
    std::printf("afgold: screenshots afgold-start.png, afgold-on.png, afgold-off.png\n");

    l.Press(kClose);
    std::optional<DWORD> code = l.process().Wait(kTimeoutMs);
    std::printf("afgold: closed, exit code %lu\n", code ? static_cast<unsigned long>(*code) : 999ul);
    ok = ok && l.Read() == GameFilesOff() && code && *code == 0;
    return ok ? 0 : 1;
}
