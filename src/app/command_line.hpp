#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pr {

// What the command line asks for. The program takes no arguments: anything
// but --help (-h, /?) and --version is refused with exit status 2.
enum class StartRequest { Run, Version, Help, Refused };

struct StartRequestResult {
  StartRequest request;
  std::string refused;  // the argument that made it Refused
};

// `arguments` without the program's own name. An unknown option or any other
// argument (also after "--") refuses the whole line; otherwise the first of
// --version and --help wins.
StartRequestResult start_request(const std::vector<std::string>& arguments);

// "Pagerook 2.00" and a line end.
std::string version_text();

// A few lines: what the program does, where the pictures go, how a run stops.
std::string help_text(std::string_view capture_folder);

// Writes text somewhere (a console, standard output): an empty string when
// all of it got there, else the system's words for why not.
using TextWriter = std::function<std::string(std::string_view text)>;

// Answers --version and --help on `out`, and a refused argument with one line
// on `error`, before any window exists: returns the exit status when the
// program ends here, nothing when it should start as usual.
std::optional<int> answer_command_line(const std::vector<std::string>& arguments,
                                       std::string_view capture_folder, const TextWriter& out,
                                       const TextWriter& error);

// Standard output and standard error as TextWriters: every byte written and
// flushed.
std::string write_standard_output(std::string_view text);
std::string write_standard_error(std::string_view text);

#ifdef _WIN32
// The arguments after the program's name, as UTF-8.
std::vector<std::string> command_line_arguments();

// The console a Windows GUI program may print to, as a TextWriter: its
// redirected standard output (or error), else its parent's console.
std::string write_console(std::string_view text);
std::string write_console_error(std::string_view text);

// Whether lines on standard error reach anybody: a redirection, or the
// console of the program that started us. Started from the desktop, nobody.
bool started_with_console();
#endif

}  // namespace pr
