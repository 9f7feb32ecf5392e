#include "platform/x11/x11_damage.hpp"

#include "platform/x11/x11_connection.hpp"

namespace pr::x11 {

namespace {
// A screen that is drawn on faster than anyone reads it is simply all drawn.
constexpr std::size_t kMostAreas = 4096;
}  // namespace

ScreenDamage::ScreenDamage(Display* display) : display_(display) {
  int error_base = 0;
  if (!XDamageQueryExtension(display_, &event_base_, &error_base)) return;
  ErrorTrap trap;
  damage_ = XDamageCreate(display_, DefaultRootWindow(display_), XDamageReportRawRectangles);
  if (trap.check() != Success) {
    damage_ = None;
    return;
  }
  gdk_window_add_filter(gdk_get_default_root_window(), &ScreenDamage::filter, this);
}

ScreenDamage::~ScreenDamage() {
  if (damage_ == None) return;
  gdk_window_remove_filter(gdk_get_default_root_window(), &ScreenDamage::filter, this);
  ErrorTrap trap;
  XDamageDestroy(display_, damage_);
  trap.check();
}

GdkFilterReturn ScreenDamage::filter(GdkXEvent* xevent, GdkEvent*, gpointer data) {
  auto* self = static_cast<ScreenDamage*>(data);
  auto* event = static_cast<XEvent*>(xevent);
  if (event->type != self->event_base_ + XDamageNotify) return GDK_FILTER_CONTINUE;
  const auto* damage = reinterpret_cast<XDamageNotifyEvent*>(event);
  if (damage->damage != self->damage_) return GDK_FILTER_CONTINUE;
  if (self->areas_.size() < kMostAreas) {
    self->areas_.push_back(
        {damage->area.x, damage->area.y, damage->area.width, damage->area.height});
  } else {
    self->areas_.back() = {0, 0, 1 << 16, 1 << 16};
  }
  return GDK_FILTER_REMOVE;
}

std::vector<PixelRect> ScreenDamage::take() {
  if (damage_ == None) return {};
  // The server's region is not read; emptying it keeps it small. What was
  // drawn since the loop last read the display comes with the next take.
  XDamageSubtract(display_, damage_, None, None);
  std::vector<PixelRect> taken;
  taken.swap(areas_);
  return taken;
}

}  // namespace pr::x11
