// The Linux backend in the conformance suite, on the private X server (with a
// window manager) that with-xvfb gives it: the server's own view of our
// windows, real time.

#include <X11/Xlib.h>
#include <gtk/gtk.h>

#include <chrono>

#include "driver.hpp"
#include "platform/x11/x11_platform.hpp"

namespace pr::conformance {
namespace {

using Clock = std::chrono::steady_clock;

class X11Driver : public Driver {
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
    XWindowAttributes a{};
    Window xid = platform_.native_window(w);
    return xid != None && XGetWindowAttributes(display(), xid, &a) && a.map_state == IsViewable;
  }
  PixelRect outer_area(WindowId w) override {
    Window xid = platform_.native_window(w);
    return xid == None ? PixelRect{} : area_of(top_level(xid));
  }
  PixelRect client_area(WindowId w) override {
    Window xid = platform_.native_window(w);
    return xid == None ? PixelRect{} : area_of(xid);
  }
  std::string cannot(Feature feature) const override {
    if (feature == Feature::MenuChoice) return {};
    return "XTest types into another client's window, which this suite does not start; the X11 "
           "tests with their document window check it";
  }
  // Activates the item as GTK does for a click or Return on it; the X11
  // tests choose with the real pointer.
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

 private:
  Display* display() { return platform_.display(); }
  PixelRect area_of(Window xid) {
    XWindowAttributes a{};
    if (!XGetWindowAttributes(display(), xid, &a)) return {};
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(display(), xid, DefaultRootWindow(display()), 0, 0, &x, &y, &child);
    return {x - a.border_width, y - a.border_width, a.width + 2 * a.border_width,
            a.height + 2 * a.border_width};
  }
  // The window manager's frame around `xid`, or `xid` itself.
  Window top_level(Window xid) {
    for (;;) {
      Window root = None, parent = None, *children = nullptr;
      unsigned n = 0;
      if (!XQueryTree(display(), xid, &root, &parent, &children, &n)) return xid;
      if (children) XFree(children);
      if (parent == root || parent == None) return xid;
      xid = parent;
    }
  }
  x11::X11Platform platform_;
};

}  // namespace

std::unique_ptr<Driver> make_driver() {
  return std::make_unique<X11Driver>();
}

}  // namespace pr::conformance
