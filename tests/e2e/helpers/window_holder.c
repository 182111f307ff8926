/* window_holder.exe TITLE [LOG]
 * window_holder.exe --send REQUEST TARGET
 *
 * Shows one visible top-level window captioned TITLE, makes it the foreground window, and runs
 * until the window is closed or the process is killed. The end-to-end tests use it wherever they
 * need a window with a known title (for example to stand in for another running copy of the
 * saver) or another program taking the foreground. When LOG is given, each key press and mouse
 * press the window receives is appended to that file as one line:
 *     WM_KEYDOWN vk=0x41
 *     WM_LBUTTONDOWN x=10 y=20        (client coordinates; also WM_RBUTTONDOWN, WM_MBUTTONDOWN)
 *
 * With --send it stands in for another program asking a window to close: it sends (SendMessage,
 * not PostMessage) REQUEST to the window TARGET and ends once the window has handled it, or
 * after 10 s. REQUEST is WM_CLOSE, SC_CLOSE or SC_SCREENSAVE (the last two as WM_SYSCOMMAND);
 * TARGET is a window handle in decimal or the exact title of a top-level window. Exit code 0
 * when the message was sent, 5 when there is no such window, 6 for an unknown request.
 *
 * The arguments come from the wide command line, so a Japanese title survives intact. */
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

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

static int send_request(const WCHAR *request, const WCHAR *target)
{
    UINT message = WM_SYSCOMMAND;
    WPARAM wp = 0;
    if (!wcscmp(request, L"WM_CLOSE"))
        message = WM_CLOSE;
    else if (!wcscmp(request, L"SC_CLOSE"))
        wp = SC_CLOSE;
    else if (!wcscmp(request, L"SC_SCREENSAVE"))
        wp = SC_SCREENSAVE;
    else
        return 6;

    HWND window = NULL;
    if (target[0] >= L'0' && target[0] <= L'9')
        window = (HWND)(ULONG_PTR)wcstoul(target, NULL, 10);
    else
        window = FindWindowW(NULL, target);
    if (!window || !IsWindow(window))
        return 5;
    DWORD_PTR result = 0;
    /* The target may end its process while it handles the message; that is no failure here. */
    SendMessageTimeoutW(window, message, wp, 0, SMTO_NORMAL, 10000, &result);
    return 0;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE prev, PWSTR cmd_line, int show)
{
    (void)prev;
    (void)cmd_line;
    int argc = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2)
        return 2;
    if (!wcscmp(argv[1], L"--send"))
        return argc == 4 ? send_request(argv[2], argv[3]) : 2;
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
