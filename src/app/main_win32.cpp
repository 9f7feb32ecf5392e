#include <windows.h>

#include <cstdio>
#include <exception>

#include "app/command_line.hpp"
#include "app/program.hpp"
#include "platform/win32/win32_platform.hpp"
#include "resource_ids.h"
#include "store/system_jpeg_writer.hpp"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  if (auto status =
          pr::answer_command_line(pr::command_line_arguments(), "C:\\截图", pr::write_console))
    return *status;
  try {
    pr::win32::Win32Platform platform(instance, {PAGEROOK_ICON_PROGRAM, PAGEROOK_ICON_PREVIEW},
                                      pr::make_system_jpeg_writer());
    pr::Program program(platform);
    return platform.run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pagerook: %s\n", e.what());
    return 1;
  }
}
