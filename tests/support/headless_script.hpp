#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/headless/headless_platform.hpp"

namespace pr::test {

// The item reached by following `path` through the headless platform's open
// menu, each step the item of that text, else the first whose text starts
// with it ({"压缩率", "95"}); null when no menu is open or there is none.
const MenuItem* menu_item(const HeadlessPlatform& hp, const std::vector<std::string>& path);

// Chooses that item. False, and the menu stays open, when there is no such
// item, it is greyed or it is a submenu.
bool choose(HeadlessPlatform& hp, const std::vector<std::string>& path);

// Steps a test runs one after another inside the next modal displays, while
// the modal window is still shown; the display then returns.
class ModalScript {
 public:
  explicit ModalScript(HeadlessPlatform& hp);
  ~ModalScript();
  ModalScript(const ModalScript&) = delete;
  ModalScript& operator=(const ModalScript&) = delete;
  void push_back(std::function<void()> step) { steps_.push_back(std::move(step)); }
  void clear() { steps_.clear(); }

 private:
  HeadlessPlatform& hp_;
  std::deque<std::function<void()>> steps_;
};

}  // namespace pr::test
