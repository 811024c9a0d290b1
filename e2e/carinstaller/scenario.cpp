#include "scenario.h"

#include <commctrl.h>

namespace core_e2e {

void Scenario::MakeGame(bool with_save_cars)
{
    fs::create_directories(game / "Data" / "Cars");
    if (with_save_cars)
        fs::create_directories(game / "SaveData" / "Cars");
}

void Scenario::Register(const std::string &path)
{
    e2e::SetString(HKEY_LOCAL_MACHINE, kAppPathsKey, "Path", path);
}

void Scenario::Unregister()
{
    e2e::DeleteKey(HKEY_LOCAL_MACHINE, kAppPathsKey);
}

void Scenario::MakeInstaller(uint32_t kind, uint32_t serial, const std::vector<carpack::Entry> &entries,
                             size_t payload_tail_cut)
{
    std::vector<uint8_t> bytes = carpack::ReadStub((e2e::ProgramFolder() / "core.exe").string());
    std::vector<uint8_t> payload = carpack::EncodePayload(kind, serial, entries);
    payload.resize(payload.size() - std::min(payload_tail_cut, payload.size()));
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    e2e::WriteFile(installer, bytes);
}

fs::path Scenario::Car(const std::string &cars_folder, const std::string &car) const
{
    return game / cars_folder / "Cars" / car;
}

Observation Watch(e2e::Process &process, int timeout_ms)
{
    Observation seen;
    DWORD start = GetTickCount();
    // Found by class alone: reading the caption of another program's
    // top-level window can wait until that program pumps its messages.
    seen.dialog = e2e::WaitForWindow(process.id(), kDialogClass, nullptr, timeout_ms);
    if (!seen.dialog)
        return seen;
    seen.found_ms = static_cast<int>(GetTickCount() - start);
    HWND status = GetDlgItem(seen.dialog, kStatusId);
    HWND ok = GetDlgItem(seen.dialog, kOkId);
    HWND bar = GetDlgItem(seen.dialog, kProgressId);
    e2e::WaitUntil([&] {
        // Read in the order the worker changes them (bar, then Ok, then the
        // text), so a read never sees a later state before an earlier one.
        // The status line is read without waiting on the program, so the
        // texts shown while its thread is busy are seen too.
        bool enabled = e2e::Enabled(ok);
        std::string text = e2e::InternalText(status);
        if (!text.empty() && (seen.statuses.empty() || seen.statuses.back() != text)) {
            seen.statuses.push_back(text);
            seen.status_ms.push_back(static_cast<int>(GetTickCount() - start));
        }
        if (text == "Done.") {
            seen.done = true;
            return true;
        }
        // The bar is read by a message, which waits while the program's
        // thread is busy, so only once the installing has begun.
        if (!text.empty() && text != "Searching for installation...") {
            int pos = e2e::ProgressPos(bar);
            if (seen.positions.empty() || seen.positions.back() != pos)
                seen.positions.push_back(pos);
            // The worker fills the bar before it enables Ok.
            if (enabled && pos < e2e::ProgressRange(bar).high)
                seen.ok_enabled_early = true;
        }
        return !process.Running();
    }, timeout_ms, 1);
    seen.caption = e2e::Text(seen.dialog);
    if (seen.done) {
        int pos = e2e::ProgressPos(bar);
        if (seen.positions.empty() || seen.positions.back() != pos)
            seen.positions.push_back(pos);
    }
    return seen;
}

void TryToClose(HWND dialog, bool post_quit)
{
    DWORD_PTR result;
    SendMessageTimeoutA(dialog, WM_CLOSE, 0, 0, SMTO_NORMAL, 5000, &result);
    SendMessageTimeoutA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_NORMAL, 5000, &result);
    if (post_quit)
        PostThreadMessageA(GetWindowThreadProcessId(dialog, nullptr), WM_QUIT, 0, 0);
}

}  // namespace core_e2e
