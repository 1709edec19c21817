// The progress line of a scripted run on a terminal: units done out of
// units to do, the percentage, the time elapsed and an estimate of the time
// left, rewritten in place on standard error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "run/console.h"
#include "run/work_meter.h"

namespace ortelan {

class ProgressMeter final : public WorkMeter {
 public:
  explicit ProgressMeter(Console& console);

  void start(long total, std::string_view what, Unit unit = Unit::Things) override;
  void advance(long units) override;
  void tick() override;
  // Takes the line away.
  void clear();

  // The line for `done` of `total` units after `elapsedMs`; bytes are shown
  // in kB, MB or GB, as the total suits.
  static std::string line(long done, long total, const std::string& what, std::uint32_t elapsedMs,
                          Unit unit = Unit::Things);

 private:
  void draw(bool force);

  Console& console_;
  long total_ = 0;
  std::string what_;
  Unit unit_ = Unit::Things;
  long done_ = 0;
  std::uint32_t start_ = 0;
  std::uint32_t lastDrawn_ = 0;
  bool shown_ = false;
};

}  // namespace ortelan
