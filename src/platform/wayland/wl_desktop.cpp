// WaylandPlatform's side of the desktop: the change reports, the focused
// window, keystrokes, the folders, the trash and the one instance per desktop.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/errors.hpp"
#include "platform/gtk/file_manager.hpp"
#include "platform/gtk/gio_trash.hpp"
#include "platform/report.hpp"
#include "platform/wayland/wl_platform.hpp"

namespace pr::wayland {

namespace {

bool inside(const PixelRect& a, const PixelRect& b) {
  return a.left >= b.left && a.top >= b.top && a.left + a.width <= b.left + b.width &&
         a.top + a.height <= b.top + b.height;
}

}  // namespace

ScreenChanges WaylandPlatform::take_screen_changes() {
  const Output screen = output();
  ScreenChanges changes = copier_.take_changes(screen);
  // Our windows on this output; one that the compositor put on another
  // hides nothing here.
  std::vector<PixelRect> ours;
  for (const auto& [id, win] : windows_) {
    const std::uint32_t on = win->shown ? output_of(*win) : 0;
    if (win->shown && (on == 0 || on == screen.name)) ours.push_back(win->client);
  }
  std::erase_if(changes.areas, [&](const PixelRect& area) {
    return std::any_of(ours.begin(), ours.end(),
                       [&](const PixelRect& o) { return inside(area, o); });
  });
  return changes;
}

ForeignWindow WaylandPlatform::focused_window() const {
  return keyboard_held_by_us() ? kNoForeignWindow : kDesktopWindow;
}

PixelRect WaylandPlatform::window_area(ForeignWindow w) const {
  if (w != kDesktopWindow) return {};
  return {0, 0, screen_size().width, screen_size().height};
}

bool WaylandPlatform::keyboard_held_by_us() const {
  if (menu_ && gtk_widget_get_visible(menu_.get())) return true;
  for (const auto& [id, win] : windows_) {
    if (win->shown && win->style.grabs_input) return true;
  }
  return false;
}

void WaylandPlatform::send_keys(const std::vector<KeyChord>& keys) {
  for (const KeyChord& chord : keys) {
    try {
      keyboard_.send({chord});
    } catch (const Error& error) {
      report_error(error.what());
    }
  }
}

std::unique_ptr<AutomationObject> WaylandPlatform::attach_automation(std::string_view class_name) {
  throw Error("no running program answers to " + std::string(class_name) + " on Wayland");
}

std::filesystem::path WaylandPlatform::base_folder() const {
  return gtk::home_folder();
}

void WaylandPlatform::open_folder(const std::filesystem::path& folder) {
  gtk::open_in_file_manager(folder);
}

std::string WaylandPlatform::move_to_trash(const std::filesystem::path& path) {
  return gio_move_to_trash(path);
}

bool WaylandPlatform::claim_instance(WindowId main) {
  main_window_ = main;
  if (instance_lock_ >= 0) return true;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const char* display = std::getenv("WAYLAND_DISPLAY");
  const std::string path = std::string(runtime && *runtime ? runtime : "/tmp") + "/pagerook-" +
                           (display && *display ? display : "wayland-0") + ".lock";
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    report_error("cannot claim the desktop (" + path + ": " + std::strerror(errno) +
                 "); a second Pagerook will not be stopped");
    escape_.start();
    return true;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
    instance_lock_ = fd;
    // Only the instance that stays asks the desktop for Esc.
    escape_.start();
    return true;
  }
  close(fd);
  // Wayland lets no program raise or mark another's window.
  report_error("Pagerook already runs on this desktop; its main window is in the top-left corner");
  return false;
}

}  // namespace pr::wayland
