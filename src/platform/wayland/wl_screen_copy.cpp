#include "platform/wayland/wl_screen_copy.hpp"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/errors.hpp"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

namespace pr::wayland {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kCopyDeadline = std::chrono::seconds(2);

FrameState& state_of(void* data) {
  return *static_cast<FrameState*>(data);
}

void on_buffer(void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width,
               uint32_t height, uint32_t stride) {
  FrameState& s = state_of(data);
  if (s.offered) return;
  if (format != WL_SHM_FORMAT_XRGB8888 && format != WL_SHM_FORMAT_ARGB8888) return;
  s.format = format;
  s.width = static_cast<int>(width);
  s.height = static_cast<int>(height);
  s.stride = static_cast<int>(stride);
  s.offered = true;
}
void on_flags(void* data, zwlr_screencopy_frame_v1*, uint32_t flags) {
  state_of(data).y_inverted = flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT;
}
void on_ready(void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {
  state_of(data).ready = true;
}
void on_failed(void* data, zwlr_screencopy_frame_v1*) {
  state_of(data).failed = true;
}
void on_damage(void* data, zwlr_screencopy_frame_v1*, uint32_t x, uint32_t y, uint32_t width,
               uint32_t height) {
  state_of(data).damage.push_back({static_cast<int>(x), static_cast<int>(y),
                                   static_cast<int>(width), static_cast<int>(height)});
}
void on_linux_dmabuf(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {}
void on_buffer_done(void*, zwlr_screencopy_frame_v1*) {}

const zwlr_screencopy_frame_v1_listener kFrameListener = {
    on_buffer, on_flags, on_ready, on_failed, on_damage, on_linux_dmabuf, on_buffer_done};

std::unique_ptr<FrameState> request(Session& session, const Output& output, PixelRect area) {
  auto state = std::make_unique<FrameState>();
  if (area.width > 0 && area.height > 0) {
    // The request speaks logical pixels: whole ones around the area.
    const int s = output.scale;
    const int x0 = area.left / s, y0 = area.top / s;
    const int x1 = (area.left + area.width + s - 1) / s;
    const int y1 = (area.top + area.height + s - 1) / s;
    state->frame = zwlr_screencopy_manager_v1_capture_output_region(
        session.screencopy(), 0, output.proxy, x0, y0, x1 - x0, y1 - y0);
  } else {
    state->frame = zwlr_screencopy_manager_v1_capture_output(session.screencopy(), 0, output.proxy);
  }
  zwlr_screencopy_frame_v1_add_listener(state->frame, &kFrameListener, state.get());
  session.roundtrip();  // the buffer shapes are sent at once
  if (!state->offered) {
    zwlr_screencopy_frame_v1_destroy(state->frame);
    throw Error("the compositor offers no XRGB8888 shared-memory copy of the screen");
  }
  return state;
}

void flip_rows(std::uint8_t* data, int stride, int height) {
  std::vector<std::uint8_t> row(static_cast<std::size_t>(stride));
  for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
    std::uint8_t* a = data + static_cast<std::ptrdiff_t>(top) * stride;
    std::uint8_t* b = data + static_cast<std::ptrdiff_t>(bottom) * stride;
    std::memcpy(row.data(), a, row.size());
    std::memcpy(a, b, row.size());
    std::memcpy(b, row.data(), row.size());
  }
}

}  // namespace

ScreenCopy::ScreenCopy(Session& session) : session_(session) {
  if (!session.screencopy()) {
    throw Error("the compositor offers no zwlr_screencopy_manager_v1: no screen copies");
  }
}

ScreenCopy::~ScreenCopy() {
  if (watch_) zwlr_screencopy_frame_v1_destroy(watch_->frame);
}

ImageView ScreenCopy::copy(Output output, PixelRect area) {
  auto state = request(session_, output, area);
  wl_buffer* buffer =
      buffer_.fit(session_.shm(), state->format, state->width, state->height, state->stride);
  zwlr_screencopy_frame_v1_copy(state->frame, buffer);
  const auto deadline = Clock::now() + kCopyDeadline;
  while (!state->ready && !state->failed && Clock::now() < deadline) {
    session_.dispatch(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
  }
  zwlr_screencopy_frame_v1_destroy(state->frame);
  if (!state->ready) {
    throw Error(state->failed ? "the compositor could not copy the screen"
                              : "the compositor gave no copy of the screen within 2 s");
  }
  if (state->y_inverted) flip_rows(buffer_.data(), state->stride, state->height);
  ImageView view{buffer_.data(), state->width, state->height, state->stride};
  if (area.width <= 0 || area.height <= 0) return view;
  // The frame began at the logical pixel around the area's corner.
  const int s = output.scale;
  const int dx = area.left - area.left / s * s, dy = area.top - area.top / s * s;
  view = view.crop(dx, dy, area.width, area.height);
  view.left = area.left;
  view.top = area.top;
  return view;
}

void ScreenCopy::arm_watch(const Output& output) {
  if (watch_) zwlr_screencopy_frame_v1_destroy(watch_->frame);
  watch_ = request(session_, output, {});
  watched_output_ = output.name;
  wl_buffer* buffer = watch_buffer_.fit(session_.shm(), watch_->format, watch_->width,
                                        watch_->height, watch_->stride);
  zwlr_screencopy_frame_v1_copy_with_damage(watch_->frame, buffer);
  wl_display_flush(session_.display());
}

ScreenChanges ScreenCopy::take_changes(Output output) {
  if (session_.screencopy_version() < 2) return {};
  if (!watch_ || watched_output_ != output.name) {
    // The first copy of an output reports all of it: that one says nothing.
    watch_primed_ = false;
    arm_watch(output);
  }
  session_.dispatch(std::chrono::milliseconds(0));
  if (watch_->ready || watch_->failed) {
    if (watch_primed_ && watch_->ready) {
      changes_.insert(changes_.end(), watch_->damage.begin(), watch_->damage.end());
    }
    watch_primed_ = true;
    arm_watch(output);
  }
  ScreenChanges changes{true, std::move(changes_)};
  changes_.clear();
  return changes;
}

}  // namespace pr::wayland
