// The Win32 backend's button tooltips: one tooltip control for all buttons.

#include <windows.h>
// It needs windows.h first.
#include <commctrl.h>

#include "platform/report.hpp"
#include "platform/wide_text.hpp"
#include "platform/win32/win32_platform.hpp"

namespace pr::win32 {

void Win32Platform::add_tooltip(HWND window, HWND tool, const std::string& text) {
  if (!tooltips_) {
    // Owned by the hidden host: owned by MainWindow, it cost MainWindow its
    // keep-above state under Wine.
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&init);
    tooltips_.reset(CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, TOOLTIPS_CLASSW, nullptr,
                                    WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, host_.get(),
                                    nullptr, instance_, nullptr));
    if (!tooltips_) {
      report_error("no tooltips: CreateWindowExW tooltips_class32: " +
                   win32_error_text(GetLastError()));
      return;
    }
    // Long enough for a sentence, wrapped to a readable width.
    SendMessageW(tooltips_.get(), TTM_SETMAXTIPWIDTH, 0, 320);
    SendMessageW(tooltips_.get(), TTM_SETDELAYTIME, TTDT_AUTOPOP, 20000);
  }
  tooltip_texts_.push_back(widen(text));
  TTTOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = window;
  info.uId = reinterpret_cast<UINT_PTR>(tool);
  info.lpszText = tooltip_texts_.back().data();
  SendMessageW(tooltips_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

}  // namespace pr::win32
