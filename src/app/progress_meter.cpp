#include "app/progress_meter.h"

#include <cstdio>

namespace ortelan {
namespace {

constexpr std::uint32_t kRedrawMs = 200;

std::string clock(std::uint32_t ms) {
  const std::uint32_t seconds = ms / 1000;
  char text[32];
  if (seconds >= 3600) {
    std::snprintf(text, sizeof text, "%u:%02u:%02u", seconds / 3600, seconds / 60 % 60, seconds % 60);
  } else {
    std::snprintf(text, sizeof text, "%u:%02u", seconds / 60, seconds % 60);
  }
  return text;
}

// "done/total" bytes in the unit that suits the total: "1.5/512.0 MB".
std::string bytesDone(long done, long total) {
  const double unit = total >= 1'000'000'000 ? 1e9 : total >= 1'000'000 ? 1e6 : 1e3;
  const char* name = unit == 1e9 ? "GB" : unit == 1e6 ? "MB" : "kB";
  char text[64];
  std::snprintf(text, sizeof text, "%.1f/%.1f %s", static_cast<double>(done) / unit, static_cast<double>(total) / unit,
                name);
  return text;
}

}  // namespace

ProgressMeter::ProgressMeter(Console& console) : console_(console) {}

void ProgressMeter::start(long total, std::string_view what, Unit unit) {
  total_ = total;
  what_ = what;
  unit_ = unit;
  done_ = 0;
  start_ = console_.tickCountMs();
  draw(true);
}

std::string ProgressMeter::line(long done, long total, const std::string& what, std::uint32_t elapsedMs, Unit unit) {
  const double share = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
  std::string text = (unit == Unit::Bytes ? bytesDone(done, total) : std::to_string(done) + "/" + std::to_string(total)) +
                     " " + what;
  char percent[16];
  std::snprintf(percent, sizeof percent, "  %3d%%", static_cast<int>(share * 100));
  text += percent;
  text += "  " + clock(elapsedMs) + " elapsed";
  if (done > 0 && done < total) {
    // The time left if the remaining units go as fast as those done.
    const double left = static_cast<double>(elapsedMs) * (1 - share) / share;
    text += ", about " + clock(static_cast<std::uint32_t>(left)) + " left";
  }
  return text;
}

void ProgressMeter::advance(long units) {
  done_ += units;
  draw(done_ == total_);
}

void ProgressMeter::tick() { draw(false); }

void ProgressMeter::draw(bool force) {
  const std::uint32_t now = console_.tickCountMs();
  if (!force && shown_ && now - lastDrawn_ < kRedrawMs) return;
  lastDrawn_ = now;
  shown_ = true;
  std::string text = "\r";
  text += line(done_, total_, what_, now - start_, unit_);
  text += "\x1b[K";
  console_.write(Stream::Err, text);
}

void ProgressMeter::clear() {
  if (shown_) console_.write(Stream::Err, "\r\x1b[K");
  shown_ = false;
}

}  // namespace ortelan
