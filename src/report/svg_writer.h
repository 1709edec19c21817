// What the report's standalone SVG pictures share: label bytes made into
// safe XML text, numbers that ignore the locale, the viridis colours, a rough
// text width, axis steps and the start of the document.
#pragma once

#include <array>
#include <charconv>
#include <string>
#include <string_view>

namespace ortelan::svg {

// ---------------------------------------------------------------- numbers
// Every number goes through std::to_chars, which ignores the global locale,
// so a document never gets decimal commas and the same input gives the same
// bytes.

std::string toChars(double value, std::chars_format format, int precision);

// A coordinate or size: at most two decimals, trailing zeros dropped, no "-0".
// Not finite: "0" (never reached by a layout; keeps the document valid).
std::string num(double value);

// P with three significant digits: 0.500, 0.0123, 0.00100, 1.23e-5; "0" for 0.
std::string threeDigits(double p);

// ---------------------------------------------------------------- text

// Label bytes (from a data file: any byte) to Unicode code points: valid
// UTF-8 sequences are decoded, any other byte is read as Latin-1. Control
// characters (C0, DEL, C1) and U+FFFE, U+FFFF are dropped: XML 1.0 forbids
// most of them and none of them can be drawn.
std::u32string decodeLabel(std::string_view raw);

// Code points as UTF-8 character data with &, < and > escaped, and with
// Quotes::escaped " and ' too (safe inside an attribute value as well).
enum class Quotes { escaped, kept };
std::string xmlText(const std::u32string& text, Quotes quotes = Quotes::escaped);

// Label bytes as escaped UTF-8 character data: decodeLabel, then xmlText.
std::string escapedLabel(std::string_view raw, Quotes quotes = Quotes::escaped);

// Rough advance width for a sans-serif face at fontSize (see svg_writer.cpp).
double textWidth(const std::u32string& text, double fontSize);
double textWidth(std::string_view raw, double fontSize);

// ---------------------------------------------------------------- colour

struct Rgb {
  double r, g, b;  // 0..255
};

// The viridis colour map (van der Walt and Smith, 2015) at 17 equally
// spaced points, 0 dark to 1 light. Linear interpolation in sRGB between
// them stays within 6 units of 255 per channel of the full 256-entry map.
inline constexpr std::array<Rgb, 17> kViridis = {{
    {0x44, 0x01, 0x54}, {0x48, 0x18, 0x6A}, {0x47, 0x2D, 0x7B}, {0x42, 0x40, 0x86}, {0x3B, 0x52, 0x8B},
    {0x33, 0x63, 0x8D}, {0x2C, 0x72, 0x8E}, {0x26, 0x82, 0x8E}, {0x21, 0x90, 0x8C}, {0x1F, 0x9F, 0x88},
    {0x27, 0xAD, 0x81}, {0x3E, 0xBC, 0x74}, {0x5D, 0xC8, 0x63}, {0x82, 0xD3, 0x4D}, {0xAA, 0xDC, 0x32},
    {0xD5, 0xE2, 0x1A}, {0xFD, 0xE7, 0x25},
}};

// The map at t, clamped to 0..1 (NaN: 0).
Rgb viridis(double t);

// "#rrggbb", lower case, each channel rounded and clamped to 0..255.
std::string hex(const Rgb& colour);

// "#000000" or "#ffffff", whichever has the higher WCAG 2 contrast ratio on fill.
const char* textColourOn(const Rgb& fill);

// ---------------------------------------------------------------- axes

// A scale from 0 to top in steps of 1, 2, 5, 10, 20, 50, ...: the smallest
// step giving at most `intervals` intervals up to `largest`, and top the
// first multiple of the step at or above it. A largest that is not a finite
// positive number counts as 1.
struct AxisSteps {
  double top = 0;
  int step = 1;
};
AxisSteps axisSteps(double largest, int intervals);

// ---------------------------------------------------------------- document

inline constexpr double kMargin = 16;     // around everything
inline constexpr double kTitleFont = 16;  // the bold title at the top left
inline constexpr double kTitleBottom = kMargin + kTitleFont;  // its baseline

// The least document width that shows the whole title.
double titledWidth(std::string_view title);

// The XML declaration, the <svg> start tag (width x height, one font family
// for everything), a white background and the title: label bytes, escaped.
// The caller adds the drawing and "</svg>\n".
std::string documentStart(double width, double height, std::string_view title);

}  // namespace ortelan::svg
