// How far a run has come, for a meter that the driver of a scripted run
// shows. The steps tell it, from the run's own thread, how many units of
// work (a locus, or a pair of populations at a locus) they have finished.
#pragma once

#include <string_view>

namespace ortelan {

class WorkMeter {
 public:
  virtual ~WorkMeter() = default;
  // The run has `total` units to do, named `what` ("loci").
  virtual void start(long total, std::string_view what) = 0;
  // `units` more units are finished.
  virtual void advance(long units) = 0;
  // Nothing new, but time has passed (while a step waits for its workers).
  virtual void tick() = 0;
};

}  // namespace ortelan
