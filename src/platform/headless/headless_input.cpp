// What a test does to the headless platform as a user would: clicks, drags,
// keys, the close box, the menu, and the programs that automation finds.
#include "platform/headless/headless_platform.hpp"

#include <algorithm>

namespace pr {

void HeadlessPlatform::click_button(WindowId w, int button_id) {
  if (!accepts_input(w)) {
    log("ignored click " + name(w));
    return;
  }
  if (sink_) sink_->button_click(w, button_id);
  deliver_posted();
}

void HeadlessPlatform::mouse_down(WindowId w, int button, int x, int y) {
  if (!accepts_input(w)) return;
  if (sink_) sink_->mouse_down(w, button, 0, x, y);
  deliver_posted();
}

void HeadlessPlatform::mouse_move(WindowId w, int buttons, int x, int y) {
  if (!accepts_input(w)) return;
  if (sink_) sink_->mouse_move(w, buttons, 0, x, y);
  deliver_posted();
}

void HeadlessPlatform::mouse_up(WindowId w, int button, int x, int y) {
  if (!accepts_input(w)) return;
  if (sink_) sink_->mouse_up(w, button, 0, x, y);
  deliver_posted();
}

void HeadlessPlatform::type_key(WindowId w, int char_code) {
  if (!accepts_input(w)) return;
  if (sink_) sink_->key_press(w, char_code);
  deliver_posted();
}

void HeadlessPlatform::press_escape_anywhere() {
  if (escape_target_ != kNoWindow && sink_) {
    sink_->key_press(escape_target_, kEscapeChar);
    deliver_posted();
  } else {
    keystrokes_.push_back({now_ms_, focus, "Escape (typed)"});
  }
}

void HeadlessPlatform::close_window(WindowId w) {
  if (sink_) sink_->close_request(w);
  deliver_posted();
}

void HeadlessPlatform::right_click(WindowId w) {
  if (!accepts_input(w)) return;
  menu_.reset();
  if (sink_) sink_->context_menu(w);
  deliver_posted();
}

void HeadlessPlatform::choose_item(int id) {
  if (!menu_) return;
  const WindowId w = menu_->window;
  menu_.reset();
  log("choose " + std::to_string(id));
  if (sink_) sink_->menu_choice(w, id);
  deliver_posted();
}

void HeadlessPlatform::dismiss_menu() {
  menu_.reset();
}

void HeadlessPlatform::show_menu(WindowId w, const Menu& menu) {
  if (!find(w)) return;
  log("menu " + name(w));
  menu_ = OpenMenu{w, menu};
}

void HeadlessPlatform::open_folder(const std::filesystem::path& folder) {
  log("open folder");
  opened_folders_.push_back(folder);
}

void HeadlessPlatform::register_automation(const std::string& class_name,
                                           std::shared_ptr<AutomationJournal> journal) {
  automation_[class_name] = std::move(journal);
}

}  // namespace pr
