#include "platform/keys.hpp"

namespace pr {

namespace {

constexpr const char* kNames[] = {"", "Enter", "Escape", "Home", "PageDown", "Down", "Right"};

}  // namespace

std::string describe(const KeyChord& chord) {
  std::string text;
  if (chord.modifiers & kCtrl) text += "Ctrl+";
  if (chord.modifiers & kAlt) text += "Alt+";
  if (chord.modifiers & kShift) text += "Shift+";
  if (chord.key == Key::Character) {
    char32_t c = chord.ch;
    if (c < 0x80) {
      text += static_cast<char>(c);
    } else if (c < 0x800) {
      text += static_cast<char>(0xc0 | (c >> 6));
      text += static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
      text += static_cast<char>(0xe0 | (c >> 12));
      text += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
      text += static_cast<char>(0x80 | (c & 0x3f));
    } else {
      text += static_cast<char>(0xf0 | (c >> 18));
      text += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
      text += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
      text += static_cast<char>(0x80 | (c & 0x3f));
    }
  } else {
    text += kNames[static_cast<int>(chord.key)];
  }
  return text;
}

std::string describe(const std::vector<KeyChord>& chords) {
  std::string text;
  for (const auto& chord : chords) {
    if (!text.empty()) text += ' ';
    text += describe(chord);
  }
  return text;
}

}  // namespace pr
