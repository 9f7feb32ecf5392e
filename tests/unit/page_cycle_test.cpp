// The run alone, with no window: a host that is a document program with a
// virtual clock, its focus, its drawing and its change reports.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/constants.hpp"
#include "core/page_cycle.hpp"

namespace pr {
namespace {

constexpr ForeignWindow kDocument = 7, kTerminal = 9;
constexpr std::uint32_t kPlaceholder = 0xFFFFFF;

struct DocumentHost : RunHost {
  explicit DocumentHost(int pages) : pages(pages) { draw(1); }

  // The document: each page a colour of its own unless it is blank.
  int pages;
  std::vector<int> blank;        // pages that look alike
  long long delay_ms = 50;       // from a page key to the page drawn
  long long placeholder_ms = 0;  // when set, a blank stand-in is drawn first
  bool spinner = false;          // turning beside the stand-in until the page
  bool changes_known = true;
  // The world around it.
  long long now = 0;
  ForeignWindow focus = kDocument;
  bool closed = false, menu_open = false;
  int failing_saves = 0, failing_grabs = 0;
  // What the run did.
  std::vector<std::uint32_t> files;  // the colour of each numbered picture
  std::vector<long long> keys;       // when each page key went out
  int stops = 0;
  std::vector<std::string> lines;
  std::string status, sentence;

  std::uint32_t colour_of(int n) const {
    for (int b : blank) {
      if (b == n) return 0xEEEEEE;
    }
    return 0x102030u * static_cast<unsigned>(n);
  }
  void draw(int n) { draw_colour(colour_of(n)); }
  void draw_colour(std::uint32_t c) {
    colour = c;
    areas.push_back({0, 0, 1000, 800});
  }
  void at(long long t, std::function<void()> f) { timeline.emplace(t, std::move(f)); }
  // Moves the clock to the run's next tick; what falls due happens first.
  void advance(const PageCycle& cycle) {
    now += cycle.tick_ms();
    while (!timeline.empty() && timeline.begin()->first <= now) {
      auto f = timeline.begin()->second;
      timeline.erase(timeline.begin());
      f();
    }
  }
  void tick(PageCycle& cycle) {
    advance(cycle);
    cycle.on_tick();
  }

  ImageView grab(const PixelRect& r) override {
    if (failing_grabs > 0 && failing_grabs--) throw std::runtime_error("no screen");
    screen.resize(r.width, r.height);
    screen.fill(closed ? 0x000000 : colour);
    // The viewer's page counter, 8 x 8 pixels outside the rectangle.
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        if (x >= r.left && y >= r.top && x < r.left + r.width && y < r.top + r.height) {
          screen.set_pixel(x - r.left, y - r.top, static_cast<std::uint32_t>(shown));
        }
      }
    }
    return screen.view();
  }
  void send_keys(const std::vector<KeyChord>&) override {
    keys.push_back(now);
    if (focus != kDocument || menu_open || shown >= pages) return;
    const int n = ++shown;
    if (placeholder_ms) at(now + 10, [this] { draw_colour(kPlaceholder); });
    for (long long t = 40; spinner && t < delay_ms + placeholder_ms; t += 30) {
      at(now + t, [this] { areas.push_back({900, 20, 20, 20}); });
    }
    at(now + delay_ms + placeholder_ms, [this, n] { draw(n); });
  }
  ForeignWindow focused_window() override { return closed && focus == kDocument ? 0 : focus; }
  bool window_exists(ForeignWindow w) override { return w != kDocument || !closed; }
  PixelRect window_area(ForeignWindow w) override {
    return window_exists(w) ? PixelRect{0, 0, 1000, 800} : PixelRect{};
  }
  bool keyboard_held_by_us() override { return menu_open; }
  ScreenChanges take_screen_changes() override {
    ScreenChanges c{changes_known, changes_known ? areas : std::vector<PixelRect>{}};
    areas.clear();
    return c;
  }
  WriteResult save(ImageView page, bool again) override {
    if (failing_saves > 0 && failing_saves--) {
      return {false, std::make_error_code(std::errc::no_space_on_device)};
    }
    if (again) {
      files.back() = page.pixel(0, 0);
    } else {
      files.push_back(page.pixel(0, 0));
    }
    return {true, {}};
  }
  void show_status(std::string_view s, std::string_view full) override {
    status = s;
    sentence = full;
  }
  void stop_ticking() override { ++stops; }
  PdfOutcome pdf_at_end() override { return {}; }
  void report(std::string_view line) override { lines.emplace_back(line); }

  int shown = 1;
  std::uint32_t colour = 0;
  std::vector<PixelRect> areas;
  std::multimap<long long, std::function<void()>> timeline;
  Image screen;
};

struct Case {
  const char* name;
  bool auto_pace;
  std::function<void(DocumentHost&)> arrange;
  std::vector<int> pages;  // the page each file shows
  const char* status;      // at the end
  long long max_ms;        // the run is over by then
};

TEST(PageCycle, EveryTurnThatChangedTheDocumentIsOnePictureAndTheEndIsTrue) {
  const std::vector<int> ten{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  auto blank_4_to_6 = [](DocumentHost& d) { d.blank = {4, 5, 6}; };
  const Case cases[] = {
      {"blank pages 4-6", false, blank_4_to_6, ten, "10 ✓", 20000},
      {"blank pages 4-6, 自动", true, blank_4_to_6, ten, "10 ✓", 20000},
      {"blank pages 4-6, no change reports", false,
       [](DocumentHost& d) {
         d.changes_known = false;
         d.blank = {4, 5, 6};
       },
       ten, "10 ✓", 20000},
      {"drawn 500 ms after the key", false, [](DocumentHost& d) { d.delay_ms = 500; }, ten, "10 ✓",
       20000},
      {"drawn 1.3 s after the key, later than a page's time", false,
       [](DocumentHost& d) { d.delay_ms = 1300; }, ten, "10 ✓", 40000},
      {"a placeholder, the page 600 ms later, 自动", true,
       [](DocumentHost& d) { d.placeholder_ms = 600; }, ten, "10 ✓", 20000},
      {"a placeholder and a spinner, the page 2.5 s later, 自动", true,
       [](DocumentHost& d) {
         d.placeholder_ms = 2500;
         d.spinner = true;
       },
       ten, "10 ✓", 40000},
      {"a placeholder, the page 600 ms later", false,
       [](DocumentHost& d) { d.placeholder_ms = 600; }, ten, "10 ✓", 20000},
      {"the focus in a terminal for 5 s", false,
       [](DocumentHost& d) {
         d.at(2000, [&d] { d.focus = kTerminal; });
         d.at(7000, [&d] { d.focus = kDocument; });
       },
       ten, "10 ✓", 25000},
      {"our menu open for 3 s, 自动", true,
       [](DocumentHost& d) {
         d.at(200, [&d] { d.menu_open = true; });
         d.at(3200, [&d] { d.menu_open = false; });
       },
       ten, "10 ✓", 20000},
      {"the document closed",
       false,
       [](DocumentHost& d) { d.at(4000, [&d] { d.closed = true; }); },
       {1, 2, 3},
       "3 ⚠ 文档已关闭",
       5000},
      {"a key the program ignores",
       false,
       [](DocumentHost& d) { d.pages = 1; },
       {1},
       "1 ⚠ 翻页键无效?",
       5000},
      {"a full disk for a while", false, [](DocumentHost& d) { d.failing_saves = 7; }, ten, "10 ✓",
       25000},
      {"an unreadable screen for a while", false, [](DocumentHost& d) { d.failing_grabs = 9; }, ten,
       "10 ✓", 25000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DocumentHost host(10);
    c.arrange(host);
    PageCycle cycle(host, "folder");
    Options options;
    options.auto_pace = c.auto_pace;
    Image first(40, 30);
    first.fill(host.colour_of(1));
    cycle.start({10, 10, 40, 30}, options, first.view());
    std::string statuses;
    while (cycle.active() && host.now < c.max_ms) {
      host.advance(cycle);
      const std::size_t keys = host.keys.size();
      const bool holding = host.focus != kDocument || host.menu_open;
      cycle.on_tick();
      if (host.status.find("⚠") != std::string::npos) statuses += host.status + "|";
      // A held run sends no key: it would not reach the document.
      if (holding) {
        EXPECT_EQ(host.keys.size(), keys) << host.now;
      }
    }
    std::vector<std::uint32_t> expected;
    for (int n : c.pages) expected.push_back(host.colour_of(n));
    EXPECT_EQ(host.files, expected);
    EXPECT_FALSE(cycle.active());
    EXPECT_EQ(host.status, c.status) << statuses;
    EXPECT_EQ(host.stops, 1);
    ASSERT_EQ(host.lines.size(), 1u);
    EXPECT_NE(host.lines[0].find(std::to_string(c.pages.size()) + " page"), std::string::npos);
  }
}

TEST(PageCycle, AHeldRunSaysWhyAndASingleCaptureEndsAtOnce) {
  DocumentHost host(10);
  host.failing_saves = 100;
  PageCycle cycle(host, "folder");
  Image first(40, 30);
  first.fill(1);
  cycle.start({0, 0, 40, 30}, Options{}, first.view());
  EXPECT_EQ(host.status, "0 ⚠ 磁盘已满");
  EXPECT_NE(host.sentence.find("磁盘已满"), std::string::npos);
  host.failing_saves = 0;
  host.focus = kTerminal;
  for (int i = 0; i < 10; ++i) host.tick(cycle);
  EXPECT_EQ(host.status, "1 ⚠ 文档不在前台");
  EXPECT_TRUE(host.keys.empty());

  DocumentHost single(10);
  PageCycle once(single, "folder");
  Options options;
  options.page_after_page = false;
  once.start({0, 0, 40, 30}, options, first.view());
  EXPECT_FALSE(once.active());
  EXPECT_EQ(single.files.size(), 1u);
  EXPECT_EQ(single.lines, std::vector<std::string>{"1 page saved in folder (one capture)"});
}

}  // namespace
}  // namespace pr
