// How far a run has come, for a meter that the driver of a scripted run
// shows. The steps tell it, from the run's own thread, how many units of
// work (a locus, or a pair of populations at a locus) they have finished.
#pragma once

namespace ortelan {

class WorkMeter {
 public:
  virtual ~WorkMeter() = default;
  // `units` more units are finished.
  virtual void advance(long units) = 0;
  // Nothing new, but time has passed (while a step waits for its workers).
  virtual void tick() = 0;
};

}  // namespace ortelan
