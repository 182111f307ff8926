/* window_holder.exe TITLE [LOG]
 *
 * Shows one visible top-level window captioned TITLE and runs until the window is closed or the
 * process is killed. The end-to-end tests use it wherever they need a window with a known title
 * (for example to stand in for another running copy of the saver). When LOG is given, each key
 * press and mouse press the window receives is appended to that file as one line:
 *     WM_KEYDOWN vk=0x41
 *     WM_LBUTTONDOWN x=10 y=20        (client coordinates; also WM_RBUTTONDOWN, WM_MBUTTONDOWN)
 * Both arguments come from the wide command line, so a Japanese title survives intact. */
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>

static FILE *event_log;

static void log_key(WPARAM vk)
{
    if (event_log) {
        fprintf(event_log, "WM_KEYDOWN vk=0x%02X\n", (unsigned)vk);
        fflush(event_log);
    }
}

static void log_button(const char *message, LPARAM lp)
{
    if (event_log) {
        fprintf(event_log, "%s x=%d y=%d\n", message, (short)LOWORD(lp), (short)HIWORD(lp));
        fflush(event_log);
    }
}

static LRESULT CALLBACK holder_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_KEYDOWN:
        log_key(wp);
        return 0;
    case WM_LBUTTONDOWN:
        log_button("WM_LBUTTONDOWN", lp);
        return 0;
    case WM_RBUTTONDOWN:
        log_button("WM_RBUTTONDOWN", lp);
        return 0;
    case WM_MBUTTONDOWN:
        log_button("WM_MBUTTONDOWN", lp);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE prev, PWSTR cmd_line, int show)
{
    (void)prev;
    (void)cmd_line;
    int argc = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2)
        return 2;
    if (argc >= 3)
        event_log = _wfopen(argv[2], L"a");

    WNDCLASSW wc = {0};
    wc.lpfnWndProc = holder_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = L"QuarloTestWindowHolder";
    if (!RegisterClassW(&wc))
        return 3;

    /* A frameless window: its X window is exactly its client area, however Wine draws frames. */
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, argv[1], WS_POPUP | WS_VISIBLE,
                                100, 100, 400, 300, NULL, NULL, instance, NULL);
    if (!hwnd)
        return 4;
    ShowWindow(hwnd, show);
    SetForegroundWindow(hwnd);

    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    LocalFree(argv);
    return (int)msg.wParam;
}
