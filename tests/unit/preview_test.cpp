// The preview: a window of its own under the main window that shows the
// capture picture, or the page a run saved last.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/designs.hpp"
#include "app/preview_window.hpp"
#include "harness.hpp"
#include "platform/units.hpp"

namespace pr {
namespace {

using test::Harness;

TEST(Preview, NothingBeforeAnyCapture) {
  Harness h;
  h.main_window().on_preview_chosen();
  EXPECT_FALSE(h.program.preview_loaded());
}

TEST(Preview, ShowsThePictureUnderTheMainWindowWithoutTakingAnything) {
  Harness h;
  test::paint_markers(h.hp.screen());
  h.main_window().options.page_after_page = false;
  h.capture(1500, 1500, 4500, 3510);  // 200 x 134 pixels
  h.main_window().on_preview_chosen();
  const auto* w = h.hp.window_named("PreviewWindow");
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->visible);
  EXPECT_FALSE(w->modal);
  EXPECT_FALSE(w->design.style.takes_focus);
  EXPECT_EQ(h.hp.focus, "document");
  // The picture plus the preview's extras: 3060 x 2360 twips.
  EXPECT_EQ(w->width, to_pixels(3000 + design::kPreviewExtraWidth, 15));
  EXPECT_EQ(w->height, to_pixels(2010 + design::kPreviewExtraHeight, 15));
  EXPECT_EQ(w->left, 0);
  EXPECT_EQ(w->top, h.main_window().top() + h.main_window().height());
  // What it shows is its client area: the outer size less the real frame.
  PixelSize frame = h.hp.frame_size(h.hp.id_of("PreviewWindow"));
  const int shown = w->width - frame.width;
  ASSERT_EQ(w->picture.width(), shown);
  ASSERT_EQ(w->picture.height(), w->height - frame.height);
  EXPECT_EQ(w->picture.pixel(0, 0), test::marker(100, 100));
  EXPECT_EQ(w->picture.pixel(shown - 1, 133), test::marker(100 + shown - 1, 233));
  // The main window goes on working while it is up.
  h.hp.click_button(h.main_window_id(), 1);
  EXPECT_EQ(h.hp.screen_copies(), 2);
  h.hp.type_key(h.overlay_id(), 27);
  // Closed, it opens again from the current picture.
  h.hp.close_window(h.hp.id_of("PreviewWindow"));
  EXPECT_FALSE(h.program.preview_loaded());
  h.main_window().on_preview_chosen();
  EXPECT_TRUE(h.hp.window_named("PreviewWindow")->visible);
}

TEST(Preview, DuringARunItShowsTheLastPageAndStaysOutOfTheRectangle) {
  for (bool over_it : {false, true}) {
    SCOPED_TRACE(over_it);
    Harness h;
    test::Document document(h.hp, 10);
    // The preview stands under the main window, in the top-left corner:
    // the rectangle lies beside both, or under the main window over the preview.
    if (over_it) {
      h.capture(0, 1500, 4500, 6000);
    } else {
      h.capture(15000, 0, 24000, 9000);
    }
    h.main_window().on_preview_chosen();
    h.hp.advance(1500);
    ASSERT_EQ(h.files().size(), 2u);
    const auto* w = h.hp.window_named("PreviewWindow");
    EXPECT_EQ(w->visible, !over_it);
    if (!over_it) {
      EXPECT_EQ(w->picture.pixel(0, 0), h.main_window().last_picture.picture().pixel(0, 0));
    }
  }
}

TEST(Preview, OpenedAfterARunItReadsTheLastPageBackFromItsFile) {
  // The pages a run saves with the preview down stay in their files; the
  // preview shows the last of them, or nothing and says so when it is gone.
  for (bool file_gone : {false, true}) {
    SCOPED_TRACE(file_gone);
    Harness h;
    test::Reports reports;
    test::Document document(h.hp, 10);
    h.capture(15000, 0, 24000, 9000);
    h.hp.advance(3000);
    h.hp.type_key(h.main_window_id(), 27);
    ASSERT_GE(h.hp.writes().size(), 3u);
    const HeadlessPlatform::Write& last = h.hp.writes().back();
    if (file_gone) std::filesystem::remove(last.path);
    h.main_window().on_preview_chosen();
    const auto* w = h.hp.window_named("PreviewWindow");
    // A system whose writer cannot read back keeps a copy of each page.
    if (file_gone && h.writer->reads_back()) {
      EXPECT_TRUE(w == nullptr || !w->visible);
      EXPECT_EQ(reports.lines.size(), 1u);
      continue;
    }
    ASSERT_TRUE(w && w->visible);
    // The preview's client area may be a little narrower than the page.
    const ImageView shown = w->picture.view();
    auto part = [&](const Image& page) {
      return page.view().crop(0, 0, shown.width, shown.height);
    };
    EXPECT_LT(test::mean_difference(shown, part(last.picture)), 4.0);
    EXPECT_GT(test::mean_difference(shown, part(h.hp.writes().front().picture)), 4.0);
  }
}

}  // namespace
}  // namespace pr
