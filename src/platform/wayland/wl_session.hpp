#pragma once

#include <wayland-client.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

struct zwlr_screencopy_manager_v1;
struct zwp_virtual_keyboard_manager_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;

namespace pr::wayland {

// One monitor as the compositor describes it. `width` and `height` are the
// output's real pixels; `scale` is how many of them make one logical pixel.
// `x`, `y` place it in the desktop's logical pixels (xdg-output's, where the
// compositor offers it; else wl_output's geometry, the same on wlroots).
struct Output {
  wl_output* proxy = nullptr;
  zxdg_output_v1* logical = nullptr;
  std::uint32_t name = 0;  // the registry's
  int x = 0, y = 0;
  int width = 0, height = 0;
  int scale = 1;
  bool placed = false;  // xdg-output has said where
};

// Our own connection to the compositor, beside GTK's: the globals the
// capture and the keys need, bound once. It blocks only in roundtrip(),
// never inside GTK's loop.
class Session {
 public:
  // Throws a platform error when no compositor answers on WAYLAND_DISPLAY.
  Session();
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  wl_display* display() const { return display_; }
  wl_shm* shm() const { return shm_; }
  wl_seat* seat() const { return seat_; }
  zwlr_screencopy_manager_v1* screencopy() const { return screencopy_; }
  std::uint32_t screencopy_version() const { return screencopy_version_; }
  zwp_virtual_keyboard_manager_v1* keyboards() const { return keyboards_; }
  // The outputs whose size is known, in the order the compositor announced
  // them; renewed as outputs come and go.
  const std::vector<Output>& outputs() const { return outputs_; }
  // The output with the registry's `name`; null when it is gone.
  const Output* find(std::uint32_t name) const;

  // The names of the protocols the program needs that the compositor does
  // not offer; empty when it offers them all.
  std::vector<std::string> missing() const;

  // Sends what is queued and waits until the compositor has answered it all.
  // Throws when the connection is lost.
  void roundtrip();
  // Handles the events that arrived, waiting at most `max_wait` for the
  // first; throws when the connection is lost.
  void dispatch(std::chrono::milliseconds max_wait);
  // Throws when the connection is lost; says why.
  void check() const;

 private:
  static void on_global(void* self, wl_registry*, std::uint32_t name, const char* interface,
                        std::uint32_t version);
  static void on_global_remove(void* self, wl_registry*, std::uint32_t name);
  static void on_geometry(void* output, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t,
                          const char*, const char*, int32_t);
  static void on_mode(void* output, wl_output*, uint32_t flags, int32_t width, int32_t height,
                      int32_t);
  static void on_done(void*, wl_output*) {}
  static void on_scale(void* output, wl_output*, int32_t factor);
  static void on_logical_position(void* output, zxdg_output_v1*, int32_t x, int32_t y);
  void describe(Output& output);

  wl_display* display_ = nullptr;
  wl_registry* registry_ = nullptr;
  wl_shm* shm_ = nullptr;
  wl_seat* seat_ = nullptr;
  zwlr_screencopy_manager_v1* screencopy_ = nullptr;
  std::uint32_t screencopy_version_ = 0;
  zwp_virtual_keyboard_manager_v1* keyboards_ = nullptr;
  zxdg_output_manager_v1* xdg_outputs_ = nullptr;
  bool layer_shell_ = false;  // for GTK's windows: seen here, bound by gtk-layer-shell
  // Stable addresses: each output is its listener's data.
  std::vector<std::unique_ptr<Output>> output_owners_;
  std::vector<Output> outputs_;
  void refresh_outputs();
};

}  // namespace pr::wayland
