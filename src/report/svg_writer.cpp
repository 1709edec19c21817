#include "report/svg_writer.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace ortelan::svg {

// ---------------------------------------------------------------- numbers

std::string toChars(double value, std::chars_format format, int precision) {
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format, precision);
  return std::string(buffer.data(), result.ptr);
}

std::string num(double value) {
  if (!std::isfinite(value)) return "0";
  std::string text = toChars(value, std::chars_format::fixed, 2);
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text == "-0" ? "0" : text;
}

std::string threeDigits(double p) {
  if (std::isnan(p)) return "nan";
  if (std::isinf(p)) return p > 0 ? "inf" : "-inf";
  if (p == 0) return "0";
  const std::string scientific = toChars(p, std::chars_format::scientific, 2);
  const std::size_t e = scientific.find('e');
  std::string_view digits = std::string_view(scientific).substr(e + 1);
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  int exponent = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), exponent);
  if (exponent >= -3 && exponent <= 2) return toChars(p, std::chars_format::fixed, 2 - exponent);
  return scientific.substr(0, e) + "e" + std::to_string(exponent);
}

// ---------------------------------------------------------------- text

std::u32string decodeLabel(std::string_view raw) {
  std::u32string out;
  std::size_t i = 0;
  while (i < raw.size()) {
    const auto lead = static_cast<unsigned char>(raw[i]);
    char32_t cp = lead;
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xF4) {
      const std::size_t need = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      const char32_t least = need == 2 ? 0x80 : need == 3 ? 0x800 : 0x10000;
      char32_t value = lead & (need == 2 ? 0x1F : need == 3 ? 0x0F : 0x07);
      bool valid = i + need <= raw.size();
      for (std::size_t k = 1; valid && k < need; ++k) {
        const auto next = static_cast<unsigned char>(raw[i + k]);
        valid = (next & 0xC0) == 0x80;
        value = (value << 6) | (next & 0x3F);
      }
      // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
      if (valid && value >= least && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF)) {
        cp = value;
        length = need;
      }
    }
    i += length;
    const bool control = cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
    if (!control && cp != 0xFFFE && cp != 0xFFFF) out.push_back(cp);
  }
  return out;
}

namespace {

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::string xmlText(const std::u32string& text, Quotes quotes) {
  const bool escapeQuotes = quotes == Quotes::escaped;
  std::string out;
  out.reserve(text.size() + 8);
  for (const char32_t cp : text) {
    switch (cp) {
      case U'&': out += "&amp;"; break;
      case U'<': out += "&lt;"; break;
      case U'>': out += "&gt;"; break;
      case U'"': out += escapeQuotes ? "&quot;" : "\""; break;
      case U'\'': out += escapeQuotes ? "&apos;" : "'"; break;
      default: appendUtf8(out, cp);
    }
  }
  return out;
}

std::string escapedLabel(std::string_view raw, Quotes quotes) { return xmlText(decodeLabel(raw), quotes); }

// East Asian wide forms take a full em, combining marks none, everything
// else about 0.58 em (about the average of Latin text in the common
// sans-serif faces).
double textWidth(const std::u32string& text, double fontSize) {
  double ems = 0;
  for (const char32_t cp : text) {
    const bool combining = cp >= 0x300 && cp <= 0x36F;
    const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
                      (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                      (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
                      (cp >= 0xFFE0 && cp <= 0xFFE6) || cp >= 0x20000;
    ems += combining ? 0 : wide ? 1.0 : 0.58;
  }
  return ems * fontSize;
}

double textWidth(std::string_view raw, double fontSize) { return textWidth(decodeLabel(raw), fontSize); }

// ---------------------------------------------------------------- colour

Rgb viridis(double t) {
  t = std::clamp(std::isnan(t) ? 0.0 : t, 0.0, 1.0);
  const double scaled = t * (kViridis.size() - 1);
  const auto low = std::min(static_cast<std::size_t>(scaled), kViridis.size() - 2);
  const double f = scaled - static_cast<double>(low);
  const Rgb& a = kViridis[low];
  const Rgb& b = kViridis[low + 1];
  return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f};
}

std::string hex(const Rgb& colour) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out = "#";
  for (const double channel : {colour.r, colour.g, colour.b}) {
    const int value = static_cast<int>(std::lround(std::clamp(channel, 0.0, 255.0)));
    out += kDigits[value / 16];
    out += kDigits[value % 16];
  }
  return out;
}

// Relative luminance from the sRGB transfer function (WCAG 2); the contrast
// ratio of two colours is (lighter + 0.05) / (darker + 0.05).
const char* textColourOn(const Rgb& fill) {
  auto linear = [](double channel) {
    const double c = channel / 255;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  const double luminance = 0.2126 * linear(fill.r) + 0.7152 * linear(fill.g) + 0.0722 * linear(fill.b);
  return (luminance + 0.05) / 0.05 >= 1.05 / (luminance + 0.05) ? "#000000" : "#ffffff";
}

// ---------------------------------------------------------------- axes

AxisSteps axisSteps(double largest, int intervals) {
  // Past 1e9 the int step would overflow; no axis of these pictures gets there.
  if (!(largest > 0) || !std::isfinite(largest)) largest = 1;
  largest = std::min(largest, 1e9);
  intervals = std::max(intervals, 1);
  AxisSteps steps;
  for (int decade = 1;; decade *= 10) {
    for (const int m : {1, 2, 5}) {
      steps.step = m * decade;
      if (largest / steps.step <= intervals) {
        steps.top = std::ceil(largest / steps.step - 1e-9) * steps.step;
        return steps;
      }
    }
  }
}

// ---------------------------------------------------------------- document

double titledWidth(std::string_view title) { return 2 * kMargin + textWidth(title, kTitleFont); }

std::string documentStart(double width, double height, std::string_view title) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(width) + "\" height=\"" + num(height) +
         "\" viewBox=\"0 0 " + num(width) + " " + num(height) +
         "\" font-family=\"DejaVu Sans, Verdana, Arial, Helvetica, sans-serif\">\n"
         "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n"
         "<text x=\"" + num(kMargin) + "\" y=\"" + num(kTitleBottom) + "\" font-size=\"" + num(kTitleFont) +
         "\" font-weight=\"bold\" fill=\"#222222\">" + escapedLabel(title, Quotes::kept) + "</text>\n";
}

}  // namespace ortelan::svg
