#include "scenario.h"

namespace launcher_e2e {

Files GameFilesOff()
{
    return {{"rules.ini", "game rules"},    {"art.ini", "game art"},           {"title.pcx", "game title"},
            {"theme.ini", "game theme"},    {"afgold.dat", "add-on rules"},    {"afart.dat", "add-on art"},
            {"aftitle.dat", "add-on title"}, {"afmusic.dat", "add-on theme"}};
}

Files GameFilesOn()
{
    return {{"temprules.ini", "game rules"}, {"tempart.ini", "game art"},      {"temptitle.pcx", "game title"},
            {"themetemp.ini", "game theme"}, {"rules.ini", "add-on rules"},    {"art.ini", "add-on art"},
            {"title.pcx", "add-on title"},   {"theme.ini", "add-on theme"}};
}

RegistryGuard::RegistryGuard() : existed_(e2e::KeyExists(HKEY_CURRENT_USER, kKey))
{
    if (existed_)
        value_ = e2e::ReadDword(HKEY_CURRENT_USER, kKey, kValue);
    e2e::DeleteKey(HKEY_CURRENT_USER, kKey);
}

RegistryGuard::~RegistryGuard()
{
    e2e::DeleteKey(HKEY_CURRENT_USER, kKey);
    if (value_)
        e2e::SetDword(HKEY_CURRENT_USER, kKey, kValue, *value_);
    else if (existed_) {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
            ERROR_SUCCESS)
            RegCloseKey(key);
    }
}

void Launcher::Put(const Files &files)
{
    for (const auto &[name, contents] : files)
        e2e::WriteFile(folder / name, std::vector<uint8_t>(contents.begin(), contents.end()));
}

Files Launcher::Read() const
{
    Files files;
    for (const auto &entry : fs::directory_iterator(folder.path()))
        if (entry.is_regular_file()) {
            std::vector<uint8_t> bytes = e2e::ReadFile(entry.path());
            files[entry.path().filename().string()] = std::string(bytes.begin(), bytes.end());
        }
    return files;
}

bool Launcher::Start()
{
    process_ = std::make_unique<e2e::Process>(e2e::ProgramFolder() / "AFGold.exe", folder.path());
    main_ = e2e::WaitForWindow(process_->id(), "TMain", nullptr, kTimeoutMs);
    if (!main_)
        return false;
    process_->WaitForIdle(kTimeoutMs);
    return true;
}

void Launcher::Hover(HWND window, int x, int y)
{
    POINT p{x, y};
    ClientToScreen(window, &p);
    SetCursorPos(p.x, p.y);
    PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}

Indicator Launcher::Shown()
{
    // Inside the indicator's ring, above its lettering: dark red when on,
    // black when off.
    POINT p{360 + 29, 200 + 5};
    ClientToScreen(main_, &p);
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    if (c == RGB(120, 0, 0))
        return Indicator::On;
    if (c == RGB(0, 0, 0))
        return Indicator::Off;
    return Indicator::Unknown;
}

bool Launcher::WaitShown(Indicator expected)
{
    return e2e::WaitUntil([&] { return Shown() == expected; }, kTimeoutMs, 20);
}

HWND Launcher::WaitForForm(const char *form_class, int timeout_ms)
{
    return e2e::WaitForWindow(process_->id(), form_class, nullptr, timeout_ms);
}

bool Launcher::WaitHidden(HWND window)
{
    return e2e::WaitUntil([&] { return !IsWindowVisible(window); }, kTimeoutMs, 10);
}

std::optional<e2e::MessageBoxInfo> Launcher::AnswerBox(const std::string &shot_name)
{
    std::optional<e2e::MessageBoxInfo> box = e2e::WaitForMessageBox(process_->id(), kTimeoutMs);
    if (!box)
        return box;
    if (!shot_name.empty()) {
        Sleep(200);
        Shot(box->hwnd, shot_name);
    }
    e2e::PressButton(*box, "OK");
    HWND h = box->hwnd;
    e2e::WaitUntil([&] { return !IsWindow(h) || !IsWindowVisible(h); }, kTimeoutMs, 10);
    process_->WaitForIdle(kTimeoutMs);
    return box;
}

fs::path Launcher::Shot(HWND window, const std::string &name)
{
    fs::path png = e2e::ScreenshotFolder() / ("launcher-" + name + ".png");
    fs::create_directories(png.parent_path());
    e2e::Screenshot(window, png);
    return png;
}

}  // namespace launcher_e2e
