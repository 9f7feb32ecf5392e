#pragma once

// The backend conformance suite: one set of tests (conformance_test.cpp) that
// every backend must pass. A backend takes part with one small file that
// defines make_driver() below and is linked with conformance_test.cpp into
// one test executable (see CMakeLists.txt beside this file).
//
// What a backend's driver must provide:
// - platform(): a fresh backend for each test, on the real screen (or a
//   private one: Xvfb, Wine) or a simulated one. The suite sets its event sink
//   and creates its own windows and timers; it never needs the program.
// - run_for(ms): lets the backend handle events, posted keys and due timers
//   for `ms` milliseconds of its own clock, as its event loop would between
//   two of the program's calls. A real backend pumps its loop for that long; a
//   simulated one advances its clock. Anything the backend defers "until the
//   current handler returns" (a grabbing window reaching the screen, posted
//   keys) happens here.
// - run_until(done, timeout_ms): the same until `done` holds; returns done().
// - now_ms(): the clock timers are measured on (monotonic, milliseconds).
// - shown(w): whether the window is on the screen now, as the system sees it
//   (mapped and viewable, IsWindowVisible, ...), not as the backend remembers.
// - outer_area(w), client_area(w): where the window's frame and its client
//   area lie on the screen now, in pixels, as the system sees them.
// - screen(): what the screen shows now, our windows included, as 32-bit
//   pixels; by default the backend's own copy_screen().
// - during_next_modal(ms): a backend whose show_modal runs no loop of its
//   own (a simulated one) runs its clock for up to `ms` inside the next
//   show_modal; a real backend needs nothing here.
// - cannot(feature): empty when the backend does the feature, else the reason
//   it cannot; the suite then skips that test with this reason, by name.
// - scratch_folder() and trash(): a folder for the suite's files and what the
//   backend's trash holds, so that move_to_trash can be watched. The trash is
//   a private one (a HOME and XDG_DATA_HOME of the test's own, see
//   private-home), never the user's.
// - rival_claims_instance(), rival_holds_escape(): another program of the
//   same session doing what a second Pagerook does.
//
// Times in the suite are generous for real backends on a busy machine: every
// wait is on observable state with a timeout, never a fixed sleep before a
// check.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "platform/units.hpp"

namespace pr::conformance {

enum class Feature {
  // Keystrokes sent with send_keys reach the window that has the focus, and
  // the driver can say which ones it got (sent_keys()).
  SentKeys,
  // The driver chooses an item of the menu open now, as a user would
  // (choose_menu_item()).
  MenuChoice,
  // The driver can list the backend's trash (trash()) and gives a folder for
  // files to move there (scratch_folder()).
  Trash,
  // Symbolic links can be made in the scratch folder.
  Links,
  // Another program can claim the session (rival_claims_instance()).
  SecondInstance,
  // The driver can tell whether a window is marked for the user's attention.
  Attention,
  // Another program can hold Esc (rival_holds_escape()).
  RivalEscape,
  // The driver can press Esc as on the keyboard (press_escape()).
  EscapePress,
  // The backend can take Esc from the whole desktop (grab_escape).
  GlobalEscape,
  // A decorated window gets a title bar from the system.
  TitleBars,
};

// One entry of the trash.
struct TrashEntry {
  std::filesystem::path from;    // where it was before
  std::filesystem::path stored;  // where the trash keeps it; empty for a trash that only records
};

class Driver {
 public:
  virtual ~Driver() = default;

  virtual Platform& platform() = 0;
  virtual void run_for(int ms) = 0;
  virtual bool run_until(const std::function<bool()>& done, int timeout_ms) = 0;
  virtual long long now_ms() = 0;
  virtual bool shown(WindowId w) = 0;
  virtual PixelRect outer_area(WindowId w) = 0;
  virtual PixelRect client_area(WindowId w) = 0;
  virtual ImageView screen() { return platform().copy_screen(); }
  virtual void during_next_modal(int ms) { (void)ms; }
  virtual std::string cannot(Feature feature) const = 0;
  // The keystrokes that reached the focused window, in describe() notation,
  // when the backend does Feature::SentKeys.
  virtual std::string sent_keys() { return {}; }
  // Chooses the item reached by `path` (item texts, submenu by submenu) in
  // the menu shown now; false when there is none, or it is greyed, when the
  // backend does Feature::MenuChoice.
  virtual bool choose_menu_item(const std::vector<std::string>& path) {
    (void)path;
    return false;
  }
  // A fresh, empty folder of this driver's, on a file system whose trash
  // move_to_trash uses, when the backend does Feature::Trash.
  virtual std::filesystem::path scratch_folder() { return {}; }
  // Everything the trash holds now.
  virtual std::vector<TrashEntry> trash() { return {}; }
  // A second program of the session starts now with a main window of its own
  // and claims the session; returns what its claim_instance said. It is gone
  // again when this returns.
  virtual bool rival_claims_instance() { return true; }
  // Whether the window is marked for the user's attention now.
  virtual bool attention_drawn(WindowId w) {
    (void)w;
    return false;
  }
  // Another program asks for Esc in every state of the lock keys (hold), or
  // lets it go; returns whether it holds Esc now. A refused hold holds nothing.
  virtual bool rival_holds_escape(bool hold) {
    (void)hold;
    return false;
  }
  // Esc pressed and let go on the keyboard, whichever window has the focus;
  // with `locks_on`, while Caps Lock and Num Lock are on.
  virtual void press_escape(bool locks_on) { (void)locks_on; }
};

// Defined once per backend, in that backend's driver file.
std::unique_ptr<Driver> make_driver();

}  // namespace pr::conformance
