// X11Platform's popup menu (a GtkMenu at the pointer) and the file manager.
#include <glib.h>

#include <memory>
#include <string>

#include "platform/errors.hpp"
#include "platform/files.hpp"
#include "platform/report.hpp"
#include "platform/x11/message_dialog.hpp"
#include "platform/x11/x11_platform.hpp"

namespace pr::x11 {

namespace {

constexpr char kItemId[] = "pagerook-menu-item";

}  // namespace

GtkWidget* X11Platform::build_menu(const Menu& menu) {
  GtkWidget* shell = gtk_menu_new();
  for (const MenuItem& item : menu) {
    GtkWidget* widget = nullptr;
    switch (item.kind) {
      case MenuItem::Kind::Separator:
        widget = gtk_separator_menu_item_new();
        break;
      case MenuItem::Kind::Check:
      case MenuItem::Kind::Radio:
        widget = gtk_check_menu_item_new_with_label(item.text.c_str());
        gtk_check_menu_item_set_draw_as_radio(GTK_CHECK_MENU_ITEM(widget),
                                              item.kind == MenuItem::Kind::Radio);
        // Set before "activate" is connected: setting it emits that signal.
        gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget), item.checked);
        break;
      case MenuItem::Kind::Command:
      case MenuItem::Kind::Submenu:
        widget = gtk_menu_item_new_with_label(item.text.c_str());
        break;
    }
    if (item.kind == MenuItem::Kind::Submenu) {
      gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget), build_menu(item.items));
    } else if (item.kind != MenuItem::Kind::Separator) {
      g_object_set_data(G_OBJECT(widget), kItemId, GINT_TO_POINTER(item.id));
      g_signal_connect(widget, "activate", G_CALLBACK(on_menu_item), this);
    }
    gtk_widget_set_sensitive(widget, item.enabled);
    gtk_menu_shell_append(GTK_MENU_SHELL(shell), widget);
  }
  return shell;
}

void X11Platform::show_menu(WindowId w, const Menu& menu) {
  Win* win = find(w);
  if (!win || !win->shown || win->input_blocked) return;
  menu_.reset(build_menu(menu));
  menu_window_ = w;
  gtk_menu_attach_to_widget(GTK_MENU(menu_.get()), win->built.window.get(), nullptr);
  gtk_widget_show_all(menu_.get());
  // The menu takes the pointer and the keyboard with a grab of its own, so
  // the document keeps its focus while it is used from the keyboard.
  if (GdkEvent* trigger = gtk_get_current_event()) {
    gtk_menu_popup_at_pointer(GTK_MENU(menu_.get()), trigger);
    gdk_event_free(trigger);
  } else {
    // Not from a click: at the pointer all the same, as seen from the window.
    GdkWindow* window = gtk_widget_get_window(win->built.window.get());
    GdkDevice* pointer =
        gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_window_get_display(window)));
    GdkRectangle at{0, 0, 1, 1};
    gdk_window_get_device_position(window, pointer, &at.x, &at.y, nullptr);
    gtk_menu_popup_at_rect(GTK_MENU(menu_.get()), window, &at, GDK_GRAVITY_NORTH_WEST,
                           GDK_GRAVITY_NORTH_WEST, nullptr);
  }
  if (!gtk_widget_get_visible(menu_.get())) {
    report_error("the menu could not take the pointer and the keyboard");
  }
}

void X11Platform::on_menu_item(GtkMenuItem* item, gpointer data) {
  auto* self = static_cast<X11Platform*>(data);
  const int id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), kItemId));
  const WindowId w = self->menu_window_;
  if (!self->find(w)) return;
  self->deliver([&] { self->sink_->menu_choice(w, id); });
}

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

void X11Platform::open_folder(const std::filesystem::path& folder) {
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

}  // namespace pr::x11
