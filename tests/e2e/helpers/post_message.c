/* post_message.exe [--desktop NAME] TITLE MESSAGE [WPARAM [LPARAM]]
 *
 * Posts one message to the top-level window captioned TITLE, as another program would, and exits
 * 0 when it was posted, 1 when no such window exists or the post failed. Numbers are decimal or
 * 0x-prefixed hexadecimal. With --desktop the window is looked for on that desktop (see
 * on_desktop.c) instead of this program's own. The benchmark posts WM_WTSSESSION_CHANGE (0x2B1) with
 * WTS_SESSION_LOCK (7) and WTS_SESSION_UNLOCK (8) to the saver this way: the system's own
 * session notifications cannot be raised under Wine. */
#include <windows.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv)
{
    HWND window;
    if (argc > 2 && strcmp(argv[1], "--desktop") == 0) {
        HDESK desktop = OpenDesktopA(argv[2], 0, FALSE, GENERIC_ALL);
        if (desktop == NULL || !SetThreadDesktop(desktop))
            return 1;
        argc -= 2;
        argv += 2;
    }
    if (argc < 3 || argc > 5)
        return 2;
    window = FindWindowA(NULL, argv[1]);
    if (window == NULL)
        return 1;
    return PostMessageA(window, (UINT)strtoul(argv[2], NULL, 0),
                        argc > 3 ? (WPARAM)strtoul(argv[3], NULL, 0) : 0,
                        argc > 4 ? (LPARAM)strtol(argv[4], NULL, 0) : 0)
               ? 0
               : 1;
}
