#include "support/fake_os.h"

#include "support/code_pages.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace quarlo::testing {
namespace {

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

template <typename Map>
auto FindNoCase(Map& map, const std::string& key) {
  return std::find_if(map.begin(), map.end(),
                      [&](const auto& item) { return SameText(item.first, key); });
}

// Copies text into a caller's buffer of the given size, always NUL-terminated when size > 0.
std::uint32_t CopyBounded(const std::string& text, char* buffer, std::uint32_t size) {
  if (buffer == nullptr || size == 0) return 0;
  const std::uint32_t n =
      std::min<std::uint32_t>(static_cast<std::uint32_t>(text.size()), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n;
}

std::string Rect(const os::Rect* r) {
  if (r == nullptr) return "NULL";
  return "{" + std::to_string(r->left) + ", " + std::to_string(r->top) + ", " +
         std::to_string(r->right) + ", " + std::to_string(r->bottom) + "}";
}

// The blanks the profile functions drop round names and values (0x1A is the old end-of-file
// mark).
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1a'; }

std::string TrimBlanks(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// A stored value as the reader gives it back: blanks round it dropped, then one pair of the same
// quotes enclosing it.
std::string AsRead(const std::string& stored) {
  std::string value = TrimBlanks(stored);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

}  // namespace

std::string FakeOs::Quote(const char* text) {
  return text == nullptr ? "NULL" : "\"" + std::string(text) + "\"";
}

std::vector<std::string> FakeOs::callsStartingWith(const std::string& prefix) const {
  std::vector<std::string> found;
  for (const auto& line : calls_) {
    if (line.rfind(prefix, 0) == 0) found.push_back(line);
  }
  return found;
}

std::string FakeOs::ToAnsi(const std::string& utf8) { return AnsiFromUtf8(codePage, utf8); }
std::string FakeOs::FromAnsi(const std::string& ansi) { return Utf8FromAnsi(codePage, ansi); }

std::string FakeOs::CommandText() { return commandText; }
std::string FakeOs::ModuleFileName() { return moduleFileName; }

void FakeOs::ExitProcess(std::uint32_t exitCode) {
  Record("ExitProcess(" + std::to_string(exitCode) + ")");
  if (!exitCode_) exitCode_ = exitCode;
  // The system closes what the process left open.
  for (auto& [handle, file] : openFiles_) CloseFile(file);
}

std::uint32_t FakeOs::SetErrorMode(std::uint32_t mode) {
  Record("SetErrorMode(" + Hex(mode) + ")");
  return 0;
}

namespace {

// A wide call's answer: the text in the buffer and its length, or the size needed (NUL
// included) when the buffer is too small, both in UTF-16 characters.
std::uint32_t WideAnswer(const std::string& text, std::string* buffer, std::uint32_t size) {
  const auto units = static_cast<std::uint32_t>(Utf16Length(text));
  if (units >= size) return units + 1;
  if (buffer != nullptr) *buffer = text;
  return units;
}

}  // namespace

std::uint32_t FakeOs::GetTempPathW(std::uint32_t size, std::string* buffer) {
  Record("GetTempPathW(" + std::to_string(size) + ", buffer)");
  return tempPath.empty() ? 0 : WideAnswer(tempPath, buffer, size);
}

std::uint32_t FakeOs::GetShortPathNameW(const char* longPath, std::string* shortPath,
                                        std::uint32_t size) {
  Record("GetShortPathNameW(" + Quote(longPath) + ", buffer, " + std::to_string(size) + ")");
  if (longPath == nullptr) return 0;
  const auto found = shortPaths.find(longPath);
  return WideAnswer(found == shortPaths.end() ? longPath : found->second, shortPath, size);
}

bool FakeOs::ReadFileHead(const std::string& path, std::uint32_t count, std::string* head,
                          std::int64_t* fileSize) {
  Record("ReadFileHead(" + Quote(path.c_str()) + ", " + std::to_string(count) + ")");
  const auto file = files.find(path);
  if (file == files.end()) return false;
  *head = file->second.substr(0, count);
  *fileSize = static_cast<std::int64_t>(file->second.size());
  return true;
}

os::Handle FakeOs::CopyFileFrom(const std::string& source, std::int64_t offset,
                                const std::string& target) {
  Record("CopyFileFrom(" + Quote(source.c_str()) + ", " + std::to_string(offset) + ", " +
         Quote(target.c_str()) + ")");
  const auto from = files.find(source);
  const std::string folder = target.substr(0, target.find_last_of('\\') + 1);
  if (from == files.end() || offset < 0 || unwritableFolders.count(folder) > 0) return os::kNull;
  const auto start = std::min(static_cast<std::size_t>(offset), from->second.size());
  files[target] = from->second.substr(start);
  const os::Handle file = kFirstFile + static_cast<os::Handle>(openFiles_.size());
  openFiles_[file] = {target, true};
  return file;
}

bool FakeOs::SetFileDispositionInfo(os::Handle file, bool deleteFile) {
  Record("SetFileDispositionInfo(" + std::to_string(file) + ", " + (deleteFile ? "TRUE" : "FALSE") +
         ")");
  const auto it = openFiles_.find(file);
  if (it == openFiles_.end() || it->second.closed) return false;
  it->second.deleteOnClose = deleteFile;
  return true;
}

void FakeOs::CloseFile(OpenFile& file) {
  if (!file.closed && file.deleteOnClose) files.erase(file.path);
  file.closed = true;
}

bool FakeOs::DeleteFileW(const char* fileName) {
  Record("DeleteFileW(" + Quote(fileName) + ")");
  return fileName != nullptr && files.erase(fileName) > 0;
}

os::Handle FakeOs::FindWindowW(const char* className, const char* windowName) {
  Record("FindWindowW(" + Quote(className) + ", " + Quote(windowName) + ")");
  if (windowName == nullptr) return os::kNull;
  const auto it = windowsByTitle.find(windowName);
  return it == windowsByTitle.end() ? os::kNull : it->second;
}

int FakeOs::ShowCursor(bool show) {
  Record(std::string("ShowCursor(") + (show ? "TRUE" : "FALSE") + ")");
  cursorShowCount_ += show ? 1 : -1;
  return cursorShowCount_;
}

bool FakeOs::SystemParametersInfoA(std::uint32_t action, std::uint32_t param, void* data,
                                   std::uint32_t winIni) {
  Record("SystemParametersInfoA(" + std::to_string(action) + ", " +
         std::to_string(static_cast<std::int32_t>(param)) + ", " + (data ? "data" : "NULL") + ", " +
         std::to_string(winIni) + ")");
  auto* number = static_cast<std::uint32_t*>(data);
  if (action == os::kSpiGetScreenSaveActive && number) *number = screenSaveActive;
  if (action == os::kSpiGetScreenSaveTimeout && number) *number = screenSaveTimeout;
  if (action == os::kSpiSetScreenSaveActive) screenSaveActive = param;
  return true;
}

bool FakeOs::SetWindowPos(os::Handle window, os::Handle insertAfter, int x, int y, int cx, int cy,
                          std::uint32_t flags) {
  Record("SetWindowPos(" + std::to_string(window) + ", " + std::to_string(insertAfter) + ", " +
         std::to_string(x) + ", " + std::to_string(y) + ", " + std::to_string(cx) + ", " +
         std::to_string(cy) + ", " + Hex(flags) + ")");
  return true;
}

bool FakeOs::GetWindowRect(os::Handle window, os::Rect* rect) {
  Record("GetWindowRect(" + std::to_string(window) + ")");
  const auto it = windowRects.find(window);
  if (it == windowRects.end()) return false;
  *rect = it->second;
  return true;
}

std::int32_t FakeOs::GetWindowLongA(os::Handle window, int index) {
  Record("GetWindowLongA(" + std::to_string(window) + ", " + std::to_string(index) + ")");
  return index == os::kGwlStyle ? windowStyles[window] : 0;
}

std::int32_t FakeOs::SetWindowLongA(os::Handle window, int index, std::int32_t value) {
  Record("SetWindowLongA(" + std::to_string(window) + ", " + std::to_string(index) + ", " +
         Hex(static_cast<std::uint32_t>(value)) + ")");
  if (index != os::kGwlStyle) return 0;
  const std::int32_t previous = windowStyles[window];
  windowStyles[window] = value;
  return previous;
}

os::Handle FakeOs::SetParent(os::Handle child, os::Handle newParent) {
  Record("SetParent(" + std::to_string(child) + ", " + std::to_string(newParent) + ")");
  return liveWindows.count(newParent) ? newParent : os::kNull;
}

bool FakeOs::PostMessageA(os::Handle window, std::uint32_t message, std::uint32_t wParam,
                          std::int32_t lParam) {
  Record("PostMessageA(" + std::to_string(window) + ", " + Hex(message) + ", " +
         std::to_string(wParam) + ", " + std::to_string(lParam) + ")");
  return true;
}

bool FakeOs::IsWindow(os::Handle window) {
  Record("IsWindow(" + std::to_string(window) + ")");
  return liveWindows.count(window) > 0;
}

bool FakeOs::DrawAnimatedRects(os::Handle window, int animation, const os::Rect* from,
                               const os::Rect* to) {
  Record("DrawAnimatedRects(" + std::to_string(window) + ", " + std::to_string(animation) + ", " +
         Rect(from) + ", " + Rect(to) + ")");
  return true;
}

bool FakeOs::GetCursorPos(os::Point* point) {
  Record("GetCursorPos()");
  if (!cursorPos) return false;
  *point = *cursorPos;
  return true;
}

os::Handle FakeOs::WindowFromPoint(os::Point point) {
  Record("WindowFromPoint(" + std::to_string(point.x) + ", " + std::to_string(point.y) + ")");
  return windowUnderCursor;
}

int FakeOs::GetSystemMetrics(int index) {
  const auto it = systemMetrics.find(index);
  return it == systemMetrics.end() ? 0 : it->second;
}

int FakeOs::ScreenDeviceCaps(int index) {
  const auto it = deviceCaps.find(index);
  return it == deviceCaps.end() ? 0 : it->second;
}

bool FakeOs::EnumDisplayMonitors(os::Handle dc, const os::Rect* clip,
                                 const os::MonitorEnumProc& callback) {
  Record("EnumDisplayMonitors(" + std::to_string(dc) + ", " + Rect(clip) + ")");
  // A copy: the callback may ask for a monitor's details, or a test may change the layout.
  const std::vector<os::MonitorInfo> listed = monitors;
  for (std::size_t i = 0; i < listed.size(); ++i) {
    if (!callback(kFirstMonitor + static_cast<os::Handle>(i), dc, listed[i].monitor)) break;
  }
  return true;
}

bool FakeOs::GetMonitorInfoA(os::Handle monitor, os::MonitorInfo* info) {
  Record("GetMonitorInfoA(" + std::to_string(monitor) + ")");
  const auto index = static_cast<std::size_t>(monitor - kFirstMonitor);
  if (monitor < kFirstMonitor || index >= monitors.size()) return false;
  *info = monitors[index];
  return true;
}

os::Handle FakeOs::LoadCursorA(os::Handle instance, int resourceId) {
  Record("LoadCursorA(" + std::to_string(instance) + ", " + std::to_string(resourceId) + ")");
  return resourceId;
}

os::Handle FakeOs::SetCursor(os::Handle cursor) {
  Record("SetCursor(" + std::to_string(cursor) + ")");
  return os::kNull;
}

bool FakeOs::GetVersionExW(os::OsVersion* answer) {
  Record("GetVersionExW()");
  *answer = version;
  return true;
}

namespace {
constexpr double kTicksPerMs = 10000.0;  // a 10 MHz performance counter
constexpr os::Handle kTimer = 0x7100;
constexpr os::Handle kPowerNotification = 0x7200;
}  // namespace

bool FakeOs::QueryPerformanceFrequency(std::int64_t* frequency) {
  Record("QueryPerformanceFrequency()");
  *frequency = static_cast<std::int64_t>(kTicksPerMs * 1000);
  return true;
}

bool FakeOs::QueryPerformanceCounter(std::int64_t* count) {
  *count = static_cast<std::int64_t>(std::llround(nowMs * kTicksPerMs));
  return true;
}

os::Handle FakeOs::CreateWaitableTimerExW(std::uint32_t flags, std::uint32_t access) {
  Record("CreateWaitableTimerExW(" + Hex(flags) + ", " + Hex(access) + ")");
  const bool refused =
      (flags & os::kCreateWaitableTimerHighResolution) != 0 && !highResolutionTimers;
  return refused ? os::kNull : kTimer;
}

bool FakeOs::SetWaitableTimer(os::Handle timer, std::int64_t dueTime) {
  Record("SetWaitableTimer(" + std::to_string(timer) + ", " + std::to_string(dueTime) + ")");
  if (timer != kTimer) return false;
  timerDueMs_ = dueTime < 0 ? nowMs - static_cast<double>(dueTime) / kTicksPerMs
                            : static_cast<double>(dueTime) / kTicksPerMs;
  return true;
}

bool FakeOs::CloseHandle(os::Handle handle) {
  Record("CloseHandle(" + std::to_string(handle) + ")");
  const auto it = openFiles_.find(handle);
  if (it == openFiles_.end() || it->second.closed) return handle == kTimer;
  CloseFile(it->second);
  return true;
}

std::uint32_t FakeOs::MsgWaitForMultipleObjectsEx(std::uint32_t count, const os::Handle* handles,
                                                  std::uint32_t milliseconds,
                                                  std::uint32_t wakeMask, std::uint32_t flags) {
  std::string waitedOn;
  for (std::uint32_t i = 0; i < count; ++i)
    waitedOn += (i ? ", " : "") + std::to_string(handles[i]);
  Record("MsgWaitForMultipleObjectsEx(" + std::to_string(count) + ", {" + waitedOn + "}, " +
         (milliseconds == os::kInfinite ? std::string("INFINITE") : std::to_string(milliseconds)) +
         ", " + Hex(wakeMask) + ", " + Hex(flags) + ")");
  if (waitsFail) return os::kWaitFailed;
  std::optional<double> deadline;
  if (count == 1 && handles[0] == kTimer && timerDueMs_) deadline = *timerDueMs_;
  if (milliseconds != os::kInfinite) deadline = nowMs + milliseconds;
  if (messageAtMs && (!deadline || *messageAtMs < *deadline)) {
    nowMs = std::max(nowMs, *messageAtMs);
    messageAtMs.reset();
    return os::kWaitObject0 + count;
  }
  if (!deadline) return os::kWaitObject0 + count;
  nowMs =
      std::max(nowMs, *deadline + std::uniform_real_distribution<double>(0, waitLateMs)(lateness_));
  if (count == 1) timerDueMs_.reset();
  return count == 1 ? os::kWaitObject0 : os::kWaitTimeout;
}

void FakeOs::Sleep(std::uint32_t milliseconds) {
  Record("Sleep(" + std::to_string(milliseconds) + ")");
  nowMs += milliseconds;
}

std::uint32_t FakeOs::timeBeginPeriod(std::uint32_t period) {
  Record("timeBeginPeriod(" + std::to_string(period) + ")");
  return os::kTimerrNoError;
}

std::uint32_t FakeOs::timeEndPeriod(std::uint32_t period) {
  Record("timeEndPeriod(" + std::to_string(period) + ")");
  return os::kTimerrNoError;
}

std::int32_t FakeOs::DwmGetCompositionTimingInfo(os::Handle window, os::CompositionTiming* timing) {
  Record("DwmGetCompositionTimingInfo(" + std::to_string(window) + ")");
  constexpr std::int32_t kCompositionDisabled = static_cast<std::int32_t>(0x80263001u);
  if (!(refreshHz > 0)) return kCompositionDisabled;
  const double period = 1000.0 / refreshHz;
  timing->refreshPeriod = static_cast<std::uint64_t>(std::llround(period * kTicksPerMs));
  timing->vBlank =
      static_cast<std::uint64_t>(std::llround(std::floor(nowMs / period) * period * kTicksPerMs));
  return 0;
}

os::Handle FakeOs::RegisterPowerSettingNotification(os::Handle recipient, const os::Guid& setting,
                                                    std::uint32_t flags) {
  char guid[40];
  std::snprintf(guid, sizeof guid, "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
                setting.data1, setting.data2, setting.data3, setting.data4[0], setting.data4[1],
                setting.data4[2], setting.data4[3], setting.data4[4], setting.data4[5],
                setting.data4[6], setting.data4[7]);
  Record("RegisterPowerSettingNotification(" + std::to_string(recipient) + ", " + guid + ", " +
         std::to_string(flags) + ")");
  return kPowerNotification;
}

bool FakeOs::UnregisterPowerSettingNotification(os::Handle notification) {
  Record("UnregisterPowerSettingNotification(" + std::to_string(notification) + ")");
  return notification == kPowerNotification;
}

bool FakeOs::WTSRegisterSessionNotification(os::Handle window, std::uint32_t flags) {
  Record("WTSRegisterSessionNotification(" + std::to_string(window) + ", " + std::to_string(flags) +
         ")");
  return true;
}

bool FakeOs::WTSUnRegisterSessionNotification(os::Handle window) {
  Record("WTSUnRegisterSessionNotification(" + std::to_string(window) + ")");
  return true;
}

bool FakeOs::WTSQuerySessionInformationW(os::Handle server, std::uint32_t sessionId, int infoClass,
                                         std::int32_t* value) {
  Record("WTSQuerySessionInformationW(" + std::to_string(server) + ", " +
         std::to_string(static_cast<std::int32_t>(sessionId)) + ", " + std::to_string(infoClass) +
         ")");
  const std::optional<std::int32_t>& answer =
      infoClass == os::kWtsConnectState ? connectState : sessionLock;
  if (!answer) return false;
  *value = *answer;
  return true;
}

bool FakeOs::ThreadDesktopHasInput() {
  Record("ThreadDesktopHasInput()");
  return threadDesktopHasInput;
}

bool FakeOs::RegisterRawInputDevices(const os::RawInputDevice* devices, std::uint32_t count) {
  std::string listed;
  for (std::uint32_t i = 0; i < count; ++i) {
    listed += std::string(i ? ", " : "") + "{" + std::to_string(devices[i].usagePage) + ", " +
              std::to_string(devices[i].usage) + ", " + Hex(devices[i].flags) + ", " +
              std::to_string(devices[i].target) + "}";
  }
  Record("RegisterRawInputDevices({" + listed + "}, " + std::to_string(count) + ")");
  return true;
}

std::uint32_t FakeOs::GetDpiForWindow(os::Handle window) {
  Record("GetDpiForWindow(" + std::to_string(window) + ")");
  return windowDpi;
}

bool FakeOs::SetThreadDpiAwarenessContext(os::Handle context) {
  Record("SetThreadDpiAwarenessContext(" + std::to_string(context) + ")");
  return true;
}

os::Handle FakeOs::MonitorFromWindow(os::Handle window) {
  Record("MonitorFromWindow(" + std::to_string(window) + ")");
  return kFirstMonitor;
}

std::uint32_t FakeOs::GetDpiForMonitor(os::Handle monitor) {
  Record("GetDpiForMonitor(" + std::to_string(monitor) + ")");
  return monitorDpi;
}

os::Handle FakeOs::GetWindowDpiAwarenessContext(os::Handle window) {
  Record("GetWindowDpiAwarenessContext(" + std::to_string(window) + ")");
  return os::kNull;
}

bool FakeOs::GetRawInputData(os::Handle rawInput, os::RawInput* data) {
  const auto it = rawInputs.find(rawInput);
  if (it == rawInputs.end()) return false;
  *data = it->second;
  return true;
}

std::uint32_t FakeOs::GetPrivateProfileStringW(const char* section, const char* key,
                                               const char* defaultValue, std::string* buffer,
                                               std::uint32_t size, const char* fileName) {
  Record("GetPrivateProfileStringW(" + Quote(section) + ", " + Quote(key) + ", " +
         Quote(defaultValue) + ", buffer, " + std::to_string(size) + ", " + Quote(fileName) + ")");
  std::string value = defaultValue ? defaultValue : "";
  const auto file = profiles.find(fileName ? fileName : "");
  if (file != profiles.end() && section && key) {
    const auto sec = FindNoCase(file->second, section);
    if (sec != file->second.end()) {
      const auto entry = FindNoCase(sec->second, key);
      if (entry != sec->second.end()) value = AsRead(entry->second);
    }
  }
  value = value.substr(0, value.find('\0'));
  value = size == 0 ? std::string() : CutToUtf16Units(value, size - 1);
  if (buffer != nullptr) *buffer = value;
  return static_cast<std::uint32_t>(value.size());
}

bool FakeOs::WritePrivateProfileStringW(const char* section, const char* key, const char* value,
                                        const char* fileName) {
  Record("WritePrivateProfileStringW(" + Quote(section) + ", " + Quote(key) + ", " + Quote(value) +
         ", " + Quote(fileName) + ")");
  if (!section || !key || !fileName) return false;
  // The file keeps the texts in the ANSI code page.
  const auto held = [this](const char* text) { return FromAnsi(ToAnsi(text)); };
  auto& sections = profiles[fileName];
  auto sec = FindNoCase(sections, held(section));
  auto& keys = sec == sections.end() ? sections[held(section)] : sec->second;
  auto entry = FindNoCase(keys, held(key));
  if (value == nullptr) {
    if (entry != keys.end()) keys.erase(entry);
  } else if (entry == keys.end()) {
    keys[held(key)] = held(value);
  } else {
    entry->second = held(value);
  }
  return true;
}

void FakeOs::LoadProfileFile(const std::string& path, const std::string& bytes) {
  std::string text;
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) {
    text = Utf8FromAnsi(65001, bytes.substr(3));
  } else if (bytes.rfind("\xFF\xFE", 0) == 0 || bytes.rfind("\xFE\xFF", 0) == 0) {
    text = Utf8FromUtf16(std::string_view(bytes).substr(2), bytes[0] == '\xFE');
  } else {
    text = FromAnsi(bytes);
  }
  auto& sections = profiles[path];
  sections.clear();
  std::string section;
  std::map<std::string, std::set<std::string>> seen;  // upper-cased names met per section
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find_first_of("\r\n", at), text.size());
    const std::string line = TrimBlanks(text.substr(at, end - at));
    at = std::min(text.find_first_not_of("\r\n", end), text.size());
    if (line.empty()) continue;
    const std::size_t close = line.rfind(']');
    if (line.front() == '[' && close != std::string::npos) {
      section = line.substr(1, close - 1);
      continue;
    }
    const std::size_t equals = line.find('=');
    const std::string name = TrimBlanks(line.substr(0, equals));
    // The first of a repeated key wins, even one without a value (which reads as missing).
    if (!seen[Upper(section)].insert(Upper(name)).second || equals == std::string::npos) continue;
    auto sec = FindNoCase(sections, section);
    auto& keys = sec == sections.end() ? sections[section] : sec->second;
    keys[name] = TrimBlanks(line.substr(equals + 1));
  }
}

bool FakeOs::CanOpenForReading(const std::string& ansiPath) {
  Record("CanOpenForReading(" + Quote(ansiPath.c_str()) + ")");
  return everyFileReadable || readableFiles.count(ansiPath) > 0;
}

std::int32_t FakeOs::mciSendStringA(const char* command, char* returnString,
                                    std::uint32_t returnLength, os::Handle callback) {
  Record("mciSendStringA(" + Quote(command) + ", " + (returnString ? "buffer" : "NULL") + ", " +
         std::to_string(returnLength) + ", " + std::to_string(callback) + ")");
  std::string reply;
  const std::int32_t code = mci ? mci(command ? command : "", reply) : 0;
  // A failed command with nothing to say leaves the caller's buffer untouched.
  if (code == 0 || !reply.empty()) CopyBounded(reply, returnString, returnLength);
  return code;
}

bool FakeOs::mciGetErrorStringA(std::int32_t error, char* buffer, std::uint32_t length) {
  Record("mciGetErrorStringA(" + std::to_string(error) + ", buffer, " + std::to_string(length) +
         ")");
  const std::optional<std::string> text =
      mciErrorText ? mciErrorText(error)
                   : std::optional<std::string>("error " + std::to_string(error));
  if (!text) return false;
  CopyBounded(*text, buffer, length);
  return true;
}

bool FakeOs::PlaySoundA(const char* sound, os::Handle module, std::uint32_t flags) {
  Record("PlaySoundA(" + Quote(sound) + ", " + std::to_string(module) + ", " +
         std::to_string(flags) + ")");
  return true;
}

std::uint32_t FakeOs::waveOutGetNumDevs() {
  Record("waveOutGetNumDevs()");
  return waveOutDevices;
}

bool FakeOs::GetOpenFileNameW(os::OpenFileName* record) {
  Record("GetOpenFileNameW()");
  lastOpenFileName = *record;
  if (!openFileChoice) return false;
  record->file =
      record->maxFile == 0 ? std::string() : CutToUtf16Units(*openFileChoice, record->maxFile - 1);
  return true;
}

os::Handle FakeOs::ShellExecuteA(os::Handle owner, const char* verb, const char* file,
                                 const char* parameters, const char* directory, int showCommand) {
  Record("ShellExecuteA(" + std::to_string(owner) + ", " + Quote(verb) + ", " + Quote(file) + ", " +
         Quote(parameters) + ", " + Quote(directory) + ", " + std::to_string(showCommand) + ")");
  return 42;
}

}  // namespace quarlo::testing
