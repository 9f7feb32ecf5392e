#include <windows.h>

#include <exception>

#include "app/command_line.hpp"
#include "app/program.hpp"
#include "platform/report.hpp"
#include "platform/win32/win32_platform.hpp"
#include "resource_ids.h"
#include "store/system_jpeg_writer.hpp"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  if (auto status = pr::answer_command_line(pr::command_line_arguments(), "C:\\截图",
                                            pr::write_console, pr::write_console_error))
    return *status;
  try {
    auto writer = pr::make_system_jpeg_writer();
    pr::win32::Win32Platform platform(instance, {PAGEROOK_ICON_PROGRAM, PAGEROOK_ICON_PREVIEW});
    pr::Program program(platform, *writer);
    if (program.second_instance()) return 0;
    return platform.run();
  } catch (const std::exception& e) {
    pr::report_error(e.what());
    return 1;
  }
}
