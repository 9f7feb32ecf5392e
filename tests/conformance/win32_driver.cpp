// The Win32 backend in the conformance suite, under Wine on a private X
// server: the system's own window rectangles and visibility, real time.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <system_error>

#include "app/designs.hpp"
#include "driver.hpp"
#include "platform/win32/win32_platform.hpp"
#include "trash_info.hpp"

namespace pr::conformance {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kRivalFlag[] = L"--rival-claims-instance";
constexpr int kRivalHotKey = 0x5EC;

// Run again by rival_claims_instance() as the second program of the session:
// claims it with a main window of its own and ends at once, telling by its
// exit status how that went (0 claimed, 1 refused).
[[maybe_unused]] const bool kRunAsRival = [] {
  if (!std::wcsstr(GetCommandLineW(), kRivalFlag)) return false;
  UINT status = 2;
  try {
    win32::Win32Platform rival(GetModuleHandleW(nullptr), {});
    const WindowId main =
        rival.create_window(design::in_pixels(design::main_window(), rival.twips_per_pixel()));
    status = rival.claim_instance(main) ? 0 : 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "the second program: %s\n", error.what());
  }
  ExitProcess(status);
}();

std::wstring environment(const wchar_t* name) {
  wchar_t value[4096];
  const DWORD length = GetEnvironmentVariableW(name, value, 4096);
  return length > 0 && length < 4096 ? std::wstring(value, length) : std::wstring();
}

// Wine's name for a file of the Unix side; empty outside Wine.
fs::path dos_name(const std::string& unix_path) {
  using Convert = WCHAR*(CDECL*)(const char*);
  static const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (!convert || unix_path.empty()) return {};
  WCHAR* name = convert(unix_path.c_str());
  if (!name) return {};
  fs::path path(name);
  HeapFree(GetProcessHeap(), 0, name);
  return path;
}

// A Unix path as Wine's Unix side spells it (wine-run makes that UTF-8).
std::string narrow(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(std::max(size, 0)), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

// Wine's Recycle Bin is the XDG trash of the Unix side: used only when the
// test runs in a HOME of its own (see private-home), so that it is never the
// user's. Empty otherwise.
fs::path private_trash() {
  // Wine hands HOME over as WINEHOMEDIR, so the private one is known by the
  // name private-home gives it.
  const std::wstring home = environment(L"PAGEROOK_PRIVATE_HOME");
  const std::wstring data = environment(L"XDG_DATA_HOME");
  if (home.empty() || data.rfind(home, 0) != 0) return {};
  return dos_name(narrow(data) + "/Trash");
}

void press(WORD key) {
  keybd_event(static_cast<BYTE>(key), static_cast<BYTE>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)), 0,
              0);
  keybd_event(static_cast<BYTE>(key), static_cast<BYTE>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)),
              KEYEVENTF_KEYUP, 0);
}

class Win32Driver : public Driver {
 public:
  Win32Driver() : platform_(GetModuleHandleW(nullptr), {}) {
    make_scratch_folder();
    watching = this;
    watch_.reset(SetWindowsHookExW(WH_CALLWNDPROC, watch_messages, nullptr, GetCurrentThreadId()));
  }
  ~Win32Driver() override {
    watch_.reset();
    watching = nullptr;
    if (rival_holds_) UnregisterHotKey(nullptr, kRivalHotKey);
    std::error_code ignored;
    if (!scratch_.empty()) fs::remove_all(scratch_, ignored);
  }

  Platform& platform() override { return platform_; }
  void run_for(int ms) override {
    run_until([] { return false; }, ms);
  }
  bool run_until(const std::function<bool()>& done, int timeout_ms) override {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
    for (;;) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      if (done()) return true;
      const ULONGLONG now = GetTickCount64();
      if (now >= end) return done();
      MsgWaitForMultipleObjects(
          0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(end - now, 10)), QS_ALLINPUT);
    }
  }
  long long now_ms() override { return static_cast<long long>(GetTickCount64()); }
  bool shown(WindowId w) override {
    HWND hwnd = platform_.hwnd(w);
    return hwnd && IsWindowVisible(hwnd);
  }
  PixelRect outer_area(WindowId w) override {
    RECT r{};
    if (HWND hwnd = platform_.hwnd(w)) GetWindowRect(hwnd, &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
  }
  PixelRect client_area(WindowId w) override {
    RECT r{};
    POINT origin{0, 0};
    if (HWND hwnd = platform_.hwnd(w)) {
      GetClientRect(hwnd, &r);
      ClientToScreen(hwnd, &origin);
    }
    return {origin.x, origin.y, r.right - r.left, r.bottom - r.top};
  }
  std::string cannot(Feature feature) const override {
    switch (feature) {
      case Feature::MenuChoice:
        return "TrackPopupMenu holds the caller until a real click or key closes the menu; the "
               "end-to-end run pagerook_exe_menu chooses with real clicks";
      case Feature::SentKeys:
        return "SendInput types into another program's window, which this suite does not start; "
               "the end-to-end runs with notepad check it";
      case Feature::Trash:
        if (private_trash().empty()) {
          return "the Recycle Bin is watched only under Wine, whose Recycle Bin is the XDG trash, "
                 "in a HOME of the test's own with PAGEROOK_PRIVATE_HOME naming it "
                 "(tests/conformance/private-home)";
        }
        return {};
      case Feature::Links:
        return links_;
      default:
        return {};
    }
  }
  fs::path scratch_folder() override { return scratch_; }
  std::vector<TrashEntry> trash() override {
    return trash_entries(private_trash(), [](const std::string& path) {
      return path.empty() ? fs::path() : dos_name(path);
    });
  }
  // A real second process: one Win32Platform per process, and the system
  // tells a mutex's second creator apart only across handles.
  bool rival_claims_instance() override {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(exe) + L"\" " + kRivalFlag;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
      std::fprintf(stderr, "the second program did not start: %lu\n", GetLastError());
      return true;
    }
    // Our windows answer it meanwhile.
    run_until([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, 60000);
    DWORD status = 2;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (status > 1) std::fprintf(stderr, "the second program ended with %lu\n", status);
    return status == 0;
  }
  // A window's caption flashing for the user: FlashWindowEx draws it as
  // active, which the window learns from WM_NCACTIVATE, while another window
  // is the active one. (Wine 8 also sends the window manager a _NET_WM_STATE
  // request for the X window, which openbox leaves unmarked, as it does a
  // request sent without SubstructureRedirectMask; so the X side is not
  // checked here.)
  bool attention_drawn(WindowId w) override {
    HWND hwnd = platform_.hwnd(w);
    return hwnd && flashed_.count(hwnd) > 0;
  }
  // Another program's hot key for Esc, alone or with the lock keys (which
  // hot keys ignore).
  bool rival_holds_escape(bool hold) override {
    if (!hold) {
      if (rival_holds_) UnregisterHotKey(nullptr, kRivalHotKey);
      rival_holds_ = false;
    } else if (!rival_holds_) {
      rival_holds_ = RegisterHotKey(nullptr, kRivalHotKey, 0, VK_ESCAPE) != 0;
    }
    return rival_holds_;
  }
  void press_escape(bool locks_on) override {
    if (locks_on) {
      press(VK_CAPITAL);
      press(VK_NUMLOCK);
    }
    press(VK_ESCAPE);
    if (locks_on) {
      press(VK_CAPITAL);
      press(VK_NUMLOCK);
    }
  }

 private:
  void make_scratch_folder() {
    if (private_trash().empty()) return;
    // In the private HOME, on the trash's file system: Wine trashes only
    // files there.
    const fs::path home = dos_name(narrow(environment(L"PAGEROOK_PRIVATE_HOME")));
    std::error_code error;
    for (unsigned n = GetTickCount(); scratch_.empty(); ++n) {
      const fs::path folder = home / ("scratch." + std::to_string(n));
      if (fs::create_directory(folder, error)) scratch_ = folder;
      if (error) return;
    }
    probe_links();
  }
  void probe_links() {
    std::error_code error;
    const fs::path link = scratch_ / "probe";
    fs::create_symlink(scratch_ / "nowhere", link, error);
    if (error || !fs::is_symlink(fs::symlink_status(link, error))) {
      // Wine 8's CreateSymbolicLinkW says yes and makes nothing.
      links_ = "no symbolic link can be made here (" +
               (error ? error.message() : std::string("what was made is no link")) +
               "); the X11 backend's run checks links in the trash";
    } else {
      links_.clear();
    }
    fs::remove(link, error);
  }

  static LRESULT CALLBACK watch_messages(int code, WPARAM wp, LPARAM lp) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && watching && sent->message == WM_NCACTIVATE && sent->wParam &&
        sent->hwnd != GetActiveWindow()) {
      watching->flashed_.insert(sent->hwnd);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
  }
  static inline Win32Driver* watching = nullptr;

  win32::Win32Platform platform_;
  win32::UniqueHook watch_;
  std::set<HWND> flashed_;
  fs::path scratch_;
  std::string links_ = "no folder to make them in";
  bool rival_holds_ = false;
};

}  // namespace

std::unique_ptr<Driver> make_driver() {
  return std::make_unique<Win32Driver>();
}

}  // namespace pr::conformance
