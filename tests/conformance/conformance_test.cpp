#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/designs.hpp"
#include "driver.hpp"

namespace pr::conformance {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kOutline = 0xC00000;

void write_file(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The trash's entry for what was at `from`; null when it has none.
const TrashEntry* entry_from(const std::vector<TrashEntry>& trash, const fs::path& from) {
  for (const TrashEntry& e : trash) {
    if (e.from.lexically_normal() == from.lexically_normal()) return &e;
  }
  return nullptr;
}

std::string text(const PixelRect& r) {
  return std::to_string(r.width) + " x " + std::to_string(r.height) + " at (" +
         std::to_string(r.left) + ", " + std::to_string(r.top) + ")";
}

bool is_there(const fs::path& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

// A picture where every pixel tells where it lies.
std::uint32_t pattern(int x, int y) {
  return static_cast<std::uint32_t>((x * 7 & 0xff) << 16 | (y * 5 & 0xff) << 8 | ((x + y) & 0xff));
}

struct Event {
  std::string what;  // "tick", "key", "tick done", ...
  int id = 0;        // the timer or the window
  int value = 0;     // the character of a key
  long long time = 0;
};

class Sink : public EventSink {
 public:
  explicit Sink(Driver& driver) : driver_(driver) {}
  std::vector<Event> events;
  // Runs inside the handler of a tick, before it returns.
  std::function<void(TimerId)> on_tick;

  void mouse_down(WindowId, int, int, int, int) override {}
  void mouse_move(WindowId, int, int, int, int) override {}
  void mouse_up(WindowId, int, int, int, int) override {}
  void key_press(WindowId w, int c) override { add("key", w, c); }
  void button_click(WindowId w, int id) override { add("click", w, id); }
  void timer_tick(TimerId t) override {
    add("tick", t, 0);
    if (on_tick) on_tick(t);
    add("tick done", t, 0);
  }
  void close_request(WindowId w) override { add("close", w, 0); }
  void menu_choice(WindowId w, int item) override {
    add("menu", w, item);
    if (on_menu) on_menu(w);
  }
  // Runs inside the handler of a menu choice.
  std::function<void(WindowId)> on_menu;

  std::vector<Event> of(const std::string& what, int id) const {
    std::vector<Event> found;
    for (const Event& e : events) {
      if (e.what == what && e.id == id) found.push_back(e);
    }
    return found;
  }

 private:
  void add(const char* what, int id, int value) {
    events.push_back({what, id, value, driver_.now_ms()});
  }
  Driver& driver_;
};

class Conformance : public ::testing::Test {
 protected:
  Conformance() : driver_(make_driver()), sink(*driver_) { platform().set_event_sink(&sink); }
  ~Conformance() override {
    for (WindowId w : windows_) platform().destroy_window(w);
    platform().set_event_sink(nullptr);
  }

  Driver& driver() { return *driver_; }
  Platform& platform() { return driver_->platform(); }
  WindowId create(const design::Window& d) {
    windows_.push_back(
        platform().create_window(design::in_pixels(d, platform().twips_per_pixel())));
    return windows_.back();
  }
  void destroy(WindowId w) {
    platform().destroy_window(w);
    windows_.erase(std::find(windows_.begin(), windows_.end(), w));
  }
  // What the screen shows at (x, y) of the window's client area, once it is
  // `rgb` (or, with is = false, once it no longer is).
  std::uint32_t pixel_when(WindowId w, int x, int y, std::uint32_t rgb, bool is = true) {
    std::uint32_t seen = 0;
    driver().run_until(
        [&] {
          PixelRect c = driver().client_area(w);
          seen = driver().screen().pixel(c.left + x, c.top + y);
          return (seen == rgb) == is;
        },
        5000);
    return seen;
  }
  // The program's overlay at the screen's corner, showing `picture`.
  WindowId overlay_showing(const Image& picture) {
    WindowId w = create(design::overlay());
    platform().move_window(w, 0, 0, picture.width(), picture.height());
    platform().set_window_picture(w, picture.view());
    platform().show_window(w);
    EXPECT_TRUE(driver().run_until([&] { return driver().shown(w); }, 10000));
    // Mapped is not yet painted.
    const int x = picture.width() - 1, y = picture.height() - 1;
    EXPECT_EQ(pixel_when(w, x, y, picture.pixel(x, y)), picture.pixel(x, y));
    EXPECT_EQ(pixel_when(w, 0, 0, picture.pixel(0, 0)), picture.pixel(0, 0));
    return w;
  }
  static Image pattern_picture(int width, int height) {
    Image picture(width, height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) picture.set_pixel(x, y, pattern(x, y));
    }
    return picture;
  }

 private:
  std::unique_ptr<Driver> driver_;
  std::vector<WindowId> windows_;

 protected:
  Sink sink;
};

TEST_F(Conformance, OutlineIsOnePixelWideAboveThePicture) {
  const Image picture = pattern_picture(300, 200);
  WindowId w = overlay_showing(picture);
  platform().set_outline(w, 10, 20, 50, 30, kOutline);
  ASSERT_EQ(pixel_when(w, 10, 20, kOutline), kOutline);
  ImageView screen = driver().screen();
  PixelRect c = driver().client_area(w);
  auto at = [&](int x, int y) { return screen.pixel(c.left + x, c.top + y); };
  EXPECT_EQ(at(59, 49), kOutline) << "the bottom right corner is inside the size";
  EXPECT_EQ(at(35, 20), kOutline);
  EXPECT_EQ(at(10, 35), kOutline);
  EXPECT_EQ(at(60, 49), pattern(60, 49)) << "one pixel wide, no wider";
  EXPECT_EQ(at(11, 21), pattern(11, 21)) << "not filled";
  EXPECT_EQ(at(9, 20), pattern(9, 20));

  // Moved, it leaves the picture behind as it was.
  platform().set_outline(w, 100, 10, 20, 20, kOutline);
  ASSERT_EQ(pixel_when(w, 100, 10, kOutline), kOutline);
  EXPECT_EQ(pixel_when(w, 10, 20, pattern(10, 20)), pattern(10, 20));
}

TEST_F(Conformance, OutlineWithASideOfZeroOrLessIsHidden) {
  const Image picture = pattern_picture(300, 200);
  WindowId w = overlay_showing(picture);
  const int hiding[][4] = {
      {10, 20, 0, 30}, {10, 20, 50, 0}, {10, 20, -5, 30}, {10, 20, 50, -1}, {0, 0, 0, 0}};
  for (const auto& r : hiding) {
    SCOPED_TRACE(std::to_string(r[2]) + " x " + std::to_string(r[3]));
    platform().set_outline(w, 10, 20, 50, 30, kOutline);
    ASSERT_EQ(pixel_when(w, 10, 20, kOutline), kOutline);
    platform().set_outline(w, r[0], r[1], r[2], r[3], kOutline);
    // The corner is on the top and the left side alike, so no line of any
    // shape may cover it.
    EXPECT_EQ(pixel_when(w, 10, 20, pattern(10, 20)), pattern(10, 20));
    EXPECT_EQ(pixel_when(w, 30, 20, pattern(30, 20)), pattern(30, 20));
    EXPECT_EQ(pixel_when(w, 10, 40, pattern(10, 40)), pattern(10, 40));
  }
}

TEST_F(Conformance, RegionCopyIsPixelExact) {
  const Image picture = pattern_picture(400, 300);
  WindowId w = overlay_showing(picture);
  PixelRect c = driver().client_area(w);
  ImageView part = platform().copy_screen_region(c.left + 37, c.top + 21, 123, 77);
  ASSERT_EQ(part.width, 123);
  ASSERT_EQ(part.height, 77);
  long wrong = 0;
  for (int y = 0; y < part.height; ++y) {
    for (int x = 0; x < part.width; ++x) wrong += part.pixel(x, y) != pattern(37 + x, 21 + y);
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(part.left, c.left + 37) << "the view knows where it lies on the screen";
  EXPECT_EQ(part.top, c.top + 21);

  ImageView whole = platform().copy_screen();
  EXPECT_EQ(whole.width, platform().screen_size().width);
  EXPECT_EQ(whole.height, platform().screen_size().height);
  EXPECT_EQ(whole.pixel(c.left + 200, c.top + 150), pattern(200, 150));
}

TEST_F(Conformance, FrameIsWhatTheSystemAddsToTheClientArea) {
  for (const design::Window& d : {design::main_window(), design::preview(), design::overlay()}) {
    SCOPED_TRACE(d.name);
    WindowId w = create(d);
    PixelSize frame = platform().frame_size(w);
    if (d.style.decorated && driver().cannot(Feature::TitleBars).empty()) {
      EXPECT_GT(frame.height, frame.width) << "a title bar above the client area";
    } else {
      EXPECT_EQ(frame.width, 0);
      EXPECT_EQ(frame.height, 0);
    }
    // At least the design's size, which its buttons fit at any scale.
    const WindowDesign px = design::in_pixels(d, platform().twips_per_pixel());
    const int width = std::max(200, px.client_width), height = std::max(100, px.client_height);
    const PixelRect outer{40, 30, width + frame.width, height + frame.height};
    platform().move_window(w, outer.left, outer.top, outer.width, outer.height);
    platform().show_window(w);
    ASSERT_TRUE(driver().run_until(
        [&] {
          PixelRect c = driver().client_area(w);
          PixelRect o = driver().outer_area(w);
          return driver().shown(w) && c.width == width && c.height == height &&
                 o.left == outer.left && o.top == outer.top;
        },
        10000))
        << "shown " << driver().shown(w) << ", frame " << text(driver().outer_area(w))
        << ", client area " << text(driver().client_area(w));
    PixelRect o = driver().outer_area(w);
    PixelRect c = driver().client_area(w);
    EXPECT_EQ(o.width, outer.width);
    EXPECT_EQ(o.height, outer.height);
    EXPECT_GE(c.left, o.left);
    EXPECT_GE(c.top, o.top);
    EXPECT_LE(c.left + c.width, o.left + o.width);
    EXPECT_LE(c.top + c.height, o.top + o.height);
    platform().hide_window(w);
  }
}

TEST_F(Conformance, ShowAndHideReachTheScreen) {
  for (const design::Window& d : {design::main_window(), design::overlay(), design::preview()}) {
    SCOPED_TRACE(d.name);
    WindowId w = create(d);
    platform().move_window(w, 50, 50, 300, 200);
    EXPECT_FALSE(driver().shown(w)) << "created hidden";
    platform().show_window(w);
    EXPECT_TRUE(driver().run_until([&] { return driver().shown(w); }, 10000));
    platform().hide_window(w);
    EXPECT_TRUE(driver().run_until([&] { return !driver().shown(w); }, 10000));
    platform().show_window(w);
    EXPECT_TRUE(driver().run_until([&] { return driver().shown(w); }, 10000));
    // Gone while shown: nothing of it stays, and calls on it do nothing.
    destroy(w);
    platform().show_window(w);
    platform().set_outline(w, 1, 1, 5, 5, kOutline);
    platform().post_key(w, 13);
    driver().run_for(100);
    EXPECT_TRUE(sink.of("key", w).empty());
  }
}

TEST_F(Conformance, ModalDisplayReturnsWhenHiddenOrDestroyedWhileTimersTick) {
  WindowId owner = create(design::main_window());
  WindowId preview = create(design::preview());
  platform().move_window(owner, 0, 0, 200, 100);
  platform().show_window(owner);
  ASSERT_TRUE(driver().run_until([&] { return driver().shown(owner); }, 10000));
  TimerId t = platform().create_timer();
  // Should the display not return, the guard ends it and the test fails.
  TimerId guard = platform().create_timer();
  bool guard_fired = false;
  int ticks = 0;
  bool destroy_it = false;
  sink.on_tick = [&](TimerId id) {
    if (id == guard) {
      guard_fired = true;
      platform().set_timer(guard, 0);
      platform().hide_window(preview);
    } else if (id == t && ++ticks == 3) {
      platform().set_timer(t, 0);
      if (destroy_it) {
        destroy(preview);
      } else {
        platform().hide_window(preview);
      }
    }
  };
  platform().set_timer(t, 20);
  platform().set_timer(guard, 20000);
  driver().during_next_modal(30000);
  platform().show_modal(preview, owner);
  EXPECT_FALSE(guard_fired);
  EXPECT_EQ(ticks, 3);
  EXPECT_TRUE(driver().run_until([&] { return !driver().shown(preview); }, 10000));

  // Destroyed instead of hidden.
  ticks = 0;
  destroy_it = true;
  platform().set_timer(t, 20);
  platform().set_timer(guard, 20000);
  driver().during_next_modal(30000);
  platform().show_modal(preview, owner);
  EXPECT_FALSE(guard_fired);
  EXPECT_EQ(ticks, 3);
  platform().set_timer(guard, 0);
  EXPECT_TRUE(driver().shown(owner));
}

TEST_F(Conformance, SetTimerStartsANewPeriodEachTimeAndZeroStops) {
  TimerId t = platform().create_timer();
  platform().set_timer(t, 300);
  driver().run_for(200);
  sink.events.clear();
  const long long restart = driver().now_ms();
  platform().set_timer(t, 300);
  ASSERT_TRUE(driver().run_until([&] { return sink.of("tick", t).size() >= 3; }, 10000));
  auto ticks = sink.of("tick", t);
  // Without the restart the first tick would come about 100 ms after it.
  EXPECT_GE(ticks[0].time - restart, 250);
  EXPECT_GE(ticks[2].time - ticks[0].time, 2 * 300 - 50) << "periodic, on the new interval";

  platform().set_timer(t, 0);
  const long long stop = driver().now_ms();
  driver().run_for(700);
  for (const Event& e : sink.of("tick", t)) EXPECT_LE(e.time, stop) << "a tick after stopping";
}

TEST_F(Conformance, TimersTickIndependently) {
  TimerId fast = platform().create_timer();
  TimerId slow = platform().create_timer();
  TimerId never = platform().create_timer();
  platform().set_timer(fast, 40);
  platform().set_timer(slow, 150);
  platform().set_timer(never, 0);
  ASSERT_TRUE(driver().run_until([&] { return sink.of("tick", slow).size() >= 2; }, 10000));
  EXPECT_GT(sink.of("tick", fast).size(), sink.of("tick", slow).size());
  platform().set_timer(slow, 0);
  const std::size_t slow_ticks = sink.of("tick", slow).size();
  const std::size_t fast_ticks = sink.of("tick", fast).size();
  ASSERT_TRUE(
      driver().run_until([&] { return sink.of("tick", fast).size() >= fast_ticks + 3; }, 10000));
  EXPECT_EQ(sink.of("tick", slow).size(), slow_ticks);
  EXPECT_TRUE(sink.of("tick", never).empty());
  platform().set_timer(fast, 0);
}

TEST_F(Conformance, PostedKeysArriveInOrderAfterTheHandlerThatPostedThem) {
  WindowId w = create(design::main_window());
  TimerId t = platform().create_timer();
  sink.on_tick = [&](TimerId) {
    platform().set_timer(t, 0);
    platform().post_key(w, 13);
    platform().post_key(w, 27);
  };
  platform().set_timer(t, 20);
  ASSERT_TRUE(driver().run_until([&] { return sink.of("key", w).size() >= 2; }, 10000));
  driver().run_for(100);
  std::vector<std::string> order;
  for (const Event& e : sink.events) {
    order.push_back(e.what + (e.what == "key" ? " " + std::to_string(e.value) : ""));
  }
  EXPECT_EQ(order, (std::vector<std::string>{"tick", "tick done", "key 13", "key 27"}));

  // Posted outside any handler: handled by the loop, once.
  platform().post_key(w, 65);
  ASSERT_TRUE(driver().run_until([&] { return sink.of("key", w).size() >= 3; }, 10000));
  driver().run_for(100);
  EXPECT_EQ(sink.of("key", w).size(), 3u);
  EXPECT_EQ(sink.of("key", w)[2].value, 65);
}

TEST_F(Conformance, SentKeysReachTheFocusedWindow) {
  if (std::string why = driver().cannot(Feature::SentKeys); !why.empty()) GTEST_SKIP() << why;
  platform().send_keys({{0, Key::PageDown, 0}});
  EXPECT_TRUE(driver().run_until(
      [&] { return driver().sent_keys().find("PageDown") != std::string::npos; }, 10000));
}

TEST_F(Conformance, MenuChoiceArrivesAfterTheMenuClosesForItsWindow) {
  if (std::string why = driver().cannot(Feature::MenuChoice); !why.empty()) GTEST_SKIP() << why;
  using Kind = MenuItem::Kind;
  const Menu menu{
      {10, "One", Kind::Check, true, true, {}},
      {0, "", Kind::Separator, false, true, {}},
      {0,
       "Sub",
       Kind::Submenu,
       false,
       true,
       {{21, "A", Kind::Radio, false, true, {}}, {22, "B", Kind::Radio, true, true, {}}}},
      {30, "Off", Kind::Command, false, false, {}}};
  WindowId other = create(design::main_window());
  WindowId w = create(design::main_window());
  platform().move_window(w, 50, 50, 300, 200);
  platform().show_window(w);
  ASSERT_TRUE(driver().run_until([&] { return driver().shown(w); }, 10000));

  platform().show_menu(w, menu);
  driver().run_for(50);
  EXPECT_TRUE(sink.of("menu", w).empty()) << "nothing is chosen by showing the menu";
  ASSERT_TRUE(driver().choose_menu_item({"Sub", "A"}));
  ASSERT_TRUE(driver().run_until([&] { return sink.of("menu", w).size() == 1; }, 10000));
  EXPECT_EQ(sink.of("menu", w)[0].value, 21);

  // A checked item reports its id again; the menu keeps no state of its own.
  platform().show_menu(w, menu);
  ASSERT_TRUE(driver().choose_menu_item({"One"}));
  ASSERT_TRUE(driver().run_until([&] { return sink.of("menu", w).size() == 2; }, 10000));
  EXPECT_EQ(sink.of("menu", w)[1].value, 10);

  // Greyed items, submenus and separators are not choices.
  platform().show_menu(w, menu);
  EXPECT_FALSE(driver().choose_menu_item({"Off"}));
  EXPECT_FALSE(driver().choose_menu_item({"Sub"}));
  driver().run_for(100);
  EXPECT_EQ(sink.of("menu", w).size(), 2u);
  EXPECT_TRUE(sink.of("menu", other).empty());

  // A choice may end the window it was made on, as 退出 does.
  sink.on_menu = [&](WindowId chosen) { destroy(chosen); };
  platform().show_menu(w, menu);
  ASSERT_TRUE(driver().choose_menu_item({"One"}));
  ASSERT_TRUE(driver().run_until([&] { return sink.of("menu", w).size() == 3; }, 10000));
  driver().run_for(100);
  EXPECT_FALSE(driver().shown(w));
  platform().show_menu(w, menu);  // on a window that is gone: nothing
  EXPECT_FALSE(driver().choose_menu_item({"One"}));
}

TEST_F(Conformance, TrashedFilesLeaveTheirFolderAndAreKeptInTheTrash) {
  if (std::string why = driver().cannot(Feature::Trash); !why.empty()) GTEST_SKIP() << why;
  const fs::path dir = driver().scratch_folder();
  fs::create_directories(dir / "a");
  fs::create_directories(dir / "b");
  write_file(dir / "a" / "0.jpg", "the first run's page");
  write_file(dir / "b" / "0.jpg", "another folder's page");
  write_file(dir / "a" / "notes.txt", "stays");
  const std::size_t before = driver().trash().size();

  EXPECT_EQ(platform().move_to_trash(dir / "a" / "0.jpg"), "");
  EXPECT_EQ(platform().move_to_trash(dir / "b" / "0.jpg"), "") << "a name the trash holds already";
  EXPECT_FALSE(is_there(dir / "a" / "0.jpg"));
  EXPECT_FALSE(is_there(dir / "b" / "0.jpg"));
  EXPECT_EQ(read_file(dir / "a" / "notes.txt"), "stays") << "nothing else of the folder moves";

  const std::vector<TrashEntry> trash = driver().trash();
  EXPECT_EQ(trash.size(), before + 2);
  for (const auto& [from, text] : {std::pair{dir / "a" / "0.jpg", "the first run's page"},
                                   std::pair{dir / "b" / "0.jpg", "another folder's page"}}) {
    SCOPED_TRACE(from.string());
    const TrashEntry* entry = entry_from(trash, from);
    ASSERT_NE(entry, nullptr) << "the trash knows where it came from, to put it back";
    if (!entry->stored.empty()) {
      EXPECT_EQ(read_file(entry->stored), text);
    }
  }
}

TEST_F(Conformance, TrashTakesALinkItselfNeverItsTarget) {
  if (std::string why = driver().cannot(Feature::Trash); !why.empty()) GTEST_SKIP() << why;
  if (std::string why = driver().cannot(Feature::Links); !why.empty()) GTEST_SKIP() << why;
  const fs::path dir = driver().scratch_folder();
  fs::create_directories(dir / "elsewhere");
  const fs::path target = dir / "elsewhere" / "page.jpg";
  write_file(target, "the target");
  fs::create_symlink(target, dir / "1.jpg");
  fs::create_symlink(dir / "elsewhere" / "gone.jpg", dir / "2.jpg");  // to nothing

  EXPECT_EQ(platform().move_to_trash(dir / "1.jpg"), "");
  EXPECT_EQ(platform().move_to_trash(dir / "2.jpg"), "") << "a link to nothing is an entry too";
  EXPECT_FALSE(is_there(dir / "1.jpg"));
  EXPECT_FALSE(is_there(dir / "2.jpg"));
  EXPECT_EQ(read_file(target), "the target") << "the target stays where it was, as it was";

  const std::vector<TrashEntry> trash = driver().trash();
  EXPECT_EQ(entry_from(trash, target), nullptr);
  for (const char* name : {"1.jpg", "2.jpg"}) {
    SCOPED_TRACE(name);
    const TrashEntry* entry = entry_from(trash, dir / name);
    ASSERT_NE(entry, nullptr);
    if (!entry->stored.empty()) {
      EXPECT_TRUE(fs::is_symlink(fs::symlink_status(entry->stored))) << "the link, not a copy";
    }
  }
}

TEST_F(Conformance, TrashRefusesWhatIsNotThereWithAReason) {
  if (std::string why = driver().cannot(Feature::Trash); !why.empty()) GTEST_SKIP() << why;
  const fs::path dir = driver().scratch_folder();
  write_file(dir / "0.jpg", "stays");
  const std::size_t before = driver().trash().size();
  for (const fs::path& missing : {dir / "1.jpg", dir / "no folder" / "0.jpg"}) {
    SCOPED_TRACE(missing.string());
    EXPECT_NE(platform().move_to_trash(missing), "");
  }
  EXPECT_EQ(driver().trash().size(), before);
  EXPECT_EQ(read_file(dir / "0.jpg"), "stays");
}

TEST_F(Conformance, SecondInstanceIsRefusedWhileTheFirstHoldsTheSession) {
  WindowId main = create(design::main_window());
  platform().move_window(main, 40, 40, 200, 100);
  platform().show_window(main);
  ASSERT_TRUE(driver().run_until([&] { return driver().shown(main); }, 10000));
  EXPECT_TRUE(platform().claim_instance(main)) << "the first in the session";
  if (std::string why = driver().cannot(Feature::SecondInstance); !why.empty()) GTEST_SKIP() << why;
  EXPECT_FALSE(driver().rival_claims_instance()) << "a second one while the first runs";
  EXPECT_FALSE(driver().rival_claims_instance()) << "the refused claim took nothing from the first";
}

TEST_F(Conformance, ClaimOfTheSessionEndsWithItsProgram) {
  if (std::string why = driver().cannot(Feature::SecondInstance); !why.empty()) GTEST_SKIP() << why;
  EXPECT_TRUE(driver().rival_claims_instance()) << "nobody holds the session yet";
  EXPECT_TRUE(driver().rival_claims_instance()) << "the one before is gone, and its claim with it";
  WindowId main = create(design::main_window());
  EXPECT_TRUE(platform().claim_instance(main));
}

TEST_F(Conformance, SecondInstanceDrawsAttentionToTheFirstsMainWindow) {
  if (std::string why = driver().cannot(Feature::SecondInstance); !why.empty()) GTEST_SKIP() << why;
  if (std::string why = driver().cannot(Feature::Attention); !why.empty()) GTEST_SKIP() << why;
  WindowId main = create(design::main_window());
  WindowId other = create(design::preview());
  // The other one of ours shown last, above the main window.
  for (WindowId w : {main, other}) {
    platform().move_window(w, 40, 40, 200, 100);
    platform().show_window(w);
    ASSERT_TRUE(driver().run_until([&] { return driver().shown(w); }, 10000));
  }
  ASSERT_TRUE(platform().claim_instance(main));
  ASSERT_FALSE(driver().attention_drawn(main)) << "not before a second one starts";
  ASSERT_FALSE(driver().rival_claims_instance());
  EXPECT_TRUE(driver().run_until([&] { return driver().attention_drawn(main); }, 10000));
  EXPECT_FALSE(driver().attention_drawn(other)) << "the main window, not any of ours";
}

TEST_F(Conformance, EscapeGrabIsHeldAtTheSystemAndRefusedWhileAnotherHoldsIt) {
  if (std::string why = driver().cannot(Feature::GlobalEscape); !why.empty()) GTEST_SKIP() << why;
  WindowId w = create(design::main_window());
  const bool rival = driver().cannot(Feature::RivalEscape).empty();
  platform().grab_escape(w, true);
  EXPECT_TRUE(platform().escape_grabbed());
  if (rival) {
    EXPECT_FALSE(driver().rival_holds_escape(true)) << "held, not only remembered";
  }
  platform().grab_escape(w, false);
  EXPECT_FALSE(platform().escape_grabbed());
  if (!rival) GTEST_SKIP() << driver().cannot(Feature::RivalEscape);

  ASSERT_TRUE(driver().rival_holds_escape(true)) << "let go at the system";
  platform().grab_escape(w, true);
  EXPECT_FALSE(platform().escape_grabbed()) << "another program holds Esc";
  driver().rival_holds_escape(false);
  EXPECT_FALSE(platform().escape_grabbed()) << "nothing is held until we ask again";
  platform().grab_escape(w, true);
  EXPECT_TRUE(platform().escape_grabbed()) << "asked again after the other let go";
  EXPECT_FALSE(driver().rival_holds_escape(true));

  // A grab ends with its window.
  destroy(w);
  EXPECT_FALSE(platform().escape_grabbed());
  EXPECT_TRUE(driver().rival_holds_escape(true));
  driver().rival_holds_escape(false);
}

TEST_F(Conformance, EscapePressedAnywhereReachesTheGrabsTargetOnce) {
  if (std::string why = driver().cannot(Feature::EscapePress); !why.empty()) GTEST_SKIP() << why;
  WindowId first = create(design::main_window());
  WindowId second = create(design::preview());
  platform().grab_escape(first, true);
  ASSERT_TRUE(platform().escape_grabbed());
  driver().press_escape(false);
  ASSERT_TRUE(driver().run_until([&] { return sink.of("key", first).size() == 1; }, 10000));
  EXPECT_EQ(sink.of("key", first)[0].value, 27);
  driver().press_escape(true);
  EXPECT_TRUE(driver().run_until([&] { return sink.of("key", first).size() == 2; }, 10000))
      << "with Caps Lock and Num Lock on";

  // Asked for again by another window: Esc goes there now.
  platform().grab_escape(second, true);
  ASSERT_TRUE(platform().escape_grabbed());
  driver().press_escape(false);
  ASSERT_TRUE(driver().run_until([&] { return !sink.of("key", second).empty(); }, 10000));
  EXPECT_EQ(sink.of("key", second)[0].value, 27);
  EXPECT_EQ(sink.of("key", first).size(), 2u) << "one press, one key";
  platform().grab_escape(second, false);
}

}  // namespace
}  // namespace pr::conformance
