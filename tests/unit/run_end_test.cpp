// How a run ends, on the whole program: every way out says its line, and a
// run that stopped by itself keeps Esc for a moment.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/designs.hpp"
#include "harness.hpp"
#include "platform/files.hpp"

namespace pr {
namespace {

using test::Document;
using test::Harness;

struct Ending {
  const char* name;
  std::function<void(Harness&)> stop;
  const char* why;
};

TEST(RunEnd, EveryWayOutSaysItsLineAndWritesThePdf) {
  const Ending endings[] = {
      {"Esc", [](Harness& h) { h.hp.press_escape_anywhere(); }, "stopped by Esc"},
      {"停止", [](Harness& h) { h.click_capture(); }, "stopped by the 停止 button"},
      {"the close box", [](Harness& h) { h.hp.close_window(h.main_window_id()); },
       "stopped: Pagerook closed"},
      {"the document closed", [](Harness& h) { h.hp.close_program("document"); },
       "the document was closed"},
  };
  for (const Ending& e : endings) {
    SCOPED_TRACE(e.name);
    Harness h;
    Document document(h.hp, 10);
    std::vector<std::string> lines;
    h.program.run_report = [&](std::string_view line) { lines.emplace_back(line); };
    h.main_window().options.pdf_at_end = true;
    h.capture(1500, 1500, 4500, 4500);
    h.hp.advance(3100);
    e.stop(h);
    h.hp.advance(1500);
    const bool pdf = std::filesystem::exists(h.folder / files::from_utf8("截图.pdf"));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "3 pages saved in " + files::to_utf8(h.folder) + " (" + e.why +
                            "), and 截图.pdf written");
    EXPECT_TRUE(pdf);
  }
}

TEST(RunEnd, EscJustAfterTheEndIsOursAndTheStatusIsInTheWindow) {
  Harness h;
  Document document(h.hp, 3);
  h.capture(1500, 1500, 4500, 4500);
  h.hp.advance(3100);
  const auto* main = h.hp.window_named("MainWindow");
  const auto& status = main->labels.at(design::kStatusLabel);
  EXPECT_EQ(status.first, "3");
  EXPECT_EQ(status.second, "已保存 3 页");
  // The menu open holds the run: no page turned under it.
  h.hp.right_click(h.main_window_id());
  const std::size_t keys = h.hp.keystrokes().size();
  h.hp.advance(3000);
  EXPECT_EQ(h.hp.keystrokes().size(), keys);
  EXPECT_EQ(status.first, "3 ⚠\n菜单打开中");
  h.hp.dismiss_menu();
  // Page 3 is the last: two unchanged turns, then ✓.
  while (main->caption != "Pagerook 3 ✓" && h.hp.now() < 30000) h.hp.advance(100);
  ASSERT_EQ(main->caption, "Pagerook 3 ✓");
  EXPECT_EQ(status.second, "已保存 3 页；文档已到末页");
  h.hp.advance(1000);
  EXPECT_TRUE(h.hp.escape_grabbed());
  h.hp.press_escape_anywhere();
  for (const auto& k : h.hp.keystrokes()) EXPECT_EQ(k.keys.find("Escape"), std::string::npos);
  h.hp.advance(kEscapeGraceMs);
  EXPECT_FALSE(h.hp.escape_grabbed());
  EXPECT_EQ(main->caption, "Pagerook 3 ✓");
}

}  // namespace
}  // namespace pr
