// X11Platform's way to the desktop's file manager: xdg-open.
#include <glib.h>

#include "platform/errors.hpp"
#include "platform/files.hpp"
#include "platform/x11/x11_platform.hpp"

namespace pr::x11 {

void X11Platform::open_folder(const std::filesystem::path& folder) {
  const std::string path = folder.string();
  gchar* argv[] = {const_cast<gchar*>("xdg-open"), const_cast<gchar*>(path.c_str()), nullptr};
  GError* error = nullptr;
  // GLib reaps the child; xdg-open's chatter stays off our standard error.
  if (!g_spawn_async(nullptr, argv, nullptr,
                     static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL |
                                              G_SPAWN_STDERR_TO_DEV_NULL),
                     nullptr, nullptr, nullptr, &error)) {
    std::string what = "xdg-open " + files::to_utf8(folder) + ": " + error->message;
    g_error_free(error);
    throw Error(ErrorKind::Platform, what);
  }
}

}  // namespace pr::x11
