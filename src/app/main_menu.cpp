// The main window's popup menu: every option and command that lies outside
// its client area, described from the controls each time it opens.
#include "app/main_menu.hpp"

#include <cstdio>
#include <iterator>
#include <string>

#include "app/designs.hpp"
#include "app/main_window.hpp"
#include "app/program.hpp"
#include "capture/cycle.hpp"
#include "platform/errors.hpp"
#include "platform/files.hpp"
#include "platform/numbers.hpp"
#include "preview/preview_window.hpp"
#include "store/page_store.hpp"

namespace pr {

namespace {

using Kind = MenuItem::Kind;

// What a choice that the program starts with says of itself.
constexpr char kDefaultMark[] = "（默认）";

std::string seconds(double tenths) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", tenths / 10.0);
  return text;
}

std::string tick_text(const char* tick) {
  double tenths = leading_number(tick);
  std::string text = seconds(tenths) + " 秒（每页 " + seconds(tenths * kTicksPerPage) + " 秒）";
  if (tenths * kMillisecondsPerTenth == kDefaultTickMs) text += kDefaultMark;
  return text;
}

// A value box shows a choice when it holds the same number; one that holds
// no usable number shows none, and the menu still opens.
bool holds(const TextBox& box, const char* value) {
  try {
    return leading_number(box.text) == leading_number(value);
  } catch (const Error&) {
    return false;
  }
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
                           !auto_mode && holds(tick_box, menu::kTicks[i]),
                           true,
                           {}});
  }
  ticks.items.push_back(
      {menu::kAutoTick, "自动（页面一稳定就保存并翻页）", Kind::Radio, auto_mode, true, {}});
  MenuItem qualities{0, "压缩率", Kind::Submenu, false, true, {}};
  for (std::size_t i = 0; i < std::size(menu::kQualities); ++i) {
    std::string text = menu::kQualities[i];
    if (text == std::to_string(kDefaultJpegQuality)) text += kDefaultMark;
    qualities.items.push_back({menu::kQualityBase + static_cast<int>(i),
                               text,
                               Kind::Radio,
                               holds(quality_box, menu::kQualities[i]),
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
                          page_key == menu::kPageKeys[i].key,
                          true,
                          {}});
  }
  return {
      check(menu::kKeepOnTop, "窗口前置", keep_on_top_box.value == 1),
      check(menu::kIntervalCapture, "间隔截图", page_after_page_box.value == 1),
      ticks,
      qualities,
      keys,
      check(menu::kStopAtEnd, "到末页自动停止", stop_at_end),
      separator(),
      {menu::kPreview, "预览", Kind::Command, false, preview_possible(*this), {}},
      {menu::kOpenFolder, "打开截图文件夹", Kind::Command, false, true, {}},
      {menu::kMakePdf, "生成 PDF", Kind::Command, false, page_store::has_pictures(program_), {}},
      check(menu::kPdfAtEnd, "结束时生成 PDF", pdf_at_end),
      separator(),
      {menu::kExit, "退出", Kind::Command, false, true, {}},
  };
}

void MainWindow::on_menu_choice(int item) {
  auto in = [item](int base, std::size_t count) {
    return item >= base && item < base + static_cast<int>(count);
  };
  if (item == menu::kKeepOnTop) {
    keep_on_top_box.value = keep_on_top_box.value == 1 ? 0 : 1;
    on_keep_on_top_clicked();
  } else if (item == menu::kIntervalCapture) {
    page_after_page_box.value = page_after_page_box.value == 1 ? 0 : 1;
    on_page_after_page_clicked();
  } else if (in(menu::kTickBase, std::size(menu::kTicks))) {
    tick_box.text = menu::kTicks[item - menu::kTickBase];
    auto_mode = false;
  } else if (item == menu::kAutoTick) {
    auto_mode = true;
  } else if (in(menu::kQualityBase, std::size(menu::kQualities))) {
    quality_box.text = menu::kQualities[item - menu::kQualityBase];
  } else if (in(menu::kKeyBase, std::size(menu::kPageKeys))) {
    page_key = menu::kPageKeys[item - menu::kKeyBase].key;
  } else if (item == menu::kPreview) {
    on_preview_chosen();
  } else if (item == menu::kOpenFolder) {
    const std::filesystem::path folder = program_.capture_folder();
    if (!files::exists(folder)) files::create_folder(folder);
    platform_.open_folder(folder);
  } else if (item == menu::kMakePdf) {
    page_store::save_pdf(program_);
  } else if (item == menu::kStopAtEnd) {
    stop_at_end = !stop_at_end;
  } else if (item == menu::kPdfAtEnd) {
    pdf_at_end = !pdf_at_end;
  }
  // "退出" unloads this window: the program handles it, not the window itself.
}

}  // namespace pr
