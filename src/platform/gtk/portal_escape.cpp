#include "platform/gtk/portal_escape.hpp"

#include <string>
#include <utility>

#include "platform/report.hpp"

namespace pr::gtk {

namespace {

constexpr const char* kButton = "the main window's button";

void tell(PortalShortcut::State state, const std::string& words) {
  using State = PortalShortcut::State;
  if (state == State::Unavailable) {
    report_error("Esc cannot be taken from the whole desktop: " + words + "; " + kButton +
                 " stops a run");
  } else if (state == State::OtherKey) {
    const std::string key = words.empty() ? "a key it does not name" : "\"" + words + "\"";
    report_error("the desktop gives Pagerook's stop shortcut " + key + ", not Esc: that key and " +
                 kButton + " stop a run");
  }
}

}  // namespace

PortalEscape::PortalEscape(std::function<void(WindowId)> pressed) : pressed_(std::move(pressed)) {}

PortalEscape::~PortalEscape() = default;

void PortalEscape::start() {
  if (shortcut_) return;
  shortcut_ = std::make_unique<PortalShortcut>(
      PortalShortcut::Shortcut{
          "stop", "Stop Pagerook's page-by-page capture", "Escape", {"Escape", "Esc"}},
      &tell, [this] {
        // Outside a run Esc is nobody's business of ours, as without a grab.
        if (target_ != kNoWindow) pressed_(target_);
      });
}

void PortalEscape::grab(WindowId target, bool grab) {
  target_ = grab ? target : kNoWindow;
}

void PortalEscape::forget(WindowId w) {
  if (target_ == w) target_ = kNoWindow;
}

bool PortalEscape::offered() const {
  return shortcut_ && shortcut_->state() == PortalShortcut::State::Bound;
}

bool PortalEscape::asking() const {
  return shortcut_ && shortcut_->state() == PortalShortcut::State::Asking;
}

}  // namespace pr::gtk
