#include "app/program.hpp"

#include <cstdlib>

#include "app/designs.hpp"
#include "app/main_menu.hpp"
#include "app/main_window.hpp"
#include "platform/files.hpp"
#include "platform/report.hpp"
#include "platform/units.hpp"
#include "preview/preview.hpp"
#include "selection/overlay.hpp"

namespace pr {

void report_error(const std::exception& error) {
  report_error(std::string_view(error.what()));
}

Program::Program(Platform& platform, JpegWriter& writer) : platform_(platform), writer_(writer) {
  platform_.set_event_sink(this);
  form1_ = std::make_unique<Form1>(*this);
  // Two would page the same document and empty each other's folder.
  if (!platform_.claim_instance(form1_->hWnd())) {
    second_instance_ = true;
    report_error(
        std::string_view("Pagerook is running already in this session; its window asks for "
                         "your attention"));
    form1_.reset();
    return;
  }
  if (trace_) {
    // Benchmarks need a shorter tick than the designed one.
    if (const char* tick = std::getenv("PAGEROOK_BENCH_TICK")) form1_->Text2.Text = tick;
    // ... and "自动" before the menu that will offer it.
    if (std::getenv("PAGEROOK_BENCH_AUTO")) form1_->AutoMode = true;
  }
  dispatch([&] { form1_->Form_Load(); });
  dispatch([&] { form1_->Show(); });
}

Program::~Program() {
  form3_.reset();
  form2_.reset();
  form1_.reset();
  platform_.set_event_sink(nullptr);
}

Form2& Program::form2() {
  if (!form2_) {
    form2_ = std::make_unique<Form2>(*this);
    form2_->Form_Load();
  }
  return *form2_;
}

Form3& Program::form3() {
  if (!form3_) form3_ = std::make_unique<Form3>(*this);
  return *form3_;
}

void Program::unload_form2() {
  form2_.reset();
}
void Program::unload_form3() {
  form3_.reset();
}

std::filesystem::path Program::capture_folder() const {
  return platform_.base_folder() / files::from_utf8(design::kCaptureFolderName);
}

float Program::twips(int pixels) const {
  return to_twips(pixels, platform_.twips_per_pixel());
}

float Program::screen_width() const {
  return twips(platform_.screen_size().width);
}

float Program::screen_height() const {
  return twips(platform_.screen_size().height);
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

bool Program::is_form2(WindowId w) const {
  return form2_ && form2_->hWnd() == w;
}

void Program::mouse_down(WindowId w, int button, int shift, int x, int y) {
  if (is_form2(w)) dispatch([&] { form2_->Form_MouseDown(button, shift, twips(x), twips(y)); });
}

void Program::mouse_move(WindowId w, int buttons, int shift, int x, int y) {
  if (is_form2(w)) dispatch([&] { form2_->Form_MouseMove(buttons, shift, twips(x), twips(y)); });
}

void Program::mouse_up(WindowId w, int button, int shift, int x, int y) {
  if (!is_form2(w)) return;
  double start = trace_ ? Trace::now_ms() : 0;
  dispatch([&] { form2_->Form_MouseUp(button, shift, twips(x), twips(y)); });
  if (trace_ && button == 1) trace_->event("commit", start, 0, Trace::now_ms() - start);
}

void Program::key_press(WindowId w, int char_code) {
  if (form1_ && form1_->hWnd() == w) dispatch([&] { form1_->key_press(char_code); });
  if (is_form2(w)) dispatch([&] { form2_->Form_KeyPress(char_code); });
}

void Program::button_click(WindowId w, int button_id) {
  if (!form1_ || form1_->hWnd() != w) return;
  if (button_id == design::kCommand1) {
    double start = trace_ ? Trace::now_ms() : 0;
    dispatch([&] { form1_->Command1_Click(); });
    if (trace_) trace_->event("capture_command", start, 0, Trace::now_ms() - start);
  }
}

void Program::timer_tick(TimerId t) {
  if (!form2_ || form2_->Timer1.id() != t) return;
  double start = trace_ ? Trace::now_ms() : 0;
  int phase = form2_->CyclePhase;
  dispatch([&] { form2_->Timer1_Timer(); });
  // A settle pause is waiting for the document, not the tick's work.
  if (trace_ && form2_) {
    trace_->event("tick", start, phase, Trace::now_ms() - start - form2_->paused_ms());
  }
}

void Program::close_request(WindowId w) {
  if (form1_ && form1_->hWnd() == w) {
    dispatch([&] { form1_->Form_Unload(); });
    form3_.reset();
    form2_.reset();
    form1_.reset();
    platform_.quit();
  } else if (form3_ && form3_->hWnd() == w) {
    // The preview's close box unloads it; the next preview creates it anew.
    unload_form3();
  }
}

void Program::context_menu(WindowId w) {
  if (form1_ && form1_->hWnd() == w) dispatch([&] { platform_.show_menu(w, form1_->PopupMenu()); });
}

void Program::menu_choice(WindowId w, int item_id) {
  if (!form1_ || form1_->hWnd() != w) return;
  // "退出" is the close box: the window is unloaded, so not from within itself.
  if (item_id == menu::kExit) {
    close_request(w);
    return;
  }
  dispatch([&] { form1_->Menu_Click(item_id); });
}

}  // namespace pr
