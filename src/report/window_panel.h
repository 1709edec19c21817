// The Manhattan plot's second panel: F_ST of the windows along the genome
// as a line under the P-values, each chromosome's windows on its span of
// the same axis, with the F_ST over all loci as a dotted line.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "report/genome_axis.h"
#include "report/manhattan_plot.h"

namespace ortelan {

// Where the panel goes: its frame, and where its axis title is centred.
struct WindowPanelBox {
  double left = 0, right = 0, top = 0, bottom = 0;
  double titleX = 0;
};

// Draws the windows of `layers` on `chromosomes` (placed) within `box`,
// each chromosome's line in its colour; windows of a chromosome without a
// span are left out. A run of windows that neither overlap nor touch the
// one before starts a new stretch of line.
void drawWindowPanel(std::string& svg, const WindowPanelBox& box, const std::vector<ChromosomeSpan>& chromosomes,
                     const ManhattanLayers& layers, const std::array<const char*, 2>& colours);

}  // namespace ortelan
