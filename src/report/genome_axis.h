// The x axis of a plot along the genome: the chromosomes in the order they
// first appear, each with a span of the axis in proportion to the extent of
// its positions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "report/manhattan_plot.h"

namespace ortelan {

struct ChromosomeSpan {
  std::string_view name;             // raw bytes, viewing the points' own
  std::int64_t first = 0, last = 0;  // smallest and largest position
  std::vector<std::size_t> loci;     // its points' indices, in file order
  double left = 0, width = 0;        // its span on the axis

  // A position's place in the span: first at its left end, last at its
  // right end; the middle when all its loci share one position.
  double x(std::int64_t position) const;
};

// The points with a P that is not NaN, grouped by chromosome in order of
// first appearance (a chromosome met again later keeps its first place).
std::vector<ChromosomeSpan> groupByChromosome(const std::vector<ManhattanPoint>& points);

// Shares [left, right] among the chromosomes, in order, with a small gap
// between neighbours: in proportion to their extents (last - first), so that
// a base pair is as wide everywhere, but at least 0.2 % of the whole, so
// that a chromosome of one locus still has a span of its own. With no extent
// at all, equal shares.
void placeChromosomes(std::vector<ChromosomeSpan>& chromosomes, double left, double right);

}  // namespace ortelan
