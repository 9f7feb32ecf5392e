#pragma once

#include <filesystem>
#include <system_error>

namespace pr {

// A hidden file beside `target` that becomes `target` only when complete.
// Destroyed without `commit`, it removes itself.
class TempFile {
 public:
  explicit TempFile(const std::filesystem::path& target);
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  const std::filesystem::path& path() const { return temp_; }
  // Renames the temporary file to the target. Returns why that failed (the
  // temporary file is then removed), or no error.
  std::error_code commit();

 private:
  std::filesystem::path target_;
  std::filesystem::path temp_;
  bool done_ = false;
};

}  // namespace pr
