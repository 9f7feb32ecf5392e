#include <gtest/gtest.h>

#include "core/page_compare.hpp"
#include "core/page_cycle.hpp"
#include "harness.hpp"
#include "platform/files.hpp"
#include "platform/report.hpp"

namespace pr {
namespace {

using test::Document;
using test::Harness;

// Virtual times of the Page Downs and of the files written, from the start.
std::vector<long long> page_downs(const Harness& h) {
  std::vector<long long> times;
  for (const auto& k : h.hp.keystrokes()) {
    if (k.keys == "PageDown") times.push_back(k.time_ms);
  }
  return times;
}

std::vector<long long> writes(const Harness& h) {
  std::vector<long long> times;
  for (const auto& w : h.hp.writes()) {
    if (w.ok) times.push_back(w.time_ms);
  }
  return times;
}

// The picture handed to the writer for a file of the capture folder.
const Image* written(const Harness& h, const std::string& name) {
  const Image* found = nullptr;
  for (const auto& w : h.hp.writes()) {
    if (w.ok && w.path.filename() == name) found = &w.picture;
  }
  return found;
}

// The page whose colour a saved file shows at its top-left pixel.
int page_of(const Harness& h, const std::string& name) {
  const Image* picture = written(h, name);
  if (!picture || picture->width() == 0) return -1;
  for (int n = 1; n < 100; ++n) {
    if (picture->pixel(0, 0) == static_cast<std::uint32_t>(0x102030 + n * 0x0B0907)) return n;
  }
  return 0;
}

std::string caption(const Harness& h) {
  return h.hp.window_named("MainWindow")->caption;
}

TEST(SamePage, ACaretSizedChangeIsNoChangeAndAnythingLargerIs) {
  Image before(200, 100);
  before.fill(0xFFFFFF);
  Image now(200, 100);
  auto reset = [&] { keep_copy(now, before.view()); };
  auto mark = [&](int x, int y, int w, int h) {
    for (int py = y; py < y + h; ++py) {
      for (int px = x; px < x + w; ++px) now.set_pixel(px, py, 0x000000);
    }
  };
  reset();
  EXPECT_TRUE(same_page(before.view(), now.view()));
  mark(50, 10, kCaretMaxWidth, kCaretMaxHeight);  // the largest caret
  EXPECT_TRUE(same_page(before.view(), now.view()));
  reset();
  mark(50, 10, kCaretMaxWidth + 1, 1);
  EXPECT_FALSE(same_page(before.view(), now.view()));
  reset();
  mark(50, 10, 1, kCaretMaxHeight + 1);
  EXPECT_FALSE(same_page(before.view(), now.view()));
  reset();
  mark(10, 10, 1, 1);  // two specks far apart are not one caret
  mark(180, 90, 1, 1);
  EXPECT_FALSE(same_page(before.view(), now.view()));
  reset();
  now.row(5)[3 * 4 + 3] ^= 0xFF;  // the padding byte only
  EXPECT_TRUE(same_page(before.view(), now.view()));
  Image smaller(199, 100);
  smaller.fill(0xFFFFFF);
  EXPECT_FALSE(same_page(before.view(), smaller.view()));
}

TEST(PageEnd, FivePagesThenTwoUnchangedTurnsStopTheCycleAsEscDoes) {
  Harness h;
  Document document(h.hp, 5);
  std::vector<std::string> lines;
  h.program.run_report = [&](std::string_view line) { lines.emplace_back(line); };
  h.capture(1500, 1500, 4500, 4500);
  // The cycle's last tick is the phase-4 tick of the turn whose capture was
  // at 9000: 9000 + 3 × 300.
  h.hp.advance(9899);
  EXPECT_TRUE(h.overlay().tick_timer.enabled());
  EXPECT_EQ(caption(h), "Pagerook 5");
  h.hp.advance(1);
  EXPECT_FALSE(h.overlay().tick_timer.enabled());
  EXPECT_EQ(h.overlay().tick_timer.interval(), 0);
  EXPECT_TRUE(h.hp.escape_grabbed());  // Esc is still the run's for a moment
  EXPECT_EQ(h.hp.pointer(), MousePointer::Arrow);
  EXPECT_TRUE(h.hp.window_named("MainWindow")->visible);
  EXPECT_EQ(caption(h), "Pagerook 5 ✓");
  h.hp.advance(20000);
  // Grabbed at 0, 1500, ... 6000; each written once a second grab agreed.
  EXPECT_EQ(writes(h), (std::vector<long long>{0, 1500, 3000, 4500, 6000}));
  EXPECT_EQ(page_downs(h), (std::vector<long long>{1200, 2700, 4200, 5700, 7200, 8700}));
  std::vector<std::string> names = h.files();
  ASSERT_EQ(names.size(), 5u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(page_of(h, std::to_string(i) + ".jpg"), i + 1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "5 pages saved in " + files::to_utf8(h.folder) + " (end of the document)");
}

TEST(PageEnd, WithTheOptionOffItRunsOnAndSavesNoMoreFiles) {
  Harness h;
  Document document(h.hp, 5);
  h.main_window().options.stop_at_end = false;
  h.capture(1500, 1500, 4500, 4500);
  h.hp.advance(30000);
  EXPECT_TRUE(h.overlay().tick_timer.enabled());
  EXPECT_EQ(h.overlay().tick_timer.interval(), 300);
  EXPECT_EQ(h.files().size(), 5u);
  EXPECT_EQ(page_downs(h).size(), 20u);  // 1200, 2700, ... 29700
  EXPECT_EQ(caption(h), "Pagerook 5");
  h.hp.press_escape_anywhere();
  EXPECT_EQ(caption(h), "Pagerook 5");
}

TEST(PageEnd, ALatePageIsTakenAtAnIdleTickAndTheNextComesOnTime) {
  Harness h;
  Document document(h.hp, 3, 400);
  h.capture(1500, 1500, 4500, 4500);
  h.hp.advance(4000);
  // Page Down at 1200, painted at 1600: not there at the capture tick of
  // 1500, taken at the phase-2 tick of 1800.
  EXPECT_EQ(page_downs(h), (std::vector<long long>{1200, 2700}));
  EXPECT_EQ(writes(h), (std::vector<long long>{0, 1800, 3300}));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(page_of(h, std::to_string(i) + ".jpg"), i + 1);
}

TEST(PageEnd, APageStillBeingDrawnAfterItsSaveIsSavedAgainOnceQuiet) {
  Harness h;
  Document document(h.hp, 1);
  h.capture(1500, 1500, 4500, 4500);
  // The next page arrives in two halves, 1490 and 1530; the capture at 1500
  // sees the first half only.
  auto half = [&](int from_y, int to_y) {
    for (int y = from_y; y < to_y; ++y) {
      for (int x = 0; x < 400; ++x) h.hp.screen().set_pixel(x, y, 0x102030 + 2 * 0x0B0907);
    }
  };
  h.hp.at(1490, [&] { half(0, 200); });
  h.hp.at(1530, [&] { half(200, 400); });
  h.hp.advance(2500);
  // Saved at 1500 with one half, drawn on at 1530, quiet by 2100: saved
  // again under the same number.
  EXPECT_EQ(writes(h), (std::vector<long long>{0, 1500, 2100}));
  EXPECT_EQ(h.files(), (std::vector<std::string>{"0.jpg", "1.jpg"}));
  const Image* saved = written(h, "1.jpg");
  ASSERT_TRUE(saved);
  ASSERT_EQ(saved->height(), 200);
  Image page(200, 200);
  page.fill(0x102030 + 2 * 0x0B0907);
  EXPECT_EQ(test::mean_difference(saved->view(), page.view()), 0);
}

TEST(PageEnd, AScreenThatNeverSettlesIsSavedAgainAtTheTurnsLastTick) {
  Harness h;
  Document document(h.hp, 1);
  h.capture(1500, 1500, 4500, 4500);
  for (int t = 1490; t < 2800; t += 10) {  // a video in the rectangle
    h.hp.at(t, [&h, t] { h.hp.screen().fill(static_cast<std::uint32_t>(t * 977)); });
  }
  h.hp.advance(2500);
  EXPECT_EQ(writes(h), (std::vector<long long>{0, 1500, 2400}));
  EXPECT_EQ(written(h, "1.jpg")->pixel(0, 0), static_cast<std::uint32_t>(2400 * 977) & 0xFFFFFF);
}

TEST(PageEnd, ABlinkingCaretIsNoNewPageButAFootersPageNumberIs) {
  {
    Harness h;
    Document document(h.hp, 1);
    for (int t = 250; t < 6000; t += 250) {  // a 2 × 20 px cursor blinking
      bool on = t / 250 % 2 == 1;
      h.hp.at(t, [&h, on] {
        for (int y = 150; y < 170; ++y) {
          for (int x = 200; x < 202; ++x)
            h.hp.screen().set_pixel(x, y, on ? 0 : 0x102030 + 0x0B0907);
        }
      });
    }
    h.capture(1500, 1500, 4500, 4500);
    h.hp.advance(6000);
    EXPECT_EQ(h.files(), std::vector<std::string>{"0.jpg"});
    // 1200 and 2700 turned nothing: off at 3900, and not one turn moved it.
    EXPECT_EQ(caption(h), "Pagerook 1 ⚠ 翻页键无效?");
    EXPECT_FALSE(h.overlay().tick_timer.enabled());
  }
  {
    Harness h;
    Document document(h.hp, 3, 0, true);  // pages alike but for the footer
    h.capture(1500, 1500, 4500, 4500);
    h.hp.advance(10000);
    EXPECT_EQ(writes(h), (std::vector<long long>{0, 1500, 3000}));
  }
}

TEST(PageEnd, TheCaptionCountsTheRunAndSaysHowItEnded) {
  Harness h;
  Document document(h.hp, 10);
  std::vector<std::string> lines;
  h.program.run_report = [&](std::string_view line) { lines.emplace_back(line); };
  EXPECT_EQ(caption(h), "Pagerook");
  h.click_capture();
  EXPECT_EQ(caption(h), "Pagerook");  // no run yet
  h.drag(1500, 1500, 4500, 4500);
  EXPECT_EQ(caption(h), "Pagerook 1");
  h.hp.advance(3100);
  EXPECT_EQ(caption(h), "Pagerook 3");
  h.hp.press_escape_anywhere();
  EXPECT_EQ(caption(h), "Pagerook 3");
  h.hp.type_key(h.main_window_id(), 27);  // Esc again ends nothing more
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "3 pages saved in " + files::to_utf8(h.folder) + " (stopped by Esc)");
  // A new run counts from its own commit.
  h.capture(1500, 1500, 4500, 4500);
  EXPECT_EQ(caption(h), "Pagerook 1");
  h.hp.press_escape_anywhere();
  EXPECT_EQ(lines.back(), "1 page saved in " + files::to_utf8(h.folder) + " (stopped by Esc)");
}

// The system's writer, except for `fails` calls from call number `first` on.
class FailingWriter : public JpegWriter {
 public:
  FailingWriter(int first, int fails) : first_(first), fails_(fails) {}
  WriteResult write(ImageView picture, const std::filesystem::path& path, unsigned quality,
                    float dpi) override {
    const int n = calls_++;
    if (n >= first_ && n < first_ + fails_) return {};
    return real_.write(picture, path, quality, dpi);
  }

 private:
  test::RecordingWriter real_;
  int first_, fails_, calls_ = 0;
};

TEST(PageEnd, AFailedSaveHoldsTheCycleUntilALaterTickHasSavedThePage) {
  // The third save fails at once and at the next four ticks.
  Harness h(1920, 1080, 15, std::make_unique<FailingWriter>(2, 5));
  Document document(h.hp, 6);
  std::vector<std::string> errors;
  set_report_sink([&](std::string_view line) { errors.emplace_back(line); });
  h.capture(1500, 1500, 4500, 4500);
  h.hp.advance(4000);
  EXPECT_EQ(caption(h), "Pagerook 2 ⚠ 保存失败");
  h.hp.advance(20000);
  set_report_sink({});
  // Held from 3040 to 4500: no page turned meanwhile, and the cycle goes on
  // from the saved page.
  EXPECT_EQ(writes(h), (std::vector<long long>{0, 1500, 4500, 5700, 7200, 8700}));
  EXPECT_EQ(page_downs(h), (std::vector<long long>{1200, 2700, 5400, 6900, 8400, 9900, 11400}));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(page_of(h, std::to_string(i) + ".jpg"), i + 1);
  EXPECT_EQ(caption(h), "Pagerook 6 ✓");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("could not be saved"), std::string::npos);
}

TEST(AutoPace, AFailedSaveHoldsThePageTurnUntilThePageIsSaved) {
  // The third save fails at once and at the next poll.
  Harness h(1920, 1080, 15, std::make_unique<FailingWriter>(2, 2));
  Document document(h.hp, 4, 120);
  h.main_window().options.auto_pace = true;
  set_report_sink([](std::string_view) {});
  h.capture(1500, 1500, 4500, 4500);
  h.hp.advance(6000);
  set_report_sink({});
  // Page 3, drawn at 300 and quiet by 340, fails there and at 360; it is
  // saved by the poll of 380, and only then is page 4 turned to.
  EXPECT_EQ(writes(h), (std::vector<long long>{0, 180, 380, 540}));
  std::vector<long long> turns = page_downs(h);
  ASSERT_GE(turns.size(), 4u);
  EXPECT_EQ(std::vector<long long>(turns.begin(), turns.begin() + 4),
            (std::vector<long long>{20, 180, 380, 540}));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(page_of(h, std::to_string(i) + ".jpg"), i + 1);
  EXPECT_EQ(caption(h), "Pagerook 4 ✓");
}

TEST(AutoPace, EachPageIsSavedAsSoonAsItSettlesAndTheNextTurnedAtOnce) {
  Harness h;
  Document document(h.hp, 5, 120);
  h.main_window().options.auto_pace = true;
  h.capture(1500, 1500, 4500, 4500);
  EXPECT_EQ(h.overlay().tick_timer.interval(), kAutoPollMs);
  h.hp.advance(3659);
  EXPECT_TRUE(h.overlay().tick_timer.enabled());
  h.hp.advance(1);
  // The turn at 660 after the last page changed nothing, nor did the turn
  // at 2160: each waited a page's time, and the second's end, at 3660, ends
  // the run.
  EXPECT_FALSE(h.overlay().tick_timer.enabled());
  EXPECT_EQ(h.overlay().tick_timer.interval(), 0);
  EXPECT_EQ(caption(h), "Pagerook 5 ✓");
  h.hp.advance(kEscapeGraceMs);
  EXPECT_FALSE(h.hp.escape_grabbed());
  std::vector<long long> turns = page_downs(h);
  std::vector<long long> saved = writes(h);
  ASSERT_EQ(saved.size(), 5u);
  ASSERT_EQ(turns.size(), 6u);
  EXPECT_EQ(turns[0], kAutoPollMs);  // the first tick after the commit
  for (std::size_t i = 1; i < saved.size(); ++i) {
    // Painted 120 ms after its Page Down, saved once its window has been
    // quiet for two polls, and the next page turned in the same moment.
    EXPECT_EQ(saved[i] - turns[i - 1], 120 + kAutoQuietPolls * kAutoPollMs);
    EXPECT_EQ(turns[i], saved[i]);
  }
  EXPECT_EQ(turns[5], turns[4] + kAutoPollsPerTurn * kAutoPollMs);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(page_of(h, std::to_string(i) + ".jpg"), i + 1);
  h.hp.advance(5000);
  EXPECT_EQ(h.files().size(), 5u);
}

}  // namespace
}  // namespace pr
