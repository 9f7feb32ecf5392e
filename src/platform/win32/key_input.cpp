#include "platform/win32/key_input.hpp"

namespace pr::win32 {

namespace {

struct VirtualKey {
  WORD vk = 0;
  bool extended = false;
};

VirtualKey virtual_key(Key key) {
  switch (key) {
    case Key::Enter:
      return {VK_RETURN};
    case Key::Escape:
      return {VK_ESCAPE};
    case Key::Tab:
      return {VK_TAB};
    case Key::Backspace:
      return {VK_BACK};
    case Key::Delete:
      return {VK_DELETE, true};
    case Key::Insert:
      return {VK_INSERT, true};
    case Key::Home:
      return {VK_HOME, true};
    case Key::End:
      return {VK_END, true};
    case Key::PageUp:
      return {VK_PRIOR, true};
    case Key::PageDown:
      return {VK_NEXT, true};
    case Key::Up:
      return {VK_UP, true};
    case Key::Down:
      return {VK_DOWN, true};
    case Key::Left:
      return {VK_LEFT, true};
    case Key::Right:
      return {VK_RIGHT, true};
    case Key::F1:
    case Key::F2:
    case Key::F3:
    case Key::F4:
    case Key::F5:
    case Key::F6:
    case Key::F7:
    case Key::F8:
    case Key::F9:
    case Key::F10:
    case Key::F11:
    case Key::F12:
      return {static_cast<WORD>(VK_F1 + (static_cast<int>(key) - static_cast<int>(Key::F1)))};
    case Key::Character:
      break;
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
