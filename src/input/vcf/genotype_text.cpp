#include "input/vcf/genotype_text.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace ortelan {
namespace {

// htslib reads at most 255 FORMAT fields.
constexpr std::size_t kMostFields = 255;
// Allele numbers of up to nine digits read the same anywhere; htslib reads
// longer ones modulo 2^64, then 2^32.
constexpr int kMostAlleleDigits = 9;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "a/b" or "a|b", a and b one digit each.
bool isDigitPair(const char* at) { return isDigit(at[0]) && (at[1] == '/' || at[1] == '|') && isDigit(at[2]); }

// Whether the field's text ends at `at` (before the next field, the next
// sample or the line's end).
bool fieldEnds(const char* at, const char* end) { return at == end || *at == ':' || *at == '\t'; }

// Skips one number of the kinds' forms htslib reads whole: for integers
// an optional '-' and up to nine digits, for reals the decimal forms with
// an optional exponent. False where the text is of another form.
bool skipInteger(const char*& at, const char* end) {
  if (at != end && *at == '-') ++at;
  int digits = 0;
  while (at != end && isDigit(*at) && digits <= kMostAlleleDigits) ++at, ++digits;
  return digits > 0 && digits <= kMostAlleleDigits;
}

bool skipReal(const char*& at, const char* end) {
  if (at != end && (*at == '-' || *at == '+')) ++at;
  int digits = 0;
  while (at != end && isDigit(*at)) ++at, ++digits;
  if (at != end && *at == '.') {
    ++at;
    while (at != end && isDigit(*at)) ++at, ++digits;
  }
  if (digits == 0) return false;
  if (at != end && (*at == 'e' || *at == 'E')) {
    ++at;
    if (at != end && (*at == '-' || *at == '+')) ++at;
    if (at == end || !isDigit(*at)) return false;
    while (at != end && isDigit(*at)) ++at;
  }
  return true;
}

}  // namespace

bool GenotypeText::readFormat(std::string_view format) {
  if (format == format_ && !format_.empty()) return true;
  format_.clear();
  kinds_.clear();
  std::string key;
  std::size_t fields = 0;
  for (std::size_t start = 0;; ++fields) {
    const std::size_t colon = format.find(':', start);
    key.assign(format.substr(start, colon == std::string_view::npos ? std::string_view::npos : colon - start));
    // GT first, and once; every field declared in the header with a kind
    // htslib reads (the GT a String, as htslib takes it).
    if ((fields == 0) != (key == "GT") || fields >= kMostFields) return false;
    const int id = bcf_hdr_id2int(header_, BCF_DT_ID, key.c_str());
    if (!bcf_hdr_idinfo_exists(header_, BCF_HL_FMT, id)) return false;
    const int type = bcf_hdr_id2type(header_, BCF_HL_FMT, id);
    if (fields == 0) {
      if (type != BCF_HT_STR) return false;
    } else if (type == BCF_HT_STR) {
      kinds_.push_back(Kind::Text);
    } else if (type == BCF_HT_INT) {
      kinds_.push_back(Kind::Integer);
    } else if (type == BCF_HT_REAL) {
      kinds_.push_back(Kind::Real);
    } else {
      return false;
    }
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  format_.assign(format);
  return true;
}

bool GenotypeText::read(std::string_view format, std::string_view samples, int alleles,
                        const std::vector<int>& populationOf, int populations) {
  const int count = bcf_hdr_nsamples(header_);
  if (count == 0 || !readFormat(format)) return false;
  const bool counts = alleles <= kCountedAlleles;
  const auto places = static_cast<std::size_t>(alleles) + 1;
  if (counts) {
    genes_.assign(static_cast<std::size_t>(populations) * places, 0);
    genotypes_.assign(static_cast<std::size_t>(populations) * static_cast<std::size_t>(alleles * alleles), 0);
    // Row 0 takes the samples of no population.
    if (rows_.size() != populationOf.size()) {
      rows_.clear();
      for (const int population : populationOf) rows_.push_back(static_cast<std::uint32_t>(population) * 100);
    }
    // The pairs a line before may have counted are cleared.
    const std::size_t rows = static_cast<std::size_t>(populations) + 1;
    if (digitPairs_.size() != rows * 100) {
      digitPairs_.assign(rows * 100, 0);
    } else {
      for (std::size_t row = 0; row < rows; ++row) {
        for (int a = 0; a < digitsSeen_; ++a) {
          std::fill_n(digitPairs_.data() + row * 100 + static_cast<std::size_t>(a) * 10, digitsSeen_, 0u);
        }
      }
    }
    digitsSeen_ = 0;
    if (keepGenes_) sampleGenes_.assign(2 * static_cast<std::size_t>(count), 0);
  } else {
    values_.resize(2 * static_cast<std::size_t>(count));
  }
  haploid_ = diploid_ = false;
  std::int32_t* value = values_.data();
  const char* at = samples.data();
  const char* const end = at + samples.size();
  std::size_t longest = 3;  // the longest sample's text
  for (int sample = 0; sample < count; ++sample) {
    if (sample > 0) {
      if (at == end || *at != '\t') return false;  // fewer samples than the header's
      ++at;
    }
    if (counts) {
      // Most genotypes: two alleles of one digit each and nothing after
      // them, counted by pair of digits; runs of them with their tabs.
      while (sample + 1 < count && end - at >= 4 && at[3] == '\t' && isDigitPair(at)) {
        countDigitPair(sample, at);
        at += 4;
        ++sample;
      }
      if (end - at >= 3 && (end - at == 3 || at[3] == '\t') && isDigitPair(at)) {
        countDigitPair(sample, at);
        at += 3;
        continue;
      }
    }
    const char* const start = at;
    // GT: one or two alleles, each '.' or a number, between '/' or '|'.
    // Alleles from 0; -1 missing, -2 none (a haploid genotype's second).
    int allele[2] = {-1, -2};
    std::int32_t encoded[2] = {0, bcf_int32_vector_end};
    int taken = 0;
    std::int32_t phased = 0;
    for (;;) {
      if (at != end && *at == '.') {
        ++at;
        encoded[taken] = phased;
        allele[taken] = -1;
      } else {
        std::int32_t number = 0;
        int digits = 0;
        for (; at != end && isDigit(*at); ++at, ++digits) {
          if (digits == kMostAlleleDigits) return false;
          number = 10 * number + (*at - '0');
        }
        if (digits == 0) return false;
        encoded[taken] = (number + 1) << 1 | phased;
        allele[taken] = number;
      }
      ++taken;
      if (at == end || (*at != '/' && *at != '|')) break;
      if (taken == 2) return false;  // three or more alleles
      phased = *at == '|';
      ++at;
    }
    if (!skipOtherFields(at, end)) return false;
    longest = std::max(longest, static_cast<std::size_t>(at - start));
    if (!counts) {
      value[2 * sample] = encoded[0];
      value[2 * sample + 1] = encoded[1];
      continue;
    }
    if (keepGenes_) {
      for (int k = 0; k < 2; ++k) {
        sampleGenes_[2 * static_cast<std::size_t>(sample) + static_cast<std::size_t>(k)] =
            allele[k] == -2 ? 0xFF : static_cast<std::uint8_t>(std::clamp(allele[k] + 1, 0, 0xFE));
      }
    }
    const int population = populationOf[static_cast<std::size_t>(sample)];
    if (population == 0) continue;
    std::uint32_t* genes = genes_.data() + static_cast<std::size_t>(population - 1) * places;
    bool carries = false;
    for (const int gene : allele) {
      if (gene == -2) break;
      if (gene >= alleles) return false;  // a fault, which htslib's reading tells
      ++genes[gene + 1];                  // a missing gene at place 0
      carries = carries || gene >= 0;
    }
    if (carries) (allele[1] == -2 ? haploid_ : diploid_) = true;
    if (allele[0] >= 0 && allele[1] >= 0) countGenotype(population, allele[0], allele[1], alleles, 1);
  }
  if (counts && !addDigitPairs(alleles, populations)) return false;
  // htslib refuses a line whose fields would take more than 2 GB encoded,
  // each field taking as much per sample as the longest sample's.
  const std::size_t fields = kinds_.size() + 1;
  return static_cast<double>(fields) * count * 4.0 * static_cast<double>(longest + 2) < INT_MAX / 2.0;
}

void GenotypeText::countDigitPair(int sample, const char* pair) {
  const int a = pair[0] - '0', b = pair[2] - '0';
  if (keepGenes_) {
    sampleGenes_[2 * static_cast<std::size_t>(sample)] = static_cast<std::uint8_t>(a + 1);
    sampleGenes_[2 * static_cast<std::size_t>(sample) + 1] = static_cast<std::uint8_t>(b + 1);
  }
  ++digitPairs_[rows_[static_cast<std::size_t>(sample)] + static_cast<std::uint32_t>(a * 10 + b)];
  digitsSeen_ = std::max(digitsSeen_, std::max(a, b) + 1);
}

void GenotypeText::countGenotype(int population, int a, int b, int alleles, std::uint32_t times) {
  genotypes_[static_cast<std::size_t>(population - 1) * static_cast<std::size_t>(alleles * alleles) +
             static_cast<std::size_t>(std::min(a, b) * alleles + std::max(a, b))] += times;
}

bool GenotypeText::addDigitPairs(int alleles, int populations) {
  const auto places = static_cast<std::size_t>(alleles) + 1;
  for (int population = 1; population <= populations; ++population) {
    const std::uint32_t* pairs = digitPairs_.data() + static_cast<std::size_t>(population) * 100;
    std::uint32_t* genes = genes_.data() + static_cast<std::size_t>(population - 1) * places;
    for (int a = 0; a < digitsSeen_; ++a) {
      for (int b = 0; b < digitsSeen_; ++b) {
        const std::uint32_t times = pairs[a * 10 + b];
        if (times == 0) continue;
        if (a >= alleles || b >= alleles) return false;  // a fault, which htslib's reading tells
        genes[a + 1] += times;
        genes[b + 1] += times;
        countGenotype(population, a, b, alleles, times);
        diploid_ = true;
      }
    }
  }
  return true;
}

bool GenotypeText::skipOtherFields(const char*& at, const char* end) const {
  // As many as FORMAT names at most.
  for (std::size_t field = 0; at != end && *at == ':'; ++field) {
    ++at;
    if (field == kinds_.size()) return false;
    const Kind kind = kinds_[field];
    if (kind == Kind::Text) {
      while (!fieldEnds(at, end)) ++at;
      continue;
    }
    // Numbers separated by commas, each may be missing ('.') or empty.
    for (;;) {
      if (at != end && *at == '.' && (kind == Kind::Integer || at + 1 == end || !isDigit(at[1]))) {
        ++at;
      } else if (at != end && *at != ',' && !fieldEnds(at, end)) {
        if (!(kind == Kind::Integer ? skipInteger(at, end) : skipReal(at, end))) return false;
      }
      if (at == end || *at != ',') break;
      ++at;
    }
    if (!fieldEnds(at, end)) return false;
  }
  return at == end || *at == '\t';
}

}  // namespace ortelan
