/* pane_host.exe DIR X Y W H
 *
 * Stands in for the screen-saver host's preview pane. Shows a borderless top-level window at
 * screen position (X, Y) holding one child window, the pane, of W x H pixels at (10, 10) of its
 * client area. The pane is painted blue (0, 90, 255) and the frame around it grey, so that
 * whatever covers the pane can be told apart from both.
 *
 * Files in the folder DIR (each written whole, then renamed into place):
 *   pane.txt      once the pane exists: "<pane> <left> <top> <right> <bottom> <desktop>": the
 *                 pane's handle in decimal, its rectangle in screen pixels, and the handle of
 *                 the desktop window.
 *   children.txt  rewritten every 50 ms: "pane alive" or "pane gone", then one line per direct
 *                 child window of the pane:
 *                     child <handle> <x> <y> <width> <height> visible=<0|1> style=0x<hex> title=<text>
 *                 x and y relative to the pane's client area, the title in UTF-8; after each
 *                 child line, one line per direct child window of that child:
 *                     inner <handle> <x> <y> <width> <height> visible=<0|1>
 *                 x and y relative to the child's client area.
 * Requests, noticed within 50 ms:
 *   DIR\destroy   the pane is destroyed (the host window stays);
 *   DIR\quit      the host window is closed and the program ends. */
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#define MARGIN 10
#define POLL_TIMER 1
#define POLL_MS 50

static WCHAR out_dir[MAX_PATH];
static HWND pane;
static BOOL pane_destroyed;

static void path_in_dir(WCHAR *path, const WCHAR *name)
{
    _snwprintf(path, MAX_PATH, L"%ls\\%ls", out_dir, name);
    path[MAX_PATH - 1] = 0;
}

static BOOL file_exists(const WCHAR *name)
{
    WCHAR path[MAX_PATH];
    path_in_dir(path, name);
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

/* Writes text to DIR\name through a temporary file, so a reader never sees half of it. */
static void publish(const WCHAR *name, const char *text)
{
    WCHAR tmp[MAX_PATH], final_path[MAX_PATH], tmp_name[64];
    _snwprintf(tmp_name, 64, L"%ls.tmp", name);
    tmp_name[63] = 0;
    path_in_dir(tmp, tmp_name);
    path_in_dir(final_path, name);
    FILE *f = _wfopen(tmp, L"wb");
    if (!f)
        return;
    fputs(text, f);
    fclose(f);
    MoveFileExW(tmp, final_path, MOVEFILE_REPLACE_EXISTING);
}

static void append(char *buffer, size_t size, const char *text)
{
    size_t used = strlen(buffer);
    if (used + 1 < size)
        _snprintf(buffer + used, size - used - 1, "%s", text);
    buffer[size - 1] = 0;
}

static void report_children(void)
{
    static char report[16384];
    char line[1024];
    report[0] = 0;
    BOOL alive = pane && IsWindow(pane);
    append(report, sizeof report, alive ? "pane alive\n" : "pane gone\n");
    if (alive) {
        for (HWND child = GetWindow(pane, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            RECT r;
            WCHAR wide_title[256];
            char title[768];
            GetWindowRect(child, &r);
            MapWindowPoints(HWND_DESKTOP, pane, (POINT *)&r, 2);
            GetWindowTextW(child, wide_title, 256);
            WideCharToMultiByte(CP_UTF8, 0, wide_title, -1, title, sizeof title, NULL, NULL);
            title[sizeof title - 1] = 0;
            _snprintf(line, sizeof line - 1, "child %lu %ld %ld %ld %ld visible=%d style=0x%08lX title=%s\n",
                      (unsigned long)(ULONG_PTR)child, r.left, r.top, r.right - r.left,
                      r.bottom - r.top, IsWindowVisible(child) ? 1 : 0,
                      (unsigned long)GetWindowLongW(child, GWL_STYLE), title);
            line[sizeof line - 1] = 0;
            append(report, sizeof report, line);
            for (HWND inner = GetWindow(child, GW_CHILD); inner; inner = GetWindow(inner, GW_HWNDNEXT)) {
                GetWindowRect(inner, &r);
                MapWindowPoints(HWND_DESKTOP, child, (POINT *)&r, 2);
                _snprintf(line, sizeof line - 1, "inner %lu %ld %ld %ld %ld visible=%d\n",
                          (unsigned long)(ULONG_PTR)inner, r.left, r.top, r.right - r.left,
                          r.bottom - r.top, IsWindowVisible(inner) ? 1 : 0);
                line[sizeof line - 1] = 0;
                append(report, sizeof report, line);
            }
        }
    }
    publish(L"children.txt", report);
}

static LRESULT CALLBACK host_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_TIMER:
        if (wp == POLL_TIMER) {
            if (!pane_destroyed && file_exists(L"destroy")) {
                pane_destroyed = TRUE;
                DestroyWindow(pane);
            }
            report_children();
            if (file_exists(L"quit"))
                DestroyWindow(hwnd);
        }
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
    (void)show;
    int argc = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 6)
        return 2;
    wcsncpy(out_dir, argv[1], MAX_PATH - 1);
    int x = _wtoi(argv[2]), y = _wtoi(argv[3]), w = _wtoi(argv[4]), h = _wtoi(argv[5]);

    WNDCLASSW host_class = {0};
    host_class.lpfnWndProc = host_proc;
    host_class.hInstance = instance;
    host_class.hCursor = LoadCursor(NULL, IDC_ARROW);
    host_class.hbrBackground = CreateSolidBrush(RGB(128, 128, 128));
    host_class.lpszClassName = L"QuarloTestPaneHost";
    WNDCLASSW pane_class = {0};
    pane_class.lpfnWndProc = DefWindowProcW;
    pane_class.hInstance = instance;
    pane_class.hCursor = LoadCursor(NULL, IDC_ARROW);
    pane_class.hbrBackground = CreateSolidBrush(RGB(0, 90, 255));
    pane_class.lpszClassName = L"QuarloTestPreviewPane";
    if (!RegisterClassW(&host_class) || !RegisterClassW(&pane_class))
        return 3;

    HWND host = CreateWindowExW(0, host_class.lpszClassName, L"Quarlo test pane host",
                                WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, x, y, w + 2 * MARGIN,
                                h + 2 * MARGIN, NULL, NULL, instance, NULL);
    if (!host)
        return 4;
    pane = CreateWindowExW(0, pane_class.lpszClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                           MARGIN, MARGIN, w, h, host, NULL, instance, NULL);
    if (!pane)
        return 5;
    UpdateWindow(host);

    RECT r;
    char text[128];
    GetWindowRect(pane, &r);
    _snprintf(text, sizeof text - 1, "%lu %ld %ld %ld %ld %lu\n", (unsigned long)(ULONG_PTR)pane,
              r.left, r.top, r.right, r.bottom, (unsigned long)(ULONG_PTR)GetDesktopWindow());
    text[sizeof text - 1] = 0;
    report_children();
    publish(L"pane.txt", text);
    SetTimer(host, POLL_TIMER, POLL_MS, NULL);

    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    LocalFree(argv);
    return (int)msg.wParam;
}
