#pragma once

#include <stdexcept>
#include <string>
#include <system_error>

namespace pr {

// The program's errors. They reach the edge of the event that raised them,
// where the program reports them and goes on.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& what, std::error_code code = {})
      : std::runtime_error(what), code_(code) {}
  // The system's error behind it, when there is one; a number out of range
  // is std::errc::result_out_of_range.
  std::error_code code() const { return code_; }

 private:
  std::error_code code_;
};

// Runs a step that the handler deliberately goes on past when it fails,
// silently: each use says why at its place.
template <class Step>
void carry_on_after_failure(Step&& step) {
  try {
    step();
  } catch (const std::exception&) {
  }
}

}  // namespace pr
