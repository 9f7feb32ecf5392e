#pragma once

#include <functional>
#include <memory>

#include "platform/gtk/portal_shortcut.hpp"
#include "platform/platform.hpp"

namespace pr::gtk {

// Esc from the whole desktop where no key grab can have it (Wayland): a
// shortcut asked of the desktop's global-shortcuts portal once, for the
// life of the program, with Esc as the key we would like. Its presses count
// only while a grab is asked for, as an X key grab would, and go to the
// grab's target. Whatever the portal answers other than Esc is said once on
// stderr, with the main window's button as the way to stop a run.
class PortalEscape {
 public:
  // `pressed` hears the target of the grab at each press.
  explicit PortalEscape(std::function<void(WindowId target)> pressed);
  ~PortalEscape();
  PortalEscape(const PortalEscape&) = delete;
  PortalEscape& operator=(const PortalEscape&) = delete;

  // Asks the portal, without waiting; later calls do nothing.
  void start();
  void grab(WindowId target, bool grab);
  // A destroyed window's grab ends with it.
  void forget(WindowId w);
  // The desktop gives us Esc: a grab asked for now holds.
  bool offered() const;
  bool grabbed() const { return target_ != kNoWindow && offered(); }
  // Asked of the portal, and no answer yet.
  bool asking() const;

 private:
  std::function<void(WindowId)> pressed_;
  std::unique_ptr<PortalShortcut> shortcut_;
  WindowId target_ = kNoWindow;
};

}  // namespace pr::gtk
