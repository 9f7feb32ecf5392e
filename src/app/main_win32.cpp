#include <windows.h>

#include <exception>

#include "app/command_line.hpp"
#include "app/program.hpp"
#include "core/constants.hpp"
#include "core/system_jpeg_writer.hpp"
#include "platform/report.hpp"
#include "platform/win32/win32_platform.hpp"
#include "resource_ids.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  if (auto status = pr::answer_command_line(pr::command_line_arguments(),
                                            std::string("C:\\") + pr::kCaptureFolderName,
                                            pr::write_console, pr::write_console_error))
    return *status;
  try {
    auto writer = pr::make_system_jpeg_writer();
    pr::win32::Win32Platform platform(instance, {PAGEROOK_ICON_PROGRAM, PAGEROOK_ICON_PREVIEW});
    pr::Program program(platform, *writer);
    if (program.second_instance()) {
      // Started from the desktop, the line on stderr reaches nobody.
      if (!pr::started_with_console())
        MessageBoxW(nullptr,
                    L"Pagerook 已在运行：它的窗口在屏幕左上角闪烁。\n\n"
                    L"Pagerook is running already: its window flashes in the top-left corner.",
                    L"Pagerook", MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
      return 0;
    }
    return platform.run();
  } catch (const std::exception& e) {
    pr::report_error(e.what());
    return 1;
  }
}
