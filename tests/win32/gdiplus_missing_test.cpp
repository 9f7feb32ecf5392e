#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/gdiplus_writer.hpp"
#include "platform/errors.hpp"
#include "platform/image.hpp"

namespace pr {
namespace {

// Run with gdiplus.dll disabled (WINEDLLOVERRIDES=gdiplus=d): the binding
// fails, in the system's words, and fails again on the next try.
TEST(MissingGdiplus, EveryWriteRaisesTheLoadErrorAndWritesNothing) {
  const char* disabled = std::getenv("WINEDLLOVERRIDES");
  ASSERT_TRUE(disabled && std::string(disabled).find("gdiplus=d") != std::string::npos)
      << "run this with gdiplus.dll disabled";
  Image picture(8, 8);
  picture.fill(0x808080);
  GdiplusJpegWriter writer;
  const std::filesystem::path target = std::filesystem::temp_directory_path() / "pagerook-0.jpg";
  for (int attempt = 0; attempt < 2; ++attempt) {
    SCOPED_TRACE(attempt);
    try {
      writer.write(picture.view(), target, 80, 96);
      ADD_FAILURE() << "wrote without gdiplus.dll";
    } catch (const Error& e) {
      const std::string what = e.what();
      EXPECT_EQ(what.rfind("gdiplus.dll: ", 0), 0u) << what;
      EXPECT_GT(what.size(), std::string("gdiplus.dll: ").size() + 4) << what;
      EXPECT_EQ(what.find("error 126"), std::string::npos) << "no system text: " << what;
    }
    EXPECT_FALSE(std::filesystem::exists(target));
  }
}

}  // namespace
}  // namespace pr
