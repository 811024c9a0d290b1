#include "scenario.h"

#include <fstream>
#include <sstream>

#include "SampleData.h"

namespace installer_e2e {

GameFolders::~GameFolders()
{
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
        std::error_code ec;
        fs::remove_all(*it, ec);
    }
}

void GameFolders::Add(const std::string &folder, const std::string &exe_name)
{
    fs::path path = folder;
    // The outermost folder that is new is the one to remove at the end.
    fs::path outermost;
    for (fs::path p = path; p.has_relative_path() && !fs::exists(p); p = p.parent_path())
        outermost = p;
    fs::create_directories(path);
    if (!outermost.empty())
        made_.push_back(outermost);
    e2e::WriteFile(path / exe_name, std::vector<uint8_t>{'M', 'Z'});
    if (outermost.empty())
        made_.push_back(path / exe_name);
}

std::vector<uint8_t> SampleEntry(int index)
{
    return installmaven::SampleEntry(index, e2e::ReadFile(e2e::ProgramFolder() / "MavenSample.exe"));
}

void Installer::PutArchive()
{
    e2e::TempFolder sources{"maven-sources"};
    installmaven::BuildSampleDataFile(sources.path().string(), (folder / "InstallMaven.dat").string(),
                                      e2e::ReadFile(e2e::ProgramFolder() / "MavenSample.exe"));
}

void Installer::PutFile(const std::string &name, const std::vector<uint8_t> &bytes)
{
    e2e::WriteFile(folder / name, bytes);
}

bool Installer::Start()
{
    SetEnvironmentVariableA("INSTALLMAVEN_PROGRESS_LOG", (folder / "progress.log").string().c_str());
    process_ = std::make_unique<e2e::Process>(e2e::ProgramFolder() / "InstallMaven.exe", folder.path());
    SetEnvironmentVariableA("INSTALLMAVEN_PROGRESS_LOG", nullptr);
    main_ = e2e::WaitForWindow(process_->id(), "TMainForm", nullptr, kTimeoutMs);
    if (!main_)
        return false;
    process_->WaitForIdle(kTimeoutMs);
    return true;
}

HWND Installer::WaitForForm(const char *form_class)
{
    return e2e::WaitForWindow(process_->id(), form_class, nullptr, kTimeoutMs);
}

std::string Installer::Text(Place p) const
{
    HWND control = Control(main_, p);
    return control ? e2e::Text(control) : "<no control>";
}

std::optional<e2e::MessageBoxInfo> Installer::Box(const std::string &shot_name)
{
    std::optional<e2e::MessageBoxInfo> box = e2e::WaitForMessageBox(process_->id(), kTimeoutMs);
    if (box && !shot_name.empty())
        Shot(box->hwnd, shot_name);
    return box;
}

bool Installer::Accept(HWND agreement)
{
    HWND read_it = Control(agreement, kReadIt), next = Control(agreement, kNext);
    if (!read_it || !next)
        return false;
    if (SendMessageA(read_it, BM_GETCHECK, 0, 0) != BST_CHECKED)
        e2e::Click(read_it);
    if (!e2e::WaitUntil([&] { return e2e::Enabled(next); }, kTimeoutMs))
        return false;
    e2e::Click(next);
    return true;
}

std::vector<std::string> Installer::ProgressLog() const
{
    std::ifstream in(folder / "progress.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

fs::path Installer::Shot(HWND window, const std::string &name)
{
    fs::path png = e2e::ScreenshotFolder() / ("installer-" + name + ".png");
    fs::create_directories(png.parent_path());
    e2e::Screenshot(window, png);
    return png;
}

}  // namespace installer_e2e
