#include "platform/gtk/file_manager.hpp"

#include <glib.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include <memory>
#include <string>

#include "platform/files.hpp"
#include "platform/gtk/message_dialog.hpp"
#include "platform/report.hpp"

namespace pr::gtk {

namespace {

// Said on stderr and in a dialog: 打开截图文件夹 was chosen from a menu, by
// someone who may never see stderr.
void say_folder_not_opened(const std::string& folder, const std::string& why) {
  report_error("cannot open the capture folder " + folder + ": " + why);
  show_message_dialog("Pagerook — 截图文件夹", "无法打开截图文件夹",
                      folder + "\n\n" + why +
                          "\n\n请安装文件管理器，或自己打开这个文件夹。Install a file manager, or "
                          "open this folder yourself.");
}

struct Opening {
  std::string folder;
};

void on_opener_exit(GPid pid, gint status, gpointer data) {
  std::unique_ptr<Opening> opening(static_cast<Opening*>(data));
  g_spawn_close_pid(pid);
  GError* error = nullptr;
  if (g_spawn_check_wait_status(status, &error)) return;
  // xdg-open's own statuses: 3 is "a required tool could not be found".
  const bool no_tool = error->domain == G_SPAWN_EXIT_ERROR && error->code == 3;
  const std::string why = no_tool ? "xdg-open found no file manager (exit status 3)"
                                  : std::string("xdg-open failed: ") + error->message;
  g_error_free(error);
  say_folder_not_opened(opening->folder, why);
}

}  // namespace

void open_in_file_manager(const std::filesystem::path& folder) {
  const std::string path = folder.string();
  gchar* argv[] = {const_cast<gchar*>("xdg-open"), const_cast<gchar*>(path.c_str()), nullptr};
  GError* error = nullptr;
  GPid pid{};
  // xdg-open's chatter stays off our standard error; its status is watched
  // so that a failure is never silent.
  if (!g_spawn_async(
          nullptr, argv, nullptr,
          static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                                   G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
          nullptr, nullptr, &pid, &error)) {
    const std::string why = std::string("xdg-open: ") + error->message;
    g_error_free(error);
    say_folder_not_opened(files::to_utf8(folder), why);
    return;
  }
  g_child_watch_add(pid, on_opener_exit, new Opening{files::to_utf8(folder)});
}

std::filesystem::path home_folder() {
  std::string home;
  if (const char* env = std::getenv("HOME"); env && *env) {
    home = env;
  } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
    home = pw->pw_dir;
  }
  return files::from_utf8(home);
}

}  // namespace pr::gtk
