#include "input/vcf/numeric_fields.h"

#include <algorithm>

#include "run/whole_number.h"

namespace ortelan {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool allDigits(std::string_view text) { return !text.empty() && std::all_of(text.begin(), text.end(), isDigit); }

// The `index`-th of the `separator`-separated parts of `text`; false where
// there are fewer.
bool part(std::string_view text, char separator, std::size_t index, std::string_view& found) {
  std::size_t start = 0;
  for (std::size_t k = 0; k < index; ++k) {
    start = text.find(separator, start);
    if (start == std::string_view::npos) return false;
    ++start;
  }
  found = text.substr(start, text.find(separator, start) - start);
  return true;
}

// One or more alleles, each '.' or a number (htslib reads a '+' before one),
// between '/' or '|'.
bool isGenotype(std::string_view text) {
  for (std::size_t at = 0;;) {
    if (at < text.size() && text[at] == '.') {
      ++at;
    } else {
      if (at < text.size() && text[at] == '+') ++at;
      const std::size_t digits = at;
      while (at < text.size() && isDigit(text[at])) ++at;
      if (at == digits) return false;
    }
    if (at == text.size()) return true;
    if (text[at] != '/' && text[at] != '|') return false;
    ++at;
  }
}

}  // namespace

// The message names the largest position as a number.
static_assert(kLargestPosition == 9223372034707292159);

VcfPosition readPosition(std::string_view text) {
  const std::string_view digits = text.starts_with('+') ? text.substr(1) : text;
  if (!allDigits(digits)) {
    const bool negative = text.starts_with('-') && allDigits(text.substr(1));
    return {0, negative ? "is below 0" : "is not a whole number"};
  }
  const std::optional<std::uint64_t> value = wholeNumber<std::uint64_t>(digits);
  if (!value || *value > static_cast<std::uint64_t>(kLargestPosition)) {
    return {0, "is beyond the largest position, 9223372034707292159"};
  }
  return {static_cast<std::int64_t>(*value), nullptr};
}

std::string quotedPosition(std::string_view text) {
  std::string quoted(1, '"');
  quoted.append(text.substr(0, 20)).append(text.size() > 20 ? "...\"" : "\"");
  return quoted;
}

std::string sampleName(const bcf_hdr_t* header, int index) {
  const std::string_view name = header->samples[index];
  if (name.empty() || name.find_first_of("\t\r\n") != std::string_view::npos) {
    return "in column " + std::to_string(index + 10);
  }
  return std::string(name);
}

std::string genotypeTextFault(std::string_view line, const bcf_hdr_t* header) {
  // FORMAT is the ninth column, the samples' follow.
  std::string_view format;
  if (!part(line, '\t', 8, format)) return {};
  std::size_t gt = 0;
  for (std::size_t at = 0;; ++gt) {
    const std::size_t colon = std::min(format.find(':', at), format.size());
    if (format.substr(at, colon - at) == "GT") break;
    if (colon == format.size()) return {};
    at = colon + 1;
  }
  // The header's samples; htslib leaves any column after theirs.
  std::size_t start = static_cast<std::size_t>(format.data() + format.size() - line.data());
  for (int s = 0; s < bcf_hdr_nsamples(header) && start < line.size(); ++s) {
    ++start;  // the tab before the sample
    const std::size_t end = std::min(line.find('\t', start), line.size());
    const std::string_view sample = line.substr(start, end - start);
    start = end;
    // A sample with fewer fields than FORMAT names lacks the rest; an empty
    // one is a line cut short or damaged, not a genotype's fault.
    std::string_view value;
    if (sample.empty() || !part(sample, ':', gt, value) || isGenotype(value)) continue;
    std::string fault = "sample " + sampleName(header, s) + " has GT \"";
    fault.append(value.substr(0, 40)).append(value.size() > 40 ? "...\"" : "\"");
    return fault.append(", not allele numbers or '.' separated by / or |");
  }
  return {};
}

}  // namespace ortelan
