#include "core/turbojpeg_writer.hpp"

#include <turbojpeg.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <vector>

#include "core/temp_file.hpp"
#include "platform/files.hpp"
#include "platform/report.hpp"

namespace pr {

struct TurboJpegWriter::State {
  tjhandle compressor = nullptr;
  tjhandle decompressor = nullptr;
  unsigned char* buffer = nullptr;
  unsigned long capacity = 0;

  ~State() {
    if (buffer) tjFree(buffer);
    if (compressor) tjDestroy(compressor);
    if (decompressor) tjDestroy(decompressor);
  }
};

TurboJpegWriter::TurboJpegWriter() : state_(std::make_unique<State>()) {
  state_->compressor = tjInitCompress();
  if (!state_->compressor) report_error(std::string("TurboJPEG: ") + tjGetErrorStr());
}

TurboJpegWriter::~TurboJpegWriter() = default;

namespace {

// The JFIF header TurboJPEG writes says "no unit, aspect 1:1"; it is made to
// state the resolution in dots per inch instead.
void set_density(unsigned char* jpeg, unsigned long size, float dpi) {
  static const unsigned char jfif[] = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0};
  if (size < 18 || std::memcmp(jpeg, jfif, sizeof jfif) != 0) return;
  long density = std::lround(dpi);
  if (density < 1 || density > 0xFFFF) return;
  jpeg[13] = 1;
  jpeg[14] = jpeg[16] = static_cast<unsigned char>(density >> 8);
  jpeg[15] = jpeg[17] = static_cast<unsigned char>(density & 0xFF);
}

// Says which file could not be written and why.
std::error_code write_all(const std::filesystem::path& path, const unsigned char* data,
                          unsigned long size) {
  const std::error_code error = files::write_new_file(path, data, size);
  if (error) report_error("cannot write " + files::to_utf8(path) + ": " + error.message());
  return error;
}

WriteResult failed(std::errc why) {
  return {false, std::make_error_code(why)};
}

}  // namespace

WriteResult TurboJpegWriter::write(ImageView picture, const std::filesystem::path& path,
                                   unsigned quality, float dpi) {
  if (quality > 100) {
    report_error(files::to_utf8(path) + " not written: JPEG quality " + std::to_string(quality) +
                 " is above 100");
    return failed(std::errc::invalid_argument);
  }
  if (picture.empty() || !state_->compressor) return failed(std::errc::invalid_argument);
  int q = quality == 0 ? 1 : static_cast<int>(quality);
  unsigned long needed = tjBufSize(picture.width, picture.height, TJSAMP_444);
  if (needed > state_->capacity) {
    if (state_->buffer) tjFree(state_->buffer);
    state_->buffer = tjAlloc(static_cast<int>(needed));
    state_->capacity = state_->buffer ? needed : 0;
    if (!state_->buffer) return failed(std::errc::not_enough_memory);
  }
  unsigned long size = state_->capacity;
  if (tjCompress2(state_->compressor, picture.pixels, picture.width,
                  static_cast<int>(picture.pitch), picture.height, TJPF_BGRX, &state_->buffer,
                  &size, TJSAMP_444, q, TJFLAG_NOREALLOC) != 0) {
    report_error(files::to_utf8(path) + " not written: " + tjGetErrorStr2(state_->compressor));
    return failed(std::errc::io_error);
  }
  set_density(state_->buffer, size, dpi);
  TempFile temp(path);
  std::error_code error = write_all(temp.path(), state_->buffer, size);
  if (!error) error = temp.commit();
  return {!error, error};
}

bool TurboJpegWriter::read(const std::filesystem::path& path, Image& into) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  const std::streamoff size = file ? static_cast<std::streamoff>(file.tellg()) : 0;
  if (size <= 0 || size > (1LL << 30)) return false;
  std::vector<unsigned char> jpeg(static_cast<std::size_t>(size));
  file.seekg(0);
  if (!file.read(reinterpret_cast<char*>(jpeg.data()), size)) return false;
  if (!state_->decompressor) state_->decompressor = tjInitDecompress();
  tjhandle d = state_->decompressor;
  int width = 0, height = 0, subsampling = 0, colours = 0;
  if (!d ||
      tjDecompressHeader3(d, jpeg.data(), jpeg.size(), &width, &height, &subsampling, &colours) !=
          0 ||
      static_cast<long long>(width) * height > (1LL << 28)) {
    return false;
  }
  into.resize(width, height);
  return tjDecompress2(d, jpeg.data(), jpeg.size(), into.row(0), width,
                       static_cast<int>(into.pitch()), height, TJPF_BGRX, 0) == 0;
}

}  // namespace pr
