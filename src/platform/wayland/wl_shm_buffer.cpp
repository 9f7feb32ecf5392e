#include "platform/wayland/wl_shm_buffer.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/errors.hpp"

namespace pr::wayland {

namespace {

[[noreturn]] void fail(const char* what) {
  throw Error(what, std::error_code(errno, std::generic_category()));
}

}  // namespace

wl_buffer* ShmBuffer::fit(wl_shm* shm, std::uint32_t format, int width, int height, int stride) {
  if (buffer_ && format == format_ && width == width_ && height == height_ && stride == stride_) {
    return buffer_;
  }
  release();
  if (width <= 0 || height <= 0 || stride < width * 4) {
    throw Error("the compositor offered a screen copy of no usable size");
  }
  size_ = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
  fd_ = memfd_create("pagerook-screen", MFD_CLOEXEC);
  if (fd_ < 0) fail("cannot make shared memory for the screen copy");
  if (ftruncate(fd_, static_cast<off_t>(size_)) < 0) {
    release();
    fail("cannot size shared memory for the screen copy");
  }
  void* mapped = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
  if (mapped == MAP_FAILED) {
    release();
    fail("cannot map shared memory for the screen copy");
  }
  data_ = static_cast<std::uint8_t*>(mapped);
  pool_ = wl_shm_create_pool(shm, fd_, static_cast<int32_t>(size_));
  buffer_ = wl_shm_pool_create_buffer(pool_, 0, width, height, stride, format);
  format_ = format;
  width_ = width;
  height_ = height;
  stride_ = stride;
  return buffer_;
}

void ShmBuffer::release() {
  if (buffer_) wl_buffer_destroy(buffer_);
  if (pool_) wl_shm_pool_destroy(pool_);
  if (data_) munmap(data_, size_);
  if (fd_ >= 0) close(fd_);
  buffer_ = nullptr;
  pool_ = nullptr;
  data_ = nullptr;
  fd_ = -1;
  size_ = 0;
  width_ = height_ = stride_ = 0;
}

}  // namespace pr::wayland
