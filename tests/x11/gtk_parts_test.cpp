#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "platform/gtk/gtk_loop.hpp"
#include "platform/report.hpp"
#include "platform/x11/x11_painting.hpp"
#include "platform/x11/x11_settle.hpp"

namespace pr::x11 {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Draws a canvas onto a fresh surface of the given size, painted grey first.
struct Drawn {
  SurfacePtr surface;
  std::uint32_t pixel(int x, int y) const {
    const auto* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    return *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4) & 0xffffff;
  }
};
Drawn draw(const Canvas& canvas, int width, int height) {
  Drawn drawn{SurfacePtr(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height))};
  cairo_t* cr = cairo_create(drawn.surface.get());
  cairo_set_source_rgb(cr, 0.5, 0.5, 0.5);
  cairo_paint(cr);
  canvas.draw(cr);
  cairo_destroy(cr);
  cairo_surface_flush(drawn.surface.get());
  return drawn;
}

// A cairo surface over the image's own pixels (BGRX rows are cairo's RGB24).
SurfacePtr surface_of(Image& image) {
  return SurfacePtr(cairo_image_surface_create_for_data(image.row(0), CAIRO_FORMAT_RGB24,
                                                        image.width(), image.height(),
                                                        static_cast<int>(image.pitch())));
}

TEST(Canvas, PictureIsDrawnPixelForPixelAndTheOutlineIsOnePixelOfRed) {
  Image picture(30, 20);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 30; ++x) picture.set_pixel(x, y, 0x010000u * x + 0x0100u * y + 7);
  }
  Canvas canvas;
  canvas.set_picture(surface_of(picture), 30, 20);
  canvas.set_outline({4, 3, 10, 6}, 0xC00000);
  const Drawn drawn = draw(canvas, 40, 25);
  for (auto [x, y] : {std::pair{4, 3}, {13, 3}, {4, 8}, {13, 8}, {8, 3}, {4, 5}}) {
    EXPECT_EQ(drawn.pixel(x, y), 0xC00000u) << x << "," << y;
  }
  for (auto [x, y] : {std::pair{5, 4}, {12, 7}, {3, 3}, {14, 8}, {8, 9}, {0, 0}, {29, 19}}) {
    EXPECT_EQ(drawn.pixel(x, y), 0x010000u * x + 0x0100u * y + 7) << x << "," << y;
  }
  // Beyond the picture, whatever was there stays.
  EXPECT_EQ(drawn.pixel(35, 22), 0x808080u);
}

TEST(Canvas, AnOutlineWithASideOfZeroOrLessIsHiddenAndRepaintCoversOldAndNew) {
  Canvas canvas;
  EXPECT_EQ(canvas.set_outline({2, 2, 5, 0}, 0xC00000).size(), 0u);
  EXPECT_TRUE(canvas.outline().empty());
  const auto first = canvas.set_outline({2, 2, 5, 4}, 0xC00000);
  EXPECT_EQ(first, outline_strips({2, 2, 5, 4}));
  EXPECT_EQ(canvas.set_outline({2, 2, 5, 4}, 0xC00000).size(), 0u);
  const auto moved = canvas.set_outline({1, 1, 3, 3}, 0xC00000);
  ASSERT_EQ(moved.size(), 8u);
  EXPECT_EQ(moved.front(), (Rect{2, 2, 5, 1}));
  EXPECT_EQ(moved.back(), (Rect{3, 1, 1, 3}));
  EXPECT_EQ(canvas.set_outline({1, 1, -3, 3}, 0xC00000), outline_strips({1, 1, 3, 3}));
  const Drawn drawn = draw(canvas, 8, 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) ASSERT_EQ(drawn.pixel(x, y), 0x808080u) << x << "," << y;
  }
}

class LoopTest : public ::testing::Test {
 protected:
  std::vector<std::string> log;
  std::vector<Clock::duration> ticks;
  std::function<void(TimerId)> on_tick;
  gtk::Loop loop{{[this](TimerId t) { on_tick(t); },
                  [this](WindowId w, int code) {
                    log.push_back("key " + std::to_string(w) + " " + std::to_string(code));
                  },
                  [this] { log.push_back("done"); },
                  {}}};
};

TEST_F(LoopTest, TicksStayOnTheGridWhateverEachTickCosts) {
  // Twenty ticks of 50 ms, each with some work: counted from when a tick
  // ran, or from when its work ended, the lateness would add up.
  const TimerId t = loop.create_timer();
  Clock::time_point t0;
  on_tick = [&](TimerId) {
    ticks.push_back(Clock::now() - t0);
    const auto busy = Clock::now() + 10ms;
    while (Clock::now() < busy) {
    }
    if (ticks.size() == 20) loop.quit();
  };
  t0 = Clock::now();
  loop.set_timer(t, 50);
  EXPECT_EQ(loop.run(), 0);
  ASSERT_EQ(ticks.size(), 20u);
  // A tick the machine could not run in time is skipped, not moved: every
  // tick lies just after a multiple of 50 ms from the start. A grid that
  // slipped by a little every tick would put them anywhere in between.
  int on_grid = 0;
  std::string phases;
  for (auto tick : ticks) {
    const auto phase = tick % 50ms;
    on_grid += phase < 10ms;
    phases +=
        std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(phase).count()) + " ";
  }
  EXPECT_GE(on_grid, 16) << "microseconds after the grid: " << phases;
}

TEST_F(LoopTest, PostedKeysFollowTheHandlerThatPostedThemInOrder) {
  const TimerId t = loop.create_timer();
  on_tick = [&](TimerId) {
    log.push_back("tick");
    loop.post_key(3, 'a');
    loop.post_key(4, 13);
    log.push_back("tick ends");
    loop.set_timer(t, 0);
  };
  loop.set_timer(t, 5);
  const auto deadline = Clock::now() + 5s;
  while (log.size() < 6 && Clock::now() < deadline) loop.pump(50ms);
  EXPECT_EQ(log, (std::vector<std::string>{"tick", "tick ends", "done", "key 3 97", "done",
                                           "key 4 13", "done"}));
}

TEST_F(LoopTest, AStopSignalEndsTheLoopWithItsStatusAndSaysSo) {
  std::vector<std::string> lines;
  set_report_sink([&](std::string_view line) { lines.emplace_back(line); });
  std::raise(SIGTERM);
  EXPECT_EQ(loop.run(), 128 + SIGTERM);
  set_report_sink({});
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("stopping"), std::string::npos) << lines[0];
}

class SettleTest : public ::testing::Test {
 protected:
  ScreenSettle settle{nullptr};
  Image screen{4, 4};
  std::vector<Clock::time_point> grabs;
  // A grab that sees the screen as it is now.
  ImageView grab() {
    grabs.push_back(Clock::now());
    return screen.view();
  }
};

TEST_F(SettleTest, AQuietScreenIsCopiedAtOnce) {
  settle.settled({}, [&] { return grab(); });
  EXPECT_EQ(grabs.size(), 1u);
}

TEST_F(SettleTest, KeysJustSentGiveTheProgramTimeThenTwoAgreeingCopiesEndTheWait) {
  settle.keys_sent();
  const auto sent = Clock::now();
  settle.settled({}, [&] { return grab(); });
  ASSERT_EQ(grabs.size(), 2u);
  EXPECT_GE(grabs[0] - sent, ScreenSettle::kKeyReaction - 1ms);
  // The gap runs from just before the first copy began.
  EXPECT_GE(grabs[1] - grabs[0], ScreenSettle::kRedrawProbeGap - 1ms);
}

TEST_F(SettleTest, AScreenThatKeepsChangingIsTakenWhenPatienceRunsOut) {
  settle.windows_changed();
  std::uint32_t frame = 0;
  settle.settled({}, [&] {
    screen.fill(++frame);
    return grab();
  });
  ASSERT_GE(grabs.size(), 3u);
  EXPECT_GE(grabs.back() - grabs.front(),
            ScreenSettle::kRedrawPatience - ScreenSettle::kRedrawProbeGap);
  EXPECT_LT(grabs.back() - grabs.front(), ScreenSettle::kRedrawPatience + 100ms);
  // The handler is over and time has passed: the next copy is immediate.
  settle.handler_done();
  std::this_thread::sleep_for(ScreenSettle::kQuietEnough + 5ms);
  grabs.clear();
  settle.settled({}, [&] { return grab(); });
  EXPECT_EQ(grabs.size(), 1u);
}

}  // namespace
}  // namespace pr::x11
