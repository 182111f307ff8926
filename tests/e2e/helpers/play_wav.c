/* play_wav.exe WAV_PATH
 *
 * Plays one WAV file with PlaySoundA, synchronously, and exits 0 when it was played or 1 when
 * PlaySoundA failed (no default sound is substituted for a missing file). Used to check where
 * the session's audio output ends up. */
#include <windows.h>
#include <mmsystem.h>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    return PlaySoundA(argv[1], NULL, SND_FILENAME | SND_SYNC | SND_NODEFAULT) ? 0 : 1;
}
