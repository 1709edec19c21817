// How far a run has come, told to an R session: a line rewritten in place
// on R's error stream when `show` is set, and a look for Ctrl-C at every
// step, so that a run can be interrupted between loci. The core calls it
// from R's main thread only.
#pragma once

#include <cstdint>
#include <string>

#include "run/work_meter.h"

namespace ortelan {

class RWorkMeter final : public WorkMeter {
 public:
  explicit RWorkMeter(bool show) : show_(show) {}
  ~RWorkMeter() override;

  void start(long total, std::string_view what, Unit unit = Unit::Things) override;
  void advance(long units) override;
  void tick() override;
  // Takes the line away.
  void clear();

 private:
  void draw(bool force);

  bool show_;
  long total_ = 0;
  long done_ = 0;
  std::string what_;
  Unit unit_ = Unit::Things;
  std::uint32_t start_ = 0;
  std::uint32_t lastDrawn_ = 0;
  std::size_t shownWidth_ = 0;  // characters on the line now; 0: no line
};

}  // namespace ortelan
