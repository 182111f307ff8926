#pragma once
// Why won't the screen saver start? The checks the settings dialog makes are one pure function
// from what was read of the system (SaverState, read by start_reading.h) to an ordered list of
// findings: the first one that stops the saver is what the dialog's line says. Findings carry
// ids and the values their texts need, never texts. The mends they offer are in start_mends.h.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quarlo {

// The system folders as this 32-bit process names them. On 64-bit Windows the screen-saver host
// and the Screen Saver Settings page are 64-bit processes, which name the same files otherwise:
// this process's System32 is their SysWOW64, and its Sysnative their System32.
struct SystemFolders {
  std::string system;   // GetSystemDirectoryW
  std::string wow64;    // GetSystemWow64DirectoryW; empty on 32-bit Windows
  std::string windows;  // GetWindowsDirectoryW
  bool wow64Process = false;
};

// Whether `path` lies in `folder` (or is it), compared as Windows compares names, whatever their
// case.
bool InFolder(const std::string& path, const std::string& folder);
// How the host names the file this process names `path`.
std::string HostPath(const std::string& path, const SystemFolders& folders);
// How this process reaches the file the host names `path`; empty for a name the host cannot
// use (Sysnative, which only 32-bit processes have).
std::string PathFromHere(const std::string& path, const SystemFolders& folders);

// A saver as a SCRNSAVE.EXE value names it.
struct NamedSaver {
  std::string stored;  // the value as stored; empty when none is named
  // The long name of the file it names, as the host names it; empty when no such file is there.
  std::string file;
};

// What the checks read, each value as the system answered; nullopt where the call is missing or
// failed on this system, which leaves out the checks that need it.
struct SaverState {
  std::string thisFile = {};                  // this program: its long name, as the host names it
  NamedSaver chosen = {};                     // HKCU\Control Panel\Desktop
  std::optional<bool> screenSaveActive = {};  // SPI_GETSCREENSAVEACTIVE
  std::optional<std::uint32_t> timeoutSeconds = {};  // SPI_GETSCREENSAVETIMEOUT
  // The organisation's policy (HKCU\Software\Policies\Microsoft\Windows\Control Panel\Desktop):
  // each value as stored, nullopt (or none named) where it sets none.
  std::optional<std::string> policyActive = {};
  NamedSaver policySaver = {};
  std::optional<std::string> policyTimeout = {};
  // The active power plan's timeouts for the power source in use, in seconds; 0 is never.
  std::optional<std::uint32_t> displayOffSeconds = {};
  std::optional<std::uint32_t> sleepSeconds = {};
  bool onBattery = false;                            // that source is the battery
  std::optional<std::uint32_t> executionState = {};  // the system's ES_* flags
  // The settings file: beside the program, or the user's own copy that file virtualisation keeps
  // for a folder of the system (virtualStoreFile empty where it keeps none for this program).
  std::string settingsFile = {};
  bool mayWriteSettings = false;  // there, without virtualisation
  std::string virtualStoreFile = {};
  bool virtualStoreCopy = false;  // that copy is there, and so is the one read and written
  bool mayWriteVirtualStore = false;
  // The music chosen in the settings.
  std::int16_t musicSource = 0;
  std::string musicFile = {};
  bool musicFileThere = false;
  std::optional<bool> cdDrive = {};  // a drive of the CD kind is there now
};

enum class Check {
  kPolicy,        // an organisation decides
  kSavingOn,      // screen saving is on, with a saver chosen
  kChosenSaver,   // Quarlo is the chosen saver, and its file is there
  kWait,          // the wait without input
  kPower,         // the display switches off, or the PC sleeps, before the wait is over
  kDisplayHeld,   // a program holds the display on now
  kSettingsKept,  // the settings file can be written where OK writes it
  kMusic,         // the music chosen is there now
};

enum class Finding {
  kNoPolicy,
  kPolicyOff,
  kPolicyOtherSaver,  // path: the saver the policy names
  kPolicyWait,        // seconds: the wait the policy sets
  kSavingOn,
  kSavingOff,
  kNoSaverChosen,  // "(None)": saving may be on in name, yet nothing starts
  kQuarloChosen,
  kOtherSaverChosen,  // path: the saver chosen
  kChosenFileGone,    // path: the chosen saver, whose file is not there
  kWait,              // seconds: the wait in force
  kPowerAfterWait,
  kDisplayOffFirst,  // seconds: when the display switches off; waitSeconds
  kSleepFirst,       // seconds: when the PC sleeps; waitSeconds
  kDisplayFree,
  kDisplayHeld,             // a video or a game left open usually does it
  kSettingsBeside,          // path: the settings file, beside the program
  kSettingsInVirtualStore,  // path: the user's copy in the VirtualStore
  kSettingsNotKept,         // path: where OK would write and cannot
  kMusicThere,              // path: the music file (empty for the CD drive)
  kMusicFileGone,           // path: the music file
  kNoCdDrive,
};

enum class Outcome {
  kFine,
  kStopsSaver,    // the saver will not start, or not be seen
  kWorthKnowing,  // the saver starts, yet not as the user set it
};

enum class Mend { kNone, kUseQuarlo, kOpenPowerOptions };

struct StartFinding {
  Check check = Check::kPolicy;
  Finding what = Finding::kNoPolicy;
  Outcome outcome = Outcome::kFine;
  Mend mend = Mend::kNone;
  std::string path;
  std::uint32_t seconds = 0;
  std::uint32_t waitSeconds = 0;
  bool onBattery = false;  // the power plan's times are the battery's
  friend bool operator==(const StartFinding&, const StartFinding&) = default;
};

// One finding per check that can be made, in the order of Check; a check that cannot be made
// (its call missing on this system, or nothing to check) is left out.
std::vector<StartFinding> CheckStart(const SaverState& state);

}  // namespace quarlo
