#include "framework/win32/frame_waits.h"

#include <mmsystem.h>

#include <cmath>

#include "framework/win32/win32_backend.h"

namespace quarlo::fw::win32 {
namespace {

// Not in every SDK's headers.
constexpr DWORD kHighResolutionTimer = 0x00000002;  // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
constexpr DWORD kNotifyForThisSession = 0;
constexpr DWORD kDeviceNotifyWindowHandle = 0;

template <typename Function>
Function Lookup(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

FrameWaits::FrameWaits(Win32Backend& backend, HWND window, double refreshMs)
    : backend_(backend), window_(window), refreshMs_(refreshMs) {
  QueryPerformanceFrequency(&frequency_);
  UseTimer();
  UseCompositor();
  ListenToTheAudience();
}

FrameWaits::~FrameWaits() {
  StopListening();
  if (timer_ != nullptr) CloseHandle(timer_);
  if (periodTaken_) timeEndPeriod(1);
  if (dwmapi_ != nullptr) FreeLibrary(dwmapi_);
  if (wtsapi_ != nullptr) FreeLibrary(wtsapi_);
}

void FrameWaits::UseTimer() {
  timer_ = CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS);
  // Systems before Windows 10 1803 refuse the flag; their waits need the 1 ms resolution.
  if (timer_ == nullptr) periodTaken_ = timeBeginPeriod(1) == TIMERR_NOERROR;
}

void FrameWaits::UseCompositor() {
  dwmapi_ = LoadLibraryW(L"dwmapi.dll");
  using IsEnabled = HRESULT(WINAPI*)(BOOL*);
  const auto isEnabled = Lookup<IsEnabled>(dwmapi_, "DwmIsCompositionEnabled");
  dwmFlush_ = Lookup<HRESULT(WINAPI*)()>(dwmapi_, "DwmFlush");
  BOOL enabled = FALSE;
  composited_ = isEnabled != nullptr && dwmFlush_ != nullptr && SUCCEEDED(isEnabled(&enabled)) &&
                enabled != FALSE;
}

void FrameWaits::ListenToTheAudience() {
  Audience& audience = backend_.GetAudience();
  audience = Audience{};
  if (window_ == nullptr) return;
  // The display's state is sent at once on registering, and again on each change.
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  using RegisterPower = HANDLE(WINAPI*)(HANDLE, const GUID*, DWORD);
  if (const auto registerPower = Lookup<RegisterPower>(user32, "RegisterPowerSettingNotification")) {
    displayNotification_ = registerPower(window_, &kConsoleDisplayState, kDeviceNotifyWindowHandle);
    unregisterPowerSetting_ =
        Lookup<BOOL(WINAPI*)(HANDLE)>(user32, "UnregisterPowerSettingNotification");
  }
  wtsapi_ = LoadLibraryW(L"wtsapi32.dll");
  using RegisterSession = BOOL(WINAPI*)(HWND, DWORD);
  if (const auto registerSession =
          Lookup<RegisterSession>(wtsapi_, "WTSRegisterSessionNotification")) {
    sessionRegistered_ = registerSession(window_, kNotifyForThisSession) != FALSE;
    unregisterSession_ = Lookup<BOOL(WINAPI*)(HWND)>(wtsapi_, "WTSUnRegisterSessionNotification");
  }
}

void FrameWaits::StopListening() {
  if (displayNotification_ != nullptr && unregisterPowerSetting_ != nullptr) {
    unregisterPowerSetting_(displayNotification_);
  }
  // The window may have gone already; the call then fails and nothing is left registered.
  if (sessionRegistered_ && unregisterSession_ != nullptr) unregisterSession_(window_);
  backend_.GetAudience() = Audience{};
}

double FrameWaits::NowMs() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return frequency_.QuadPart > 0
             ? static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency_.QuadPart)
             : static_cast<double>(GetTickCount());
}

bool FrameWaits::Watching() { return backend_.GetAudience().Watching(); }

bool FrameWaits::Composited() { return composited_; }

void FrameWaits::Sleep(std::optional<double> deadlineMs) {
  DWORD timeout = INFINITE;
  DWORD handles = 0;
  if (deadlineMs) {
    const double left = *deadlineMs - NowMs();
    if (left <= 0) return;
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(std::ceil(left * 10000.0));  // relative, 100 ns units
    if (timer_ != nullptr && SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE)) {
      handles = 1;
    } else {
      // Rounded up: a wait of 0 ms would come straight back and spin.
      timeout = static_cast<DWORD>(std::ceil(left));
    }
  }
  MsgWaitForMultipleObjectsEx(handles, handles != 0 ? &timer_ : nullptr, timeout, QS_ALLINPUT,
                              MWMO_INPUTAVAILABLE);
}

void FrameWaits::WaitUntil(std::optional<double> deadlineMs, const std::function<bool()>& done) {
  backend_.DoEvents();
  while (!done() && (!deadlineMs || NowMs() < *deadlineMs)) {
    Sleep(deadlineMs);
    backend_.DoEvents();
  }
}

std::optional<double> FrameWaits::WaitForRefresh() {
  if (!composited_) return std::nullopt;
  const HRESULT flushed = dwmFlush_();
  const double now = NowMs();
  // A compositor that does not hold us until its next refresh would have the loop spin on it.
  quickRefreshes_ = now - lastRefreshMs_ < refreshMs_ / 4 ? quickRefreshes_ + 1 : 0;
  lastRefreshMs_ = now;
  if (FAILED(flushed) || quickRefreshes_ >= 3) {
    composited_ = false;
    return std::nullopt;
  }
  return now;
}

}  // namespace quarlo::fw::win32
