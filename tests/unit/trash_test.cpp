// Emptying the capture folder for a new run: through the desktop's trash,
// never silently, and what has to stay is named and numbered past.
#include <gtest/gtest.h>

#include <string>
#include <system_error>

#include "app/designs.hpp"
#include "core/capture_folder.hpp"
#include "core/page_store.hpp"
#include "harness.hpp"
#include "platform/files.hpp"

#ifdef _WIN32
#include <process.h>
#define PR_GETPID _getpid
#else
#include <unistd.h>
#define PR_GETPID getpid
#endif

namespace pr {
namespace {

namespace fs = std::filesystem;
using test::Harness;
using test::Reports;
using test::write;

TEST(Trash, TheOldRunAndOtherVisibleFilesGoToTheTrash) {
  Harness h;
  test::Document document(h.hp, 10);
  h.capture(1500, 1500, 4500, 4500);
  h.hp.advance(1500);
  h.main_window().on_key(27);
  write(h.folder / "notes.txt");
  write(h.folder / ".hidden");
  fs::create_directory(h.folder / "sub");
  write(h.folder / "sub" / "inner.txt");
  Reports reports;
  h.click_capture();
  std::vector<std::string> trashed;
  for (const fs::path& p : h.hp.trashed()) trashed.push_back(files::to_utf8(p.filename()));
  std::sort(trashed.begin(), trashed.end());
  EXPECT_EQ(trashed, (std::vector<std::string>{"0.jpg", "1.jpg", "notes.txt"}));
  EXPECT_EQ(h.files(), (std::vector<std::string>{".hidden", "sub"}));
  EXPECT_TRUE(fs::exists(h.folder / "sub" / "inner.txt"));
  EXPECT_TRUE(reports.lines.empty());
  h.drag(1500, 1500, 4500, 4500);
  EXPECT_TRUE(fs::exists(h.folder / "0.jpg"));
}

TEST(Trash, WhatTheTrashRefusesIsDeletedAndSaid) {
  Harness h;
  fs::create_directories(h.folder);
  write(h.folder / "0.jpg");
  write(h.folder / "1.jpg");
  h.hp.trash_refuses["1.jpg"] = "Trashing on system internal mounts is not supported";
  Reports reports;
  h.click_capture();
  EXPECT_TRUE(h.files().empty());
  ASSERT_EQ(reports.lines.size(), 1u);
  EXPECT_NE(reports.lines[0].find("1.jpg"), std::string::npos);
  EXPECT_NE(reports.lines[0].find("system internal"), std::string::npos);
  EXPECT_NE(reports.lines[0].find("deleted"), std::string::npos);
}

#ifndef _WIN32
TEST(Trash, LinksGoAsLinksAndAFolderLinkIsEmptiedLikeItsFolder) {
  Harness h;
  const fs::path real = h.temp.path() / "elsewhere";
  const fs::path target = h.temp.path() / "target.txt";
  fs::create_directories(real);
  write(target, "keep me");
  write(real / "0.jpg");
  fs::create_symlink(real, h.folder);
  fs::create_symlink(target, real / "link.txt");
  fs::create_symlink(h.temp.path() / "nowhere", real / "dangling");
  fs::create_symlink(h.temp.path(), real / "folder-link");
  h.click_capture();
  EXPECT_EQ(h.hp.trashed().size(), 4u);
  EXPECT_TRUE(fs::is_empty(real));
  EXPECT_TRUE(fs::is_symlink(h.folder));
  EXPECT_TRUE(fs::exists(target));
  EXPECT_TRUE(fs::exists(h.temp.path() / "elsewhere"));
  h.drag(1500, 1500, 4500, 4500);
  EXPECT_TRUE(fs::exists(real / "0.jpg"));
}

#endif

TEST(Trash, TheNumberingLeavesOutWhatTheEmptyingLeftBehind) {
  test::TempDir dir;
  write(dir.path() / "stuck.txt");
  write(dir.path() / "0.jpg");
  const std::vector<std::string> left_over{"stuck.txt", "gone.txt"};
  EXPECT_EQ(next_number(dir.path(), left_over), 1);
  fs::remove(dir.path() / "stuck.txt");
  EXPECT_EQ(next_number(dir.path(), left_over), 1);
}

TEST(Trash, WhatTheEmptyingLeftIsNamedOnScreenAndNumberedPast) {
  Harness h;
  fs::create_directories(h.folder);
  write(h.folder / "0.jpg");
  write(h.folder / "notes.txt");
  h.hp.trash_refuses["0.jpg"] = h.hp.trash_refuses["notes.txt"] = "no trash here";
  files::inject_fault("remove", std::make_error_code(std::errc::permission_denied), 2);
  Reports reports;
  h.capture(1500, 1500, 4500, 4500);
  EXPECT_TRUE(fs::exists(h.folder / "0.jpg"));
  EXPECT_TRUE(fs::exists(h.folder / "1.jpg"));  // the run's first page
  const auto& [text, tooltip] = h.hp.window_named("MainWindow")->labels.at(design::kStatusLabel);
  EXPECT_NE(text.find("旧文件未清除"), std::string::npos) << text;
  EXPECT_NE(tooltip.find("0.jpg"), std::string::npos) << tooltip;
  EXPECT_NE(tooltip.find("notes.txt"), std::string::npos) << tooltip;
  EXPECT_NE(reports.lines.at(0).find("left in place"), std::string::npos);
}

TEST(Trash, StaleTemporaryFilesGoOurLiveOnesStay) {
  Harness h;
  fs::create_directories(h.folder);
  const std::string own = ".~3.jpg." + std::to_string(PR_GETPID()) + ".part";
  // A process id that no system hands out.
  const std::string stale = ".~4.jpg.2147483646.part";
  write(h.folder / own);
  write(h.folder / stale);
  write(h.folder / ".~notes.part");
  h.click_capture();
  EXPECT_TRUE(fs::exists(h.folder / own));
  EXPECT_FALSE(fs::exists(h.folder / stale));
  EXPECT_TRUE(fs::exists(h.folder / ".~notes.part"));
  EXPECT_TRUE(h.hp.trashed().empty());
}

TEST(Trash, TemporaryFileNames) {
  EXPECT_EQ(temporary_file_owner(".~12.jpg.4711.part"), 4711);
  EXPECT_EQ(temporary_file_owner(".~12.jpg.part"), 0);
  EXPECT_EQ(temporary_file_owner(".~12.jpg.47x1.part"), 0);
  EXPECT_EQ(temporary_file_owner("~12.jpg.4711.part"), 0);
  EXPECT_EQ(temporary_file_owner(".~12.jpg.4711.parts"), 0);
  EXPECT_EQ(temporary_file_owner(".~1.jpg.2147483646.part"), 2147483646);
  EXPECT_EQ(temporary_file_owner(".~.99999999999.part"), 0);
}

}  // namespace
}  // namespace pr
