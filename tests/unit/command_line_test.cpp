#include "app/command_line.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/report.hpp"

namespace pr {
namespace {

TEST(CommandLine, OnlyVersionAndHelpAreRequestsTheFirstWinsAndDashDashEndsThem) {
  using Args = std::vector<std::string>;
  EXPECT_EQ(start_request(Args{}), StartRequest::Run);
  EXPECT_EQ(start_request(Args{"document.odt", "-v", "--versions", "help"}), StartRequest::Run);
  EXPECT_EQ(start_request(Args{"x", "--version"}), StartRequest::Version);
  EXPECT_EQ(start_request(Args{"--help"}), StartRequest::Help);
  EXPECT_EQ(start_request(Args{"-h"}), StartRequest::Help);
  EXPECT_EQ(start_request(Args{"--help", "--version"}), StartRequest::Help);
  EXPECT_EQ(start_request(Args{"--version", "-h"}), StartRequest::Version);
  EXPECT_EQ(start_request(Args{"--", "--version"}), StartRequest::Run);
}

struct Answer {
  std::optional<int> status;
  std::vector<std::string> written;
  std::vector<std::string> errors;
};

Answer answer(const std::vector<std::string>& arguments, std::string failure = {}) {
  Answer a;
  set_report_sink([&](std::string_view line) { a.errors.emplace_back(line); });
  a.status = answer_command_line(arguments, "C:\\截图", [&](std::string_view text) {
    a.written.emplace_back(text);
    return failure;
  });
  set_report_sink({});
  return a;
}

TEST(CommandLine, VersionAndHelpArePrintedOnceAndEndTheProgram) {
  Answer version = answer({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.written, std::vector<std::string>{"Pagerook 2.00\n"});
  EXPECT_TRUE(version.errors.empty());

  Answer help = answer({"--help"});
  EXPECT_EQ(help.status, 0);
  ASSERT_EQ(help.written.size(), 1u);
  const std::string& text = help.written[0];
  EXPECT_NE(text.find("C:\\截图"), std::string::npos) << text;
  EXPECT_NE(text.find("Esc"), std::string::npos) << text;
  EXPECT_NE(text.find("empties"), std::string::npos) << text;
  EXPECT_EQ(text.back(), '\n');
}

TEST(CommandLine, OtherArgumentsStartTheProgramWithoutPrinting) {
  Answer run = answer({"--verbose", "file.pdf"});
  EXPECT_FALSE(run.status.has_value());
  EXPECT_TRUE(run.written.empty());
}

TEST(CommandLine, AFailedWriteIsReportedAndEndsWithStatusOne) {
  Answer full = answer({"--version"}, "No space left on device");
  EXPECT_EQ(full.status, 1);
  ASSERT_EQ(full.errors.size(), 1u);
  EXPECT_NE(full.errors[0].find("No space left on device"), std::string::npos) << full.errors[0];
}

}  // namespace
}  // namespace pr
