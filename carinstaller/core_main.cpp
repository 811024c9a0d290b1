/* The car installer's Win32 frame: start-up, the progress dialog, the worker
 * thread and the fatal stop. The logic lives in payload.cpp and cars.cpp. */
#include <windows.h>
#include <commctrl.h>
#include <process.h>
#include <stdlib.h>
#include <string.h>

#include "cars.h"
#include "fatal.h"
#include "payload.h"
#include "resource.h"

#define CLASS_NAME "RFRLSEINST"
#define DIALOG_NAME "DIALOG_1"
#define GAME_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\rfrl.exe"
#define GAME_VALUE "Path"
#define WORKER_STACK 32000
#define MODULE_NAME_SIZE 260

/* Process-wide state: written by the main thread before the worker starts,
 * then used by the worker alone. Zero-filled statics, no constructors. */
static HINSTANCE g_instance;
static HWND g_dialog;
static MSG g_message;
static Extraction g_extraction;
static char g_game[DEST_PATH_SIZE];
/* Set by the worker once every file is written; until then the window
 * cannot be closed and the message loop does not end. */
static volatile LONG g_finished;

/* Shows the message of code and ends the process with it as exit code.
 * Safe from either thread; never returns. */
static void FatalStop(int code)
{
    MessageBoxA(NULL, FatalText(code), FATAL_CAPTION, MB_OK);
    exit(code);
}

static void CheckOrStop(int rc)
{
    if (rc != CORE_OK)
        FatalStop(rc);
}

static void OpenOwnFile(void)
{
    char path[MODULE_NAME_SIZE] = {0};
    HMODULE module = GetModuleHandleA(NULL);
    if (!module)
        FatalStop(FATAL_MODULE_HANDLE);
    if (GetModuleFileNameA(module, path, MODULE_NAME_SIZE - 1) == 0)
        FatalStop(FATAL_EXE_NAME);
    CheckOrStop(PayloadOpen(&g_extraction, path, PAYLOAD_OFFSET));
}

/* The game folder from its App Paths entry; the query may fill at most
 * GAME_PATH_QUERY bytes, so the zeroed buffer always stays terminated. The
 * key is opened for reading only: a standard user may not open a machine
 * key for writing, and nothing is written. */
static void LocateGame(void)
{
    HKEY key;
    DWORD size = GAME_PATH_QUERY;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, GAME_KEY, 0, KEY_READ, &key);
    if (rc != ERROR_SUCCESS)
        FatalStop(FATAL_NO_GAME);
    rc = RegQueryValueExA(key, GAME_VALUE, NULL, NULL, (LPBYTE)g_game, &size);
    RegCloseKey(key);
    g_game[GAME_PATH_QUERY] = '\0';
    /* An empty value would put the car folders below the working folder. */
    if (rc != ERROR_SUCCESS || g_game[0] == '\0')
        FatalStop(FATAL_NO_GAME);
}

static int Finished(void)
{
    return InterlockedCompareExchange(&g_finished, 0, 0) != 0;
}

/* Ok, WM_CLOSE and Alt+F4 (SC_CLOSE) end the program only once the worker
 * has finished: before that, files are being written, or a fatal box of the
 * worker is up and the process must end with its code. */
static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_COMMAND:
        if (wparam == IDC_OK) {
            if (Finished())
                DestroyWindow(window);
            return 1;
        }
        break;
    case WM_CLOSE:
        if (Finished())
            DestroyWindow(window);
        return 0;
    case WM_SYSCOMMAND:
        if ((wparam & 0xFFF0) == SC_CLOSE && !Finished())
            return 0;
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

static void RegisterWindowClass(void)
{
    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WindowProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = g_instance;
    wc.hIcon = LoadIconA(g_instance, "APP_ICON");
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = CLASS_NAME;
    if (!RegisterClassA(&wc))
        FatalStop(FATAL_REGISTER_CLASS);
}

static void StepProgress(void *context)
{
    (void)context;
    SendDlgItemMessageA(g_dialog, IDC_PROGRESS, PBM_STEPIT, 0, 0);
}

static unsigned __stdcall Worker(void *argument)
{
    (void)argument;
    CheckOrStop(PayloadExtract(&g_extraction, StepProgress, NULL));
    InterlockedExchange(&g_finished, 1);
    EnableWindow(GetDlgItem(g_dialog, IDC_OK), TRUE);
    SetDlgItemTextA(g_dialog, IDC_STATUS, "Done.");
    return 0;
}

/* Everything up to the start of the worker, on the main thread. */
static void StartInstall(int show)
{
    char dest[CAR_PATH_SIZE];
    g_dialog = CreateDialogParamA(g_instance, DIALOG_NAME, NULL, NULL, 0);
    if (!g_dialog)
        FatalStop(FATAL_CREATE_DIALOG);
    SetDlgItemTextA(g_dialog, IDC_STATUS, "Searching for installation...");
    ShowWindow(g_dialog, show);

    CheckOrStop(PayloadReadHeader(&g_extraction));
    const PayloadHeader *h = &g_extraction.header;
    CheckOrStop(CarDecideDestination(g_game, h->kind, h->serial, dest));
    memcpy(g_extraction.dest, dest, sizeof dest);

    SendDlgItemMessageA(g_dialog, IDC_PROGRESS, PBM_SETRANGE, 0,
                        MAKELPARAM(0, (WORD)(h->count & 0xFFFF)));
    SendDlgItemMessageA(g_dialog, IDC_PROGRESS, PBM_SETSTEP, 1, 0);
    SetDlgItemTextA(g_dialog, IDC_STATUS,
                    h->kind != 0 ? "Installing car..." : "Installing showcase...");
    InvalidateRect(g_dialog, NULL, TRUE);
    UpdateWindow(g_dialog);

    /* Without the worker the button would never be enabled. */
    uintptr_t thread = _beginthreadex(NULL, WORKER_STACK, Worker, NULL, 0, NULL);
    if (thread == 0)
        FatalStop(FATAL_THREAD);
    CloseHandle((HANDLE)thread);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show)
{
    (void)command_line;
    InitCommonControls();
    g_instance = instance;
    OpenOwnFile();
    LocateGame();
    if (!previous)
        RegisterWindowClass();
    StartInstall(show);
    /* A quit message posted from outside before the worker has finished is
     * passed over: ending here would cut the files short (or end a fatal
     * stop of the worker with 0). */
    for (;;) {
        BOOL got = GetMessageA(&g_message, NULL, 0, 0);
        if (got < 0 || (got == 0 && Finished()))
            break;
        if (got > 0) {
            TranslateMessage(&g_message);
            DispatchMessageA(&g_message);
        }
    }
    return (int)g_message.wParam;
}
