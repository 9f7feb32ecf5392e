#include "store/turbojpeg_writer.hpp"

#include <turbojpeg.h>

#include <cerrno>
#include <cstdio>

#include "platform/files.hpp"
#include "platform/report.hpp"
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
  if (!state_->compressor) report_error(std::string("TurboJPEG: ") + tjGetErrorStr());
}

TurboJpegWriter::~TurboJpegWriter() = default;

namespace {

// Says which file could not be written and why.
bool write_all(const std::filesystem::path& path, const unsigned char* data, unsigned long size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  bool ok = f != nullptr;
  int error = ok ? 0 : errno;
  if (f) {
    if (std::fwrite(data, 1, size, f) != size || std::fflush(f) != 0) {
      ok = false;
      error = errno;
    }
    if (std::fclose(f) != 0 && ok) {
      ok = false;
      error = errno;
    }
  }
  if (!ok) report_error("cannot write " + files::to_utf8(path) + ": " + errno_text(error));
  return ok;
}

}  // namespace

bool TurboJpegWriter::write(ImageView picture, const std::filesystem::path& path,
                            unsigned quality) {
  if (quality > 100) {
    report_error(files::to_utf8(path) + " not written: JPEG quality " + std::to_string(quality) +
                 " is above 100");
    return false;
  }
  if (picture.empty() || !state_->compressor) return false;
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
    report_error(files::to_utf8(path) + " not written: " + tjGetErrorStr2(state_->compressor));
    return false;
  }
  TempFile temp(path);
  if (!write_all(temp.path(), state_->buffer, size)) return false;
  return temp.commit();
}

}  // namespace pr
