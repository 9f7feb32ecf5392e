#include "platform/wayland/wl_session.hpp"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/errors.hpp"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace pr::wayland {

namespace {

void forget(Output& output) {
  if (output.logical) zxdg_output_v1_destroy(output.logical);
  wl_output_destroy(output.proxy);
}

}  // namespace

Session::Session() {
  display_ = wl_display_connect(nullptr);
  if (!display_) {
    throw Error("no Wayland compositor answers on WAYLAND_DISPLAY",
                std::error_code(errno, std::generic_category()));
  }
  static const wl_registry_listener listener = {&Session::on_global, &Session::on_global_remove};
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &listener, this);
  roundtrip();  // the globals
  roundtrip();  // the outputs' geometry, mode and scale
}

Session::~Session() {
  for (auto& output : output_owners_) forget(*output);
  if (xdg_outputs_) zxdg_output_manager_v1_destroy(xdg_outputs_);
  if (keyboards_) zwp_virtual_keyboard_manager_v1_destroy(keyboards_);
  if (screencopy_) zwlr_screencopy_manager_v1_destroy(screencopy_);
  if (seat_) wl_seat_destroy(seat_);
  if (shm_) wl_shm_destroy(shm_);
  wl_registry_destroy(registry_);
  wl_display_disconnect(display_);
}

void Session::on_global(void* data, wl_registry* registry, std::uint32_t name,
                        const char* interface, std::uint32_t version) {
  auto* self = static_cast<Session*>(data);
  const std::string_view what = interface;
  if (what == wl_shm_interface.name && !self->shm_) {
    self->shm_ = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  } else if (what == wl_seat_interface.name && !self->seat_) {
    self->seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  } else if (what == zwlr_screencopy_manager_v1_interface.name && !self->screencopy_) {
    self->screencopy_version_ = std::min<std::uint32_t>(version, 3);
    self->screencopy_ = static_cast<zwlr_screencopy_manager_v1*>(wl_registry_bind(
        registry, name, &zwlr_screencopy_manager_v1_interface, self->screencopy_version_));
  } else if (what == zwp_virtual_keyboard_manager_v1_interface.name && !self->keyboards_) {
    self->keyboards_ = static_cast<zwp_virtual_keyboard_manager_v1*>(
        wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
  } else if (what == zxdg_output_manager_v1_interface.name && !self->xdg_outputs_) {
    self->xdg_outputs_ = static_cast<zxdg_output_manager_v1*>(
        wl_registry_bind(registry, name, &zxdg_output_manager_v1_interface, 1));
    for (auto& output : self->output_owners_) self->describe(*output);
  } else if (what == "zwlr_layer_shell_v1") {
    self->layer_shell_ = true;
  } else if (what == wl_output_interface.name) {
    static const wl_output_listener listener = {
        &Session::on_geometry, &Session::on_mode, &Session::on_done,
        &Session::on_scale,    nullptr,           nullptr};
    auto output = std::make_unique<Output>();
    output->name = name;
    output->proxy = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface,
                                                             std::min<std::uint32_t>(version, 2)));
    wl_output_add_listener(output->proxy, &listener, output.get());
    self->describe(*output);
    self->output_owners_.push_back(std::move(output));
  }
}

void Session::describe(Output& output) {
  if (!xdg_outputs_ || output.logical) return;
  static const zxdg_output_v1_listener listener = {
      &Session::on_logical_position, [](void*, zxdg_output_v1*, int32_t, int32_t) {},
      [](void*, zxdg_output_v1*) {}, [](void*, zxdg_output_v1*, const char*) {},
      [](void*, zxdg_output_v1*, const char*) {}};
  output.logical = zxdg_output_manager_v1_get_xdg_output(xdg_outputs_, output.proxy);
  zxdg_output_v1_add_listener(output.logical, &listener, &output);
}

void Session::on_logical_position(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
  auto* output = static_cast<Output*>(data);
  output->x = x;
  output->y = y;
  output->placed = true;
}

const Output* Session::find(std::uint32_t name) const {
  auto it = std::find_if(outputs_.begin(), outputs_.end(),
                         [name](const Output& o) { return o.name == name; });
  return it == outputs_.end() ? nullptr : &*it;
}

void Session::on_global_remove(void* data, wl_registry*, std::uint32_t name) {
  auto* self = static_cast<Session*>(data);
  auto& owners = self->output_owners_;
  auto gone = std::find_if(owners.begin(), owners.end(), [&](auto& o) { return o->name == name; });
  if (gone == owners.end()) return;
  forget(**gone);
  owners.erase(gone);
  self->refresh_outputs();
}

void Session::on_geometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t,
                          const char*, const char*, int32_t) {
  auto* output = static_cast<Output*>(data);
  if (output->placed) return;
  output->x = x;
  output->y = y;
}

void Session::on_mode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height,
                      int32_t) {
  if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
  auto* output = static_cast<Output*>(data);
  output->width = width;
  output->height = height;
}

void Session::on_scale(void* data, wl_output*, int32_t factor) {
  static_cast<Output*>(data)->scale = std::max(factor, 1);
}

void Session::refresh_outputs() {
  outputs_.clear();
  for (auto& owner : output_owners_) {
    if (owner->width > 0 && owner->height > 0) outputs_.push_back(*owner);
  }
}

std::vector<std::string> Session::missing() const {
  std::vector<std::string> names;
  if (!shm_) names.push_back("wl_shm");
  if (!seat_) names.push_back("wl_seat");
  if (outputs_.empty()) names.push_back("wl_output");
  if (!screencopy_) names.push_back("zwlr_screencopy_manager_v1");
  if (!keyboards_) names.push_back("zwp_virtual_keyboard_manager_v1");
  if (!layer_shell_) names.push_back("zwlr_layer_shell_v1");
  return names;
}

void Session::check() const {
  if (const int error = wl_display_get_error(display_)) {
    throw Error("the Wayland compositor closed our connection",
                std::error_code(error, std::generic_category()));
  }
}

void Session::roundtrip() {
  if (wl_display_roundtrip(display_) < 0) check();
  check();
  refresh_outputs();
}

void Session::dispatch(std::chrono::milliseconds max_wait) {
  while (wl_display_prepare_read(display_) != 0) wl_display_dispatch_pending(display_);
  wl_display_flush(display_);
  pollfd fd = {wl_display_get_fd(display_), POLLIN, 0};
  if (poll(&fd, 1, static_cast<int>(max_wait.count())) > 0) {
    wl_display_read_events(display_);
  } else {
    wl_display_cancel_read(display_);
  }
  wl_display_dispatch_pending(display_);
  // What the handlers asked for (a new output bound) goes out now, not at
  // the next call.
  wl_display_flush(display_);
  check();
  refresh_outputs();
}

}  // namespace pr::wayland
