#pragma once

#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/keys.hpp"
#include "platform/wayland/wl_session.hpp"

struct zwp_virtual_keyboard_v1;

namespace pr::wayland {

// A key of the keymap and the modifiers that type the chord with it.
struct KeyStroke {
  std::uint32_t evdev_code = 0;
  std::uint32_t mods = 0;  // xkb modifier mask
};

// The keymap the virtual keyboard types with (libxkbcommon's default: evdev
// rules, the "us" layout unless XKB_DEFAULT_* say otherwise).
class Keymap {
 public:
  // Throws a platform error when libxkbcommon finds no keymap.
  Keymap();
  // The key and modifiers that type the chord; none for a character the
  // keymap has no key for.
  std::optional<KeyStroke> stroke(const KeyChord& chord) const;
  // The keymap in the text form a compositor reads.
  std::string text() const;

 private:
  struct Free {
    void operator()(xkb_context* c) const { xkb_context_unref(c); }
    void operator()(xkb_keymap* k) const { xkb_keymap_unref(k); }
  };
  std::unique_ptr<xkb_context, Free> context_;
  std::unique_ptr<xkb_keymap, Free> keymap_;
};

// One zwp_virtual_keyboard_v1, made at start and kept: a compositor needs a
// moment to take a new keyboard's keymap, and keys sent before it has are lost.
class VirtualKeyboard {
 public:
  // Throws a platform error when the compositor offers no virtual keyboard.
  explicit VirtualKeyboard(Session& session);
  ~VirtualKeyboard();
  VirtualKeyboard(const VirtualKeyboard&) = delete;
  VirtualKeyboard& operator=(const VirtualKeyboard&) = delete;

  // Presses and releases each chord, its modifiers held, without waiting.
  // Throws a platform error naming a chord the keymap cannot type; the
  // chords before it are sent.
  void send(const std::vector<KeyChord>& chords);

 private:
  Session& session_;
  Keymap keymap_;
  zwp_virtual_keyboard_v1* keyboard_ = nullptr;
};

}  // namespace pr::wayland
