#include "core/capture_folder.hpp"

#include <cerrno>
#include <system_error>

#include "platform/files.hpp"
#include "platform/report.hpp"

namespace pr {

namespace {

constexpr char kTempPrefix[] = ".~";
constexpr char kTempSuffix[] = ".part";

bool ends_with(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The stale temporary file goes for good: it is a half-written picture,
// never anything the user made.
void remove_stale(const std::filesystem::path& path) {
  std::error_code error;
  std::filesystem::remove(path, error);
  if (error) report_error(files::to_utf8(path) + ": " + error.message());
}

void trash_or_delete(Platform& platform, const std::filesystem::path& path,
                     std::vector<std::string>& left) {
  const std::string why = platform.move_to_trash(path);
  if (why.empty()) return;
  const std::string where = files::to_utf8(path);
  // Deleting such a link deletes its target, which is not ours.
  if (files::is_followed_link(path)) {
    report_error(where + ": not movable to the trash (" + why +
                 "), a link that cannot be deleted without its target, left in place");
    left.push_back(files::to_utf8(path.filename()));
    return;
  }
  std::error_code error = files::remove_file(path);
  // Some systems report a removal that did not happen (a read-only folder
  // under Wine): only a file that is gone is said to be deleted.
  std::error_code gone_error;
  const bool gone = std::filesystem::symlink_status(path, gone_error).type() ==
                    std::filesystem::file_type::not_found;
  if (gone) {
    report_error(where + ": not movable to the trash (" + why + "), deleted");
    return;
  }
  if (!error) error = std::make_error_code(std::errc::permission_denied);
  report_error(where + ": not movable to the trash (" + why + ") nor deletable (" +
               error.message() + "), left in place");
  left.push_back(files::to_utf8(path.filename()));
}

}  // namespace

long temporary_file_owner(const std::string& name) {
  if (name.rfind(kTempPrefix, 0) != 0 || !ends_with(name, kTempSuffix)) return 0;
  const std::string stem = name.substr(0, name.size() - (sizeof kTempSuffix - 1));
  const std::size_t dot = stem.rfind('.');
  if (dot == std::string::npos || dot + 1 == stem.size() || stem.size() - dot > 11) return 0;
  long pid = 0;
  for (std::size_t i = dot + 1; i < stem.size(); ++i) {
    if (stem[i] < '0' || stem[i] > '9') return 0;
    pid = pid * 10 + (stem[i] - '0');
  }
  return pid;
}

std::vector<std::string> empty_capture_folder(Platform& platform,
                                              const std::filesystem::path& folder) {
  std::vector<std::string> left;
  // The whole listing first: the folder changes under the loop below.
  std::vector<std::filesystem::directory_entry> entries;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    entries.push_back(*it);
  }
  if (error && error != std::errc::no_such_file_or_directory) {
    report_error(files::to_utf8(folder) + ": not emptied: " + error.message());
  }
  for (const std::filesystem::directory_entry& entry : entries) {
    const std::filesystem::path& path = entry.path();
    const long owner = temporary_file_owner(files::to_utf8(path.filename()));
    if (owner != 0) {
      if (!files::process_running(owner)) remove_stale(path);
      continue;
    }
    if (files::is_hidden(path)) continue;
    std::error_code status_error;
    const std::filesystem::file_status status = entry.symlink_status(status_error);
    // A link to a folder is a link, and goes like any other.
    if (status_error || std::filesystem::is_directory(status)) continue;
    trash_or_delete(platform, path, left);
  }
  return left;
}

}  // namespace pr
