#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <iterator>
#include <optional>

#include "core/page_cycle.hpp"
#include "core/page_store.hpp"
#include "harness.hpp"
#include "platform/files.hpp"

namespace pr {
namespace {

namespace fs = std::filesystem;
using test::Harness;
using Kind = MenuItem::Kind;

// The IJG quality a JPEG was written at, found from its first quantisation
// table: the standard luminance table scaled as libjpeg scales it.
std::optional<int> jpeg_quality(const fs::path& path) {
  static constexpr std::array<int, 64> kLuminance = {
      16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
      14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
      18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
      49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
  static constexpr std::array<int, 64> kZigzag = {
      0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
      41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
      30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), {});
  for (std::size_t i = 2; i + 4 + 64 < data.size(); ++i) {
    // DQT, 8-bit precision, table 0.
    if (data[i] != 0xFF || data[i + 1] != 0xDB || data[i + 4] != 0) continue;
    const unsigned char* table = &data[i + 5];
    for (int q = 1; q <= 100; ++q) {
      const int scale = q < 50 ? 5000 / q : 200 - 2 * q;
      bool all = true;
      for (int k = 0; k < 64 && all; ++k) {
        const int v = std::clamp((kLuminance[kZigzag[k]] * scale + 50) / 100, 1, 255);
        all = table[k] == v;
      }
      if (all) return q;
    }
    return std::nullopt;
  }
  return std::nullopt;
}

std::vector<std::string> texts(const Menu& menu) {
  std::vector<std::string> t;
  for (const MenuItem& item : menu) t.push_back(item.kind == Kind::Separator ? "-" : item.text);
  return t;
}

// The checked items of a submenu, by text.
std::vector<std::string> marked(const Harness& h, const std::string& submenu) {
  std::vector<std::string> t;
  const MenuItem* sub = test::menu_item(h.hp, {submenu});
  if (!sub) return {"no such submenu"};
  for (const MenuItem& item : sub->items) {
    if (item.checked) t.push_back(item.text);
  }
  return t;
}

// A right-click, then the item; false when it could not be chosen.
bool choose(Harness& h, const std::vector<std::string>& path) {
  h.hp.right_click(h.main_window_id());
  return test::choose(h.hp, path);
}

void single_capture_mode(Harness& h) {
  h.main_window().options.page_after_page = false;
}

TEST(Menu, ItemsInOrderWithTheDesignedValuesMarked) {
  Harness h;
  h.hp.right_click(h.main_window_id());
  ASSERT_TRUE(h.hp.open_menu());
  EXPECT_EQ(h.hp.open_menu()->window, h.main_window_id());
  const Menu& m = h.hp.open_menu()->items;
  EXPECT_EQ(texts(m), (std::vector<std::string>{"窗口前置", "间隔截图", "间隔", "压缩率", "翻页键",
                                                "到末页自动停止", "-", "预览", "打开截图文件夹",
                                                "生成 PDF", "结束时生成 PDF", "-", "退出"}));
  EXPECT_EQ(m[0].kind, Kind::Check);
  // The window is kept above from the start, and the mark says so.
  EXPECT_TRUE(m[0].checked);
  EXPECT_TRUE(h.hp.window_named("MainWindow")->topmost);
  EXPECT_TRUE(m[1].checked);
  EXPECT_EQ(texts(m[2].items),
            (std::vector<std::string>{"0.3 秒（每页 1.5 秒）（默认）", "0.5 秒（每页 2.5 秒）",
                                      "1 秒（每页 5 秒）", "2 秒（每页 10 秒）",
                                      "自动（页面一稳定就保存并翻页）"}));
  EXPECT_EQ(marked(h, "间隔"), std::vector<std::string>{"0.3 秒（每页 1.5 秒）（默认）"});
  EXPECT_EQ(marked(h, "压缩率"), std::vector<std::string>{"80（默认）"});
  EXPECT_EQ(marked(h, "翻页键"), std::vector<std::string>{"Page Down（默认）"});
  for (const MenuItem& item : m[3].items) EXPECT_EQ(item.kind, Kind::Radio);
  EXPECT_TRUE(test::menu_item(h.hp, {"到末页自动停止"})->checked);
  EXPECT_FALSE(test::menu_item(h.hp, {"预览"})->enabled);
  EXPECT_FALSE(test::menu_item(h.hp, {"生成 PDF"})->enabled);
  EXPECT_FALSE(test::menu_item(h.hp, {"结束时生成 PDF"})->checked);
  // Opening the menu leaves the document its focus.
  EXPECT_EQ(h.hp.focus, "document");
}

TEST(Menu, OnlyTheMainWindowHasOne) {
  Harness h;
  h.click_capture();
  h.hp.right_click(h.overlay_id());
  EXPECT_FALSE(h.hp.open_menu());
}

TEST(Menu, CheckItemsToggleTheirOptionAndItsEffect) {
  Harness h;
  MainWindow& f = h.main_window();
  // The first choice lets the window go behind the others.
  ASSERT_TRUE(choose(h, {"窗口前置"}));
  EXPECT_FALSE(f.options.keep_on_top);
  EXPECT_FALSE(h.hp.window_named("MainWindow")->topmost);
  ASSERT_TRUE(choose(h, {"窗口前置"}));
  EXPECT_TRUE(f.options.keep_on_top);
  EXPECT_TRUE(h.hp.window_named("MainWindow")->topmost);

  ASSERT_TRUE(choose(h, {"间隔截图"}));
  EXPECT_FALSE(f.options.page_after_page);
  h.capture(1500, 1500, 4500, 4500);
  EXPECT_FALSE(h.overlay().tick_timer.enabled());
  ASSERT_TRUE(choose(h, {"间隔截图"}));
  EXPECT_TRUE(f.options.page_after_page);
}

TEST(Menu, MarksFollowTheOptionsWhereverTheyWereSet) {
  Harness h;
  MainWindow& f = h.main_window();
  f.options.keep_on_top = false;
  f.options.page_after_page = false;
  f.options.jpeg_quality = 95;
  f.options.tick_ms = 700;  // no choice of the menu
  f.options.pdf_at_end = true;
  h.hp.right_click(h.main_window_id());
  EXPECT_FALSE(test::menu_item(h.hp, {"窗口前置"})->checked);
  EXPECT_FALSE(test::menu_item(h.hp, {"间隔截图"})->checked);
  EXPECT_EQ(marked(h, "压缩率"), std::vector<std::string>{"95"});
  EXPECT_TRUE(marked(h, "间隔").empty());
  EXPECT_TRUE(test::menu_item(h.hp, {"结束时生成 PDF"})->checked);
  ASSERT_TRUE(test::choose(h.hp, {"结束时生成 PDF"}));
  EXPECT_FALSE(f.options.pdf_at_end);
}

TEST(Menu, TickIsReadAtTheNextCommit) {
  Harness h;
  h.capture(1500, 1500, 4500, 4500);
  EXPECT_EQ(h.overlay().tick_timer.interval(), 300);
  ASSERT_TRUE(choose(h, {"间隔", "1 秒"}));
  EXPECT_EQ(h.main_window().options.tick_ms, 1000);
  EXPECT_EQ(h.overlay().tick_timer.interval(), 300) << "the running cycle keeps its tick";
  h.hp.right_click(h.main_window_id());
  EXPECT_EQ(marked(h, "间隔"), std::vector<std::string>{"1 秒（每页 5 秒）"});
  h.hp.dismiss_menu();
  h.hp.press_escape_anywhere();
  h.capture(1500, 1500, 4500, 4500);
  EXPECT_EQ(h.overlay().tick_timer.interval(), 1000);
  ASSERT_TRUE(choose(h, {"间隔", "2 秒"}));
  h.hp.press_escape_anywhere();
  h.capture(1500, 1500, 4500, 4500);
  EXPECT_EQ(h.overlay().tick_timer.interval(), 2000);
}

TEST(Menu, AutoIsOneOfTheTicksAndTakenAtTheCommit) {
  Harness h;
  ASSERT_TRUE(choose(h, {"间隔", "自动"}));
  EXPECT_TRUE(h.main_window().options.auto_pace);
  h.hp.right_click(h.main_window_id());
  EXPECT_EQ(marked(h, "间隔"), std::vector<std::string>{"自动（页面一稳定就保存并翻页）"});
  h.hp.dismiss_menu();
  h.capture(1500, 1500, 4500, 4500);
  EXPECT_EQ(h.overlay().tick_timer.interval(), kAutoPollMs);
  // A fixed tick chosen mid-run: this run keeps its pace, the next takes it.
  ASSERT_TRUE(choose(h, {"间隔", "0.5 秒"}));
  EXPECT_FALSE(h.main_window().options.auto_pace);
  EXPECT_EQ(h.main_window().options.tick_ms, 500);
  std::size_t keys = h.hp.keystrokes().size();
  h.hp.advance(kAutoPollMs);
  EXPECT_GT(h.hp.keystrokes().size(), keys) << "the auto run turns a page at its first poll";
  h.hp.press_escape_anywhere();
  h.capture(1500, 1500, 4500, 4500);
  EXPECT_EQ(h.overlay().tick_timer.interval(), 500);
}

TEST(Menu, StopAtEndCanBeTurnedOff) {
  for (bool stop : {true, false}) {
    Harness h;
    if (!stop) {
      ASSERT_TRUE(choose(h, {"到末页自动停止"}));
    }
    EXPECT_EQ(h.main_window().options.stop_at_end, stop);
    // A document that never changes: its end is reached at once.
    h.capture(1500, 1500, 4500, 4500);
    h.hp.advance(30000);
    EXPECT_EQ(h.overlay().tick_timer.enabled(), !stop) << stop;
  }
}

TEST(Menu, QualityGoesIntoTheNextFile) {
#ifdef _WIN32
  GTEST_SKIP() << "Wine's GDI+ encodes every JPEG at one quality";
#endif
  Harness h;
  test::paint_smooth(h.hp.screen(), 3);
  single_capture_mode(h);
  h.capture(1500, 1500, 4500, 4500);
  EXPECT_EQ(jpeg_quality(h.folder / "0.jpg"), 80);
  for (const char* q : {"95", "60", "100"}) {
    ASSERT_TRUE(choose(h, {"压缩率", q}));
    EXPECT_EQ(h.main_window().options.jpeg_quality, std::stoi(q));
    h.capture(1500, 1500, 4500, 4500);  // each capture starts a new folder
    ASSERT_EQ(h.files(), std::vector<std::string>{"0.jpg"});
    EXPECT_EQ(jpeg_quality(h.folder / "0.jpg"), std::stoi(q)) << q;
  }
}

TEST(Menu, PageTurnKeyIsTakenAtTheCommit) {
  Harness h;
  auto turns_after = [&](std::size_t from) {
    std::vector<std::string> keys;
    for (std::size_t i = from; i < h.hp.keystrokes().size(); ++i) {
      // The first commit of the program also takes the document to its top.
      if (h.hp.keystrokes()[i].keys != "Ctrl+Home") keys.push_back(h.hp.keystrokes()[i].keys);
    }
    return keys;
  };
  ASSERT_TRUE(choose(h, {"翻页键", "→"}));
  EXPECT_EQ(h.main_window().options.page_key, PageKey::Right);
  h.capture(1500, 1500, 4500, 4500);
  h.hp.advance(1500);
  EXPECT_EQ(turns_after(0), std::vector<std::string>{"Right"});
  // Chosen mid-run: the running cycle keeps the key it was committed with.
  ASSERT_TRUE(choose(h, {"翻页键", "空格"}));
  h.hp.advance(1500);
  EXPECT_EQ(turns_after(0), (std::vector<std::string>{"Right", "Right"}));
  h.hp.press_escape_anywhere();
  std::size_t before = h.hp.keystrokes().size();
  h.capture(1500, 1500, 4500, 4500);
  h.hp.advance(3000);
  EXPECT_EQ(turns_after(before), (std::vector<std::string>{" ", " "}));
  ASSERT_TRUE(choose(h, {"翻页键", "↓"}));
  h.hp.press_escape_anywhere();
  before = h.hp.keystrokes().size();
  h.capture(1500, 1500, 4500, 4500);
  h.hp.advance(1500);
  EXPECT_EQ(turns_after(before), std::vector<std::string>{"Down"});
  for (const auto& k : h.hp.keystrokes()) EXPECT_EQ(k.target, "document");
}

TEST(Menu, PreviewIsGreyedUntilThereIsAPictureThenActsAsTheButton) {
  Harness h;
  test::paint_markers(h.hp.screen());
  EXPECT_FALSE(choose(h, {"预览"}));
  EXPECT_FALSE(h.program.preview_loaded());
  h.hp.dismiss_menu();
  single_capture_mode(h);
  h.capture(1500, 1500, 4500, 3510);
  // What the button shows, then what the menu shows.
  std::vector<HeadlessPlatform::Window> shown;
  auto record = [&] {
    shown.push_back(*h.hp.window_named("PreviewWindow"));
    h.hp.close_window(h.hp.id_of("PreviewWindow"));
  };
  h.main_window().on_preview_chosen();
  record();
  ASSERT_TRUE(choose(h, {"预览"}));
  record();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_TRUE(shown[1].visible);
  EXPECT_EQ(shown[1].left, shown[0].left);
  EXPECT_EQ(shown[1].top, shown[0].top);
  EXPECT_EQ(shown[1].width, shown[0].width);
  EXPECT_EQ(shown[1].height, shown[0].height);
  EXPECT_EQ(shown[1].picture.pixel(0, 0), test::marker(100, 100));
  EXPECT_EQ(h.hp.focus, "document");
}

TEST(Menu, OpenFolderCreatesTheCaptureFolderFirst) {
  Harness h;
  ASSERT_FALSE(fs::exists(h.folder));
  ASSERT_TRUE(choose(h, {"打开截图文件夹"}));
  EXPECT_TRUE(fs::is_directory(h.folder));
  EXPECT_EQ(h.hp.opened_folders(), std::vector<fs::path>{h.folder});
  // An existing folder is opened as it is, its pictures kept.
  single_capture_mode(h);
  h.capture(1500, 1500, 4500, 4500);
  ASSERT_TRUE(choose(h, {"打开截图文件夹"}));
  EXPECT_EQ(h.hp.opened_folders().size(), 2u);
  EXPECT_EQ(h.files(), std::vector<std::string>{"0.jpg"});
}

TEST(Menu, PdfOnceThereArePictures) {
  Harness h;
  test::paint_smooth(h.hp.screen(), 5);
  single_capture_mode(h);
  h.capture(1500, 1500, 4500, 4500);
  h.hp.right_click(h.main_window_id());
  EXPECT_TRUE(test::menu_item(h.hp, {"生成 PDF"})->enabled);
  ASSERT_TRUE(test::choose(h.hp, {"生成 PDF"}));
  EXPECT_TRUE(fs::is_regular_file(h.folder / files::from_utf8(kPdfName)));
}

TEST(Menu, ExitClosesAsTheCloseBoxDoes) {
  Harness h;
  h.capture(1500, 1500, 4500, 4500);
  ASSERT_TRUE(h.program.overlay_loaded());
  ASSERT_TRUE(choose(h, {"退出"}));
  EXPECT_TRUE(h.program.ended());
  EXPECT_TRUE(h.hp.quit_requested());
  EXPECT_EQ(h.hp.window_named("MainWindow"), nullptr);
  EXPECT_FALSE(h.hp.escape_grabbed());
  h.hp.advance(3000);  // no tick reaches a form that is gone
  EXPECT_EQ(h.files().size(), 1u);
}

}  // namespace
}  // namespace pr
