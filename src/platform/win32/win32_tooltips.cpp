// The Win32 backend's tooltips: one tooltip control for all buttons and labels.

#include <windows.h>
// It needs windows.h first.
#include <commctrl.h>

#include "platform/report.hpp"
#include "platform/wide_text.hpp"
#include "platform/win32/win32_platform.hpp"

namespace pr::win32 {

void Win32Platform::set_tooltip(HWND window, HWND tool, std::string_view text) {
  if (!tooltips_ && text.empty()) return;
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
  const auto known = tool_tips_.find(tool);
  const bool added = known != tool_tips_.end();
  if (!added && text.empty()) return;
  std::wstring& tip = tool_tips_[tool];
  tip = widen(std::string(text));
  TTTOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = window;
  info.uId = reinterpret_cast<UINT_PTR>(tool);
  info.lpszText = tip.data();
  SendMessageW(tooltips_.get(), added ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0,
               reinterpret_cast<LPARAM>(&info));
}

}  // namespace pr::win32
