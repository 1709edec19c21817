#include "r_work_meter.h"

#include <Rcpp.h>

#include <chrono>

#include "app/progress_meter.h"

namespace ortelan {
namespace {

constexpr std::uint32_t kRedrawMs = 200;
constexpr std::uint32_t kFirstDrawMs = 500;  // a quick run shows no line

std::uint32_t nowMs() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

}  // namespace

RWorkMeter::~RWorkMeter() { clear(); }

void RWorkMeter::start(long total, std::string_view what, Unit unit) {
  total_ = total;
  done_ = 0;
  what_ = what;
  unit_ = unit;
  start_ = nowMs();
  Rcpp::checkUserInterrupt();
}

// Throws Rcpp's interrupt exception on Ctrl-C; it unwinds through the core,
// whose pools stop and join their workers and whose private directory goes.
void RWorkMeter::advance(long units) {
  done_ += units;
  draw(done_ == total_);
  Rcpp::checkUserInterrupt();
}

void RWorkMeter::tick() {
  draw(false);
  Rcpp::checkUserInterrupt();
}

void RWorkMeter::draw(bool force) {
  if (!show_) return;
  const std::uint32_t now = nowMs();
  if (shownWidth_ == 0 && now - start_ < kFirstDrawMs) return;
  if (!force && shownWidth_ > 0 && now - lastDrawn_ < kRedrawMs) return;
  lastDrawn_ = now;
  std::string line = ProgressMeter::line(done_, total_, what_, now - start_, unit_);
  const std::size_t width = line.size();
  // Blanks over the rest of a longer line: R's consoles do not all take
  // terminal control sequences.
  if (width < shownWidth_) line.append(shownWidth_ - width, ' ');
  REprintf("\r%s", line.c_str());
  shownWidth_ = width;
}

void RWorkMeter::clear() {
  if (shownWidth_ == 0) return;
  REprintf("\r%s\r", std::string(shownWidth_, ' ').c_str());
  shownWidth_ = 0;
}

}  // namespace ortelan
