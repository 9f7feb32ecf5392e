#include <windows.h>

#include <exception>

#include "app/program.hpp"
#include "platform/report.hpp"
#include "platform/win32/win32_platform.hpp"
#include "resource_ids.h"
#include "store/system_jpeg_writer.hpp"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  try {
    auto writer = pr::make_system_jpeg_writer();
    pr::win32::Win32Platform platform(instance, {PAGEROOK_ICON_PROGRAM, PAGEROOK_ICON_PREVIEW});
    pr::Program program(platform, *writer);
    return platform.run();
  } catch (const std::exception& e) {
    pr::report_error(e.what());
    return 1;
  }
}
