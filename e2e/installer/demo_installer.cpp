// The installer's demo: the sample "InstallMaven.dat" installed into a
// sample game folder on C:, with screenshots of each window on the way.
#include <cstdio>

#include "scenario.h"

using namespace installer_e2e;

int main()
{
    try {
        GameFolders games;
        games.Add("C:\\Emberworks\\Ashfall");
        Installer in;
        in.PutArchive();
        if (!in.Start())
            throw std::runtime_error("the main window did not come");
        in.Shot(in.main(), "demo-main");
        e2e::Click(in.Control(in.main(), kInstall));
        HWND agreement = in.WaitForForm("TLicenseForm");
        if (!agreement)
            throw std::runtime_error("the agreement did not come");
        e2e::Click(in.Control(agreement, kReadIt));
        Sleep(300);
        in.Shot(agreement, "demo-agreement");
        in.Accept(agreement);
        std::optional<e2e::MessageBoxInfo> done = in.Box("demo-complete");
        if (!done)
            throw std::runtime_error("no final question");
        std::printf("installer: %s\n", done->text.c_str());
        e2e::PressButton(*done, "&Yes");
        in.process().Wait(kTimeoutMs);
        for (const auto &entry : fs::recursive_directory_iterator("C:\\Emberworks\\Ashfall"))
            if (entry.is_regular_file())
                std::printf("  %s (%llu bytes)\n", entry.path().string().c_str(),
                            static_cast<unsigned long long>(entry.file_size()));
        return 0;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "demo_installer: %s\n", e.what());
        return 1;
    }
}
