#include "core/gdiplus_writer.hpp"

#include <cstring>
#include <memory>
#include <string>

#include "core/temp_file.hpp"
#include "platform/errors.hpp"
#include "platform/files.hpp"
#include "platform/report.hpp"

namespace pr {

namespace {

struct LibraryFreer {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using Library = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFreer>;

struct BitmapDeleter {
  void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};
using Bitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, BitmapDeleter>;

template <class Function>
void bind(Function& slot, HMODULE module, const char* name) {
  FARPROC proc = GetProcAddress(module, name);
  if (!proc) throw_win32_error(std::string("gdiplus.dll ") + name, GetLastError());
  // FARPROC is a generic function pointer; going through void(*)() keeps
  // -Wcast-function-type quiet.
  slot = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

struct SystemGdiplus {
  Library library;
  GdiplusApi api{};

  SystemGdiplus() : library(LoadLibraryW(L"gdiplus.dll")) {
    if (!library) throw_win32_error("gdiplus.dll", GetLastError());
    bind(api.GdiplusStartup, library.get(), "GdiplusStartup");
    bind(api.GdipCreateBitmapFromHBITMAP, library.get(), "GdipCreateBitmapFromHBITMAP");
    bind(api.GdipSaveImageToFile, library.get(), "GdipSaveImageToFile");
    bind(api.GdipDisposeImage, library.get(), "GdipDisposeImage");
    bind(api.GdiplusShutdown, library.get(), "GdiplusShutdown");
    bind(api.GdipBitmapSetResolution, library.get(), "GdipBitmapSetResolution");
    api.CLSIDFromString = ::CLSIDFromString;
  }
};

// GDI+'s own name for a status.
std::string status_name(GdiplusApi::Status status) {
  static const char* const names[] = {"Ok",
                                      "GenericError",
                                      "InvalidParameter",
                                      "OutOfMemory",
                                      "ObjectBusy",
                                      "InsufficientBuffer",
                                      "NotImplemented",
                                      "Win32Error",
                                      "WrongState",
                                      "Aborted",
                                      "FileNotFound",
                                      "ValueOverflow",
                                      "AccessDenied",
                                      "UnknownImageFormat",
                                      "FontFamilyNotFound",
                                      "FontStyleNotFound",
                                      "NotTrueTypeFont",
                                      "UnsupportedGdiplusVersion",
                                      "GdiplusNotInitialized",
                                      "PropertyNotFound",
                                      "PropertyNotSupported",
                                      "ProfileNotFound"};
  if (status >= 0 && status < static_cast<int>(std::size(names))) return names[status];
  return "status " + std::to_string(status);
}

// Why GDI+ could not save, as the caption words it: a Win32 error behind the
// status (a full disk) in the portable terms, else an I/O error.
std::error_code cause(GdiplusApi::Status status, unsigned long system_error) {
  constexpr GdiplusApi::Status kWin32Error = 7, kAccessDenied = 13;
  if (status == kAccessDenied) return std::make_error_code(std::errc::permission_denied);
  if (status != kWin32Error || system_error == 0) return std::make_error_code(std::errc::io_error);
  switch (system_error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return std::make_error_code(std::errc::no_space_on_device);
    case ERROR_WRITE_PROTECT:
      return std::make_error_code(std::errc::read_only_file_system);
    case ERROR_ACCESS_DENIED:
      return std::make_error_code(std::errc::permission_denied);
    case ERROR_PATH_NOT_FOUND:
      return std::make_error_code(std::errc::no_such_file_or_directory);
  }
  return {static_cast<int>(system_error), std::system_category()};
}

// A top-down 32-bit DIB section holding a copy of the picture's rows.
Bitmap make_dib(ImageView picture) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Bitmap dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib || !bits) throw_win32_error("CreateDIBSection", GetLastError());
  const std::size_t row = static_cast<std::size_t>(picture.width) * 4;
  auto* out = static_cast<std::uint8_t*>(bits);
  for (int y = 0; y < picture.height; ++y) std::memcpy(out + y * row, picture.row(y), row);
  GdiFlush();
  return dib;
}

}  // namespace

const GdiplusApi& system_gdiplus_api() {
  static SystemGdiplus bound;
  return bound.api;
}

GdiplusApi::Status gdiplus_save_jpeg(const GdiplusApi& api, HBITMAP hbitmap, const wchar_t* path,
                                     std::uint8_t quality, float dpi, unsigned long* system_error) {
  GdiplusApi::StartupInput input{1, nullptr, FALSE, FALSE};
  ULONG_PTR token = 0;
  GdiplusApi::Status status = api.GdiplusStartup(&token, &input, nullptr);
  if (status != 0) return status;
  void* bitmap = nullptr;
  status = api.GdipCreateBitmapFromHBITMAP(hbitmap, nullptr, &bitmap);
  if (status == 0) {
    // The resolution only goes into the file's header; a bitmap that keeps
    // the default still saves.
    api.GdipBitmapSetResolution(bitmap, dpi, dpi);
    CLSID encoder;
    api.CLSIDFromString(L"{557CF401-1A04-11D3-9A73-0000F81EF32E}", &encoder);
    // The encoder reads a 32-bit quality; the byte sits in a zeroed cell.
    std::uint32_t cell = quality;
    GdiplusApi::EncoderParameters parameters;
    std::memset(&parameters, 0, sizeof(parameters));
    parameters.Count = 1;
    api.CLSIDFromString(L"{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}", &parameters.Parameter[0].Guid);
    parameters.Parameter[0].NumberOfValues = 1;
    parameters.Parameter[0].Type = 4;
    parameters.Parameter[0].Value = &cell;
    status = api.GdipSaveImageToFile(bitmap, path, &encoder, &parameters);
    if (system_error) *system_error = status != 0 ? GetLastError() : 0;
    api.GdipDisposeImage(bitmap);
  }
  api.GdiplusShutdown(token);
  return status;
}

WriteResult GdiplusJpegWriter::write(ImageView picture, const std::filesystem::path& path,
                                     unsigned quality, float dpi) {
  if (quality > 255)
    throw Error("JPEG quality " + std::to_string(quality),
                std::make_error_code(std::errc::result_out_of_range));
  if (picture.empty()) return {false, std::make_error_code(std::errc::invalid_argument)};
  const GdiplusApi& api = api_ ? *api_ : system_gdiplus_api();
  Bitmap dib = make_dib(picture);
  TempFile temp(path);
  unsigned long system_error = 0;
  GdiplusApi::Status status = gdiplus_save_jpeg(
      api, dib.get(), temp.path().c_str(), static_cast<std::uint8_t>(quality), dpi, &system_error);
  if (status != 0) {
    report_error("cannot write " + files::to_utf8(temp.path()) + ": GDI+ " + status_name(status));
    return {false, cause(status, system_error)};
  }
  const std::error_code error = temp.commit();
  return {!error, error};
}

}  // namespace pr
