#include <gtest/gtest.h>

#include "app/controls.hpp"
#include "harness.hpp"
#include "platform/errors.hpp"

namespace pr {
namespace {

// Records when each tick arrives on the virtual clock.
struct TickLog : EventSink {
  explicit TickLog(HeadlessPlatform& hp) : hp(hp) { hp.set_event_sink(this); }
  ~TickLog() override { hp.set_event_sink(nullptr); }
  void mouse_down(WindowId, int, int, int, int) override {}
  void mouse_move(WindowId, int, int, int, int) override {}
  void mouse_up(WindowId, int, int, int, int) override {}
  void key_press(WindowId, int) override {}
  void button_click(WindowId, int) override {}
  void timer_tick(TimerId) override { times.push_back(hp.now()); }
  void close_request(WindowId) override {}
  HeadlessPlatform& hp;
  std::vector<long long> times;
};

class TimerControl : public ::testing::Test {
 protected:
  test::TempDir dir;
  HeadlessPlatform hp{100, 100, dir.path()};
  TickLog log{hp};
  Timer timer{hp};
};

TEST_F(TimerControl, IntervalZeroNeverTicks) {
  timer.set_enabled(true);
  hp.advance(5000);
  EXPECT_TRUE(log.times.empty());
  EXPECT_THROW(timer.set_interval(-1), Error);
  EXPECT_EQ(timer.interval(), 0);
}

TEST_F(TimerControl, ANewIntervalOrEnablingStartsANewPeriod) {
  timer.set_interval(300);
  timer.set_enabled(true);
  hp.advance(200);
  timer.set_interval(500);  // a new period from 200
  hp.advance(600);
  EXPECT_EQ(log.times, (std::vector<long long>{700}));
  timer.set_enabled(false);
  hp.advance(50);
  timer.set_enabled(true);  // a new period from 850
  hp.advance(500);
  EXPECT_EQ(log.times, (std::vector<long long>{700, 1350}));
}

TEST_F(TimerControl, RepeatingTheSameSettingsKeepsThePeriod) {
  timer.set_interval(300);
  timer.set_enabled(true);
  hp.advance(200);
  timer.set_interval(300);
  timer.set_enabled(true);
  hp.advance(100);
  EXPECT_EQ(log.times, (std::vector<long long>{300}));
  // Stopped and set again while disabled: nothing until it is enabled.
  timer.set_enabled(false);
  timer.set_interval(100);
  hp.advance(1000);
  EXPECT_EQ(log.times.size(), 1u);
}

TEST_F(TimerControl, IntervalZeroWhileEnabledStopsIt) {
  timer.set_interval(100);
  timer.set_enabled(true);
  hp.advance(150);
  timer.set_interval(0);
  hp.advance(1000);
  EXPECT_EQ(log.times, (std::vector<long long>{100}));
  EXPECT_TRUE(timer.enabled());
}

}  // namespace
}  // namespace pr
