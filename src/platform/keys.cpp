#include "platform/keys.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <utility>

#include "platform/errors.hpp"

namespace pr {

namespace {

struct NamedKey {
  std::string_view name;
  Key key;
};

constexpr NamedKey kNamedKeys[] = {
    {"ENTER", Key::Enter},
    {"ESC", Key::Escape},
    {"ESCAPE", Key::Escape},
    {"TAB", Key::Tab},
    {"BACKSPACE", Key::Backspace},
    {"BS", Key::Backspace},
    {"BKSP", Key::Backspace},
    {"DELETE", Key::Delete},
    {"DEL", Key::Delete},
    {"INSERT", Key::Insert},
    {"INS", Key::Insert},
    {"HOME", Key::Home},
    {"END", Key::End},
    {"PGUP", Key::PageUp},
    {"PGDN", Key::PageDown},
    {"UP", Key::Up},
    {"DOWN", Key::Down},
    {"LEFT", Key::Left},
    {"RIGHT", Key::Right},
    {"F1", Key::F1},
    {"F2", Key::F2},
    {"F3", Key::F3},
    {"F4", Key::F4},
    {"F5", Key::F5},
    {"F6", Key::F6},
    {"F7", Key::F7},
    {"F8", Key::F8},
    {"F9", Key::F9},
    {"F10", Key::F10},
    {"F11", Key::F11},
    {"F12", Key::F12},
};

constexpr std::string_view kNames[] = {
    "",       "Enter",    "Escape", "Tab",  "Backspace", "Delete", "Insert", "Home", "End",
    "PageUp", "PageDown", "Up",     "Down", "Left",      "Right",  "F1",     "F2",   "F3",
    "F4",     "F5",       "F6",     "F7",   "F8",        "F9",     "F10",    "F11",  "F12",
};

[[noreturn]] void bad(std::string_view notation) {
  throw Error(ErrorKind::InvalidValue, "Invalid key notation: " + std::string(notation));
}

// Decodes one UTF-8 character at `i`, advancing it.
char32_t next_char(std::string_view s, std::size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i++]);
  int extra = c >= 0xf0 ? 3 : c >= 0xe0 ? 2 : c >= 0xc0 ? 1 : 0;
  char32_t value = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0f : extra == 1 ? c & 0x1f : c;
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size()) bad(s);
    value = value << 6 | (static_cast<unsigned char>(s[i++]) & 0x3f);
  }
  return value;
}

KeyChord named(std::string_view name, std::string_view notation) {
  std::string upper(name);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  for (const auto& k : kNamedKeys) {
    if (k.name == upper) return {0, k.key, 0};
  }
  std::size_t i = 0;
  if (!name.empty()) {
    char32_t ch = next_char(name, i);
    if (i == name.size()) return {0, Key::Character, ch};  // "{+}", "{%}", "{~}"
  }
  bad(notation);
}

}  // namespace

std::vector<KeyChord> parse_keys(std::string_view s) {
  std::vector<KeyChord> out;
  unsigned pending = 0;
  std::size_t i = 0;
  auto emit = [&](KeyChord chord, int count, unsigned mods) {
    chord.modifiers |= mods;
    for (int n = 0; n < count; ++n) out.push_back(chord);
  };
  while (i < s.size()) {
    char c = s[i];
    if (c == '+' || c == '^' || c == '%') {
      pending |= c == '+' ? kShift : c == '^' ? kCtrl : kAlt;
      ++i;
      continue;
    }
    if (c == '{') {
      // "}" may itself be the key: "{}}".
      std::size_t close = s.find('}', i + 2);
      if (close == std::string_view::npos) bad(s);
      std::string_view inner = s.substr(i + 1, close - i - 1);
      int count = 1;
      std::size_t space = inner.rfind(' ');
      if (space != std::string_view::npos && space > 0) {
        std::string_view digits = inner.substr(space + 1);
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), count);
        if (ec != std::errc() || end != digits.data() + digits.size() || count < 0) bad(s);
        inner = inner.substr(0, space);
      }
      emit(named(inner, s), count, pending);
      pending = 0;
      i = close + 1;
      continue;
    }
    if (c == '(') {
      std::size_t close = s.find(')', i + 1);
      if (close == std::string_view::npos) bad(s);
      for (KeyChord chord : parse_keys(s.substr(i + 1, close - i - 1))) emit(chord, 1, pending);
      pending = 0;
      i = close + 1;
      continue;
    }
    if (c == '}' || c == ')') bad(s);
    if (c == '~') {
      ++i;
      emit({0, Key::Enter, 0}, 1, pending);
    } else {
      emit({0, Key::Character, next_char(s, i)}, 1, pending);
    }
    pending = 0;
  }
  if (pending != 0) bad(s);
  return out;
}

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
