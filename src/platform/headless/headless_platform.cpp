#include "platform/headless/headless_platform.hpp"

#include <algorithm>
#include <limits>

#include "platform/controls.hpp"
#include "platform/errors.hpp"

namespace pr {

bool AutomationJournal::fails(const std::string& what) const {
  return std::find(failing.begin(), failing.end(), what) != failing.end();
}

namespace {

class RecordingObject : public AutomationObject {
 public:
  RecordingObject(std::shared_ptr<AutomationJournal> journal, std::string name)
      : journal_(std::move(journal)), name_(std::move(name)) {}
  ~RecordingObject() override { journal_->calls.push_back("release " + name_); }

  std::unique_ptr<AutomationObject> get_object(std::string_view property) override {
    std::string p(property);
    journal_->calls.push_back("get " + p);
    if (journal_->fails(p)) throw Error(ErrorKind::Automation, "Automation error: " + p);
    return std::make_unique<RecordingObject>(journal_, p);
  }

  void call(std::string_view method, std::vector<NamedArg>& args) override {
    std::string m(method);
    std::string text = "call " + m + "(";
    for (std::size_t i = 0; i < args.size(); ++i) {
      if (i) text += ", ";
      text += args[i].name + "=" + describe(args[i].value) + (args[i].by_ref ? "&" : "");
    }
    journal_->calls.push_back(text + ")");
    if (journal_->fails(m)) throw Error(ErrorKind::Automation, "Automation error: " + m);
  }

 private:
  std::shared_ptr<AutomationJournal> journal_;
  std::string name_;
};

}  // namespace

HeadlessPlatform::HeadlessPlatform(int screen_width, int screen_height,
                                   std::unique_ptr<JpegWriter> writer,
                                   std::filesystem::path capture_folder, float twips_per_pixel)
    : screen_(screen_width, screen_height),
      tpp_(twips_per_pixel),
      writer_(std::move(writer)),
      folder_(std::move(capture_folder)) {
  screen_.fill(0x808080);
}

HeadlessPlatform::Window* HeadlessPlatform::find(WindowId w) {
  auto it = windows_.find(w);
  return it == windows_.end() || !it->second.alive ? nullptr : &it->second;
}

const HeadlessPlatform::Window* HeadlessPlatform::window(WindowId w) const {
  auto it = windows_.find(w);
  return it == windows_.end() || !it->second.alive ? nullptr : &it->second;
}

const HeadlessPlatform::Window* HeadlessPlatform::window_named(const std::string& n) const {
  return window(id_of(n));
}

WindowId HeadlessPlatform::id_of(const std::string& n) const {
  for (const auto& [id, w] : windows_) {
    if (w.alive && w.design.name == n) return id;
  }
  return kNoWindow;
}

std::string HeadlessPlatform::name(WindowId w) const {
  auto it = windows_.find(w);
  return it == windows_.end() ? "?" : it->second.design.name;
}

void HeadlessPlatform::log(const std::string& call) {
  calls_.push_back(call);
}

std::size_t HeadlessPlatform::call_index(const std::string& call, std::size_t from) const {
  for (std::size_t i = from; i < calls_.size(); ++i) {
    if (calls_[i] == call) return i;
  }
  return std::numeric_limits<std::size_t>::max();
}

bool HeadlessPlatform::accepts_input(WindowId w) const {
  // The owner of a shown modal window takes no input.
  for (const auto& [id, other] : windows_) {
    if (other.alive && other.visible && other.modal && other.owner == w) return false;
  }
  return window(w) != nullptr;
}

void HeadlessPlatform::deliver_posted() {
  while (!posted_.empty() && sink_) {
    auto [w, code] = posted_.front();
    posted_.pop_front();
    if (window(w)) sink_->key_press(w, code);
  }
}

void HeadlessPlatform::advance(long long ms) {
  const long long target = now_ms_ + ms;
  for (;;) {
    TimerId next = 0;
    long long due = std::numeric_limits<long long>::max();
    for (const auto& [id, t] : timers_) {
      if (t.enabled && t.interval > 0 && t.due <= target && t.due < due) {
        due = t.due;
        next = id;
      }
    }
    run_actions(std::min(due, target));
    if (next == 0) break;
    // A handler that slept past a tick makes that tick late; the ones after
    // it stay on their grid.
    now_ms_ = std::max(now_ms_, due);
    TimerState& timer = timers_[next];
    timer.due = due + timer.interval * ((now_ms_ - due) / timer.interval + 1);
    if (sink_) sink_->timer_tick(next);
    deliver_posted();
  }
  now_ms_ = std::max(now_ms_, target);
}

void HeadlessPlatform::at(long long time_ms, std::function<void()> action) {
  actions_.push_back({time_ms, std::move(action)});
}

void HeadlessPlatform::run_actions(long long time_ms) {
  for (;;) {
    auto first = actions_.end();
    for (auto it = actions_.begin(); it != actions_.end(); ++it) {
      if (it->time_ms <= time_ms && (first == actions_.end() || it->time_ms < first->time_ms)) {
        first = it;
      }
    }
    if (first == actions_.end()) return;
    std::function<void()> run = std::move(first->run);
    now_ms_ = std::max(now_ms_, first->time_ms);
    actions_.erase(first);
    run();
  }
}

void HeadlessPlatform::sleep_ms(std::int32_t ms) {
  log("sleep " + std::to_string(ms));
  const long long target = now_ms_ + std::max(ms, 0);
  run_actions(target);
  now_ms_ = target;
}

bool HeadlessPlatform::TimedWriter::write(ImageView picture, const std::filesystem::path& path,
                                          unsigned quality) {
  bool ok = hp_.writer_->write(picture, path, quality);
  Image copy(picture.width, picture.height);
  paint_picture(copy, picture, 0, 0, picture.width, picture.height, picture.left, picture.top,
                picture.width, picture.height);
  hp_.writes_.push_back({hp_.now_ms_, path, ok, std::move(copy)});
  return ok;
}

void HeadlessPlatform::click_button(WindowId w, int button_id) {
  if (!accepts_input(w)) {
    log("ignored click " + name(w));
    return;
  }
  if (sink_) sink_->button_click(w, button_id);
  deliver_posted();
}

void HeadlessPlatform::mouse_down(WindowId w, int button, float x, float y) {
  if (!accepts_input(w)) return;
  if (sink_) sink_->mouse_down(w, button, 0, x, y);
  deliver_posted();
}

void HeadlessPlatform::mouse_move(WindowId w, int buttons, float x, float y) {
  if (!accepts_input(w)) return;
  if (sink_) sink_->mouse_move(w, buttons, 0, x, y);
  deliver_posted();
}

void HeadlessPlatform::mouse_up(WindowId w, int button, float x, float y) {
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
    sink_->key_press(escape_target_, 27);
    deliver_posted();
  } else {
    keystrokes_.push_back({now_ms_, focus, "Escape (typed)"});
  }
}

void HeadlessPlatform::close_window(WindowId w) {
  if (sink_) sink_->close_request(w);
  deliver_posted();
}

void HeadlessPlatform::register_automation(const std::string& class_name,
                                           std::shared_ptr<AutomationJournal> journal) {
  automation_[class_name] = std::move(journal);
}

ImageView HeadlessPlatform::copy_screen() {
  ++screen_copies_;
  log("copy_screen");
  copy_.resize(screen_.width(), screen_.height());
  paint_picture(copy_, screen_.view(), 0, 0, screen_.width(), screen_.height(), 0, 0,
                screen_.width(), screen_.height());
  // Our own windows that are still shown are part of the screen.
  for (const auto& [id, w] : windows_) {
    if (!w.alive || !w.visible) continue;
    int x0 = to_pixels(w.left, tpp_), y0 = to_pixels(w.top, tpp_);
    int x1 = to_pixels(w.left + w.width, tpp_), y1 = to_pixels(w.top + w.height, tpp_);
    for (int y = std::max(y0, 0); y < std::min(y1, copy_.height()); ++y) {
      for (int x = std::max(x0, 0); x < std::min(x1, copy_.width()); ++x) {
        if (w.design.kind == WindowKind::Overlay) {
          bool inside = x - x0 < w.picture.width() && y - y0 < w.picture.height();
          copy_.set_pixel(x, y, inside ? w.picture.pixel(x - x0, y - y0) : 0);
        } else {
          copy_.set_pixel(x, y,
                          w.design.kind == WindowKind::Main ? kMainWindowColour : kPreviewColour);
        }
      }
    }
  }
  return copy_.view();
}

ImageView HeadlessPlatform::copy_screen_region(int x, int y, int width, int height) {
  ImageView whole = copy_screen();
  calls_.back() = "copy_screen_region " + std::to_string(x) + " " + std::to_string(y) + " " +
                  std::to_string(width) + " " + std::to_string(height);
  return whole.crop(x, y, width, height);
}

void HeadlessPlatform::set_mouse_pointer(MousePointer pointer) {
  pointer_ = pointer;
  log("pointer " + std::to_string(static_cast<int>(pointer)));
}

WindowId HeadlessPlatform::create_window(const WindowDesign& design) {
  WindowId id = next_window_++;
  Window w;
  w.design = design;
  w.caption = design.caption;
  FrameSize f = frame_size(design.kind);
  w.width = design.client_width + f.width;
  w.height = design.client_height + f.height;
  windows_[id] = std::move(w);
  log("create " + design.name);
  return id;
}

void HeadlessPlatform::destroy_window(WindowId w) {
  if (Window* win = find(w)) {
    win->alive = false;
    win->visible = false;
    log("destroy " + win->design.name);
  }
  if (escape_target_ == w) escape_target_ = kNoWindow;
}

FrameSize HeadlessPlatform::frame_size(WindowKind kind) const {
  // A dialog frame of 3 pixels a side under a 23-pixel title bar; a tool
  // window's frame is what the preview adds to its picture.
  switch (kind) {
    case WindowKind::Main:
      return {6 * tpp_, 29 * tpp_};
    case WindowKind::Preview:
      return {60 * tpp_ / 15, 350 * tpp_ / 15};
    case WindowKind::Overlay:
      break;
  }
  return {0, 0};
}

void HeadlessPlatform::move_window(WindowId w, float left, float top, float width, float height) {
  if (Window* win = find(w)) {
    win->left = left;
    win->top = top;
    win->width = width;
    win->height = height;
    log("move " + win->design.name);
  }
}

void HeadlessPlatform::show_window(WindowId w) {
  if (Window* win = find(w)) {
    win->visible = true;
    log("show " + win->design.name);
  }
}

void HeadlessPlatform::show_modal(WindowId w, WindowId owner) {
  Window* win = find(w);
  if (!win) return;
  win->visible = true;
  win->modal = true;
  win->owner = owner;
  log("show modal " + win->design.name + " owner " + name(owner));
  while (!during_modal.empty()) {
    Window* shown = find(w);
    if (!shown || !shown->visible) break;
    auto action = std::move(during_modal.front());
    during_modal.pop_front();
    action();
  }
  if (Window* still = find(w)) {
    still->modal = false;
    if (still->visible) log("modal left open " + still->design.name);
  }
  log("modal returned " + name(w));
}

void HeadlessPlatform::hide_window(WindowId w) {
  if (Window* win = find(w)) {
    win->visible = false;
    log("hide " + win->design.name);
  }
}

void HeadlessPlatform::set_topmost(WindowId w, bool topmost) {
  if (Window* win = find(w)) {
    win->topmost = topmost;
    log(std::string(topmost ? "topmost " : "not topmost ") + win->design.name);
  }
}

void HeadlessPlatform::set_caption(WindowId w, std::string_view caption) {
  if (Window* win = find(w)) {
    win->caption = caption;
    log("caption " + win->design.name + " " + win->caption);
  }
}

void HeadlessPlatform::set_window_picture(WindowId w, ImageView picture) {
  if (Window* win = find(w)) {
    win->picture.resize(picture.width, picture.height);
    paint_picture(win->picture, picture, 0, 0, picture.width, picture.height, 0, 0, picture.width,
                  picture.height);
    log("picture " + win->design.name);
  }
}

void HeadlessPlatform::set_outline(WindowId w, float left, float top, float width, float height) {
  if (Window* win = find(w)) {
    win->outline[0] = left;
    win->outline[1] = top;
    win->outline[2] = width;
    win->outline[3] = height;
  }
}

void HeadlessPlatform::send_keys(const std::vector<KeyChord>& keys) {
  keystrokes_.push_back({now_ms_, focus, describe(keys)});
  log("send_keys " + describe(keys));
  if (on_keys) on_keys(keys);
}

void HeadlessPlatform::post_key(WindowId w, int char_code) {
  posted_.emplace_back(w, char_code);
  log("post_key " + name(w) + " " + std::to_string(char_code));
}

void HeadlessPlatform::grab_escape(WindowId target, bool grab) {
  escape_target_ = grab ? target : kNoWindow;
  log(grab ? "grab escape" : "release escape");
}

TimerId HeadlessPlatform::create_timer() {
  TimerId id = next_timer_++;
  timers_[id] = {};
  return id;
}

void HeadlessPlatform::set_timer(TimerId t, std::int32_t interval_ms, bool enabled) {
  TimerState& s = timers_[t];
  bool restart = interval_ms != s.interval || (enabled && !s.enabled);
  s.interval = interval_ms;
  s.enabled = enabled;
  if (restart) s.due = now_ms_ + interval_ms;
}

std::unique_ptr<AutomationObject> HeadlessPlatform::attach_automation(std::string_view class_name) {
  auto it = automation_.find(std::string(class_name));
  if (it == automation_.end()) {
    throw Error(ErrorKind::Automation, "ActiveX component can't create object");
  }
  it->second->calls.push_back("attach " + it->first);
  if (it->second->fails("attach")) {
    throw Error(ErrorKind::Automation, "ActiveX component can't create object");
  }
  return std::make_unique<RecordingObject>(it->second, it->first);
}

int HeadlessPlatform::run() {
  deliver_posted();
  return 0;
}

}  // namespace pr
