#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <ostream>
#include <string_view>
#include <system_error>

#include "app/controls.hpp"
#include "app/designs.hpp"
#include "core/system_jpeg_writer.hpp"
#include "harness.hpp"
#include "platform/files.hpp"
#include "platform/report.hpp"

namespace pr {
namespace {

namespace fs = std::filesystem;
using test::Harness;
using test::Reports;
using test::write;

int count_keys(const Harness& h, const std::string& keys) {
  int n = 0;
  for (const auto& k : h.hp.keystrokes()) n += k.keys == keys;
  return n;
}

// The overlay is gone, the main window is back and nothing runs.
void expect_back_to_idle(Harness& h) {
  EXPECT_FALSE(h.hp.window_named("SelectionOverlay")->visible);
  EXPECT_TRUE(h.hp.window_named("MainWindow")->visible);
  EXPECT_EQ(h.hp.pointer(), MousePointer::Arrow);
  EXPECT_FALSE(h.overlay().tick_timer.enabled());
  EXPECT_FALSE(h.hp.escape_grabbed());
}

// The document page whose colour the saved file shows, by the nearest colour.
int page_in_file(const fs::path& path) {
  Image picture = test::decode_jpeg(path);
  if (picture.width() == 0) return -1;
  const std::uint32_t seen = picture.pixel(picture.width() / 2, 1);
  int best = 0, best_distance = 1 << 30;
  for (int n = 1; n < 50; ++n) {
    const std::uint32_t colour = 0x102030 + n * 0x0B0907;
    int distance = 0;
    for (int shift : {0, 8, 16}) {
      distance += std::abs(static_cast<int>((seen >> shift) & 0xFF) -
                           static_cast<int>((colour >> shift) & 0xFF));
    }
    if (distance < best_distance) {
      best_distance = distance;
      best = n;
    }
  }
  return best;
}

struct Fault {
  const char* operation;
  std::errc error;
  const char* words;  // in the caption while held
};

// Names each case in the test list by its fault, not by its bytes.
void PrintTo(const Fault& fault, std::ostream* out) {
  *out << fault.operation << " " << std::make_error_code(fault.error).message();
}

class HeldCycle : public testing::TestWithParam<Fault> {};

// The third save fails for four ticks, then works: no page lost, no gap.
TEST_P(HeldCycle, AFailedSaveHoldsTheCycleUntilThePageIsSaved) {
  const Fault fault = GetParam();
  Harness h;
  test::Document document(h.hp, 6);
  Reports reports;
  h.capture(1500, 1500, 4500, 4500);
  while (h.files().size() < 2) h.hp.advance(10);
  files::inject_fault(fault.operation, std::make_error_code(fault.error), 4);
  const std::string caption_held = "Pagerook 2 ⚠ " + std::string(fault.words);
  std::size_t keys = h.hp.keystrokes().size();
  while (count_keys(h, "PageDown") == 1) h.hp.advance(10);  // the page turn to page 3
  keys = h.hp.keystrokes().size();
  bool was_held = false;
  for (int i = 0; i < 1000 && h.files().size() < 3; ++i) {
    h.hp.advance(10);
    if (h.hp.window_named("MainWindow")->caption == caption_held) {
      was_held = true;
      EXPECT_EQ(h.hp.keystrokes().size(), keys) << "a page turned while held";
    }
  }
  EXPECT_TRUE(was_held);
  h.hp.advance(20000);
  std::vector<std::string> expected;
  for (int i = 0; i < 6; ++i) expected.push_back(std::to_string(i) + ".jpg");
  EXPECT_EQ(h.files(), expected);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(page_in_file(h.folder / expected[i]), i + 1) << i;
  ASSERT_EQ(reports.lines.size(), 1u);
  const std::string& line = reports.lines[0];
  EXPECT_NE(line.find(std::make_error_code(fault.error).message()), std::string::npos) << line;
  EXPECT_NE(line.find(files::to_utf8(h.folder)), std::string::npos) << line;
  EXPECT_EQ(h.hp.window_named("MainWindow")->caption, "Pagerook 6 ✓");
}

// The Windows writer writes through GDI+, so only its rename goes through
// the files layer.
INSTANTIATE_TEST_SUITE_P(Faults, HeldCycle,
                         testing::Values(
#ifndef _WIN32
                             Fault{"write", std::errc::no_space_on_device, "磁盘已满"},
                             Fault{"write", std::errc::read_only_file_system, "磁盘只读"},
                             Fault{"write", std::errc::not_a_directory, "文件夹不可用"},
#endif
                             Fault{"rename", std::errc::io_error, "保存失败"}));

TEST(HeldCycle, AFailedScreenCopyHoldsTheCycleAndEscStopsIt) {
  Harness h;
  test::Document document(h.hp, 6);
  Reports reports;
  h.capture(1500, 1500, 4500, 4500);
  while (h.files().size() < 2) h.hp.advance(10);
  h.hp.failing_copies = 1000;
  h.hp.advance(6000);
  const int turns = count_keys(h, "PageDown");
  h.hp.advance(6000);
  EXPECT_EQ(count_keys(h, "PageDown"), turns);
  EXPECT_EQ(h.hp.window_named("MainWindow")->caption, "Pagerook 2 ⚠ 截屏失败");
  ASSERT_EQ(reports.lines.size(), 1u);
  EXPECT_NE(reports.lines[0].find("BadMatch"), std::string::npos);
  h.hp.failing_copies = 0;
  for (int i = 0; i < 300 && h.files().size() < 3; ++i) h.hp.advance(10);
  EXPECT_EQ(page_in_file(h.folder / "2.jpg"), 3);
  EXPECT_EQ(h.hp.window_named("MainWindow")->caption, "Pagerook 3");
  // A cycle held again stops at Esc.
  h.hp.failing_copies = 1000;
  h.hp.advance(3000);
  h.hp.press_escape_anywhere();
  EXPECT_FALSE(h.overlay().tick_timer.enabled());
  EXPECT_FALSE(h.hp.escape_grabbed());
  h.hp.failing_copies = 0;
}

TEST(HeldCycle, AScreenShrunkUnderTheRectangleHoldsTheCycle) {
  Harness h;
  test::Document document(h.hp, 6);
  Reports reports;
  h.capture(1500, 1500, 4500, 4500);
  while (h.files().size() < 2) h.hp.advance(10);
  // The rectangle ends at 300, 300 px: part of it is off this screen.
  h.hp.screen().resize(250, 250);
  h.hp.advance(3000);
  const int turns = count_keys(h, "PageDown");
  h.hp.advance(6000);
  EXPECT_EQ(count_keys(h, "PageDown"), turns);
  EXPECT_EQ(h.files().size(), 2u);
  EXPECT_EQ(h.hp.window_named("MainWindow")->caption, "Pagerook 2 ⚠ 截屏失败");
  ASSERT_EQ(reports.lines.size(), 1u);
  EXPECT_NE(reports.lines[0].find("no longer wholly on the screen"), std::string::npos);
  // Its size back and the document redrawn, the pages go on.
  h.hp.screen().resize(1920, 1080);
  document.show(document.shown());
  for (int i = 0; i < 1000 && h.files().size() < 4; ++i) h.hp.advance(10);
  ASSERT_EQ(h.files().size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(page_in_file(h.folder / (std::to_string(i) + ".jpg")), i + 1) << i;
  }
  EXPECT_EQ(h.hp.window_named("MainWindow")->caption, "Pagerook 4");
  EXPECT_EQ(reports.lines.size(), 1u);
}

TEST(HeldCycle, APlainFileWhereTheFolderShouldBeHoldsTheCycle) {
  Harness h;
  test::Document document(h.hp, 6);
  Reports reports;
  h.capture(1500, 1500, 4500, 4500);
  while (h.files().size() < 2) h.hp.advance(10);
  const fs::path aside = h.temp.path() / "aside";
  fs::rename(h.folder, aside);
  write(h.folder);
  h.hp.advance(6000);
  EXPECT_EQ(h.hp.window_named("MainWindow")->caption, "Pagerook 2 ⚠ 文件夹不可用");
  ASSERT_EQ(reports.lines.size(), 1u);
  EXPECT_NE(reports.lines[0].find(files::to_utf8(h.folder)), std::string::npos);
#ifndef _WIN32
  EXPECT_NE(reports.lines[0].find(std::make_error_code(std::errc::not_a_directory).message()),
            std::string::npos);
#endif
  fs::remove(h.folder);
  fs::rename(aside, h.folder);
  h.hp.advance(3000);
  EXPECT_EQ(page_in_file(h.folder / "2.jpg"), 3);
}

// The home folder gone (an unmounted disk, a removed account folder): the
// first picture waits, and nothing is turned until it is saved.
TEST(HeldCycle, AMissingHomeFolderHoldsTheFirstPage) {
  Harness h;
  test::Document document(h.hp, 4);
  Reports reports;
  h.click_capture();
  const fs::path home = h.temp.path();
  const fs::path aside = home.parent_path() / (home.filename().string() + ".aside");
  fs::rename(home, aside);
  h.drag(1500, 1500, 4500, 4500);
  h.hp.advance(6000);
  EXPECT_EQ(count_keys(h, "PageDown"), 0) << "a page turned before the first was saved";
  EXPECT_EQ(h.hp.window_named("MainWindow")->caption, "Pagerook 0 ⚠ 文件夹不可用");
  ASSERT_EQ(reports.lines.size(), 1u);
  EXPECT_NE(reports.lines[0].find(files::to_utf8(h.folder)), std::string::npos);
  fs::rename(aside, home);
  for (int i = 0; i < 1000 && h.files().size() < 4; ++i) h.hp.advance(10);
  ASSERT_EQ(h.files().size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(page_in_file(h.folder / (std::to_string(i) + ".jpg")), i + 1) << i;
  }
}

TEST(OneInstance, ASecondProgramShowsNothingAndPointsAtTheFirst) {
  test::TempDir dir;
  HeadlessPlatform hp(1920, 1080, dir.path());
  hp.another_instance = true;
  std::unique_ptr<JpegWriter> writer = make_system_jpeg_writer();
  Reports reports;
  Program program(hp, *writer);
  EXPECT_TRUE(program.second_instance());
  EXPECT_EQ(hp.attention, 1);
  EXPECT_EQ(hp.window_named("MainWindow"), nullptr);
  EXPECT_FALSE(fs::exists(dir.path() / files::from_utf8("截图")));
  ASSERT_EQ(reports.lines.size(), 1u);
  EXPECT_NE(reports.lines[0].find("running already"), std::string::npos);
}

TEST(OneInstance, TheFirstClaimsTheSessionBeforeItShowsAnything) {
  Harness h;
  EXPECT_FALSE(h.program.second_instance());
  EXPECT_EQ(h.hp.attention, 0);
  EXPECT_LT(h.hp.call_index("claim_instance MainWindow"), h.hp.call_index("show MainWindow"));
}

TEST(OneInstance, AnEscHeldElsewhereIsAskedForAtEveryTickAndTheCaptionSaysSo) {
  Harness h;
  test::Document document(h.hp, 20);
  h.hp.escape_refused = true;
  h.capture(1500, 1500, 4500, 4500);
  auto caption = [&] { return h.hp.window_named("MainWindow")->caption; };
  EXPECT_EQ(caption(), "Pagerook 1 · Esc 无效");
  h.hp.advance(1500);
  h.hp.press_escape_anywhere();  // reaches nobody
  EXPECT_TRUE(h.overlay().tick_timer.enabled());
  const std::size_t asked = h.hp.calls().size();
  h.hp.escape_refused = false;  // the other program lets go
  h.hp.advance(300);
  EXPECT_LT(h.hp.call_index("grab escape", asked), h.hp.calls().size());
  EXPECT_EQ(caption().find("Esc"), std::string::npos) << caption();
  h.hp.press_escape_anywhere();
  EXPECT_FALSE(h.overlay().tick_timer.enabled());
  EXPECT_EQ(caption().find("Esc"), std::string::npos) << caption();
}

TEST(OneInstance, TheButtonsTipsPromiseEscOnlyWhereTheDesktopGivesIt) {
  for (const bool withheld : {false, true}) {
    SCOPED_TRACE(withheld ? "Esc withheld" : "Esc offered");
    Harness h;
    test::Document document(h.hp, 20);
    h.hp.escape_withheld = withheld;
    const HeadlessPlatform::Window* main = h.hp.window_named("MainWindow");
    h.capture(1500, 1500, 4500, 4500);
    EXPECT_EQ(main->design.buttons.at(0).tooltip,
              withheld ? design::kStopTipWithoutEsc : design::kStopTip);
    EXPECT_EQ(main->caption.find("Esc 无效") != std::string::npos, withheld);
    h.hp.press_escape_anywhere();
    EXPECT_EQ(h.overlay().tick_timer.enabled(), withheld);
    if (withheld) h.hp.click_button(h.main_window_id(), design::kCaptureButton);
    EXPECT_FALSE(h.overlay().tick_timer.enabled());
    EXPECT_EQ(main->design.buttons.at(0).tooltip,
              withheld ? design::kCaptureTipWithoutEsc : design::kCaptureTip);
  }
}

TEST(WayOut, EscOnTheOverlayCancelsTheSelection) {
  Harness h;
  h.click_capture();
  h.hp.mouse_down(h.overlay_id(), 1, 100, 100);
  h.hp.mouse_move(h.overlay_id(), 1, 300, 300);
  std::size_t keys = h.hp.keystrokes().size();
  h.hp.type_key(h.overlay_id(), 27);
  expect_back_to_idle(h);
  EXPECT_EQ(h.hp.window_named("SelectionOverlay")->outline[2], 0);
  EXPECT_EQ(h.hp.keystrokes().size(), keys);
  h.hp.advance(5000);
  EXPECT_TRUE(h.files().empty());
  // The release that follows lands on nothing: no capture afterwards.
  h.hp.mouse_up(h.overlay_id(), 1, 300, 300);
  EXPECT_TRUE(h.files().empty());
}

// A click and a tiny drag after a run: nothing saved, no key, no cycle.
TEST(WayOut, ACommitTooSmallToCropEndsTheRun) {
  for (float size : {0.0f, 75.0f, 135.0f}) {
    SCOPED_TRACE(size);
    Harness h;
    test::Document document(h.hp, 10);
    h.capture(1500, 1500, 4500, 4500);
    h.hp.advance(3000);
    ASSERT_EQ(h.files().size(), 3u);
    h.overlay().tick_timer.set_enabled(false);  // as after Esc
    h.overlay().tick_timer.set_interval(0);
    h.click_capture();
    std::size_t keys = h.hp.keystrokes().size();
    std::size_t posts = h.hp.calls().size();
    h.drag(3000, 3000, 3000 + size, 3000 + size);
    expect_back_to_idle(h);
    h.hp.advance(5000);
    EXPECT_TRUE(h.files().empty());
    EXPECT_EQ(h.hp.keystrokes().size(), keys);
    EXPECT_GE(h.hp.call_index("post_key MainWindow 13", posts), h.hp.calls().size());
  }
}

TEST(WayOut, ACancelledFirstRunLeavesTheDocumentsStartForTheNext) {
  Harness h;
  h.click_capture();
  EXPECT_EQ(count_keys(h, "Ctrl+Home"), 1);
  h.drag(1500, 1500, 1500, 1500);  // a click: cancelled
  h.click_capture();
  EXPECT_EQ(count_keys(h, "Ctrl+Home"), 2);
  h.drag(1500, 1500, 4500, 4500);
  h.main_window().on_key(27);
  // Once a run was committed, the start is used up for the program's run.
  h.click_capture();
  h.hp.type_key(h.overlay_id(), 27);
  h.click_capture();
  EXPECT_EQ(count_keys(h, "Ctrl+Home"), 2);
}

}  // namespace
}  // namespace pr
