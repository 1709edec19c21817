// How far a run has come, for a meter that the driver of a scripted run
// shows. The steps tell it, from the run's own thread, how many units of
// work (a locus, or a pair of populations at a locus) they have finished,
// or how far the data file has been read.
#pragma once

#include <string_view>

namespace ortelan {

class WorkMeter {
 public:
  // What is counted: things (loci), or bytes of a file being read.
  enum class Unit { Things, Bytes };

  virtual ~WorkMeter() = default;
  // The run has `total` units to do, named `what` ("loci", "read").
  virtual void start(long total, std::string_view what, Unit unit = Unit::Things) = 0;
  // `units` more units are finished.
  virtual void advance(long units) = 0;
  // Nothing new, but time has passed (while a step waits for its workers).
  virtual void tick() = 0;
};

}  // namespace ortelan
