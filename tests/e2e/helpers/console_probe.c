/* console_probe.exe [ANYTHING...]
 *
 * Prints what the end-to-end harness needs to know about the Windows environment it built, one
 * "key=value" line each, in UTF-8:
 *     acp=932                          the ANSI code page (GetACP)
 *     wave_out_devices=1               what waveOutGetNumDevs reports
 *     font:ＭＳ Ｐゴシック=IPAPGothic    the family GDI really selects for each face name the
 *     font:ＭＳ ゴシック=IPAGothic       saver asks for
 *     command_line="Z:\...\console_probe.exe" /p 1234
 *                                      GetCommandLineW exactly as the process received it
 *     monitor=0,0,1024,768 primary=1   one line per monitor (EnumDisplayMonitors), its
 *                                      rectangle left,top,right,bottom in screen pixels
 * Exit code 0. */
#include <windows.h>
#include <mmsystem.h>
#include <stdio.h>

static void print_utf8(const char *prefix, const WCHAR *text)
{
    char utf8[1024];
    if (WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL) <= 0)
        lstrcpyA(utf8, "?");
    printf("%s%s", prefix, utf8);
}

/* The family name of the font GDI chooses for FACE, read back from the selected font itself. */
static void print_selected_family(HDC dc, const WCHAR *face)
{
    HFONT font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH, face);
    HGDIOBJ old = SelectObject(dc, font);
    BYTE buffer[4096];
    OUTLINETEXTMETRICW *otm = (OUTLINETEXTMETRICW *)buffer;
    const WCHAR *family = L"?";
    if (GetOutlineTextMetricsW(dc, sizeof buffer, otm))
        family = (const WCHAR *)(buffer + (UINT_PTR)otm->otmpFamilyName);
    print_utf8("font:", face);
    print_utf8("=", family);
    printf("\n");
    SelectObject(dc, old);
    DeleteObject(font);
}

static BOOL CALLBACK print_monitor(HMONITOR monitor, HDC dc, LPRECT rect, LPARAM data)
{
    (void)dc;
    (void)rect;
    (void)data;
    MONITORINFO info;
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info))
        printf("monitor=%ld,%ld,%ld,%ld primary=%d\n", info.rcMonitor.left, info.rcMonitor.top,
               info.rcMonitor.right, info.rcMonitor.bottom,
               (info.dwFlags & MONITORINFOF_PRIMARY) ? 1 : 0);
    return TRUE;
}

int main(void)
{
    printf("acp=%u\n", GetACP());
    printf("wave_out_devices=%u\n", waveOutGetNumDevs());

    HDC dc = CreateCompatibleDC(NULL);
    print_selected_family(dc, L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF"); /* ＭＳ Ｐゴシック */
    print_selected_family(dc, L"\xFF2D\xFF33 \x30B4\x30B7\x30C3\x30AF");        /* ＭＳ ゴシック */
    DeleteDC(dc);

    EnumDisplayMonitors(NULL, NULL, print_monitor, 0);
    print_utf8("command_line=", GetCommandLineW());
    printf("\n");
    fflush(stdout);
    return 0;
}
