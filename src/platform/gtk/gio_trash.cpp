#include "platform/gtk/gio_trash.hpp"

#include <gio/gio.h>

#include <memory>

namespace pr {

std::string gio_move_to_trash(const std::filesystem::path& path) {
  std::unique_ptr<GFile, decltype(&g_object_unref)> file(g_file_new_for_path(path.c_str()),
                                                         &g_object_unref);
  GError* error = nullptr;
  if (g_file_trash(file.get(), nullptr, &error)) return "";
  std::string words = error ? error->message : "unknown error";
  if (error) g_error_free(error);
  return words;
}

}  // namespace pr
