#pragma once
/* WTSINFOEX_LEVEL1_W, WTSINFOEX_LEVEL_W and WTSINFOEXW as the Windows SDK's wtsapi32.h defines
 * them ("WTSINFOEX_LEVEL1_W structure", learn.microsoft.com); the mingw-w64 headers have none.
 * Plain C, so that the tests' stand-in wtsapi32.dll answers with this very declaration. */

#include <windows.h>
#include <wtsapi32.h>
#include <stddef.h>

typedef struct _WTSINFOEX_LEVEL1_W {
    ULONG SessionId;
    WTS_CONNECTSTATE_CLASS SessionState;
    LONG SessionFlags;
    WCHAR WinStationName[WINSTATIONNAME_LENGTH + 1];
    WCHAR UserName[USERNAME_LENGTH + 1];
    WCHAR DomainName[DOMAIN_LENGTH + 1];
    LARGE_INTEGER LogonTime;
    LARGE_INTEGER ConnectTime;
    LARGE_INTEGER DisconnectTime;
    LARGE_INTEGER LastInputTime;
    LARGE_INTEGER CurrentTime;
    DWORD IncomingBytes;
    DWORD OutgoingBytes;
    DWORD IncomingFrames;
    DWORD OutgoingFrames;
    DWORD IncomingCompressedBytes;
    DWORD OutgoingCompressedBytes;
} WTSINFOEX_LEVEL1_W;

typedef union _WTSINFOEX_LEVEL_W {
    WTSINFOEX_LEVEL1_W WTSInfoExLevel1;
} WTSINFOEX_LEVEL_W;

typedef struct _WTSINFOEXW {
    DWORD Level;
    WTSINFOEX_LEVEL_W Data;
} WTSINFOEXW;

/* WTS_INFO_CLASS's WTSSessionInfoEx, and the level-1 SessionFlags. */
#define QUARLO_WTS_SESSION_INFO_EX 25
#define QUARLO_WTS_SESSIONSTATE_LOCK 0x00000000
#define QUARLO_WTS_SESSIONSTATE_UNLOCK 0x00000001

/* The level-1 structure holds LARGE_INTEGERs, so on the 32-bit target the union starts at byte
 * 8, not 4: SessionId at 8, SessionState at 12, SessionFlags at 16, 232 bytes in all. */
#ifdef __cplusplus
#define QUARLO_STATIC_ASSERT static_assert
#else
#define QUARLO_STATIC_ASSERT _Static_assert
#endif
QUARLO_STATIC_ASSERT(offsetof(WTSINFOEXW, Data) == 8, "WTSINFOEXW's union at byte 8");
QUARLO_STATIC_ASSERT(offsetof(WTSINFOEXW, Data.WTSInfoExLevel1.SessionState) == 12,
                     "SessionState at byte 12");
QUARLO_STATIC_ASSERT(offsetof(WTSINFOEXW, Data.WTSInfoExLevel1.SessionFlags) == 16,
                     "SessionFlags at byte 16");
QUARLO_STATIC_ASSERT(sizeof(WTSINFOEXW) == 232, "WTSINFOEXW is 232 bytes");
#undef QUARLO_STATIC_ASSERT
