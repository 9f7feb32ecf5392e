#include "platform/headless/headless_platform.hpp"

#include <algorithm>
#include <limits>

#include "platform/errors.hpp"

namespace pr {

bool AutomationJournal::fails(const std::string& what) const {
  return std::find(failing.begin(), failing.end(), what) != failing.end();
}

namespace {

// The four one-pixel strips of an outline in a client area, clipped to it.
void draw_outline(Image& screen, PixelRect client, const int (&r)[4], std::uint32_t rgb) {
  if (r[2] <= 0 || r[3] <= 0) return;
  const int x0 = client.left + r[0], y0 = client.top + r[1];
  const int x1 = x0 + r[2] - 1, y1 = y0 + r[3] - 1;
  auto dot = [&](int x, int y) {
    if (x < client.left || y < client.top || x >= client.left + client.width ||
        y >= client.top + client.height || x < 0 || y < 0 || x >= screen.width() ||
        y >= screen.height()) {
      return;
    }
    screen.set_pixel(x, y, rgb);
  };
  for (int x = x0; x <= x1; ++x) {
    dot(x, y0);
    dot(x, y1);
  }
  for (int y = y0; y <= y1; ++y) {
    dot(x0, y);
    dot(x1, y);
  }
}

class RecordingObject : public AutomationObject {
 public:
  RecordingObject(std::shared_ptr<AutomationJournal> journal, std::string name)
      : journal_(std::move(journal)), name_(std::move(name)) {}
  ~RecordingObject() override { journal_->calls.push_back("release " + name_); }

  std::unique_ptr<AutomationObject> get_object(std::string_view property) override {
    std::string p(property);
    journal_->calls.push_back("get " + p);
    if (journal_->fails(p)) throw Error("Automation error: " + p);
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
    if (journal_->fails(m)) throw Error("Automation error: " + m);
  }

 private:
  std::shared_ptr<AutomationJournal> journal_;
  std::string name_;
};

}  // namespace

HeadlessPlatform::HeadlessPlatform(int screen_width, int screen_height,
                                   std::filesystem::path base_folder, float twips_per_pixel)
    : screen_(screen_width, screen_height), tpp_(twips_per_pixel), folder_(std::move(base_folder)) {
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

PixelRect HeadlessPlatform::client_area(WindowId w) const {
  const Window* win = window(w);
  if (!win) return {};
  const PixelSize frame = frame_size(w);
  const int side = frame.width / 2;
  return {win->left + side, win->top + frame.height - side, win->width - frame.width,
          win->height - frame.height};
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

ImageView HeadlessPlatform::copy_screen() {
  if (failing_copies > 0) {
    --failing_copies;
    log("copy_screen failed");
    throw Error("screen: BadMatch (invalid parameter attributes)");
  }
  ++screen_copies_;
  log("copy_screen");
  copy_.resize(screen_.width(), screen_.height());
  paint_picture(copy_, screen_.view(), 0, 0, screen_.width(), screen_.height(), 0, 0,
                screen_.width(), screen_.height());
  // Our own windows that are still shown are part of the screen.
  for (const auto& [id, w] : windows_) {
    if (!w.alive || !w.visible) continue;
    const int x0 = w.left, y0 = w.top, x1 = w.left + w.width, y1 = w.top + w.height;
    const std::uint32_t face = w.design.style.tool_window ? kPreviewColour : kMainWindowColour;
    for (int y = std::max(y0, 0); y < std::min(y1, copy_.height()); ++y) {
      for (int x = std::max(x0, 0); x < std::min(x1, copy_.width()); ++x) {
        if (!w.design.style.decorated) {
          bool inside = x - x0 < w.picture.width() && y - y0 < w.picture.height();
          copy_.set_pixel(x, y, inside ? w.picture.pixel(x - x0, y - y0) : 0);
        } else {
          copy_.set_pixel(x, y, face);
        }
      }
    }
    draw_outline(copy_, client_area(id), w.outline, w.outline_colour);
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
  windows_[id] = std::move(w);
  PixelSize f = frame_size(id);
  windows_[id].width = design.client_width + f.width;
  windows_[id].height = design.client_height + f.height;
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

PixelSize HeadlessPlatform::frame_size(WindowId w) const {
  const Window* win = window(w);
  if (!win || !win->design.style.decorated) return {0, 0};
  const int title = win->design.style.tool_window ? kToolTitle : kTitle;
  return {2 * kBorder, title + 2 * kBorder};
}

void HeadlessPlatform::move_window(WindowId w, int left, int top, int width, int height) {
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
  while (while_modal) {
    Window* shown = find(w);
    if (!shown || !shown->visible || !while_modal()) break;
  }
  if (Window* still = find(w)) {
    still->modal = false;
    if (still->visible) log("modal left open " + still->design.name);
  }
  log("modal returned " + name(w));
}

bool HeadlessPlatform::modal_shown() const {
  return std::any_of(windows_.begin(), windows_.end(), [](const auto& entry) {
    return entry.second.alive && entry.second.visible && entry.second.modal;
  });
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

void HeadlessPlatform::set_outline(WindowId w, int left, int top, int width, int height,
                                   std::uint32_t rgb) {
  if (Window* win = find(w)) {
    win->outline_colour = rgb;
    // What the screen shows: a side of 0 or less shows no outline at all.
    const bool shown = width > 0 && height > 0;
    win->outline[0] = shown ? left : 0;
    win->outline[1] = shown ? top : 0;
    win->outline[2] = shown ? width : 0;
    win->outline[3] = shown ? height : 0;
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
  if (grab && (escape_refused || escape_withheld)) {
    escape_target_ = kNoWindow;
    log("grab escape refused");
    return;
  }
  escape_target_ = grab ? target : kNoWindow;
  log(grab ? "grab escape" : "release escape");
}

TimerId HeadlessPlatform::create_timer() {
  TimerId id = next_timer_++;
  timers_[id] = {};
  return id;
}

void HeadlessPlatform::set_timer(TimerId t, std::int32_t interval_ms) {
  TimerState& s = timers_[t];
  s.interval = std::max(interval_ms, 0);
  s.due = now_ms_ + s.interval;
}

std::unique_ptr<AutomationObject> HeadlessPlatform::attach_automation(std::string_view class_name) {
  auto it = automation_.find(std::string(class_name));
  if (it == automation_.end()) {
    throw Error("ActiveX component can't create object");
  }
  it->second->calls.push_back("attach " + it->first);
  if (it->second->fails("attach")) {
    throw Error("ActiveX component can't create object");
  }
  return std::make_unique<RecordingObject>(it->second, it->first);
}

std::string HeadlessPlatform::move_to_trash(const std::filesystem::path& path) {
  log("trash " + path.filename().string());
  auto refused = trash_refuses.find(path.filename().string());
  if (refused != trash_refuses.end()) return refused->second;
  // Removing the entry stands for moving it away: a link goes, its target stays.
  std::error_code error;
  if (!std::filesystem::remove(path, error)) return error ? error.message() : "no such file";
  trashed_.push_back(path);
  return "";
}

bool HeadlessPlatform::claim_instance(WindowId main) {
  log("claim_instance " + name(main));
  if (!another_instance) return true;
  ++attention;
  return false;
}

int HeadlessPlatform::run() {
  deliver_posted();
  return 0;
}

}  // namespace pr
