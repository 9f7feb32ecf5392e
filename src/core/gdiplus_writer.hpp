#pragma once

#include <objbase.h>
#include <windows.h>

#include <cstdint>

#include "platform/jpeg_writer.hpp"

namespace pr {

// The few GDI+ flat-API calls the JPEG writer makes, plus ole32's
// CLSIDFromString, as one replaceable binding.
struct GdiplusApi {
  using Status = int;  // 0 is Ok

  struct StartupInput {
    std::uint32_t GdiplusVersion;
    void* DebugEventCallback;
    BOOL SuppressBackgroundThread;
    BOOL SuppressExternalCodecs;
  };
  struct EncoderParameter {
    GUID Guid;
    ULONG NumberOfValues;
    ULONG Type;
    void* Value;
  };
  struct EncoderParameters {
    UINT Count;
    EncoderParameter Parameter[1];
  };

  Status(WINAPI* GdiplusStartup)(ULONG_PTR* token, const StartupInput* input, void* output);
  Status(WINAPI* GdipCreateBitmapFromHBITMAP)(HBITMAP hbitmap, HPALETTE palette, void** bitmap);
  HRESULT(WINAPI* CLSIDFromString)(LPCOLESTR text, CLSID* clsid);
  Status(WINAPI* GdipSaveImageToFile)(void* image, const WCHAR* file, const CLSID* encoder,
                                      const EncoderParameters* parameters);
  Status(WINAPI* GdipDisposeImage)(void* image);
  void(WINAPI* GdiplusShutdown)(ULONG_PTR token);
  Status(WINAPI* GdipBitmapSetResolution)(void* bitmap, float xdpi, float ydpi);
};

// gdiplus.dll and ole32.dll, bound by name on the first call and kept for the
// rest of the run. Throws pr::Error when a library or a function is missing.
const GdiplusApi& system_gdiplus_api();

// The whole GDI+ round of one file: start, bitmap from `hbitmap` at `dpi`, save as JPEG
// at `quality`, dispose, shut down. Returns the last status, 0 when Ok; a failed
// save leaves the system's error after it in `system_error`, when given.
GdiplusApi::Status gdiplus_save_jpeg(const GdiplusApi& api, HBITMAP hbitmap, const wchar_t* path,
                                     std::uint8_t quality, float dpi,
                                     unsigned long* system_error = nullptr);

// Writes through GDI+ from a DIB section made of the picture's rows for each
// call. The file is written beside the target under a hidden name and renamed
// into place when GDI+ reports success.
class GdiplusJpegWriter : public JpegWriter {
 public:
  // Without an api, the system's is bound on the first write.
  explicit GdiplusJpegWriter(const GdiplusApi* api = nullptr) : api_(api) {}
  WriteResult write(ImageView picture, const std::filesystem::path& path, unsigned quality,
                    float dpi) override;

 private:
  const GdiplusApi* api_;
};

}  // namespace pr
