// Demo: a sample game folder, a sample car installer made from our stub, and
// the installer run through to "Done." with a screenshot of its dialog.
#include <cstdio>

#include "fixtures.h"
#include "scenario.h"

using namespace core_e2e;

int main()
{
    Scenario s;
    s.MakeGame();
    carfix::InstallCar(s.game, "Data\\Cars", "Viper", 11);
    carfix::InstallCar(s.game, "Data\\Cars", "Traffic", 12);
    carfix::InstallCar(s.game, "SaveData\\Cars", "0000", 25);
    s.Register(s.game.string());
    std::vector<carpack::Entry> entries = {{"car.viv", carfix::CarArchiveWithSerial(26)},
                                           {"Lstm.qfs", carfix::Pattern(139154, 2)}};
    s.MakeInstaller(1, 26, entries);
    std::printf("core: game folder %s, installer %s (car, serial 26, 2 entries)\n",
                s.game.string().c_str(), s.installer.string().c_str());

    e2e::Process p(s.installer, s.folder.path());
    Observation seen = Watch(p, 60000);
    for (const std::string &status : seen.statuses)
        std::printf("core: status \"%s\"\n", status.c_str());
    if (!seen.done) {
        std::printf("core: the installer did not finish\n");
        return 1;
    }
    Sleep(300);  // let the final paint reach the screen
    fs::path shot = fs::current_path() / "core-done.png";
    e2e::Screenshot(seen.dialog, shot);
    std::printf("core: screenshot %s\n", shot.string().c_str());
    e2e::Click(GetDlgItem(seen.dialog, kOkId));
    std::optional<DWORD> code = p.Wait(10000);
    std::printf("core: Ok pressed, exit code %lu\n", code ? static_cast<unsigned long>(*code) : 999ul);
    for (const auto &entry : fs::directory_iterator(s.Car("SaveData", "0001")))
        std::printf("core: installed %s (%ju bytes)\n", entry.path().string().c_str(),
                    static_cast<uintmax_t>(fs::file_size(entry.path())));
    return code && *code == 0 ? 0 : 1;
}
