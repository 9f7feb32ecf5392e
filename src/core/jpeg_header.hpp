#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace pr {

// What a PDF page needs to know of a JPEG file, read from its markers.
struct JpegHeader {
  int width = 0, height = 0;
  int components = 0;  // 1 grey, 3 colour, 4 CMYK
  bool adobe = false;  // an Adobe marker: CMYK is stored inverted
  // The JFIF density in dots per inch; 0 when the file states none.
  double dpi_x = 0, dpi_y = 0;
  std::uintmax_t size = 0;  // bytes of the whole file
  // Empty when the file can be embedded as it is; else why not, in a few words.
  std::string problem;
};

// Reads the markers up to the first scan and checks that the file ends with
// the end-of-image marker, so that a truncated file is caught.
JpegHeader read_jpeg_header(const std::filesystem::path& path);

}  // namespace pr
