#include "core/numbered_pictures.hpp"

#include <algorithm>
#include <string>
#include <system_error>

#include "platform/files.hpp"

namespace pr {

namespace {

// Numbers far beyond any run; longer digit runs are not ours.
constexpr std::size_t kMaxDigits = 9;

bool parse_number(const std::string& name, long& number) {
  const std::string suffix = ".jpg";
  if (name.size() <= suffix.size()) return false;
  std::string digits = name.substr(0, name.size() - suffix.size());
  if (name.compare(digits.size(), suffix.size(), suffix) != 0 || digits.size() > kMaxDigits) {
    return false;
  }
  if (digits.size() > 1 && digits[0] == '0') return false;
  number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + (c - '0');
  }
  return true;
}

}  // namespace

std::vector<NumberedPicture> numbered_pictures(const std::filesystem::path& folder) {
  std::vector<NumberedPicture> pictures;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    long number = 0;
    if (!parse_number(files::to_utf8(it->path().filename()), number)) continue;
    std::error_code ignored;
    if (!it->is_regular_file(ignored)) continue;
    pictures.push_back({number, it->path()});
  }
  std::sort(pictures.begin(), pictures.end(),
            [](const NumberedPicture& a, const NumberedPicture& b) { return a.number < b.number; });
  return pictures;
}

}  // namespace pr
