#include "app/command_line.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/report.hpp"

namespace pr {
namespace {

TEST(CommandLine, VersionAndHelpAreTheOnlyArgumentsAndTheFirstWins) {
  using Args = std::vector<std::string>;
  const struct {
    Args arguments;
    StartRequest request;
    std::string refused;
  } cases[] = {
      {{}, StartRequest::Run, ""},
      {{"--"}, StartRequest::Run, ""},
      {{"--help"}, StartRequest::Help, ""},
      {{"-h"}, StartRequest::Help, ""},
      {{"/?"}, StartRequest::Help, ""},
      {{"--help", "--version"}, StartRequest::Help, ""},
      {{"--version", "-h"}, StartRequest::Version, ""},
      {{"--bogus"}, StartRequest::Refused, "--bogus"},
      {{"-v"}, StartRequest::Refused, "-v"},
      {{"file.pdf"}, StartRequest::Refused, "file.pdf"},
      {{"--version", "--versions"}, StartRequest::Refused, "--versions"},
      {{"--", "--version"}, StartRequest::Refused, "--version"},
  };
  for (const auto& c : cases) {
    const StartRequestResult got = start_request(c.arguments);
    EXPECT_EQ(got.request, c.request) << testing::PrintToString(c.arguments);
    EXPECT_EQ(got.refused, c.refused) << testing::PrintToString(c.arguments);
  }
}

struct Answer {
  std::optional<int> status;
  std::vector<std::string> written;
  std::vector<std::string> errors;
};

Answer answer(const std::vector<std::string>& arguments, std::string failure = {}) {
  Answer a;
  set_report_sink([&](std::string_view line) { a.errors.emplace_back(line); });
  a.status = answer_command_line(
      arguments, "C:\\截图",
      [&](std::string_view text) {
        a.written.emplace_back(text);
        return failure;
      },
      [&](std::string_view text) {
        a.errors.emplace_back(text);
        return std::string();
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
  EXPECT_NE(text.find("trash"), std::string::npos) << text;
  EXPECT_NE(text.find("document ends"), std::string::npos) << text;
  EXPECT_EQ(text.back(), '\n');
}

TEST(CommandLine, NoArgumentsStartTheProgramAnythingElseIsOneLineAndStatusTwo) {
  Answer run = answer({});
  EXPECT_FALSE(run.status.has_value());
  EXPECT_TRUE(run.written.empty());

  Answer bogus = answer({"--bogus"});
  EXPECT_EQ(bogus.status, 2);
  EXPECT_TRUE(bogus.written.empty());
  EXPECT_EQ(bogus.errors, std::vector<std::string>{
                              "pagerook: unknown option '--bogus'; try 'pagerook --help'\n"});
  Answer file = answer({"file.pdf"});
  EXPECT_EQ(file.status, 2);
  EXPECT_EQ(file.errors, std::vector<std::string>{
                             "pagerook: unexpected argument 'file.pdf'; try 'pagerook --help'\n"});
}

TEST(CommandLine, AFailedWriteIsReportedAndEndsWithStatusOne) {
  Answer full = answer({"--version"}, "No space left on device");
  EXPECT_EQ(full.status, 1);
  ASSERT_EQ(full.errors.size(), 1u);
  EXPECT_NE(full.errors[0].find("No space left on device"), std::string::npos) << full.errors[0];
}

}  // namespace
}  // namespace pr
