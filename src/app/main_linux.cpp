#include <exception>
#include <iostream>

#include "app/program.hpp"
#include "platform/x11/x11_platform.hpp"

int main() {
  try {
    pr::x11::X11Platform platform;
    pr::Program program(platform);
    program.run_report = [](std::string_view line) { std::cout << line << std::endl; };
    return platform.run();
  } catch (const std::exception& error) {
    std::cerr << "pagerook: " << error.what() << std::endl;
    return 1;
  }
}
