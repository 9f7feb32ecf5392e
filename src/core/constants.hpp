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

// A new page is saved once two grabs this far apart agree; after this many
// tries within one tick, a screen that never settles is saved as last seen.
inline constexpr std::int32_t kSettleMs = 40;
inline constexpr int kSettleTries = 4;

// Two page turns in a row that change nothing: the document has ended.
inline constexpr int kUnchangedTurnsAtEnd = 2;

// "自动": the rectangle is grabbed on this grid after a page turn; a page that
// has not changed after a page's time counts as an unchanged turn.
inline constexpr std::int32_t kAutoPollMs = 50;
inline constexpr int kAutoPollsPerTurn = kPageMs / kAutoPollMs;

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
