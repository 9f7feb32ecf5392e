// The Linux backend in the conformance suite, on the private X server (with a
// window manager) that with-xvfb gives it: the server's own view of our
// windows, real time.

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <gtk/gtk.h>
#include <stdlib.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "app/designs.hpp"
#include "driver.hpp"
#include "platform/x11/x11_platform.hpp"
#include "trash_info.hpp"

namespace pr::conformance {
namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// The trash that GIO uses, when the test runs in a HOME of its own (see
// private-home); empty otherwise, so that the user's trash is never touched.
fs::path private_trash() {
  const char* home = std::getenv("HOME");
  const char* marked = std::getenv("PAGEROOK_PRIVATE_HOME");
  if (!home || !marked || std::string(home) != marked) return {};
  const fs::path data = g_get_user_data_dir();
  if (data.lexically_normal().string().rfind(fs::path(home).lexically_normal().string(), 0) != 0) {
    return {};
  }
  return data / "Trash";
}

// Another X client of the same server: its own connection, as another
// program has.
class OtherClient {
 public:
  OtherClient() : display_(XOpenDisplay(nullptr)) {}
  ~OtherClient() {
    if (display_) XCloseDisplay(display_);
  }
  OtherClient(const OtherClient&) = delete;
  OtherClient& operator=(const OtherClient&) = delete;

  // Grabs Esc on the root in every state of Caps Lock and Num Lock; a grab
  // refused for any of them is let go entirely.
  bool hold_escape(bool hold) {
    if (!display_) return false;
    const KeyCode code = escape();
    const unsigned num = num_lock();
    const Window root = DefaultRootWindow(display_);
    const unsigned states[] = {0u, unsigned{LockMask}, num, LockMask | num};
    if (!hold) {
      for (unsigned mods : states) XUngrabKey(display_, code, mods, root);
      XSync(display_, False);
      return false;
    }
    refused_ = false;
    current_ = this;
    XErrorHandler before = XSetErrorHandler(&OtherClient::on_error);
    for (unsigned mods : states)
      XGrabKey(display_, code, mods, root, False, GrabModeAsync, GrabModeAsync);
    XSync(display_, False);
    XSetErrorHandler(before);
    current_ = nullptr;
    if (refused_) hold_escape(false);
    return !refused_;
  }
  void press_escape(bool locks_on) {
    if (!display_) return;
    const unsigned locks = LockMask | num_lock();
    if (locks_on) XkbLockModifiers(display_, XkbUseCoreKbd, locks, locks);
    XTestFakeKeyEvent(display_, escape(), True, CurrentTime);
    XTestFakeKeyEvent(display_, escape(), False, CurrentTime);
    if (locks_on) XkbLockModifiers(display_, XkbUseCoreKbd, locks, 0);
    XSync(display_, False);
  }

 private:
  KeyCode escape() { return XKeysymToKeycode(display_, XK_Escape); }
  unsigned num_lock() {
    unsigned mask = 0;
    const KeyCode num = XKeysymToKeycode(display_, XK_Num_Lock);
    if (XModifierKeymap* map = XGetModifierMapping(display_)) {
      for (int m = 0; m < 8 && num; ++m) {
        for (int k = 0; k < map->max_keypermod; ++k) {
          if (map->modifiermap[m * map->max_keypermod + k] == num) mask = 1u << m;
        }
      }
      XFreeModifiermap(map);
    }
    return mask;
  }
  // Only this client's errors arrive while it syncs.
  static int on_error(Display* display, XErrorEvent*) {
    if (current_ && display == current_->display_) current_->refused_ = true;
    return 0;
  }
  static inline OtherClient* current_ = nullptr;
  Display* display_;
  bool refused_ = false;
};

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
    if (feature == Feature::Trash && private_trash().empty()) {
      return "the trash is used only in a HOME of the test's own, with PAGEROOK_PRIVATE_HOME "
             "naming "
             "it (tests/conformance/private-home)";
    }
    if (feature != Feature::SentKeys) return {};
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
  fs::path scratch_folder() override {
    if (scratch_.empty() && !private_trash().empty()) {
      // Beside the trash, on its file system: GIO takes the home trash only
      // for files there.
      std::string name = std::string(std::getenv("HOME")) + "/scratch.XXXXXX";
      if (mkdtemp(name.data())) scratch_ = name;
    }
    return scratch_;
  }
  std::vector<TrashEntry> trash() override {
    return trash_entries(private_trash(), [](const std::string& path) { return fs::path(path); });
  }
  bool rival_claims_instance() override {
    x11::X11Platform rival;
    const WindowId main =
        rival.create_window(design::in_pixels(design::main_window(), rival.twips_per_pixel()));
    const bool claimed = rival.claim_instance(main);
    rival.destroy_window(main);
    return claimed;
  }
  bool attention_drawn(WindowId w) override {
    const Window xid = platform_.native_window(w);
    if (xid == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool marked = false;
    if (XGetWindowProperty(display(), xid, XInternAtom(display(), "_NET_WM_STATE", False), 0, 64,
                           False, XA_ATOM, &type, &format, &count, &after, &data) == Success &&
        data) {
      const Atom wanted = XInternAtom(display(), "_NET_WM_STATE_DEMANDS_ATTENTION", False);
      const auto* atoms = reinterpret_cast<const Atom*>(data);
      for (unsigned long i = 0; i < count; ++i) marked = marked || atoms[i] == wanted;
      XFree(data);
    }
    return marked;
  }
  bool rival_holds_escape(bool hold) override {
    // What we asked of the server before is done before the other asks.
    XSync(display(), False);
    return other_.hold_escape(hold);
  }
  void press_escape(bool locks_on) override { other_.press_escape(locks_on); }
  ~X11Driver() override {
    std::error_code ignored;
    if (!scratch_.empty()) fs::remove_all(scratch_, ignored);
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
  OtherClient other_;
  fs::path scratch_;
};

}  // namespace

std::unique_ptr<Driver> make_driver() {
  return std::make_unique<X11Driver>();
}

}  // namespace pr::conformance
