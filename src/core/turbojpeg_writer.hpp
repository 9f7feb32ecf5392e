#pragma once

#include <memory>

#include "platform/jpeg_writer.hpp"

namespace pr {

// libjpeg-turbo straight from the BGRX rows, 4:4:4 chroma so that text keeps
// sharp coloured edges. Quality 0 is the lowest (1); above 100 is refused.
// Keeps one compressor and one output buffer for its whole life.
class TurboJpegWriter : public JpegWriter {
 public:
  TurboJpegWriter();
  ~TurboJpegWriter() override;
  WriteResult write(ImageView picture, const std::filesystem::path& path, unsigned quality,
                    float dpi) override;
  bool reads_back() const override { return true; }
  bool read(const std::filesystem::path& path, Image& into) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace pr
