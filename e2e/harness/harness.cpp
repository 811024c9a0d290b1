#include "harness.h"

#include <commctrl.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO_FILE_WARNINGS
#include <stb/stb_image_write.h>

namespace e2e {

namespace {

constexpr UINT kSendTimeoutMs = 2000;
constexpr int kMessageBoxTextId = 65535;

}  // namespace

bool WaitUntil(const std::function<bool()> &done, int timeout_ms, int poll_ms)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(poll_ms));
    }
}

// --- processes -------------------------------------------------------------

Process::Process(const fs::path &exe, const fs::path &working_folder, const std::string &arguments)
{
    std::string command = "\"" + exe.string() + "\"";
    if (!arguments.empty())
        command += " " + arguments;
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string folder = working_folder.string();
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &info_))
        throw std::runtime_error("cannot start " + command + " (error " + std::to_string(GetLastError()) + ")");
}

bool Process::WaitForIdle(int timeout_ms)
{
    return WaitForInputIdle(info_.hProcess, static_cast<DWORD>(timeout_ms)) == 0;
}

Process::~Process()
{
    if (!info_.hProcess)
        return;
    if (Running()) {
        TerminateProcess(info_.hProcess, 255);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

bool Process::Running() const
{
    return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::Wait(int timeout_ms)
{
    if (WaitForSingleObject(info_.hProcess, static_cast<DWORD>(timeout_ms)) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

void Process::Kill()
{
    TerminateProcess(info_.hProcess, 255);
    WaitForSingleObject(info_.hProcess, 5000);
}

// --- windows and controls --------------------------------------------------

namespace {

struct WindowQuery {
    DWORD process;
    const char *window_class;
    const char *caption;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopWindow(HWND hwnd, LPARAM param)
{
    auto *q = reinterpret_cast<WindowQuery *>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != q->process || !IsWindowVisible(hwnd))
        return TRUE;
    if (q->window_class && ClassOf(hwnd) != q->window_class)
        return TRUE;
    if (q->caption && InternalText(hwnd) != q->caption)
        return TRUE;
    q->found.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param)
{
    reinterpret_cast<std::vector<HWND> *>(param)->push_back(hwnd);
    return TRUE;
}

}  // namespace

std::vector<HWND> TopWindows(DWORD process, const char *window_class, const char *caption)
{
    WindowQuery q{process, window_class, caption, {}};
    EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&q));
    return q.found;
}

HWND WaitForWindow(DWORD process, const char *window_class, const char *caption, int timeout_ms)
{
    HWND found = nullptr;
    WaitUntil([&] {
        std::vector<HWND> windows = TopWindows(process, window_class, caption);
        found = windows.empty() ? nullptr : windows.front();
        return found != nullptr;
    }, timeout_ms);
    return found;
}

std::vector<Control> Children(HWND parent)
{
    std::vector<HWND> handles;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&handles));
    std::vector<Control> controls;
    for (HWND h : handles)
        controls.push_back({h, GetDlgCtrlID(h), ClassOf(h), Text(h), Enabled(h), Visible(h)});
    return controls;
}

HWND ChildAt(HWND parent, int x, int y)
{
    POINT p{x, y};
    HWND child = ChildWindowFromPointEx(parent, p, CWP_SKIPINVISIBLE);
    return child == parent ? nullptr : child;
}

void SetText(HWND window, const std::string &text)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                        kSendTimeoutMs, &result);
}

void PressKey(HWND window, int virtual_key)
{
    UINT scan = MapVirtualKeyA(static_cast<UINT>(virtual_key), MAPVK_VK_TO_VSC);
    PostMessageA(window, WM_KEYDOWN, static_cast<WPARAM>(virtual_key), 1 | (scan << 16));
    PostMessageA(window, WM_KEYUP, static_cast<WPARAM>(virtual_key), 1 | (scan << 16) | 0xC0000000u);
}

std::string Text(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length))
        return InternalText(window);
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied);
    text.resize(copied);
    return text;
}

std::string InternalText(HWND window)
{
    char buffer[1024] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

std::string ClassOf(HWND window)
{
    char buffer[256] = {};
    GetClassNameA(window, buffer, sizeof buffer);
    return buffer;
}

bool Enabled(HWND window) { return IsWindowEnabled(window) != FALSE; }
bool Visible(HWND window) { return IsWindowVisible(window) != FALSE; }

Range ProgressRange(HWND bar)
{
    // With a null PBRANGE the limits come back as results, so this works
    // across processes.
    DWORD_PTR low = 0, high = 0;
    SendMessageTimeoutA(bar, PBM_GETRANGE, TRUE, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &low);
    SendMessageTimeoutA(bar, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &high);
    return {static_cast<int>(low), static_cast<int>(high)};
}

int ProgressPos(HWND bar)
{
    DWORD_PTR pos = 0;
    SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &pos);
    return static_cast<int>(pos);
}

void Click(HWND button)
{
    PostMessageA(button, BM_CLICK, 0, 0);
}

void ClickAt(HWND window, int x, int y)
{
    LPARAM at = MAKELPARAM(x, y);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(window, WM_LBUTTONUP, 0, at);
}

// --- message boxes ---------------------------------------------------------

std::optional<MessageBoxInfo> WaitForMessageBox(DWORD process, int timeout_ms)
{
    std::optional<MessageBoxInfo> box;
    WaitUntil([&] {
        for (HWND dialog : TopWindows(process, "#32770")) {
            HWND text = GetDlgItem(dialog, kMessageBoxTextId);
            if (!text)
                continue;
            MessageBoxInfo info{dialog, InternalText(dialog), Text(text), {}};
            for (const Control &c : Children(dialog))
                if (c.window_class == "Button")
                    info.buttons.push_back(c.text);
            box = info;
            return true;
        }
        return false;
    }, timeout_ms);
    return box;
}

bool PressButton(const MessageBoxInfo &box, const std::string &button_text)
{
    for (const Control &c : Children(box.hwnd))
        if (c.window_class == "Button" && c.text == button_text) {
            Click(c.hwnd);
            return true;
        }
    return false;
}

// --- registry --------------------------------------------------------------

namespace {

HKEY CreateKey(HKEY root, const std::string &key)
{
    HKEY h = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create registry key " + key);
    return h;
}

std::optional<std::vector<BYTE>> ReadValue(HKEY root, const std::string &key, const std::string &name,
                                           DWORD *type)
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD size = 0;
    std::optional<std::vector<BYTE>> result;
    if (RegQueryValueExA(h, name.c_str(), nullptr, type, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<BYTE> data(size);
        if (RegQueryValueExA(h, name.c_str(), nullptr, type, data.data(), &size) == ERROR_SUCCESS)
            result = data;
    }
    RegCloseKey(h);
    return result;
}

}  // namespace

void SetString(HKEY root, const std::string &key, const std::string &name, const std::string &value)
{
    HKEY h = CreateKey(root, key);
    RegSetValueExA(h, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(h);
}

void SetDword(HKEY root, const std::string &key, const std::string &name, DWORD value)
{
    HKEY h = CreateKey(root, key);
    RegSetValueExA(h, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof value);
    RegCloseKey(h);
}

std::optional<DWORD> ReadDword(HKEY root, const std::string &key, const std::string &name)
{
    DWORD type = 0;
    auto data = ReadValue(root, key, name, &type);
    if (!data || type != REG_DWORD || data->size() != sizeof(DWORD))
        return std::nullopt;
    DWORD value;
    memcpy(&value, data->data(), sizeof value);
    return value;
}

std::optional<std::string> ReadString(HKEY root, const std::string &key, const std::string &name)
{
    DWORD type = 0;
    auto data = ReadValue(root, key, name, &type);
    if (!data || (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    std::string s(data->begin(), data->end());
    while (!s.empty() && s.back() == '\0')
        s.pop_back();
    return s;
}

void DeleteValue(HKEY root, const std::string &key, const std::string &name)
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE, &h) == ERROR_SUCCESS) {
        RegDeleteValueA(h, name.c_str());
        RegCloseKey(h);
    }
}

void DeleteKey(HKEY root, const std::string &key)
{
    RegDeleteTreeA(root, key.c_str());
    RegDeleteKeyA(root, key.c_str());
}

bool KeyExists(HKEY root, const std::string &key)
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

// --- files -----------------------------------------------------------------

fs::path ProgramFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

// --- screenshots -----------------------------------------------------------

bool Screenshot(HWND window, const fs::path &png)
{
    RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (window)
        GetWindowRect(window, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(h), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0, n = static_cast<size_t>(w) * h; i < n; i++) {
        rgb[3 * i] = pixels[4 * i + 2];
        rgb[3 * i + 1] = pixels[4 * i + 1];
        rgb[3 * i + 2] = pixels[4 * i];
    }
    std::error_code ec;
    fs::create_directories(png.parent_path(), ec);
    return stbi_write_png(png.string().c_str(), w, h, 3, rgb.data(), w * 3) != 0;
}

fs::path ScreenshotFolder()
{
    if (const char *dir = getenv("E2E_SCREENSHOTS"))
        return fs::path(dir);
    return ProgramFolder() / "screenshots";
}

}  // namespace e2e
