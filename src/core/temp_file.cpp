#include "core/temp_file.hpp"

#include <system_error>

#include "platform/files.hpp"
#include "platform/report.hpp"

#ifdef _WIN32
#include <process.h>
#define PR_GETPID _getpid
#else
#include <unistd.h>
#define PR_GETPID getpid
#endif

namespace pr {

TempFile::TempFile(const std::filesystem::path& target) : target_(target) {
  // A leading dot hides it from the file list while it is being written.
  std::filesystem::path name = ".~";
  name += target.filename();
  name += "." + std::to_string(PR_GETPID()) + ".part";
  temp_ = target.parent_path() / name;
}

TempFile::~TempFile() {
  if (!done_) {
    std::error_code ignored;
    std::filesystem::remove(temp_, ignored);
  }
}

std::error_code TempFile::commit() {
  std::error_code error = files::rename_file(temp_, target_);
  if (error) {
    report_error("cannot rename " + files::to_utf8(temp_) + " to " + files::to_utf8(target_) +
                 ": " + error.message());
    return error;
  }
  done_ = true;
  return {};
}

}  // namespace pr
