/* wtsapi32.dll in place of Wine's, which fails the session query: it answers as Windows
 * documents ("WTSQuerySessionInformationW", "WTSINFOEX_LEVEL1_W"), with the buffer laid out as
 * Windows lays it. Put beside the program and loaded with WINEDLLOVERRIDES=wtsapi32=n.
 *
 * QUARLO_SESSION_LOCKED=1 in the environment reports the session locked, anything else
 * unlocked. Windows 7 (the version this process is told, 6.1) reports the two lock flags the
 * other way round, and so does this stand-in then. The notifications' registration succeeds and
 * sends nothing. */
#include <windows.h>
#include <wtsapi32.h>
#include <stdlib.h>
#include <string.h>

#include "os/win32/wtsinfoex.h"

static BOOL Windows7(void)
{
    OSVERSIONINFOW version;
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExW(&version) && version.dwMajorVersion == 6 && version.dwMinorVersion == 1;
}

BOOL WINAPI WTSQuerySessionInformationW(HANDLE server, DWORD session, WTS_INFO_CLASS info,
                                        LPWSTR *buffer, DWORD *bytes)
{
    (void)server;
    (void)session;
    if (buffer == NULL || bytes == NULL)
        return FALSE;
    if ((int)info == QUARLO_WTS_SESSION_INFO_EX) {
        const char *locked = getenv("QUARLO_SESSION_LOCKED");
        const BOOL isLocked = locked != NULL && strcmp(locked, "1") == 0;
        WTSINFOEXW *answer = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof *answer);
        if (answer == NULL)
            return FALSE;
        answer->Level = 1;
        answer->Data.WTSInfoExLevel1.SessionId = 1;
        answer->Data.WTSInfoExLevel1.SessionState = WTSActive;
        answer->Data.WTSInfoExLevel1.SessionFlags =
            (isLocked != Windows7()) ? QUARLO_WTS_SESSIONSTATE_LOCK : QUARLO_WTS_SESSIONSTATE_UNLOCK;
        lstrcpyW(answer->Data.WTSInfoExLevel1.WinStationName, L"Console");
        *buffer = (LPWSTR)answer;
        *bytes = sizeof *answer;
        return TRUE;
    }
    if (info == WTSConnectState) {
        WTS_CONNECTSTATE_CLASS *state = HeapAlloc(GetProcessHeap(), 0, sizeof *state);
        if (state == NULL)
            return FALSE;
        *state = WTSActive;
        *buffer = (LPWSTR)state;
        *bytes = sizeof *state;
        return TRUE;
    }
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

void WINAPI WTSFreeMemory(PVOID memory)
{
    HeapFree(GetProcessHeap(), 0, memory);
}

BOOL WINAPI WTSRegisterSessionNotification(HWND window, DWORD flags)
{
    (void)window;
    (void)flags;
    return TRUE;
}

BOOL WINAPI WTSUnRegisterSessionNotification(HWND window)
{
    (void)window;
    return TRUE;
}
