#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pr::gtk {

// One key asked of the desktop through the global-shortcuts portal
// (org.freedesktop.portal.GlobalShortcuts on the session bus), for as long
// as this object lives. Everything happens on GLib's default main context
// without waiting: the constructor only starts the conversation, and the
// answer arrives later through `settled`, and again whenever the user changes
// the binding in the desktop's settings.
class PortalShortcut {
 public:
  struct Shortcut {
    std::string id;           // ours, as Activated names it
    std::string description;  // shown by the desktop beside the key
    std::string trigger;      // the key we would like, in the shortcuts notation ("Escape")
    // How a desktop may describe that key back to us ("Escape", "Esc");
    // compared without regard to case.
    std::vector<std::string> trigger_names;
  };

  enum class State {
    Asking,       // no answer yet
    Bound,        // the desktop gives us the key we asked for
    OtherKey,     // bound, but to a key the desktop names otherwise
    Unavailable,  // no portal, no session bus, or the desktop or the user said no
  };

  // `settled` hears the state once it is known, and each change of it, with
  // the desktop's words: why it is unavailable, or the key it is bound to.
  // `activated` hears each press of the bound key. Neither is called from
  // within the constructor.
  PortalShortcut(Shortcut shortcut, std::function<void(State, const std::string&)> settled,
                 std::function<void()> activated);
  // Closes the session: the desktop lets the key go.
  ~PortalShortcut();
  PortalShortcut(const PortalShortcut&) = delete;
  PortalShortcut& operator=(const PortalShortcut&) = delete;

  State state() const;

  struct Conversation;

 private:
  std::shared_ptr<Conversation> conversation_;
};

}  // namespace pr::gtk
