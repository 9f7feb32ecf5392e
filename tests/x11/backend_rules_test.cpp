#include <gtest/gtest.h>

#include <X11/keysym.h>

#include "platform/gtk/timer_queue.hpp"
#include "platform/x11/x11_keys.hpp"
#include "platform/x11/x11_pixel_format.hpp"

namespace pr::x11 {
namespace {

using gtk::TimerQueue;

using namespace std::chrono_literals;

class TimerQueueTest : public ::testing::Test {
 protected:
  TimerQueue::TimePoint t0 = TimerQueue::Clock::now();
  TimerQueue queue;
};

TEST_F(TimerQueueTest, TicksOnAFixedGridAndSkipsMissedTicks) {
  TimerId t = queue.create();
  queue.set(t, 300, t0);
  EXPECT_EQ(queue.next_deadline(), t0 + 300ms);
  EXPECT_FALSE(queue.take_due(t0 + 299ms));
  // A late tick keeps the grid: the next is due at 600, not 300 after 310.
  EXPECT_EQ(queue.take_due(t0 + 310ms), t);
  EXPECT_EQ(queue.next_deadline(), t0 + 600ms);
  // Busy for a second: one tick, then back on the grid at 1500.
  EXPECT_EQ(queue.take_due(t0 + 1310ms), t);
  EXPECT_FALSE(queue.take_due(t0 + 1310ms));
  EXPECT_EQ(queue.next_deadline(), t0 + 1500ms);
}

TEST_F(TimerQueueTest, IntervalZeroStopsTheTimer) {
  TimerId t = queue.create();
  queue.set(t, 0, t0);
  EXPECT_FALSE(queue.next_deadline());
  EXPECT_FALSE(queue.take_due(t0 + 10s));
  queue.set(t, 100, t0);
  queue.set(t, 0, t0 + 50ms);
  EXPECT_FALSE(queue.take_due(t0 + 10s));
}

TEST_F(TimerQueueTest, EverySetStartsANewPeriod) {
  TimerId t = queue.create();
  queue.set(t, 300, t0);
  queue.set(t, 300, t0 + 200ms);
  EXPECT_EQ(queue.next_deadline(), t0 + 500ms);
  queue.set(t, 500, t0 + 250ms);
  EXPECT_EQ(queue.next_deadline(), t0 + 750ms);
}

TEST_F(TimerQueueTest, EarliestDueTimerComesFirst) {
  TimerId slow = queue.create();
  TimerId fast = queue.create();
  queue.set(slow, 500, t0);
  queue.set(fast, 200, t0);
  EXPECT_EQ(queue.take_due(t0 + 600ms), fast);
  EXPECT_EQ(queue.take_due(t0 + 600ms), slow);
  EXPECT_FALSE(queue.take_due(t0 + 600ms));
  queue.remove(fast);
  EXPECT_EQ(queue.next_deadline(), t0 + 1000ms);
}

TEST(PixelFormat, OnlyLittleEndian32BitBgrxIsUsedAsItIs) {
  EXPECT_TRUE(is_bgrx({32, false, 0xff0000, 0xff00, 0xff}));
  EXPECT_FALSE(is_bgrx({32, true, 0xff0000, 0xff00, 0xff}));
  EXPECT_FALSE(is_bgrx({32, false, 0xff, 0xff00, 0xff0000}));
  EXPECT_FALSE(is_bgrx({24, false, 0xff0000, 0xff00, 0xff}));
  EXPECT_FALSE(is_bgrx({16, false, 0xf800, 0x07e0, 0x001f}));
}

TEST(PixelFormat, ConvertsOtherLayoutsToBgrx) {
  // 16-bit 5-6-5, least significant byte first: pure red and a mid grey.
  const std::uint8_t rgb565[] = {0x00, 0xf8, 0xef, 0x7b, 0, 0};
  Image out;
  convert_to_bgrx(rgb565, 6, 2, 1, {16, false, 0xf800, 0x07e0, 0x001f}, out);
  EXPECT_EQ(out.pixel(0, 0), 0xFF0000u);
  EXPECT_EQ(out.pixel(1, 0), 0x7B7D7Bu);

  // 24-bit, most significant byte first, two rows with padding.
  const std::uint8_t rgb888[] = {0x12, 0x34, 0x56, 0xAA, 0xAB, 0xCD, 0xEF, 0xAA};
  convert_to_bgrx(rgb888, 4, 1, 2, {24, true, 0xff0000, 0xff00, 0xff}, out);
  EXPECT_EQ(out.pixel(0, 0), 0x123456u);
  EXPECT_EQ(out.pixel(0, 1), 0xABCDEFu);

  // 32-bit with red in the lowest byte.
  const std::uint8_t rgbx[] = {0x11, 0x22, 0x33, 0x00};
  convert_to_bgrx(rgbx, 4, 1, 1, {32, false, 0xff, 0xff00, 0xff0000}, out);
  EXPECT_EQ(out.pixel(0, 0), 0x112233u);
  EXPECT_EQ(out.row(0)[3], 0);
}

TEST(Keysyms, NamedKeysAndCharacters) {
  EXPECT_EQ(keysym_of({0, Key::PageDown, 0}), static_cast<KeySym>(XK_Next));
  EXPECT_EQ(keysym_of({kCtrl, Key::Home, 0}), static_cast<KeySym>(XK_Home));
  EXPECT_EQ(keysym_of({0, Key::Enter, 0}), static_cast<KeySym>(XK_Return));
  EXPECT_EQ(keysym_of({0, Key::Character, U'a'}), static_cast<KeySym>(XK_a));
  EXPECT_EQ(keysym_of({0, Key::Character, U'é'}), static_cast<KeySym>(XK_eacute));
  EXPECT_EQ(keysym_of({0, Key::Character, U'图'}), static_cast<KeySym>(0x01000000 | 0x56FE));
  EXPECT_EQ(keysym_of({0, Key::Character, 0x01}), static_cast<KeySym>(NoSymbol));
}

}  // namespace
}  // namespace pr::x11
