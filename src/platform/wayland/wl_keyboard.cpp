#include "platform/wayland/wl_keyboard.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>

#include "platform/errors.hpp"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

namespace pr::wayland {

namespace {

xkb_keysym_t keysym_of(const KeyChord& chord) {
  switch (chord.key) {
    case Key::Character:
      if (chord.ch == '\n' || chord.ch == '\r') return XKB_KEY_Return;
      if (chord.ch == '\t') return XKB_KEY_Tab;
      return chord.ch < 0x20 ? XKB_KEY_NoSymbol : xkb_utf32_to_keysym(chord.ch);
    case Key::Enter:
      return XKB_KEY_Return;
    case Key::Escape:
      return XKB_KEY_Escape;
    case Key::Home:
      return XKB_KEY_Home;
    case Key::PageDown:
      return XKB_KEY_Next;
    case Key::Down:
      return XKB_KEY_Down;
    case Key::Right:
      return XKB_KEY_Right;
  }
  return XKB_KEY_NoSymbol;
}

std::uint32_t mask(xkb_keymap* keymap, const char* name) {
  const xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap, name);
  return index == XKB_MOD_INVALID ? 0 : 1u << index;
}

std::uint32_t milliseconds_now() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

Keymap::Keymap() : context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {
  if (context_) {
    keymap_.reset(xkb_keymap_new_from_names(context_.get(), nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS));
  }
  if (!keymap_) throw Error("libxkbcommon found no keymap: keystrokes cannot be sent");
}

std::string Keymap::text() const {
  std::unique_ptr<char, decltype(&std::free)> text(
      xkb_keymap_get_as_string(keymap_.get(), XKB_KEYMAP_FORMAT_TEXT_V1), &std::free);
  return text ? std::string(text.get()) : std::string();
}

std::optional<KeyStroke> Keymap::stroke(const KeyChord& chord) const {
  const xkb_keysym_t wanted = keysym_of(chord);
  if (wanted == XKB_KEY_NoSymbol) return std::nullopt;
  xkb_keymap* keymap = keymap_.get();
  std::uint32_t mods = 0;
  if (chord.modifiers & kShift) mods |= mask(keymap, XKB_MOD_NAME_SHIFT);
  if (chord.modifiers & kCtrl) mods |= mask(keymap, XKB_MOD_NAME_CTRL);
  if (chord.modifiers & kAlt) mods |= mask(keymap, XKB_MOD_NAME_ALT);
  // The first key of the first layout that gives the keysym on its first
  // level, or on its second with Shift held.
  for (xkb_level_index_t level = 0; level < 2; ++level) {
    for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap); key <= xkb_keymap_max_keycode(keymap);
         ++key) {
      const xkb_keysym_t* syms = nullptr;
      const int count = xkb_keymap_key_get_syms_by_level(keymap, key, 0, level, &syms);
      if (count == 1 && syms[0] == wanted) {
        return KeyStroke{key - 8, mods | (level ? mask(keymap, XKB_MOD_NAME_SHIFT) : 0)};
      }
    }
  }
  return std::nullopt;
}

VirtualKeyboard::VirtualKeyboard(Session& session) : session_(session) {
  if (!session.keyboards() || !session.seat()) {
    throw Error("the compositor offers no zwp_virtual_keyboard_manager_v1: no keystrokes");
  }
  const std::string text = keymap_.text();
  if (text.empty()) throw Error("libxkbcommon could not write its keymap");
  const int fd = memfd_create("pagerook-keymap", MFD_CLOEXEC);
  if (fd < 0 || write(fd, text.c_str(), text.size() + 1) != static_cast<ssize_t>(text.size() + 1)) {
    const std::error_code code(errno, std::generic_category());
    if (fd >= 0) close(fd);
    throw Error("cannot hand the keymap to the compositor", code);
  }
  keyboard_ =
      zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(session.keyboards(), session.seat());
  zwp_virtual_keyboard_v1_keymap(keyboard_, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                 static_cast<std::uint32_t>(text.size() + 1));
  close(fd);
  session.roundtrip();
}

VirtualKeyboard::~VirtualKeyboard() {
  zwp_virtual_keyboard_v1_destroy(keyboard_);
  wl_display_flush(session_.display());
}

void VirtualKeyboard::send(const std::vector<KeyChord>& chords) {
  for (const KeyChord& chord : chords) {
    const auto stroke = keymap_.stroke(chord);
    if (!stroke) throw Error("no key of the keymap types " + describe(chord));
    const std::uint32_t time = milliseconds_now();
    zwp_virtual_keyboard_v1_modifiers(keyboard_, stroke->mods, 0, 0, 0);
    zwp_virtual_keyboard_v1_key(keyboard_, time, stroke->evdev_code, WL_KEYBOARD_KEY_STATE_PRESSED);
    zwp_virtual_keyboard_v1_key(keyboard_, time, stroke->evdev_code,
                                WL_KEYBOARD_KEY_STATE_RELEASED);
    zwp_virtual_keyboard_v1_modifiers(keyboard_, 0, 0, 0, 0);
  }
  if (wl_display_flush(session_.display()) < 0 && errno != EAGAIN) session_.check();
}

}  // namespace pr::wayland
