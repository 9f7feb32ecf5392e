// The main window's popup menu: every option and command that lies outside
// its client area, described from the options each time it opens.
#include "app/main_menu.hpp"

#include <cstdio>
#include <iterator>
#include <string>

#include "app/designs.hpp"
#include "app/main_window.hpp"
#include "app/preview_window.hpp"
#include "app/program.hpp"
#include "platform/files.hpp"

namespace pr {

namespace {

using Kind = MenuItem::Kind;

// What a choice that the program starts with says of itself.
constexpr char kDefaultMark[] = "（默认）";

std::string seconds(std::int32_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", ms / 1000.0);
  return text;
}

std::string tick_text(std::int32_t ms) {
  std::string text = seconds(ms) + " 秒（每页 " + seconds(ms * kTicksPerPage) + " 秒）";
  if (ms == kDefaultTickMs) text += kDefaultMark;
  return text;
}

MenuItem check(int id, const char* text, bool on) {
  return {id, text, Kind::Check, on, true, {}};
}

MenuItem separator() {
  return {0, "", Kind::Separator, false, true, {}};
}

}  // namespace

Menu MainWindow::popup_menu() const {
  MenuItem ticks{0, "间隔", Kind::Submenu, false, true, {}};
  for (std::size_t i = 0; i < std::size(menu::kTicks); ++i) {
    ticks.items.push_back({menu::kTickBase + static_cast<int>(i),
                           tick_text(menu::kTicks[i]),
                           Kind::Radio,
                           !options.auto_pace && options.tick_ms == menu::kTicks[i],
                           true,
                           {}});
  }
  ticks.items.push_back({menu::kAutoTick,
                         "自动（页面一稳定就保存并翻页）",
                         Kind::Radio,
                         options.auto_pace,
                         true,
                         {}});
  MenuItem qualities{0, "压缩率", Kind::Submenu, false, true, {}};
  for (std::size_t i = 0; i < std::size(menu::kQualities); ++i) {
    std::string text = std::to_string(menu::kQualities[i]);
    if (menu::kQualities[i] == kDefaultJpegQuality) text += kDefaultMark;
    qualities.items.push_back({menu::kQualityBase + static_cast<int>(i),
                               text,
                               Kind::Radio,
                               options.jpeg_quality == menu::kQualities[i],
                               true,
                               {}});
  }
  MenuItem keys{0, "翻页键", Kind::Submenu, false, true, {}};
  for (std::size_t i = 0; i < std::size(menu::kPageKeys); ++i) {
    std::string text = menu::kPageKeys[i].text;
    if (menu::kPageKeys[i].key == kDefaultPageKey) text += kDefaultMark;
    keys.items.push_back({menu::kKeyBase + static_cast<int>(i),
                          text,
                          Kind::Radio,
                          options.page_key == menu::kPageKeys[i].key,
                          true,
                          {}});
  }
  return {
      check(menu::kKeepOnTop, "窗口前置", options.keep_on_top),
      check(menu::kIntervalCapture, "间隔截图", options.page_after_page),
      ticks,
      qualities,
      keys,
      check(menu::kStopAtEnd, "到末页自动停止", options.stop_at_end),
      separator(),
      {menu::kPreview, "预览", Kind::Command, false, has_capture(), {}},
      {menu::kOpenFolder, "打开截图文件夹", Kind::Command, false, true, {}},
      {menu::kMakePdf, "生成 PDF", Kind::Command, false, program_.store().has_pictures(), {}},
      check(menu::kPdfAtEnd, "结束时生成 PDF", options.pdf_at_end),
      separator(),
      {menu::kExit, "退出", Kind::Command, false, true, {}},
  };
}

void MainWindow::on_menu_choice(int item) {
  auto in = [item](int base, std::size_t count) {
    return item >= base && item < base + static_cast<int>(count);
  };
  if (item == menu::kKeepOnTop) {
    options.keep_on_top = !options.keep_on_top;
    on_keep_on_top_changed();
  } else if (item == menu::kIntervalCapture) {
    options.page_after_page = !options.page_after_page;
  } else if (in(menu::kTickBase, std::size(menu::kTicks))) {
    options.tick_ms = menu::kTicks[item - menu::kTickBase];
    options.auto_pace = false;
  } else if (item == menu::kAutoTick) {
    options.auto_pace = true;
  } else if (in(menu::kQualityBase, std::size(menu::kQualities))) {
    options.jpeg_quality = menu::kQualities[item - menu::kQualityBase];
  } else if (in(menu::kKeyBase, std::size(menu::kPageKeys))) {
    options.page_key = menu::kPageKeys[item - menu::kKeyBase].key;
  } else if (item == menu::kPreview) {
    on_preview_chosen();
  } else if (item == menu::kOpenFolder) {
    const std::filesystem::path folder = program_.capture_folder();
    if (!files::exists(folder)) files::create_folder(folder);
    platform_.open_folder(folder);
  } else if (item == menu::kMakePdf) {
    program_.store().save_pdf();
  } else if (item == menu::kStopAtEnd) {
    options.stop_at_end = !options.stop_at_end;
  } else if (item == menu::kPdfAtEnd) {
    options.pdf_at_end = !options.pdf_at_end;
  }
  // "退出" unloads this window: the program handles it, not the window itself.
}

}  // namespace pr
