#pragma once

#include <chrono>
#include <vector>

#include "platform/image.hpp"
#include "platform/platform.hpp"
#include "platform/wayland/wl_session.hpp"
#include "platform/wayland/wl_shm_buffer.hpp"

struct zwlr_screencopy_frame_v1;

namespace pr::wayland {

// One frame of zwlr_screencopy_manager_v1 from its request to ready or
// failed: the shm buffer shape offered, the flags, the damage.
struct FrameState {
  zwlr_screencopy_frame_v1* frame = nullptr;
  std::uint32_t format = 0;
  int width = 0, height = 0, stride = 0;
  bool offered = false;  // an XRGB8888 or ARGB8888 wl_shm buffer
  bool y_inverted = false;
  bool ready = false;
  bool failed = false;
  std::vector<PixelRect> damage;  // in the frame's pixels
};

// Copies of an output through wlr-screencopy, in process, into shared memory
// kept for the program's life. The output is the screen: its real pixels,
// whatever its scale. Changes on it are learnt from a standing
// copy_with_damage frame that the compositor completes only once something
// was drawn, so watching costs nothing while the screen is still.
// (ext-image-copy-capture-v1, its successor, is in neither sway 1.7 nor
// wayland-protocols 1.31: not used yet.)
class ScreenCopy {
 public:
  // Throws a platform error when the compositor offers no screen copies.
  explicit ScreenCopy(Session& session);
  ~ScreenCopy();
  ScreenCopy(const ScreenCopy&) = delete;
  ScreenCopy& operator=(const ScreenCopy&) = delete;

  // Outputs are taken by value: the session may renew its list while a
  // copy waits for the compositor.
  // The rectangle (the output's real pixels from its corner; the whole
  // output when empty), B,G,R,X rows top first. Valid until the next copy.
  // Throws a platform error when the compositor gives no copy in time.
  ImageView copy(Output output, PixelRect area = {});

  // The areas of the output drawn since the last call; `known` only on a
  // compositor that reports damage (screencopy version 2 and later).
  ScreenChanges take_changes(Output output);

 private:
  void arm_watch(const Output& output);

  Session& session_;
  ShmBuffer buffer_;
  ShmBuffer watch_buffer_;
  std::unique_ptr<FrameState> watch_;
  std::uint32_t watched_output_ = 0;
  std::vector<PixelRect> changes_;
  bool watch_primed_ = false;
};

}  // namespace pr::wayland
