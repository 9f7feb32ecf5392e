// The Wayland backend's copies and keystrokes from the command line, for the
// tests and the bench, beside the program:
//   pagerook_wl_probe outputs                 the output's size and scale, or what is missing
//   pagerook_wl_probe copy X Y W H FILE.jpg [N]  a region copy written as a JPEG, N times,
//                                             with the time of each step
//   pagerook_wl_probe keys                    one keyboard, kept: a chord per line of stdin
//                                             (PageDown, Ctrl+Home, Enter, Escape, a character)
//   pagerook_wl_probe pointer                 one virtual pointer, kept: per line of stdin
//                                             "move X Y" (the desktop's logical pixels),
//                                             "down" or "up" (the left button)
//   pagerook_wl_probe changes MS              says "armed", then the areas drawn within MS ms
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include <linux/input-event-codes.h>

#include "core/turbojpeg_writer.hpp"
#include "platform/errors.hpp"
#include "platform/wayland/wl_keyboard.hpp"
#include "platform/wayland/wl_screen_copy.hpp"
#include "platform/wayland/wl_session.hpp"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

using namespace pr;
using Clock = std::chrono::steady_clock;

KeyChord chord_of(std::string_view name) {
  KeyChord chord;
  if (name.starts_with("Ctrl+")) {
    chord.modifiers = kCtrl;
    name.remove_prefix(5);
  }
  if (name == "PageDown")
    chord.key = Key::PageDown;
  else if (name == "Home")
    chord.key = Key::Home;
  else if (name == "Enter")
    chord.key = Key::Enter;
  else if (name == "Escape")
    chord.key = Key::Escape;
  else if (name.size() == 1)
    chord.ch = static_cast<unsigned char>(name[0]);
  else
    throw Error("unknown key " + std::string(name));
  return chord;
}

int number(const char* text) {
  return std::atoi(text);
}

std::uint32_t now_ms() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Moves and clicks as a mouse on the desktop would, one line of stdin each.
int drive_pointer(wayland::Session& session) {
  zwlr_virtual_pointer_manager_v1* manager = nullptr;
  static const wl_registry_listener listener = {
      [](void* data, wl_registry* registry, std::uint32_t name, const char* interface,
         std::uint32_t) {
        if (std::string_view(interface) == zwlr_virtual_pointer_manager_v1_interface.name) {
          *static_cast<zwlr_virtual_pointer_manager_v1**>(data) =
              static_cast<zwlr_virtual_pointer_manager_v1*>(
                  wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
        }
      },
      [](void*, wl_registry*, std::uint32_t) {}};
  wl_registry* registry = wl_display_get_registry(session.display());
  wl_registry_add_listener(registry, &listener, &manager);
  session.roundtrip();
  if (!manager) throw Error("the compositor offers no zwlr_virtual_pointer_manager_v1");
  zwlr_virtual_pointer_v1* pointer =
      zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, session.seat());
  std::string line;
  while (std::getline(std::cin, line)) {
    int x = 0, y = 0;
    if (std::sscanf(line.c_str(), "move %d %d", &x, &y) == 2) {
      // Absolute motion spans the box around all outputs as they are now,
      // from the desktop's corner.
      session.roundtrip();
      int right = 1, bottom = 1;
      for (const auto& o : session.outputs()) {
        right = std::max(right, o.x + o.width / o.scale);
        bottom = std::max(bottom, o.y + o.height / o.scale);
      }
      zwlr_virtual_pointer_v1_motion_absolute(pointer, now_ms(), x, y, right, bottom);
    } else if (line == "down" || line == "up") {
      zwlr_virtual_pointer_v1_button(
          pointer, now_ms(), BTN_LEFT,
          line == "down" ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
    } else {
      throw Error("unknown pointer step: " + line);
    }
    zwlr_virtual_pointer_v1_frame(pointer);
    session.roundtrip();
  }
  zwlr_virtual_pointer_v1_destroy(pointer);
  zwlr_virtual_pointer_manager_v1_destroy(manager);
  wl_registry_destroy(registry);
  session.roundtrip();
  return 0;
}

int run(const std::vector<std::string_view>& args) {
  wayland::Session session;
  if (args.size() == 1 && args[0] == "outputs") {
    for (const auto& name : session.missing()) std::printf("missing %s\n", name.data());
    for (const auto& o : session.outputs())
      std::printf("%dx%d scale %d\n", o.width, o.height, o.scale);
    return session.missing().empty() ? 0 : 3;
  }
  if (session.outputs().empty()) throw Error("the compositor has no output");
  const wayland::Output output = session.outputs().front();
  if ((args.size() == 6 || args.size() == 7) && args[0] == "copy") {
    wayland::ScreenCopy copier(session);
    TurboJpegWriter writer;
    const PixelRect area{number(args[1].data()), number(args[2].data()), number(args[3].data()),
                         number(args[4].data())};
    const int times = args.size() == 7 ? std::max(number(args[6].data()), 1) : 1;
    for (int i = 0; i < times; ++i) {
      const auto start = Clock::now();
      const ImageView view = copier.copy(output, area);
      const auto copied = Clock::now();
      const WriteResult result = writer.write(view, std::string(args[5]), 90, 96);
      const auto written = Clock::now();
      if (!result) throw Error("cannot write " + std::string(args[5]), result.error);
      using ms = std::chrono::duration<double, std::milli>;
      std::printf("%dx%d copy %.2f ms, encode and write %.2f ms\n", view.width, view.height,
                  ms(copied - start).count(), ms(written - copied).count());
    }
    return 0;
  }
  if (args.size() == 1 && args[0] == "keys") {
    wayland::VirtualKeyboard keyboard(session);
    std::string line;
    while (std::getline(std::cin, line)) {
      keyboard.send({chord_of(line)});
      session.roundtrip();
    }
    return 0;
  }
  if (args.size() == 1 && args[0] == "pointer") return drive_pointer(session);
  if (args.size() == 2 && args[0] == "changes") {
    wayland::ScreenCopy copier(session);
    copier.take_changes(output);
    std::printf("armed\n");
    std::fflush(stdout);
    const auto deadline = Clock::now() + std::chrono::milliseconds(number(args[1].data()));
    std::vector<PixelRect> areas;
    while (Clock::now() < deadline) {
      session.dispatch(std::chrono::milliseconds(20));
      for (const auto& a : copier.take_changes(output).areas) areas.push_back(a);
    }
    for (const auto& a : areas) std::printf("%d,%d %dx%d\n", a.left, a.top, a.width, a.height);
    return 0;
  }
  std::fprintf(stderr,
               "usage: pagerook_wl_probe outputs | copy X Y W H FILE | keys | pointer | "
               "changes MS\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(std::vector<std::string_view>(argv + 1, argv + argc));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "pagerook_wl_probe: %s\n", error.what());
    return 1;
  }
}
