// The Wayland backend in the conformance suite, beside the private headless
// sway that tests/wayland/with-sway gives it: real time, our windows as the
// compositor has them (GDK's mapped state, the layer surfaces' margins), in
// the output's real pixels.

#include <gtk-layer-shell/gtk-layer-shell.h>
#include <gtk/gtk.h>
#include <stdlib.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/designs.hpp"
#include "driver.hpp"
#include "platform/wayland/wl_platform.hpp"
#include "trash_info.hpp"

namespace pr::conformance {
namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// GIO's trash, only in a HOME of the test's own (see private-home).
fs::path private_trash() {
  const char* home = std::getenv("HOME");
  const char* marked = std::getenv("PAGEROOK_PRIVATE_HOME");
  if (!home || !marked || std::string(home) != marked) return {};
  return fs::path(g_get_user_data_dir()) / "Trash";
}

class WaylandDriver : public Driver {
 public:
  Platform& platform() override { return platform_; }
  void run_for(int ms) override {
    run_until([] { return false; }, ms);
  }
  bool run_until(const std::function<bool()>& done, int timeout_ms) override {
    const auto end = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!done()) {
      if (Clock::now() >= end) return done();
      platform_.pump(std::chrono::milliseconds(5));
    }
    return true;
  }
  long long now_ms() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
        .count();
  }
  bool shown(WindowId w) override {
    GtkWidget* window = platform_.native_window(w);
    GdkWindow* gdk = window ? gtk_widget_get_window(window) : nullptr;
    return gdk && gtk_widget_get_mapped(window) && gdk_window_is_viewable(gdk);
  }
  // A layer surface has no frame: its outer area is its client area.
  PixelRect outer_area(WindowId w) override { return client_area(w); }
  PixelRect client_area(WindowId w) override {
    GtkWidget* window = platform_.native_window(w);
    if (!window) return {};
    GtkWindow* gtk = GTK_WINDOW(window);
    int width = 0, height = 0;
    gtk_window_get_size(gtk, &width, &height);
    const int s = platform_.scale();
    return {gtk_layer_get_margin(gtk, GTK_LAYER_SHELL_EDGE_LEFT) * s,
            gtk_layer_get_margin(gtk, GTK_LAYER_SHELL_EDGE_TOP) * s, width * s, height * s};
  }
  std::string cannot(Feature feature) const override {
    switch (feature) {
      case Feature::SentKeys:
        return "the virtual keyboard types into another program's window, which this suite does "
               "not start; tests/wayland checks it against a terminal";
      case Feature::Trash:
        if (private_trash().empty()) {
          return "the trash is used only in a HOME of the test's own "
                 "(tests/conformance/private-home)";
        }
        return {};
      case Feature::TitleBars:
        return "our windows are layer surfaces, which have no title bar";
      case Feature::Attention:
        return "Wayland lets no program raise or mark another program's window";
      case Feature::GlobalEscape:
      case Feature::RivalEscape:
      case Feature::EscapePress:
        return "no Wayland protocol lets a program take keys typed into another: Esc cannot be "
               "taken from the whole desktop";
      default:
        return {};
    }
  }
  bool choose_menu_item(const std::vector<std::string>& path) override {
    GtkWidget* shell = platform_.popup_menu();
    if (!shell || !gtk_widget_get_visible(shell)) return false;
    for (std::size_t step = 0; step < path.size(); ++step) {
      GtkWidget* item = nullptr;
      GList* children = gtk_container_get_children(GTK_CONTAINER(shell));
      for (GList* c = children; c && !item; c = c->next) {
        const char* label =
            GTK_IS_MENU_ITEM(c->data) ? gtk_menu_item_get_label(GTK_MENU_ITEM(c->data)) : nullptr;
        if (label && path[step] == label) item = GTK_WIDGET(c->data);
      }
      g_list_free(children);
      if (!item || !gtk_widget_is_sensitive(item)) return false;
      GtkWidget* sub = gtk_menu_item_get_submenu(GTK_MENU_ITEM(item));
      if (step + 1 == path.size()) {
        if (sub) return false;
        gtk_menu_shell_activate_item(GTK_MENU_SHELL(shell), item, TRUE);
        return true;
      }
      if (!sub) return false;
      shell = sub;
    }
    return false;
  }
  fs::path scratch_folder() override {
    if (scratch_.empty() && !private_trash().empty()) {
      std::string name = std::string(std::getenv("HOME")) + "/scratch.XXXXXX";
      if (mkdtemp(name.data())) scratch_ = name;
    }
    return scratch_;
  }
  std::vector<TrashEntry> trash() override {
    return trash_entries(private_trash(), [](const std::string& path) { return fs::path(path); });
  }
  bool rival_claims_instance() override {
    wayland::WaylandPlatform rival;
    const WindowId main =
        rival.create_window(design::in_pixels(design::main_window(), rival.twips_per_pixel()));
    const bool claimed = rival.claim_instance(main);
    rival.destroy_window(main);
    return claimed;
  }
  ~WaylandDriver() override {
    std::error_code ignored;
    if (!scratch_.empty()) fs::remove_all(scratch_, ignored);
  }

 private:
  wayland::WaylandPlatform platform_;
  fs::path scratch_;
};

}  // namespace

std::unique_ptr<Driver> make_driver() {
  return std::make_unique<WaylandDriver>();
}

}  // namespace pr::conformance
