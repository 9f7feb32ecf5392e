// The Recycle Bin under Wine, whose bin is the XDG trash of the home that
// trash-run makes: $PAGEROOK_TRASH_HOME, seen from Windows through drive Z:.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/capture_folder.hpp"
#include "platform/files.hpp"
#include "platform/report.hpp"
#include "platform/win32/win32_automation.hpp"
#include "platform/win32/win32_platform.hpp"
#include "platform/win32/win32_trash.hpp"

namespace pr::win32 {
namespace {

namespace fs = std::filesystem;

fs::path unix_to_windows(const std::wstring& unix_path) {
  std::wstring path = L"Z:" + unix_path;
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
  ASSERT_EQ(contents(path), text) << path;
}

bool present(const fs::path& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

class RecycleBinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t home[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"PAGEROOK_TRASH_HOME", home, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) GTEST_SKIP() << "needs the home that trash-run makes";
    home_ = unix_to_windows(home);
    case_ = home_ / "case";
    trash_ = home_ / ".local" / "share" / "Trash";
  }

  ComApartment com_;
  fs::path home_, case_, trash_;
};

using RecycleBin = RecycleBinTest;
using NoRecycleBin = RecycleBinTest;

TEST_F(RecycleBin, AFileGoesToTheBinWithItsRecord) {
  const fs::path picture = case_ / L"0 截图.jpg";
  write(picture, "page zero");
  EXPECT_EQ(move_to_recycle_bin(picture), "");
  EXPECT_FALSE(present(picture));
  EXPECT_EQ(contents(trash_ / "files" / L"0 截图.jpg"), "page zero");
  EXPECT_TRUE(present(trash_ / "info" / L"0 截图.jpg.trashinfo"));
}

// Wine shows a Linux link as its target, and moving or deleting it moves or
// deletes the target: such a link stays, and its target with it.
TEST_F(RecycleBin, ALinkTheSystemFollowsStaysAndSoDoesItsTarget) {
  const fs::path link = case_ / "link.jpg";
  ASSERT_TRUE(present(link)) << "trash-run makes the link";
  EXPECT_TRUE(files::is_followed_link(link));
  EXPECT_FALSE(files::is_followed_link(home_ / "target.txt"));

  EXPECT_NE(move_to_recycle_bin(link), "");
  EXPECT_TRUE(present(link));
  EXPECT_FALSE(present(trash_ / "info" / "link.jpg.trashinfo"));
  EXPECT_EQ(contents(home_ / "target.txt"), "the target\n");
}

TEST_F(RecycleBin, EmptyingTheFolderTrashesTheFilesAndDeletesNoTarget) {
  write(case_ / "0.jpg", "page zero");
  write(case_ / "notes.txt", "keep me");
  std::vector<std::string> lines;
  set_report_sink([&](std::string_view line) { lines.emplace_back(line); });
  Win32Platform platform(GetModuleHandleW(nullptr), {});
  const std::vector<std::string> left = empty_capture_folder(platform, case_);
  set_report_sink({});

  EXPECT_EQ(left, std::vector<std::string>{"link.jpg"});
  EXPECT_EQ(contents(trash_ / "files" / "0.jpg"), "page zero");
  EXPECT_EQ(contents(trash_ / "files" / "notes.txt"), "keep me");
  EXPECT_EQ(contents(home_ / "target.txt"), "the target\n");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("link.jpg"), std::string::npos) << lines[0];
}

// The bin was usable when the shell first looked, and then is not: the file
// must stay where it was, never be reported as recycled nor destroyed.
TEST_F(RecycleBin, ABinThatCannotTakeTheFileLeavesItWhereItWas) {
  const fs::path first = case_ / "first.jpg";
  write(first, "first");
  ASSERT_EQ(move_to_recycle_bin(first), "");

  for (const char* part : {"files", "info"}) {
    SCOPED_TRACE(part);
    const fs::path folder = trash_ / part;
    const fs::path aside = trash_ / (std::string(part) + ".aside");
    fs::rename(folder, aside);
    write(folder, "a plain file where the bin keeps its " + std::string(part));

    const fs::path picture = case_ / "1.jpg";
    write(picture, "page one");
    const std::string why = move_to_recycle_bin(picture);
    EXPECT_NE(why, "");
    EXPECT_EQ(contents(picture), "page one");

    fs::remove(folder);
    fs::rename(aside, folder);
    fs::remove(picture);
  }
}

TEST_F(NoRecycleBin, TheFileStaysWhereItWasAndTheReasonIsSaid) {
  ASSERT_TRUE(fs::is_regular_file(trash_)) << "trash-run makes the trash a plain file";
  const fs::path picture = case_ / "0.jpg";
  write(picture, "page zero");
  const std::string why = move_to_recycle_bin(picture);
  EXPECT_NE(why, "");
  EXPECT_EQ(contents(picture), "page zero");
}

}  // namespace
}  // namespace pr::win32
