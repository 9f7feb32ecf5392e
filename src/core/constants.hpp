#pragma once

#include <cstdint>

#include "platform/keys.hpp"

namespace pr {

// The product's rules in numbers, each written here once.

// The folder the captures go to, inside the platform's base folder, and the
// PDF of a run in it.
inline constexpr char kCaptureFolderName[] = "截图";
inline constexpr char kPdfName[] = "截图.pdf";

// The rubber band over the frozen screen, 0xRRGGBB.
inline constexpr std::uint32_t kOutlineColour = 0xC00000;

// A page takes five ticks: the one that turns the page, the one that captures
// it, and three idle ticks after it (the last is kLastPhase).
inline constexpr std::int32_t kPageTurnPhase = 0;
inline constexpr std::int32_t kCapturePhase = 1;
inline constexpr std::int32_t kLastPhase = 4;
inline constexpr int kTicksPerPage = kLastPhase + 1;
// The program's first run starts two ticks into a page, so its first page
// turn comes after three ticks.
inline constexpr std::int32_t kFirstRunPhase = 2;

// The options a program run starts with.
inline constexpr int kDefaultJpegQuality = 80;
inline constexpr std::int32_t kDefaultTickMs = 300;

// The time a page takes at the default tick: 1.5 s.
inline constexpr std::int32_t kPageMs = kDefaultTickMs * kTicksPerPage;

// Two page turns in a row that change nothing: the document has ended.
inline constexpr int kUnchangedTurnsAtEnd = 2;

// After a run stopped by itself, Esc stays ours this long: pressed just then
// it was meant for the run, not for the document.
inline constexpr std::int32_t kEscapeGraceMs = 2000;

// "自动": the change reports are read on this grid after a page turn. A page
// is saved once its window has been quiet for kAutoQuietPolls polls; a turn
// that changed nothing in a page's time is an unchanged turn, and a page all
// of one colour is waited for that long in case it is a blank stand-in. A
// window still changing is still drawing its page (a "Loading..." spinner
// beside a blank page) and is waited for up to kAutoDrawingMs; one that
// never stops changing is saved as it is then.
inline constexpr std::int32_t kAutoPollMs = 20;
inline constexpr int kAutoQuietPolls = 2;
inline constexpr int kAutoPollsPerTurn = kPageMs / kAutoPollMs;
inline constexpr std::int32_t kAutoDrawingMs = 10000;
inline constexpr int kAutoPollsAtMost = kAutoDrawingMs / kAutoPollMs;

// The keys a run may turn pages with; Page Down unless the menu says otherwise.
enum class PageKey { PageDown, Right, Down, Space };
inline constexpr PageKey kDefaultPageKey = PageKey::PageDown;
constexpr KeyChord chord_of(PageKey key) {
  switch (key) {
    case PageKey::Right:
      return {0, Key::Right, 0};
    case PageKey::Down:
      return {0, Key::Down, 0};
    case PageKey::Space:
      return {0, Key::Character, U' '};
    case PageKey::PageDown:
      break;
  }
  return {0, Key::PageDown, 0};
}

// Sends the document to its start before the first capture.
inline constexpr KeyChord kDocumentStart{kCtrl, Key::Home, 0};

}  // namespace pr
