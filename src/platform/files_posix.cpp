#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/errors.hpp"
#include "platform/files.hpp"

namespace pr::files {

namespace {

[[noreturn]] void fail(int err, const std::filesystem::path& path) {
  throw Error(to_utf8(path) + ": " + std::strerror(err), {err, std::generic_category()});
}

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

Dir open_folder(const std::filesystem::path& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) fail(errno, folder);
  DIR* dir = fdopendir(fd);
  if (!dir) {
    int err = errno;
    ::close(fd);
    fail(err, folder);
  }
  return Dir(dir);
}

}  // namespace

bool is_visible_name(std::string_view name) {
  return !name.empty() && name[0] != '.';
}

bool is_hidden(const std::filesystem::path& path) {
  return !is_visible_name(path.filename().native());
}

bool process_running(long pid) {
  if (pid <= 0) return false;
  // EPERM: it runs, under another user.
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

bool is_followed_link(const std::filesystem::path&) {
  return false;
}

bool exists(const std::filesystem::path& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

std::optional<FolderStamp> folder_stamp(const std::filesystem::path& folder) {
  struct stat st;
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
  auto ns = [](const timespec& t) {
    return static_cast<unsigned long long>(t.tv_sec) * 1000000000ull +
           static_cast<unsigned long long>(t.tv_nsec);
  };
  return FolderStamp{
      static_cast<unsigned long long>(st.st_ino) ^ static_cast<unsigned long long>(st.st_dev) << 40,
      ns(st.st_mtim), ns(st.st_ctim)};
}

void create_folder(const std::filesystem::path& path) {
  if (::mkdir(path.c_str(), 0777) != 0) fail(errno, path);
}

long count_visible_files(const std::filesystem::path& folder) {
  Dir dir = open_folder(folder);
  int fd = dirfd(dir.get());
  long count = 0;
  while (dirent* entry = readdir(dir.get())) {
    if (!is_visible_name(entry->d_name)) continue;
    // The entry's type spares a stat for every plain file; a link counts
    // as what it points to.
    if (entry->d_type == DT_REG) {
      ++count;
      continue;
    }
    if (entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK) continue;
    struct stat st;
    if (fstatat(fd, entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode)) ++count;
  }
  return count;
}

}  // namespace pr::files
