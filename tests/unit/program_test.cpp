#include <gtest/gtest.h>

#include <fstream>

#include "app/designs.hpp"
#include "app/preview_window.hpp"
#include "harness.hpp"
#include "platform/files.hpp"
#include "platform/units.hpp"

namespace pr {
namespace {

namespace fs = std::filesystem;
using test::Harness;

TEST(StartUp, MainWindowAtItsDesignedValues) {
  Harness h;
  MainWindow& f = h.main_window();
  EXPECT_TRUE(f.options.page_after_page);
  EXPECT_TRUE(f.options.keep_on_top);
  EXPECT_EQ(f.options.jpeg_quality, 80);
  EXPECT_EQ(f.options.tick_ms, 300);
  EXPECT_EQ(f.last_picture.width(), design::empty_picture(15));
  const auto* w = h.hp.window_named("MainWindow");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->design.caption, design::kTitle);
  EXPECT_EQ(w->design.client_width, 145);  // 2175 twips at 15 twips a pixel
  EXPECT_EQ(w->design.client_height, 40);
  EXPECT_FALSE(w->design.style.takes_focus);
  EXPECT_EQ(w->design.buttons.at(0).tooltip, design::kCaptureTip);
  // Moved to the corner keeping its outer size, topmost, shown, then below
  // a maximised window's title and menu bars (two of its own title bars).
  PixelSize frame = h.hp.frame_size(h.main_window_id());
  EXPECT_EQ(frame.height, HeadlessPlatform::kTitle + 2 * HeadlessPlatform::kBorder);
  EXPECT_EQ(w->left, 0);
  EXPECT_EQ(w->top, 2 * frame.height);
  EXPECT_EQ(w->width, 145 + frame.width);
  EXPECT_EQ(w->height, 40 + frame.height);
  EXPECT_EQ(f.width(), 145 + frame.width);
  EXPECT_TRUE(w->topmost);
  EXPECT_TRUE(w->visible);
  EXPECT_LT(h.hp.call_index("move MainWindow"), h.hp.call_index("topmost MainWindow"));
  EXPECT_LT(h.hp.call_index("topmost MainWindow"), h.hp.call_index("show MainWindow"));
  EXPECT_FALSE(h.program.overlay_loaded());
}

TEST(CaptureRun, FreezesTheScreenWithoutTheMainWindow) {
  Harness h;
  test::paint_markers(h.hp.screen());
  fs::create_directory(h.folder);
  std::ofstream(h.folder / "old.jpg") << "x";
  std::ofstream(h.folder / "notes") << "x";
  h.click_capture();

  EXPECT_TRUE(h.files().empty());
  const auto& calls = h.hp.calls();
  std::size_t hide1 = h.hp.call_index("hide MainWindow");
  std::size_t copy = h.hp.call_index("copy_screen");
  ASSERT_LT(hide1, calls.size());
  EXPECT_LT(hide1, copy);
  EXPECT_LT(h.hp.call_index("hide PreviewWindow"), copy);
  EXPECT_LT(copy, h.hp.call_index("show SelectionOverlay"));
  EXPECT_LT(h.hp.call_index("show SelectionOverlay"), h.hp.call_index("topmost SelectionOverlay"));

  const auto* overlay = h.hp.window_named("SelectionOverlay");
  ASSERT_NE(overlay, nullptr);
  EXPECT_TRUE(overlay->visible);
  EXPECT_TRUE(overlay->topmost);
  EXPECT_EQ(overlay->left, 0);
  EXPECT_EQ(overlay->width, 1920);
  EXPECT_EQ(overlay->height, 1080);
  EXPECT_EQ(h.hp.pointer(), MousePointer::Cross);
  EXPECT_FALSE(h.hp.window_named("MainWindow")->visible);
  // The frozen picture is the screen, with no trace of the main window.
  ASSERT_EQ(overlay->picture.width(), 1920);
  EXPECT_EQ(overlay->picture.pixel(5, 5), test::marker(5, 5));
  EXPECT_EQ(overlay->picture.pixel(1000, 700), test::marker(1000, 700));
}

TEST(CaptureRun, MissingFolderIsNoObstacle) {
  Harness h;
  h.click_capture();
  EXPECT_TRUE(h.hp.window_named("SelectionOverlay")->visible);
  EXPECT_FALSE(fs::exists(h.folder));
}

TEST(CaptureRun, DragSavesExactlyTheDraggedRectangle) {
  Harness h;
  test::paint_markers(h.hp.screen());
  h.main_window().options.page_after_page = false;
  h.capture(1500, 3000, 7500, 9000);  // 100..500 x 200..600 px

  EXPECT_EQ(h.files(), std::vector<std::string>{"0.jpg"});
  ImageView picture = h.main_window().last_picture.picture();
  ASSERT_EQ(picture.width, 400);
  ASSERT_EQ(picture.height, 400);
  EXPECT_EQ(picture.pixel(0, 0), test::marker(100, 200));
  EXPECT_EQ(picture.pixel(399, 399), test::marker(499, 599));
  EXPECT_EQ(h.main_window().last_picture.width(), 400);
  EXPECT_FALSE(h.hp.window_named("SelectionOverlay")->visible);
  EXPECT_TRUE(h.hp.window_named("MainWindow")->visible);
  EXPECT_EQ(h.hp.pointer(), MousePointer::Arrow);
  EXPECT_FALSE(h.overlay().tick_timer.enabled());  // one capture only
  const auto* overlay = h.hp.window_named("SelectionOverlay");
  EXPECT_EQ(overlay->outline[2], 0);
  EXPECT_EQ(overlay->outline[3], 0);
  Image decoded = test::decode_jpeg(h.folder / "0.jpg");
  EXPECT_EQ(decoded.width(), 400);
  EXPECT_EQ(decoded.height(), 400);
}

TEST(CaptureRun, OutlineFollowsTheDragInEveryDirection) {
  Harness h;
  h.click_capture();
  WindowId o = h.overlay_id();
  auto outline = [&] {
    const int* r = h.hp.window_named("SelectionOverlay")->outline;
    return std::vector<int>{r[0], r[1], r[2], r[3]};
  };
  h.hp.mouse_down(o, 1, 20, 10);
  EXPECT_EQ(h.overlay().outline.left(), 20);
  EXPECT_EQ(h.overlay().outline.top(), 10);
  EXPECT_EQ(outline(), (std::vector<int>{0, 0, 0, 0}));  // no size yet: none shown
  h.hp.mouse_move(o, 1, 40, 30);
  EXPECT_EQ(outline(), (std::vector<int>{20, 10, 20, 20}));
  EXPECT_EQ(h.overlay().outline.width(), 20);
  // Left and up from the press point: the rectangle lies where the user dragged.
  h.hp.mouse_down(o, 1, 40, 30);
  h.hp.mouse_move(o, 1, 20, 10);
  EXPECT_EQ(outline(), (std::vector<int>{20, 10, 20, 20}));
  // Left and right held together, or a move with no button: nothing changes.
  h.hp.mouse_move(o, 3, 60, 60);
  h.hp.mouse_move(o, 0, 60, 60);
  EXPECT_EQ(outline(), (std::vector<int>{20, 10, 20, 20}));
  // A right press stores nothing.
  h.hp.mouse_down(o, 2, 3, 3);
  EXPECT_EQ(h.overlay().start_x, 40);
  EXPECT_EQ(outline(), (std::vector<int>{20, 10, 20, 20}));
}

TEST(CaptureRun, DragLeftAndUpSavesWhereTheUserDragged) {
  Harness h;
  test::paint_markers(h.hp.screen());
  h.capture(600, 450, 300, 150);
  EXPECT_EQ(h.overlay().start_x, 40);
  EXPECT_EQ(h.overlay().start_y, 30);
  EXPECT_EQ(h.overlay().end_x, 20);
  EXPECT_EQ(h.overlay().end_y, 10);
  ImageView picture = h.main_window().last_picture.picture();
  ASSERT_EQ(picture.width, 20);
  ASSERT_EQ(picture.height, 20);
  EXPECT_EQ(picture.pixel(0, 0), test::marker(20, 10));
  EXPECT_EQ(picture.pixel(19, 19), test::marker(39, 29));
  EXPECT_EQ(h.files(), std::vector<std::string>{"0.jpg"});
}

TEST(CaptureRun, ReleaseYAbove16BitsIsKept) {
  // 3840 x 2400 pixels: the bottom rows lie beyond 32767 twips.
  Harness h(3840, 2400);
  test::paint_markers(h.hp.screen());
  h.capture(15000, 33000, 30000, 35700);  // 1000..2000 x 2200..2380 px
  EXPECT_EQ(h.overlay().end_y, 2380);
  ImageView picture = h.main_window().last_picture.picture();
  ASSERT_EQ(picture.width, 1000);
  ASSERT_EQ(picture.height, 180);
  EXPECT_EQ(picture.pixel(0, 0), test::marker(1000, 2200));
  EXPECT_EQ(picture.pixel(999, 179), test::marker(1999, 2379));
}

TEST(CaptureRun, SmallRectanglesAreNotCropped) {
  Harness h;
  h.main_window().options.page_after_page = false;
  // A click, 9 pixels, 600 x 135 twips: no crop, and nothing saved before the
  // first crop of the program run.
  for (auto r :
       {std::array<float, 4>{600, 600, 600, 600}, {600, 600, 735, 735}, {600, 600, 1200, 735}}) {
    h.capture(r[0], r[1], r[2], r[3]);
    EXPECT_EQ(h.main_window().last_picture.width(), design::empty_picture(15));
    EXPECT_TRUE(h.files().empty());
    EXPECT_TRUE(h.hp.window_named("MainWindow")->visible);
    EXPECT_FALSE(h.hp.window_named("SelectionOverlay")->visible);
  }
  h.capture(600, 600, 750, 750);  // 10 x 10 pixels
  EXPECT_EQ(h.main_window().last_picture.picture().width, 10);
  EXPECT_EQ(h.files(), std::vector<std::string>{"0.jpg"});
}

TEST(CaptureRun, ClickAfterAnEarlierCropSavesNothing) {
  Harness h;
  test::paint_markers(h.hp.screen());
  h.main_window().options.page_after_page = false;
  h.capture(1500, 1500, 3000, 3000);
  h.hp.mouse_down(h.main_window_id(), 1, 0, 0);  // not the overlay: ignored
  h.click_capture();                             // empties the folder
  h.drag(600, 600, 600, 600);
  EXPECT_TRUE(h.files().empty());
  EXPECT_FALSE(h.hp.window_named("SelectionOverlay")->visible);
  EXPECT_TRUE(h.hp.window_named("MainWindow")->visible);
}

TEST(CaptureRun, RightOrMiddleReleaseOnlySetsTheArrow) {
  Harness h;
  h.click_capture();
  WindowId o = h.overlay_id();
  h.hp.mouse_down(o, 1, 100, 100);
  for (int button : {2, 4}) {
    h.hp.mouse_up(o, button, 200, 200);
    EXPECT_EQ(h.hp.pointer(), MousePointer::Arrow);
    EXPECT_TRUE(h.hp.window_named("SelectionOverlay")->visible);
    EXPECT_FALSE(h.hp.window_named("MainWindow")->visible);
    EXPECT_EQ(h.overlay().end_x, 0);
    EXPECT_TRUE(h.files().empty());
  }
}

TEST(CaptureRun, KeysOnTheOverlayOtherThanEscDoNothing) {
  Harness h;
  h.click_capture();
  std::size_t calls = h.hp.calls().size();
  std::size_t keys = h.hp.keystrokes().size();
  for (int key : {13, int('a'), 32, 9}) h.hp.type_key(h.overlay_id(), key);
  EXPECT_EQ(h.hp.calls().size(), calls);
  EXPECT_TRUE(h.hp.window_named("SelectionOverlay")->visible);
  EXPECT_EQ(h.hp.keystrokes().size(), keys);
}

TEST(CaptureRun, CommitEnterGoesToTheMainWindowNotTheDocument) {
  Harness h;
  h.capture(1500, 1500, 3000, 3000);
  for (const auto& k : h.hp.keystrokes()) EXPECT_NE(k.keys, "Enter") << k.target;
  std::size_t post = h.hp.call_index("post_key MainWindow 13");
  ASSERT_LT(post, h.hp.calls().size());
  // Queued after the overlay is hidden and the main window shown.
  EXPECT_LT(h.hp.call_index("show MainWindow", h.hp.call_index("copy_screen")), post);
  // Enter, handled by the main window, neither starts a run nor empties the folder.
  EXPECT_EQ(h.files(), std::vector<std::string>{"0.jpg"});
  EXPECT_FALSE(h.hp.window_named("SelectionOverlay")->visible);
  EXPECT_EQ(h.hp.screen_copies(), 1);
}

TEST(CaptureRun, NoKeyPressesTheButton) {
  Harness h;
  for (int key : {13, int('a'), 32, 9}) h.hp.type_key(h.main_window_id(), key);
  EXPECT_EQ(h.hp.screen_copies(), 0);
  const auto* overlay = h.hp.window_named("SelectionOverlay");
  EXPECT_TRUE(!overlay || !overlay->visible);
}

TEST(WordNavigation, OncePerProgramRunWithTheNamedArguments) {
  Harness h;
  auto word = std::make_shared<AutomationJournal>();
  h.hp.register_automation("Word.Application", word);
  h.capture(1500, 1500, 3000, 3000);
  h.hp.press_escape_anywhere();
  h.capture(1500, 1500, 3000, 3000);
  EXPECT_EQ(word->calls, (std::vector<std::string>{
                             "attach Word.Application",
                             "get Selection",
                             "call GoTo(What=Empty&, Which=Empty&, Name=1:i2)",
                             "release Selection",
                             "release Word.Application",
                         }));
  int home = 0;
  for (const auto& k : h.hp.keystrokes()) home += k.keys == "Ctrl+Home";
  EXPECT_EQ(home, 1);
  EXPECT_EQ(h.hp.keystrokes().front().keys, "Ctrl+Home");
  EXPECT_EQ(h.hp.keystrokes().front().target, "document");
  // Within the first capture command, before the main window is hidden.
  EXPECT_LT(h.hp.call_index("send_keys Ctrl+Home"), h.hp.call_index("hide MainWindow"));
}

TEST(WordNavigation, FailuresAreSilentAndCtrlHomeStillGoes) {
  for (const char* failing : {"none", "attach", "Selection", "GoTo"}) {
    SCOPED_TRACE(failing);
    Harness h;
    auto word = std::make_shared<AutomationJournal>();
    word->failing = {failing};
    if (std::string(failing) != "none") h.hp.register_automation("Word.Application", word);
    testing::internal::CaptureStderr();
    h.click_capture();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(h.hp.window_named("SelectionOverlay")->visible);
    ASSERT_EQ(h.hp.keystrokes().size(), 1u);
    EXPECT_EQ(h.hp.keystrokes()[0].keys, "Ctrl+Home");
    // Whatever was obtained is released.
    int got = 0, released = 0;
    for (const auto& c : word->calls) {
      got += c.rfind("attach", 0) == 0 || c.rfind("get", 0) == 0;
      released += c.rfind("release", 0) == 0;
    }
    EXPECT_EQ(got - (std::string(failing) == "attach" || std::string(failing) == "Selection"),
              released);
  }
}

TEST(WordNavigation, EscBeforeAnyCaptureLoadsTheOverlayThen) {
  Harness h;
  auto word = std::make_shared<AutomationJournal>();
  h.hp.register_automation("Word.Application", word);
  h.hp.type_key(h.main_window_id(), 27);
  EXPECT_TRUE(h.program.overlay_loaded());
  EXPECT_EQ(word->calls.size(), 5u);
  EXPECT_EQ(h.overlay().cycle().phase(), 2);
  h.capture(1500, 1500, 3000, 3000);
  EXPECT_EQ(word->calls.size(), 5u);
  EXPECT_EQ(h.hp.keystrokes().size(), 1u);
}

TEST(Shutdown, ClosingTheMainWindowUnloadsEverything) {
  Harness h;
  h.capture(1500, 1500, 3000, 3000);
  h.hp.close_window(h.main_window_id());
  EXPECT_TRUE(h.program.ended());
  EXPECT_TRUE(h.hp.quit_requested());
  EXPECT_EQ(h.hp.window_named("MainWindow"), nullptr);
  EXPECT_EQ(h.hp.window_named("SelectionOverlay"), nullptr);
  EXPECT_EQ(h.hp.window_named("PreviewWindow"), nullptr);
  h.hp.advance(10000);  // the timer is gone with its window
  EXPECT_EQ(h.files().size(), 1u);
}

}  // namespace
}  // namespace pr
