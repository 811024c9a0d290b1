// The installer's demo: the sample "InstallMaven.dat" installed into a
// sample game folder on C:, with screenshots of each window on the way.
#include <cstdio>

#include "scenario.h"

using namespace installer_e2e;

int main()
{
    try {
        const fs::path out = fs::current_path();  // screenshots go here
        GameFolders games;
        games.Add("C:\\Emberworks\\Ashfall");
        Installer in;
        in.PutArchive();
        if (!in.Start())
            throw std::runtime_error("the main window did not come");
        e2e::Screenshot(in.main(), out / "installer-main.png");
        e2e::Click(in.Control(in.main(), kInstall));
        HWND agreement = in.WaitForForm("TLicenseForm");
        if (!agreement)
            throw std::runtime_error("the agreement did not come");
        e2e::Click(in.Control(agreement, kReadIt));
        Sleep(300);
        e2e::Screenshot(agreement, out / "installer-agreement.png");
        in.Accept(agreement);
        std::optional<e2e::MessageBoxInfo> done = in.Box();
        if (!done)
            throw std::runtime_error("no final question");
        e2e::Screenshot(done->hwnd, out / "installer-complete.png");
        std::printf("installer: the final question, answered Yes; screenshots installer-main.png, "
                    "installer-agreement.png, installer-complete.png\n");
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
