#include "store/turbojpeg_writer.hpp"

#include <turbojpeg.h>

#include <cstdio>
#include <iostream>

#include "platform/files.hpp"
#include "store/temp_file.hpp"

namespace pr {

struct TurboJpegWriter::State {
  tjhandle compressor = nullptr;
  unsigned char* buffer = nullptr;
  unsigned long capacity = 0;

  ~State() {
    if (buffer) tjFree(buffer);
    if (compressor) tjDestroy(compressor);
  }
};

TurboJpegWriter::TurboJpegWriter() : state_(std::make_unique<State>()) {
  state_->compressor = tjInitCompress();
  if (!state_->compressor) std::cerr << "pagerook: " << tjGetErrorStr() << std::endl;
}

TurboJpegWriter::~TurboJpegWriter() = default;

namespace {

bool write_all(const std::filesystem::path& path, const unsigned char* data, unsigned long size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data, 1, size, f) == size;
  ok = std::fflush(f) == 0 && ok;
  ok = std::fclose(f) == 0 && ok;
  return ok;
}

}  // namespace

bool TurboJpegWriter::write(ImageView picture, const std::filesystem::path& path,
                            unsigned quality) {
  if (quality > 100 || picture.empty() || !state_->compressor) return false;
  int q = quality == 0 ? 1 : static_cast<int>(quality);
  unsigned long needed = tjBufSize(picture.width, picture.height, TJSAMP_444);
  if (needed > state_->capacity) {
    if (state_->buffer) tjFree(state_->buffer);
    state_->buffer = tjAlloc(static_cast<int>(needed));
    state_->capacity = state_->buffer ? needed : 0;
    if (!state_->buffer) return false;
  }
  unsigned long size = state_->capacity;
  if (tjCompress2(state_->compressor, picture.pixels, picture.width,
                  static_cast<int>(picture.pitch), picture.height, TJPF_BGRX, &state_->buffer,
                  &size, TJSAMP_444, q, TJFLAG_NOREALLOC) != 0) {
    std::cerr << "pagerook: " << tjGetErrorStr2(state_->compressor) << std::endl;
    return false;
  }
  TempFile temp(path);
  if (!write_all(temp.path(), state_->buffer, size)) return false;
  return temp.commit();
}

}  // namespace pr
