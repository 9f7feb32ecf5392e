// The headless backend in the conformance suite: its virtual clock stands in
// for real time, and its screen copy shows its windows as they would look.

#include <filesystem>
#include <random>
#include <string>

#include "driver.hpp"
#include "headless_script.hpp"
#include "platform/headless/headless_platform.hpp"

namespace pr::conformance {
namespace {

class HeadlessDriver : public Driver {
 public:
  HeadlessDriver() : hp_(1024, 768, std::filesystem::temp_directory_path()) {
    hp_.screen().fill(0x808080);
  }

  Platform& platform() override { return hp_; }
  void run_for(int ms) override {
    hp_.advance(ms);
    hp_.run();  // what the loop hands out between events
  }
  bool run_until(const std::function<bool()>& done, int timeout_ms) override {
    for (int spent = 0; !done() && spent < timeout_ms; ++spent) run_for(1);
    return done();
  }
  long long now_ms() override { return hp_.now(); }
  bool shown(WindowId w) override {
    const auto* win = hp_.window(w);
    return win && win->visible;
  }
  PixelRect outer_area(WindowId w) override {
    const auto* win = hp_.window(w);
    return win ? PixelRect{win->left, win->top, win->width, win->height} : PixelRect{};
  }
  PixelRect client_area(WindowId w) override { return hp_.client_area(w); }
  void during_next_modal(int ms) override {
    modal_.push_back([this, ms] { run_until([this] { return !hp_.modal_shown(); }, ms); });
  }
  std::string cannot(Feature feature) const override {
    if (feature == Feature::SecondInstance || feature == Feature::Attention) {
      return "the headless backend stands for one program alone; the unit tests give it a rival "
             "through another_instance and count the attention it draws";
    }
    if (feature == Feature::Links) return scratch_.links;
    return {};
  }
  std::filesystem::path scratch_folder() override { return scratch_.path; }
  std::vector<TrashEntry> trash() override {
    std::vector<TrashEntry> all;
    for (const auto& path : hp_.trashed()) all.push_back({path, {}});
    return all;
  }
  // The other program's grab is the one the backend is told of.
  bool rival_holds_escape(bool hold) override {
    hp_.escape_refused = hold && !hp_.escape_grabbed();
    return hp_.escape_refused;
  }
  // Its keyboard has no lock keys.
  void press_escape(bool) override { hp_.press_escape_anywhere(); }
  bool choose_menu_item(const std::vector<std::string>& path) override {
    return test::choose(hp_, path);
  }
  std::string sent_keys() override {
    std::string all;
    for (const auto& k : hp_.keystrokes()) all += k.keys + " ";
    return all;
  }

 private:
  struct Scratch {
    Scratch() {
      std::random_device random;
      do {
        path = std::filesystem::temp_directory_path() /
               ("conformance-scratch." + std::to_string(random()));
      } while (!std::filesystem::create_directory(path));
      std::error_code error;
      std::filesystem::create_symlink(path / "nowhere", path / "probe", error);
      if (error) links = "no symbolic link can be made here (" + error.message() + ")";
      std::filesystem::remove(path / "probe", error);
    }
    ~Scratch() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
    std::string links;  // why no link can be made in it
  };
  HeadlessPlatform hp_;
  test::ModalScript modal_{hp_};
  Scratch scratch_;
};

}  // namespace

std::unique_ptr<Driver> make_driver() {
  return std::make_unique<HeadlessDriver>();
}

}  // namespace pr::conformance
