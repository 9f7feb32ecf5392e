#pragma once

#include <stdexcept>
#include <string>
#include <system_error>

namespace pr {

// The program's errors. A handler with resume-next handling skips the step
// that threw one; any other handler lets it reach the event loop, which logs it.
enum class ErrorKind {
  Overflow,
  PathNotFound,
  FileNotFound,
  PermissionDenied,
  InvalidValue,
  ObjectRequired,
  Automation,
  Io,
  Platform,
};

class Error : public std::runtime_error {
 public:
  Error(ErrorKind kind, const std::string& what, std::error_code code = {})
      : std::runtime_error(what), kind_(kind), code_(code) {}
  ErrorKind kind() const { return kind_; }
  // The system's error behind it, when there is one.
  std::error_code code() const { return code_; }

 private:
  ErrorKind kind_;
  std::error_code code_;
};

// Runs the steps of a handler whose failing steps are skipped silently.
class ResumeNext {
 public:
  template <class Step>
  void operator()(Step&& step) {
    try {
      step();
    } catch (const std::exception&) {
      // Skipped: the handler goes on with its next step.
    }
  }
};

}  // namespace pr
