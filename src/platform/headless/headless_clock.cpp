// The headless platform's virtual clock: ticks, timed actions, a handler's
// pause, and the note of each JPEG written.
#include "platform/headless/headless_platform.hpp"

#include <algorithm>

#include "platform/image.hpp"

namespace pr {

void HeadlessPlatform::advance(long long ms) {
  const long long target = now_ms_ + ms;
  for (;;) {
    TimerId next = 0;
    long long due = std::numeric_limits<long long>::max();
    for (const auto& [id, t] : timers_) {
      if (t.interval > 0 && t.due <= target && t.due < due) {
        due = t.due;
        next = id;
      }
    }
    run_actions(std::min(due, target));
    if (next == 0) break;
    // A handler that slept past a tick makes that tick late; the ones after
    // it stay on their grid.
    now_ms_ = std::max(now_ms_, due);
    TimerState& timer = timers_[next];
    timer.due = due + timer.interval * ((now_ms_ - due) / timer.interval + 1);
    if (sink_) sink_->timer_tick(next);
    deliver_posted();
  }
  now_ms_ = std::max(now_ms_, target);
}

void HeadlessPlatform::at(long long time_ms, std::function<void()> action) {
  actions_.push_back({time_ms, std::move(action)});
}

void HeadlessPlatform::run_actions(long long time_ms) {
  for (;;) {
    auto first = actions_.end();
    for (auto it = actions_.begin(); it != actions_.end(); ++it) {
      if (it->time_ms <= time_ms && (first == actions_.end() || it->time_ms < first->time_ms)) {
        first = it;
      }
    }
    if (first == actions_.end()) return;
    std::function<void()> run = std::move(first->run);
    now_ms_ = std::max(now_ms_, first->time_ms);
    actions_.erase(first);
    run();
  }
}

// The writer the program uses: the real one, with each call's time noted.
class HeadlessPlatform::TimedWriter : public JpegWriter {
 public:
  TimedWriter(HeadlessPlatform& hp, std::unique_ptr<JpegWriter> inner)
      : hp_(hp), inner_(std::move(inner)) {}
  WriteResult write(ImageView picture, const std::filesystem::path& path, unsigned quality,
                    float dpi) override {
    const WriteResult result = inner_->write(picture, path, quality, dpi);
    Image copy(picture.width, picture.height);
    paint_picture(copy, picture, 0, 0, picture.width, picture.height, picture.left, picture.top,
                  picture.width, picture.height);
    hp_.writes_.push_back({hp_.now_ms_, path, result.written, std::move(copy)});
    return result;
  }
  bool reads_back() const override { return inner_->reads_back(); }
  bool read(const std::filesystem::path& path, Image& into) override {
    return inner_->read(path, into);
  }

 private:
  HeadlessPlatform& hp_;
  std::unique_ptr<JpegWriter> inner_;
};

std::unique_ptr<JpegWriter> HeadlessPlatform::note_writes(std::unique_ptr<JpegWriter> inner) {
  return std::make_unique<TimedWriter>(*this, std::move(inner));
}

}  // namespace pr
