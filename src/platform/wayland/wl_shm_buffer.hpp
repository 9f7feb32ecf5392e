#pragma once

#include <wayland-client.h>

#include <cstddef>
#include <cstdint>

namespace pr::wayland {

// A wl_shm buffer in a memfd, kept and reused while the frames it receives
// keep their size: a run's pages never allocate one again.
class ShmBuffer {
 public:
  ShmBuffer() = default;
  ~ShmBuffer() { release(); }
  ShmBuffer(const ShmBuffer&) = delete;
  ShmBuffer& operator=(const ShmBuffer&) = delete;

  // A buffer of this shape, the current one when it already has it. Throws a
  // platform error when the memory cannot be had.
  wl_buffer* fit(wl_shm* shm, std::uint32_t format, int width, int height, int stride);
  std::uint8_t* data() const { return data_; }
  int width() const { return width_; }
  int height() const { return height_; }
  int stride() const { return stride_; }

 private:
  void release();

  int fd_ = -1;
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  wl_shm_pool* pool_ = nullptr;
  wl_buffer* buffer_ = nullptr;
  std::uint32_t format_ = 0;
  int width_ = 0, height_ = 0, stride_ = 0;
};

}  // namespace pr::wayland
