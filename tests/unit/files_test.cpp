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

TEST(Wildcards, DosSemantics) {
  EXPECT_TRUE(files::wildcard_match("*.*", "0.jpg"));
  EXPECT_TRUE(files::wildcard_match("*.*", "README"));  // no extension
  EXPECT_TRUE(files::wildcard_match("*.jpg", "12.JPG"));
  EXPECT_FALSE(files::wildcard_match("*.jpg", "12.jpeg"));
  EXPECT_TRUE(files::wildcard_match("?.jpg", "7.jpg"));
  EXPECT_FALSE(files::wildcard_match("?.jpg", "17.jpg"));
  EXPECT_TRUE(files::wildcard_match("?.txt", "图.txt"));
  EXPECT_TRUE(files::wildcard_match("a*b*c", "aXXbYYc"));
  EXPECT_FALSE(files::wildcard_match("a*b*c", "aXXbYY"));
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

TEST(Files, DeleteMatchingStaysInTheFolder) {
  test::TempDir dir;
  fs::path folder = dir.path() / "captures";
  fs::create_directory(folder);
  touch(folder / "0.jpg");
  touch(folder / "notes");
  touch(folder / ".keep");
  fs::create_directory(folder / "sub");
  touch(folder / "sub" / "1.jpg");
  files::delete_matching(folder, "*.*");
  EXPECT_FALSE(fs::exists(folder / "0.jpg"));
  EXPECT_FALSE(fs::exists(folder / "notes"));
  EXPECT_TRUE(fs::exists(folder / ".keep"));
  EXPECT_TRUE(fs::exists(folder / "sub" / "1.jpg"));
  // Nothing left to match: "file not found", as an error the caller may skip.
  try {
    files::delete_matching(folder, "*.*");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::FileNotFound);
  }
  EXPECT_THROW(files::delete_matching(dir.path() / "missing", "*.*"), Error);
}

#ifndef _WIN32
TEST(Files, DeleteMatchingNeverFollowsALink) {
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
  files::delete_matching(folder, "*.*");
  EXPECT_TRUE(fs::exists(outside / "precious.txt"));
  EXPECT_TRUE(fs::is_symlink(folder / "link.txt"));
  EXPECT_FALSE(fs::exists(folder / "0.jpg"));
  // A capture folder that is itself a link to another folder is refused.
  fs::path linked = dir.path() / "linked";
  fs::create_directory_symlink(outside, linked);
  EXPECT_THROW(files::delete_matching(linked, "*.*"), Error);
  EXPECT_TRUE(fs::exists(outside / "precious.txt"));
}
#endif

}  // namespace
}  // namespace pr
