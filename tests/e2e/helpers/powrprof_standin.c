/* powrprof.dll in place of Wine's stubs, answering as Windows documents, beside the program with
 * WINEDLLOVERRIDES=powrprof=n. The active plan, Balanced, switches the display off on mains (as
 * Wine always is) after QUARLO_DISPLAY_OFF seconds and sleeps after QUARLO_SLEEP (600 and 1800
 * without them); the execution state is QUARLO_EXECUTION_STATE (ES_USER_PRESENT without it). */
#include <windows.h>
#include <initguid.h>
#include <powrprof.h>
#include <stdlib.h>

static DWORD Setting(const char *name, DWORD fallback)
{
    char text[32];
    const DWORD n = GetEnvironmentVariableA(name, text, sizeof text);
    return n > 0 && n < sizeof text ? strtoul(text, NULL, 0) : fallback;
}

__declspec(dllexport) DWORD WINAPI PowerGetActiveScheme(HKEY root, GUID **scheme)
{
    (void)root;
    if ((*scheme = LocalAlloc(LMEM_FIXED, sizeof **scheme)) == NULL)
        return ERROR_NOT_ENOUGH_MEMORY;
    **scheme = GUID_TYPICAL_POWER_SAVINGS;
    return ERROR_SUCCESS;
}

__declspec(dllexport) DWORD WINAPI PowerReadACValueIndex(HKEY root, const GUID *scheme,
                                                         const GUID *subgroup, const GUID *setting,
                                                         LPDWORD value)
{
    (void)root;
    (void)scheme;
    (void)subgroup;
    if (IsEqualGUID(setting, &GUID_VIDEO_POWERDOWN_TIMEOUT))
        *value = Setting("QUARLO_DISPLAY_OFF", 600);
    else if (IsEqualGUID(setting, &GUID_STANDBY_TIMEOUT))
        *value = Setting("QUARLO_SLEEP", 1800);
    else
        return ERROR_FILE_NOT_FOUND;
    return ERROR_SUCCESS;
}

__declspec(dllexport) LONG WINAPI CallNtPowerInformation(POWER_INFORMATION_LEVEL level,
                                                         PVOID input, ULONG inputLength,
                                                         PVOID output, ULONG outputLength)
{
    if (level != SystemExecutionState || input != NULL || inputLength != 0 ||
        outputLength < sizeof(ULONG))
        return (LONG)0xC000000D; /* STATUS_INVALID_PARAMETER */
    *(ULONG *)output = Setting("QUARLO_EXECUTION_STATE", ES_USER_PRESENT);
    return 0;
}
