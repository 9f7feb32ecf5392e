#include <gtest/gtest.h>

#include <fstream>

#include "harness.hpp"
#include "platform/errors.hpp"
#include "platform/files.hpp"

namespace pr {
namespace {

namespace fs = std::filesystem;

void touch(const fs::path& p) {
  std::ofstream(p) << "x";
}

TEST(Files, UnicodeNamesReachTheSameFolder) {
  test::TempDir dir;
  fs::path folder = dir.path() / files::from_utf8("截图");
  EXPECT_FALSE(files::exists(folder));
  files::create_folder(folder);
  EXPECT_TRUE(files::exists(folder));
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(files::to_utf8(folder.filename()), "截图");
  touch(folder / "a.txt");
  EXPECT_EQ(files::count_visible_files(folder), 1);
  EXPECT_THROW(files::create_folder(folder), Error);
  EXPECT_THROW(files::create_folder(dir.path() / "missing" / "x"), Error);
}

TEST(Files, CountsVisibleFilesOnly) {
  test::TempDir dir;
  touch(dir.path() / "a.txt");
  touch(dir.path() / "b.doc");
  touch(dir.path() / "noext");
  touch(dir.path() / ".hidden");
  fs::create_directory(dir.path() / "sub");
  touch(dir.path() / "sub" / "inner.jpg");
  EXPECT_EQ(files::count_visible_files(dir.path()), 3);
  EXPECT_THROW(files::count_visible_files(dir.path() / "a.txt"), Error);
  EXPECT_THROW(files::count_visible_files(dir.path() / "missing"), Error);
}

#ifndef _WIN32
TEST(Files, CountsALinkToAFileAsThatFile) {
  test::TempDir dir;
  fs::path outside = dir.path() / "outside";
  fs::create_directory(outside);
  touch(outside / "precious.txt");
  fs::path folder = dir.path() / "captures";
  fs::create_directory(folder);
  fs::create_symlink(outside / "precious.txt", folder / "link.txt");
  touch(folder / "0.jpg");
  fs::create_directory_symlink(outside, folder / "dirlink");
  fs::create_symlink(folder / "missing", folder / "dangling");
  // The list shows a link to a file as that file, and nothing for the others.
  EXPECT_EQ(files::count_visible_files(folder), 2);
}
#endif

}  // namespace
}  // namespace pr
