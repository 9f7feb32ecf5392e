#include "app/command_line.hpp"

#include <cerrno>
#include <cstdio>

#include "core/constants.hpp"
#include "platform/report.hpp"

#ifndef PAGEROOK_VERSION
#error "PAGEROOK_VERSION must come from the build"
#endif

namespace pr {

StartRequestResult start_request(const std::vector<std::string>& arguments) {
  StartRequest wanted = StartRequest::Run;
  bool options = true;
  for (const std::string& argument : arguments) {
    if (options && argument == "--") {
      options = false;
      continue;
    }
    StartRequest request = StartRequest::Refused;
    if (options && argument == "--version") request = StartRequest::Version;
    if (options && (argument == "--help" || argument == "-h" || argument == "/?"))
      request = StartRequest::Help;
    if (request == StartRequest::Refused) return {StartRequest::Refused, argument};
    if (wanted == StartRequest::Run) wanted = request;
  }
  return {wanted, {}};
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
         " seconds, until the document ends.\n"
         "The pictures go to " +
         folder +
         "; each run first moves the files already there to the trash.\n"
         "Press Esc, or click the button (\"停止\" during a run), to stop a run earlier; on\n"
         "Wayland Esc works only where the desktop's global-shortcuts portal gives it to\n"
         "Pagerook. Right-click the window for the options.\n";
}

std::optional<int> answer_command_line(const std::vector<std::string>& arguments,
                                       std::string_view capture_folder, const TextWriter& out,
                                       const TextWriter& error) {
  const StartRequestResult asked = start_request(arguments);
  std::string text;
  switch (asked.request) {
    case StartRequest::Run:
      return std::nullopt;
    case StartRequest::Refused: {
      const bool option = asked.refused.size() > 1 && asked.refused[0] == '-';
      error(std::string("pagerook: ") + (option ? "unknown option '" : "unexpected argument '") +
            asked.refused + "'; try 'pagerook --help'\n");
      return 2;
    }
    case StartRequest::Version:
      text = version_text();
      break;
    case StartRequest::Help:
      text = help_text(capture_folder);
      break;
  }
  const std::string failure = out(text);
  if (failure.empty()) return 0;
  report_error("cannot write to standard output: " + failure);
  return 1;
}

namespace {

std::string write_stream(std::FILE* stream, std::string_view text) {
  errno = 0;
  bool ok = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
  ok = std::fflush(stream) == 0 && ok;
  if (ok) return {};
  return errno != 0 ? errno_text(errno) : "write failed";
}

}  // namespace

std::string write_standard_output(std::string_view text) {
  return write_stream(stdout, text);
}

std::string write_standard_error(std::string_view text) {
  return write_stream(stderr, text);
}

}  // namespace pr
