// The run alone, with no window: a host that is a document of numbered pages.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/constants.hpp"
#include "core/page_cycle.hpp"

namespace pr {
namespace {

struct DocumentHost : RunHost {
  explicit DocumentHost(int pages) : pages(pages) {}

  int pages;
  int shown = 1;           // the page on the screen
  int failing_saves = 0;   // so many saves fail before one works
  int failing_grabs = 0;   // so many reads of the screen throw
  std::vector<int> saved;  // the page each picture shows
  int keys = 0;
  int stops = 0;
  std::vector<std::string> lines;
  std::string status;
  Image screen;

  ImageView grab(const PixelRect& r) override {
    if (failing_grabs > 0 && failing_grabs--) throw std::runtime_error("no screen");
    screen.resize(r.width, r.height);
    screen.fill(0x102030u * static_cast<unsigned>(shown));
    return screen.view();
  }
  void send_keys(const std::vector<KeyChord>&) override {
    ++keys;
    if (shown < pages) ++shown;
  }
  WriteResult save(ImageView page) override {
    if (failing_saves > 0 && failing_saves--) {
      return {false, std::make_error_code(std::errc::no_space_on_device)};
    }
    saved.push_back(static_cast<int>(page.pixel(0, 0) / 0x102030u));
    return {true, {}};
  }
  void show_status(std::string_view s) override { status = s; }
  void stop_ticking() override { ++stops; }
  PdfOutcome pdf_at_end() override { return {}; }
  void report(std::string_view line) override { lines.emplace_back(line); }
  void pause(std::int32_t) override {}
};

struct Case {
  const char* name;
  bool auto_pace;
  bool stop_at_end;
  int failing_saves;
  int failing_grabs;
  const char* status;  // after 200 ticks
};

TEST(PageCycle, EveryPageOnceInOrderThenTheEnd) {
  const Case cases[] = {
      {"ticks", false, true, 0, 0, "6 ✓"},
      {"自动", true, true, 0, 0, "6 ✓"},
      {"no stop at the end", false, false, 0, 0, "6"},
      {"a full disk for a while", false, true, 7, 0, "6 ✓"},
      {"an unreadable screen for a while", false, true, 0, 9, "6 ✓"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DocumentHost host(6);
    host.failing_saves = c.failing_saves;
    host.failing_grabs = c.failing_grabs;
    PageCycle cycle(host, "folder");
    Options options;
    options.auto_pace = c.auto_pace;
    options.stop_at_end = c.stop_at_end;
    Image first(40, 30);
    first.fill(0x102030u);
    cycle.start({10, 10, 40, 30}, options, first.view());
    EXPECT_EQ(cycle.tick_ms(), c.auto_pace ? kAutoPollMs : kDefaultTickMs);
    for (int tick = 0; tick < 200 && cycle.active(); ++tick) {
      const int keys = host.keys;
      cycle.on_tick();
      // A held run turns no page: the unsaved page would be lost.
      if (host.status.find("⚠") != std::string::npos) {
        EXPECT_EQ(host.keys, keys);
      }
    }
    EXPECT_EQ(host.saved, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(host.status, c.status);
    EXPECT_EQ(cycle.active(), !c.stop_at_end);
    EXPECT_EQ(host.stops, c.stop_at_end ? 1 : 0);
    if (c.stop_at_end) {
      EXPECT_EQ(host.lines,
                std::vector<std::string>{"6 pages saved in folder (end of the document)"});
    }
  }
}

TEST(PageCycle, ASingleCaptureSavesOnePictureAndEnds) {
  DocumentHost host(6);
  PageCycle cycle(host, "folder");
  Options options;
  options.page_after_page = false;
  Image first(40, 30);
  first.fill(0x102030u);
  cycle.start({0, 0, 40, 30}, options, first.view());
  EXPECT_FALSE(cycle.active());
  EXPECT_EQ(host.saved, std::vector<int>{1});
  EXPECT_EQ(host.lines, std::vector<std::string>{"1 page saved in folder (one capture)"});
}

}  // namespace
}  // namespace pr
