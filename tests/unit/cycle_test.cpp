#include <gtest/gtest.h>

#include "core/page_cycle.hpp"
#include "harness.hpp"
#include "platform/files.hpp"

namespace pr {
namespace {

using test::Harness;

// Times (ms after `start`) of each Page Down, and of each file the program
// wrote, over the next `ms` milliseconds.
struct Timeline {
  std::vector<long long> page_downs;
  std::vector<long long> files;
};

Timeline run_for(Harness& h, long long ms) {
  const long long start = h.hp.now();
  h.hp.advance(ms);
  Timeline t;
  for (const auto& k : h.hp.keystrokes()) {
    if (k.time_ms > start && k.keys == "PageDown") t.page_downs.push_back(k.time_ms - start);
  }
  for (const auto& w : h.hp.writes()) {
    if (w.time_ms > start && w.ok) t.files.push_back(w.time_ms - start);
  }
  return t;
}

TEST(Cycle, FirstCommitOfTheProgramRunStartsAtPhase2) {
  Harness h;
  test::Document document(h.hp, 10);
  h.capture(1500, 1500, 4500, 4500);
  EXPECT_EQ(h.files(), std::vector<std::string>{"0.jpg"});  // at 0
  EXPECT_EQ(h.overlay().tick_timer.interval(), 300);
  EXPECT_TRUE(h.overlay().tick_timer.enabled());
  EXPECT_TRUE(h.hp.escape_grabbed());
  Timeline t = run_for(h, 3100);
  EXPECT_EQ(t.page_downs, (std::vector<long long>{1200, 2700}));
  // Grabbed at 1500 and 3000, written once a second grab has agreed.
  EXPECT_EQ(t.files, (std::vector<long long>{1500, 3000}));
  EXPECT_EQ(h.files(), (std::vector<std::string>{"0.jpg", "1.jpg", "2.jpg"}));
  for (const auto& k : h.hp.keystrokes()) EXPECT_EQ(k.target, "document");
}

TEST(Cycle, EachCaptureIsTheSameRectangleOfANewFrozenScreen) {
  Harness h;
  test::paint_markers(h.hp.screen());
  h.capture(9000, 6000, 6000, 4500);  // dragged left and up
  h.hp.on_keys = [&h](const std::vector<KeyChord>&) { h.hp.screen().fill(0x00AA00); };
  h.hp.advance(1500);
  ASSERT_EQ(h.hp.writes().size(), 2u);
  ImageView picture = h.hp.writes().back().picture.view();
  ASSERT_EQ(picture.width, 200);
  ASSERT_EQ(picture.height, 100);
  EXPECT_EQ(picture.pixel(0, 0), 0x00AA00u);
  EXPECT_EQ(picture.pixel(199, 99), 0x00AA00u);
  EXPECT_EQ(h.files().size(), 2u);
  // Only the rectangle is read, with no window of ours shown for it.
  std::size_t copy2 = h.hp.call_index("copy_screen_region 400 300 200 100");
  ASSERT_LT(copy2, h.hp.calls().size());
  EXPECT_EQ(h.hp.call_index("show SelectionOverlay", copy2), std::size_t(-1))
      << "none after the read";
  EXPECT_FALSE(h.hp.window_named("SelectionOverlay")->visible);
}

// No pixel of a page is one of our main window's.
bool shows_main_window(ImageView picture) {
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      if (picture.pixel(x, y) == HeadlessPlatform::kMainWindowColour) return true;
    }
  }
  return false;
}

TEST(Cycle, MainWindowStaysOutOfThePagesAndComesBackAfterwards) {
  Harness h;
  test::Document document(h.hp, 10);
  const auto* main = h.hp.window_named("MainWindow");
  const int left = main->left, top = main->top;
  h.capture(0, 0, 3000, 3000);  // over the main window's corner
  EXPECT_FALSE(shows_main_window(h.main_window().last_picture.picture()));  // hidden for the freeze
  EXPECT_TRUE(main->visible);
  h.hp.advance(3000);
  ASSERT_EQ(h.files().size(), 3u);
  EXPECT_FALSE(shows_main_window(h.main_window().last_picture.picture()));
  EXPECT_GE(main->left, 200);  // beside the rectangle, where it is still seen
  h.hp.press_escape_anywhere();
  EXPECT_EQ(main->left, left);
  EXPECT_EQ(main->top, top);
  EXPECT_TRUE(main->visible);
}

TEST(Cycle, MainWindowStaysPutWhenTheRectangleLeavesItAlone) {
  Harness h;
  test::Document document(h.hp, 10);
  const auto* main = h.hp.window_named("MainWindow");
  const int left = main->left, top = main->top;
  h.capture(15000, 3000, 18000, 6000);
  h.hp.advance(1500);
  EXPECT_EQ(main->left, left);
  EXPECT_EQ(main->top, top);
}

TEST(Cycle, MainWindowHiddenWhileTheRectangleTouchesEveryCorner) {
  Harness h;
  test::Document document(h.hp, 10);
  h.capture(0, 0, 1920 * 15, 1080 * 15);
  h.hp.advance(1500);
  EXPECT_FALSE(h.hp.window_named("MainWindow")->visible);
  EXPECT_FALSE(shows_main_window(h.main_window().last_picture.picture()));
  h.hp.press_escape_anywhere();
  EXPECT_TRUE(h.hp.window_named("MainWindow")->visible);
}

TEST(Cycle, EscStopsAtOnceAndANewCommitResumesWhereItStopped) {
  Harness h;
  test::Document document(h.hp, 10);
  h.capture(1500, 1500, 4500, 4500);
  h.hp.advance(1200);  // Page Down at 1200: phase 1 next
  EXPECT_EQ(h.overlay().cycle().phase(), 1);
  h.hp.press_escape_anywhere();
  EXPECT_FALSE(h.overlay().tick_timer.enabled());
  EXPECT_EQ(h.overlay().tick_timer.interval(), 0);
  EXPECT_FALSE(h.hp.escape_grabbed());
  EXPECT_EQ(h.hp.pointer(), MousePointer::Arrow);
  h.hp.advance(3000);
  EXPECT_EQ(h.files().size(), 1u);

  h.capture(1500, 1500, 4500, 4500);  // empties the folder, saves 0.jpg
  std::size_t keys = h.hp.keystrokes().size();
  h.hp.screen().fill(0x336699);  // the user scrolled by hand
  h.hp.advance(300);             // the first tick captures, with no page turn before it
  EXPECT_EQ(h.files(), (std::vector<std::string>{"0.jpg", "1.jpg"}));
  EXPECT_EQ(h.hp.keystrokes().size(), keys);
}

TEST(Cycle, EnterAfterEscTicksNothing) {
  Harness h;
  h.capture(1500, 1500, 4500, 4500);
  h.hp.press_escape_anywhere();
  h.hp.type_key(h.main_window_id(), 13);
  EXPECT_TRUE(h.overlay().tick_timer.enabled());
  EXPECT_EQ(h.overlay().tick_timer.interval(), 0);
  int phase = h.overlay().cycle().phase();
  Timeline t = run_for(h, 5000);
  EXPECT_TRUE(t.files.empty());
  EXPECT_TRUE(t.page_downs.empty());
  EXPECT_EQ(h.overlay().cycle().phase(), phase);
}

TEST(Cycle, TickComesFromTheOptions) {
  Harness h;
  test::Document document(h.hp, 10);
  h.main_window().options.tick_ms = 250;
  h.capture(1500, 1500, 4500, 4500);
  EXPECT_EQ(h.overlay().tick_timer.interval(), 250);
  Timeline t = run_for(h, 2600);
  EXPECT_EQ(t.page_downs, (std::vector<long long>{1000, 2250}));
  EXPECT_EQ(t.files, (std::vector<long long>{1250, 2500}));
}

TEST(Cycle, ATickOfZeroGivesNoTicks) {
  Harness h;
  h.main_window().options.tick_ms = 0;
  h.capture(1500, 1500, 4500, 4500);
  EXPECT_TRUE(h.overlay().tick_timer.enabled());
  EXPECT_EQ(h.overlay().tick_timer.interval(), 0);
  h.hp.advance(10000);
  EXPECT_EQ(h.files().size(), 1u);
}

TEST(Cycle, ANegativeTickKeepsThePreviousInterval) {
  Harness h;
  h.capture(1500, 1500, 4500, 4500);
  h.hp.press_escape_anywhere();
  h.main_window().options.tick_ms = -5;  // refused by the timer
  h.capture(1500, 1500, 4500, 4500);
  EXPECT_EQ(h.overlay().tick_timer.interval(), 0);
  EXPECT_TRUE(h.overlay().tick_timer.enabled());
}

TEST(Cycle, TheButtonIsTheRunsStopControlAndThenCapturesAgain) {
  Harness h;
  test::Document document(h.hp, 10);
  const auto& button = h.hp.window_named("MainWindow")->design.buttons.at(0);
  EXPECT_EQ(button.caption, "截图");
  h.capture(1500, 1500, 4500, 4500);
  h.hp.advance(900);
  EXPECT_EQ(button.caption, "停止");
  std::size_t keys = h.hp.keystrokes().size();
  h.click_capture();  // stops the run, and nothing else
  EXPECT_EQ(button.caption, "截图");
  EXPECT_FALSE(h.overlay().tick_timer.enabled());
  EXPECT_FALSE(h.hp.window_named("SelectionOverlay")->visible);
  EXPECT_FALSE(h.files().empty());
  h.click_capture();  // the overlay is up, the user is about to drag
  EXPECT_FALSE(h.overlay().tick_timer.enabled());
  EXPECT_FALSE(h.hp.escape_grabbed());
  h.hp.advance(3000);  // no page turn, no capture under the user's hands
  EXPECT_EQ(h.hp.keystrokes().size(), keys);
  EXPECT_TRUE(h.files().empty());  // the old run went to the trash
  EXPECT_TRUE(h.hp.window_named("SelectionOverlay")->visible);
  EXPECT_EQ(h.hp.pointer(), MousePointer::Cross);
  h.drag(1500, 1500, 4500, 4500);
  EXPECT_EQ(h.files(), std::vector<std::string>{"0.jpg"});
  EXPECT_TRUE(h.overlay().tick_timer.enabled());
}

TEST(Cycle, AFailedSaveDoesNotEndTheProgramAndTheTickRunsAgain) {
  Harness h;
  test::Document document(h.hp, 10);
  h.capture(1500, 1500, 4500, 4500);
  h.hp.advance(1200);
  h.main_window().options.jpeg_quality = 40000;  // overflow in the save
  testing::internal::CaptureStderr();
  h.hp.advance(300);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Overflow"), std::string::npos);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
  EXPECT_EQ(h.files().size(), 1u);
  const std::size_t keys = h.hp.keystrokes().size();
  h.hp.advance(3000);  // held: no page turn while the page is unsaved
  EXPECT_EQ(h.hp.keystrokes().size(), keys);
  h.main_window().options.jpeg_quality = 80;
  h.hp.advance(300);  // the save again, without another page turn
  EXPECT_EQ(h.files().size(), 2u);
  EXPECT_EQ(h.hp.keystrokes().size(), keys);
}

TEST(Cycle, ASmallRectangleStartsNoCycle) {
  Harness h;
  h.capture(1500, 1500, 1600, 1600);
  Timeline t = run_for(h, 3000);
  EXPECT_TRUE(t.page_downs.empty());
  EXPECT_TRUE(h.files().empty());
  EXPECT_TRUE(h.hp.writes().empty());
}

TEST(Cycle, TheOverlayTimerDoesNotTickBeforeACommit) {
  Harness h;
  h.click_capture();
  h.hp.advance(10000);
  EXPECT_EQ(h.hp.screen_copies(), 1);
  EXPECT_EQ(h.overlay().cycle().phase(), 2);
}

}  // namespace
}  // namespace pr
