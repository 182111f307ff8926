/* on_desktop.exe NAME PROGRAM [ARGUMENTS...]
 *
 * Runs PROGRAM on the desktop NAME of the window station (made when it does not exist), waits
 * for it and exits with its exit status; 2 when it cannot be started. Its threads' desktop is then
 * not the one that has the input, as for a screen saver asking for the logon screen on resume once
 * the secure desktop has taken the input: Wine's input desktop stays the default one. */
#include <windows.h>
#include <wchar.h>

int wmain(int argc, wchar_t **argv)
{
    static wchar_t desktop[256], command[32768];
    STARTUPINFOW startup;
    PROCESS_INFORMATION process;
    DWORD status = 2;
    size_t used = 0;
    int i;
    if (argc < 3)
        return 2;
    if (!CreateDesktopW(argv[1], NULL, NULL, 0, GENERIC_ALL, NULL))
        return 2;
    swprintf(desktop, 256, L"WinSta0\\%ls", argv[1]);
    for (i = 2; i < argc; ++i) {
        /* The program's path quoted, the arguments as they came: "/s", not "\"/s\"". */
        int n = swprintf(command + used, 32768 - used, i > 2 ? L" %ls" : L"\"%ls\"", argv[i]);
        if (n < 0)
            return 2;
        used += (size_t)n;
    }
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.lpDesktop = desktop;
    if (!CreateProcessW(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return 2;
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return (int)status;
}
