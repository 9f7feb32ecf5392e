#include "app/command_line.hpp"

#include <cerrno>
#include <cstdio>

#include "core/constants.hpp"
#include "platform/report.hpp"

#ifndef PAGEROOK_VERSION
#error "PAGEROOK_VERSION must come from the build"
#endif

namespace pr {

StartRequest start_request(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument == "--") break;
    if (argument == "--version") return StartRequest::Version;
    if (argument == "--help" || argument == "-h") return StartRequest::Help;
  }
  return StartRequest::Run;
}

std::string version_text() {
  return "Pagerook " PAGEROOK_VERSION "\n";
}

std::string help_text(std::string_view capture_folder) {
  std::string folder(capture_folder);
  return "Usage: pagerook [--help | --version]\n"
         "Saves the pages of a document as numbered pictures. Open the document, press\n"
         "\"截图\" and drag a rectangle over the page: Pagerook saves it as 0.jpg, then\n"
         "presses Page Down in the document and saves the same rectangle again as 1.jpg,\n"
         "2.jpg, ... every " +
         std::to_string(kPageMs / 1000) + "." + std::to_string(kPageMs % 1000 / 100) +
         " seconds.\n"
         "The pictures go to " +
         folder +
         "; each run first empties that folder.\n"
         "Press Esc to stop a run.\n";
}

std::optional<int> answer_command_line(const std::vector<std::string>& arguments,
                                       std::string_view capture_folder, const TextWriter& write) {
  std::string text;
  switch (start_request(arguments)) {
    case StartRequest::Run:
      return std::nullopt;
    case StartRequest::Version:
      text = version_text();
      break;
    case StartRequest::Help:
      text = help_text(capture_folder);
      break;
  }
  const std::string error = write(text);
  if (error.empty()) return 0;
  report_error("cannot write to standard output: " + error);
  return 1;
}

std::string write_standard_output(std::string_view text) {
  errno = 0;
  bool ok = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
  ok = std::fflush(stdout) == 0 && ok;
  if (ok) return {};
  return errno != 0 ? errno_text(errno) : "write failed";
}

}  // namespace pr
