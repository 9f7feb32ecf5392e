#include "platform/x11/x11_settle.hpp"

#include <functional>
#include <string_view>
#include <thread>

#include "platform/x11/x11_connection.hpp"

namespace pr::x11 {

namespace {

std::size_t hash_view(ImageView v) {
  std::size_t h = 0;
  for (int y = 0; y < v.height; ++y) {
    std::string_view row(reinterpret_cast<const char*>(v.row(y)),
                         static_cast<std::size_t>(v.width) * 4);
    h = h * 1099511628211ull ^ std::hash<std::string_view>{}(row);
  }
  return h;
}

}  // namespace

void ScreenSettle::windows_changed() {
  last_change_ = Clock::now();
  changed_in_handler_ = true;
}

void ScreenSettle::keys_sent() {
  last_keys_ = last_change_ = Clock::now();
  changed_in_handler_ = true;
}

void ScreenSettle::wait_until_unmapped(const std::vector<Window>& hidden) {
  // Our own unmap requests are done once the server has answered; a managed
  // window is off the screen only when the window manager has also taken
  // its frame away, which a query of the tree tells without taking any of
  // the events the loop dispatches.
  if (hidden.empty()) return;
  XSync(display_, False);
  const auto deadline = Clock::now() + kUnmapPatience;
  for (;;) {
    bool visible = false;
    {
      ErrorTrap trap;
      for (Window w : hidden) {
        XWindowAttributes attrs{};
        if (XGetWindowAttributes(display_, frame_of(display_, w), &attrs) &&
            attrs.map_state == IsViewable) {
          visible = true;
        }
      }
    }
    if (!visible || Clock::now() >= deadline) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

ImageView ScreenSettle::settled(const std::vector<Window>& hidden,
                                const std::function<ImageView()>& grab) {
  if (!changed_in_handler_ && Clock::now() - last_change_ > kQuietEnough) return grab();
  wait_until_unmapped(hidden);
  std::this_thread::sleep_until(last_keys_ + kKeyReaction);
  const auto start = Clock::now();
  ImageView view = grab();
  std::size_t last = hash_view(view);
  auto grabbed = start;
  while (Clock::now() - start < kRedrawPatience) {
    std::this_thread::sleep_until(grabbed + kRedrawProbeGap);
    grabbed = Clock::now();
    view = grab();
    const std::size_t now = hash_view(view);
    if (now == last) break;
    last = now;
  }
  return view;
}

}  // namespace pr::x11
