#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace pr {

// The one place where the program's errors become text: one line on standard
// error, "pagerook: " and the message. Every part of the program reports
// through here, so a test can take the lines instead.
void report_error(std::string_view message);

// The system's words for an errno value ("No space left on device").
std::string errno_text(int code);

// Where report_error's lines go; an empty function restores standard error.
using ReportSink = std::function<void(std::string_view line)>;
void set_report_sink(ReportSink sink);

}  // namespace pr
