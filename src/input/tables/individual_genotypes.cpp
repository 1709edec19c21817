#include "input/tables/individual_genotypes.h"

#include <array>

namespace ortelan {

IndividualGenotypes::IndividualGenotypes(std::vector<int> populationOf)
    : populationOf_(std::move(populationOf)), words_((populationOf_.size() + 63) / 64) {}

void IndividualGenotypes::appendLocus(int ploidy, std::span<const std::uint8_t> genes) {
  const std::size_t n = populationOf_.size();
  // The columns carried, and whether a genotype is half missing.
  std::array<bool, 256> carried{};
  bool halfMissing = false, missing = false;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t a = genes[2 * i], b = genes[2 * i + 1];
    carried[a] = true;
    if (b != kNoGene) carried[b] = true;
    const bool second = b != kNoGene;
    if (second && (a == 0) != (b == 0)) halfMissing = true;
    if (a == 0 && (b == 0 || b == kNoGene)) missing = true;
  }
  int last = 0, present = 0;
  for (int column = 1; column < 255; ++column) {
    if (!carried[static_cast<std::size_t>(column)]) continue;
    ++present;
    last = column;
  }
  Place place;
  place.ploidy = static_cast<std::uint8_t>(ploidy);
  place.alleles = static_cast<std::uint8_t>(present);
  place.columns = static_cast<std::uint8_t>(last);
  place.missing = missing ? 1 : 0;
  if (present <= 2 && !halfMissing) {
    place.packed = 1;
    place.offset = packed_.size();
    packed_.resize(packed_.size() + 2 * words_, 0);
    std::uint64_t* low = packed_.data() + place.offset;
    std::uint64_t* high = low + words_;
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint8_t a = genes[2 * i], b = genes[2 * i + 1];
      const std::uint64_t bit = std::uint64_t{1} << (i % 64);
      if (a == 0) {
        high[i / 64] |= bit;  // missing
        continue;
      }
      // Genes of the second column carried (last, when two are).
      const int seconds = (present == 2 && a == last ? 1 : 0) + (b != kNoGene && present == 2 && b == last ? 1 : 0);
      if (seconds >= 1) low[i / 64] |= bit;
      if (seconds == 2) high[i / 64] |= bit;
    }
  } else {
    place.offset = genes_.size();
    genes_.insert(genes_.end(), genes.begin(), genes.begin() + static_cast<std::ptrdiff_t>(2 * n));
  }
  loci_.push_back(place);
}

IndividualGenotypes::Locus IndividualGenotypes::locus(int locus) const {
  const Place& place = loci_[static_cast<std::size_t>(locus - 1)];
  Locus out;
  out.ploidy = place.ploidy;
  out.alleles = place.alleles;
  out.columns = place.columns;
  out.packed = place.packed != 0;
  out.missing = place.missing != 0;
  if (out.packed) {
    out.low = packed_.data() + place.offset;
    out.high = out.low + words_;
  } else {
    out.genes = genes_.data() + place.offset;
  }
  return out;
}

std::size_t IndividualGenotypes::bytes() const {
  return loci_.capacity() * sizeof(Place) + packed_.capacity() * sizeof(std::uint64_t) + genes_.capacity() +
         populationOf_.capacity() * sizeof(int);
}

}  // namespace ortelan
