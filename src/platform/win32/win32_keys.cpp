#include "platform/win32/win32_keys.hpp"

namespace pr::win32 {

namespace {

struct VirtualKey {
  WORD vk = 0;
  bool extended = false;
};

struct KeyEntry {
  Key key;
  VirtualKey vk;
};

// The navigation keys are extended keys: their own, not the keypad's.
constexpr KeyEntry kKeys[] = {
    {Key::Enter, {VK_RETURN}},        {Key::Escape, {VK_ESCAPE}},   {Key::Home, {VK_HOME, true}},
    {Key::PageDown, {VK_NEXT, true}}, {Key::Down, {VK_DOWN, true}}, {Key::Right, {VK_RIGHT, true}},
};

VirtualKey virtual_key(Key key) {
  for (const KeyEntry& e : kKeys) {
    if (e.key == key) return e.vk;
  }
  return {};
}

INPUT vk_input(VirtualKey key, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = key.vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key.vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = (key.extended ? KEYEVENTF_EXTENDEDKEY : 0) | (up ? KEYEVENTF_KEYUP : 0);
  return in;
}

INPUT unicode_input(wchar_t unit, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wScan = unit;
  in.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
  return in;
}

void push_unicode(std::vector<INPUT>& out, char32_t ch) {
  wchar_t units[2];
  int n = 1;
  if (ch >= 0x10000) {
    units[0] = static_cast<wchar_t>(0xD800 + ((ch - 0x10000) >> 10));
    units[1] = static_cast<wchar_t>(0xDC00 + ((ch - 0x10000) & 0x3FF));
    n = 2;
  } else {
    units[0] = static_cast<wchar_t>(ch);
  }
  for (int i = 0; i < n; ++i) {
    out.push_back(unicode_input(units[i], false));
    out.push_back(unicode_input(units[i], true));
  }
}

}  // namespace

std::vector<INPUT> key_inputs(const std::vector<KeyChord>& chords) {
  std::vector<INPUT> out;
  for (const KeyChord& chord : chords) {
    unsigned modifiers = chord.modifiers;
    VirtualKey key = virtual_key(chord.key);
    if (chord.key == Key::Character) {
      // A plain character is typed as itself, whatever the keyboard layout.
      // With Ctrl or Alt held it has to be the key that carries it.
      SHORT scan = modifiers & (kCtrl | kAlt) ? VkKeyScanW(static_cast<wchar_t>(chord.ch)) : -1;
      if (chord.ch >= 0x10000 || scan == -1) {
        push_unicode(out, chord.ch);
        continue;
      }
      key.vk = LOBYTE(scan);
      if (HIBYTE(scan) & 1) modifiers |= kShift;
    }
    const VirtualKey held[] = {{VK_SHIFT}, {VK_CONTROL}, {VK_MENU}};
    const unsigned bits[] = {kShift, kCtrl, kAlt};
    for (int i = 0; i < 3; ++i) {
      if (modifiers & bits[i]) out.push_back(vk_input(held[i], false));
    }
    out.push_back(vk_input(key, false));
    out.push_back(vk_input(key, true));
    for (int i = 2; i >= 0; --i) {
      if (modifiers & bits[i]) out.push_back(vk_input(held[i], true));
    }
  }
  return out;
}

}  // namespace pr::win32
