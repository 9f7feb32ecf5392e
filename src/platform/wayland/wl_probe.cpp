// The Wayland backend's copies and keystrokes from the command line, for the
// tests and the bench, beside the program:
//   pagerook_wl_probe outputs                 the output's size and scale, or what is missing
//   pagerook_wl_probe copy X Y W H FILE.jpg   one region copy, written as a JPEG, and its time
//   pagerook_wl_probe keys                    one keyboard, kept: a chord per line of stdin
//                                             (PageDown, Ctrl+Home, Enter, Escape, a character)
//   pagerook_wl_probe changes MS              says "armed", then the areas drawn within MS ms
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "core/turbojpeg_writer.hpp"
#include "platform/errors.hpp"
#include "platform/wayland/wl_keyboard.hpp"
#include "platform/wayland/wl_screen_copy.hpp"
#include "platform/wayland/wl_session.hpp"

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
  if (args.size() == 6 && args[0] == "copy") {
    wayland::ScreenCopy copier(session);
    TurboJpegWriter writer;
    const PixelRect area{number(args[1].data()), number(args[2].data()), number(args[3].data()),
                         number(args[4].data())};
    const auto start = Clock::now();
    const ImageView view = copier.copy(output, area);
    const auto copied = Clock::now();
    const WriteResult result = writer.write(view, std::string(args[5]), 90, 96);
    const auto written = Clock::now();
    if (!result) throw Error("cannot write " + std::string(args[5]), result.error);
    using ms = std::chrono::duration<double, std::milli>;
    std::printf("%dx%d copy %.1f ms, encode and write %.1f ms\n", view.width, view.height,
                ms(copied - start).count(), ms(written - copied).count());
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
               "usage: pagerook_wl_probe outputs | copy X Y W H FILE | keys | "
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
