#include "app/program.hpp"

#include <cstdlib>

#include "app/designs.hpp"
#include "app/main_menu.hpp"
#include "app/main_window.hpp"
#include "app/preview_window.hpp"
#include "app/selection_overlay.hpp"
#include "core/constants.hpp"
#include "platform/files.hpp"
#include "platform/numbers.hpp"
#include "platform/report.hpp"

namespace pr {

void report_error(const std::exception& error) {
  report_error(std::string_view(error.what()));
}

Program::Program(Platform& platform, JpegWriter& writer)
    : platform_(platform), store_(platform, writer) {
  platform_.set_event_sink(this);
  main_window_ = std::make_unique<MainWindow>(*this);
  // Two would page the same document and empty each other's folder.
  if (!platform_.claim_instance(main_window_->id())) {
    second_instance_ = true;
    report_error(
        std::string_view("Pagerook is running already in this session; its window asks for "
                         "your attention"));
    main_window_.reset();
    return;
  }
  if (trace_) {
    // Benchmarks need a shorter tick than the designed one, given in tenths.
    if (const char* tick = std::getenv("PAGEROOK_BENCH_TICK")) {
      main_window_->options.tick_ms = to_int32(leading_number(tick) * 100);
    }
    // ... and "自动" before the menu that will offer it.
    if (std::getenv("PAGEROOK_BENCH_AUTO")) main_window_->options.auto_pace = true;
  }
  dispatch([&] { main_window_->on_load(); });
  dispatch([&] { main_window_->show(); });
  dispatch([&] { main_window_->on_shown(); });
}

Program::~Program() {
  preview_.reset();
  overlay_.reset();
  main_window_.reset();
  platform_.set_event_sink(nullptr);
}

SelectionOverlay& Program::overlay() {
  if (!overlay_) {
    overlay_ = std::make_unique<SelectionOverlay>(*this);
    overlay_->on_load();
  }
  return *overlay_;
}

PreviewWindow& Program::preview() {
  if (!preview_) preview_ = std::make_unique<PreviewWindow>(*this);
  return *preview_;
}

void Program::unload_overlay() {
  overlay_.reset();
}
void Program::unload_preview() {
  preview_.reset();
}

WriteResult Program::save_capture() {
  if (!main_window().has_capture() || !main_window().bring_picture_up_to_date()) return {};
  const WriteResult written =
      store_.save_next(main_window().last_picture.picture(), main_window().options.jpeg_quality);
  // Loads the preview window if it is not: as the program always has.
  preview().set_auto_redraw(false);
  return written;
}

PdfOutcome Program::pdf_at_run_end() {
  if (!main_window().options.pdf_at_end || !store_.has_pictures()) return {};
  return store_.save_pdf();
}

int Program::screen_width() const {
  return platform_.screen_size().width;
}

int Program::screen_height() const {
  return platform_.screen_size().height;
}

void Program::set_mouse_pointer(MousePointer pointer) {
  platform_.set_mouse_pointer(pointer);
}

template <class Handler>
void Program::dispatch(Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    report_error(error);
  }
}

bool Program::is_overlay(WindowId w) const {
  return overlay_ && overlay_->id() == w;
}

void Program::mouse_down(WindowId w, int button, int shift, int x, int y) {
  if (is_overlay(w)) dispatch([&] { overlay_->on_mouse_down(button, shift, x, y); });
}

void Program::mouse_move(WindowId w, int buttons, int shift, int x, int y) {
  if (is_overlay(w)) dispatch([&] { overlay_->on_mouse_move(buttons, shift, x, y); });
}

void Program::mouse_up(WindowId w, int button, int shift, int x, int y) {
  if (!is_overlay(w)) return;
  double start = trace_ ? Trace::now_ms() : 0;
  dispatch([&] { overlay_->on_mouse_up(button, shift, x, y); });
  if (trace_ && button == 1) trace_->event("commit", start, 0, Trace::now_ms() - start);
}

void Program::key_press(WindowId w, int char_code) {
  const bool ticking = overlay_ && overlay_->cycling();
  if (main_window_ && main_window_->id() == w)
    dispatch([&] { main_window_->key_press(char_code); });
  if (is_overlay(w)) dispatch([&] { overlay_->on_key(char_code); });
  // When a key has stopped a run's timer: the benchmark's Esc latency.
  if (trace_ && ticking && !(overlay_ && overlay_->cycling())) {
    trace_->event("stopped", Trace::now_ms(), char_code, 0);
  }
}

void Program::button_click(WindowId w, int button_id) {
  if (!main_window_ || main_window_->id() != w) return;
  if (button_id == design::kCaptureButton) {
    double start = trace_ ? Trace::now_ms() : 0;
    dispatch([&] { main_window_->on_capture_clicked(); });
    if (trace_) trace_->event("capture_command", start, 0, Trace::now_ms() - start);
  }
}

void Program::timer_tick(TimerId t) {
  if (overlay_ && overlay_->escape_grace_timer.id() == t) {
    dispatch([&] { overlay_->on_escape_grace_over(); });
    return;
  }
  if (!overlay_ || overlay_->tick_timer.id() != t) return;
  double start = trace_ ? Trace::now_ms() : 0;
  int phase = overlay_->cycle().phase();
  dispatch([&] { overlay_->on_tick(); });
  if (trace_ && overlay_) trace_->event("tick", start, phase, Trace::now_ms() - start);
}

void Program::close_request(WindowId w) {
  if (main_window_ && main_window_->id() == w) {
    dispatch([&] { main_window_->on_unload(); });
    preview_.reset();
    overlay_.reset();
    main_window_.reset();
    platform_.quit();
  } else if (preview_ && preview_->id() == w) {
    // The preview's close box unloads it; the next preview creates it anew.
    unload_preview();
  }
}

void Program::context_menu(WindowId w) {
  if (main_window_ && main_window_->id() == w)
    dispatch([&] { platform_.show_menu(w, main_window_->popup_menu()); });
}

void Program::menu_choice(WindowId w, int item_id) {
  if (!main_window_ || main_window_->id() != w) return;
  // "退出" is the close box: the window is unloaded, so not from within itself.
  if (item_id == menu::kExit) {
    close_request(w);
    return;
  }
  dispatch([&] { main_window_->on_menu_choice(item_id); });
}

}  // namespace pr
