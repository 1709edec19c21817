// What a scripted run is asked to do, as the command line gives it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/loci_list.h"
#include "fstat/do_outliers.h"
#include "fstat/windows.h"
#include "run/run_state.h"

namespace ortelan {

struct RunSettings {
  std::string dataFile;
  ChainSettings chain;
  std::optional<std::uint64_t> seed;         // drawn from the clock when not given
  std::string reportPath = "Ortelan.out";    // "-": standard output
  std::optional<std::string> tablePath;      // the results table; "-": standard output
  std::optional<std::string> pairsPath;      // the pairs table; "-": standard output
  std::optional<std::string> pairsPlotPath;  // the pairs heatmap (SVG)
  ExactTest test = ExactTest::Genic;          // the exact test of each locus (and pair)
  ExactMode exact = ExactMode::Auto;          // list the tables where that is cheaper than the walk
  // Elsewhere draw independent tables (or walk the chain).
  SamplingSettings sampling{SamplerKind::Independent, 100, std::nullopt};
  // VCF or BCF data: the population map, a file or (from R) its pairs of
  // sample and population; and the regions to read, when not the whole file.
  std::optional<std::string> popmapPath;
  std::optional<std::vector<std::pair<std::string, std::string>>> popmapEntries;
  std::string region;                        // as given: comma-separated regions
  std::optional<std::string> manhattanPath;  // -log10 P of every locus by position (SVG)
  bool pairs = false;                        // test the pairs of populations too
  int threads = 0;                           // 0: every usable core
  std::optional<LociList> loci;              // every locus when not given
  bool quiet = false;                        // no progress meter
  long bootstrap = 0;                        // resamplings of loci for the limits of theta; 0: none
  std::optional<WindowLayout> windows;         // F_ST in windows along the genome (data with sites)
  std::optional<std::string> windowsTablePath;  // the windows' table; "-": standard output
  bool outliers = false;                     // the outlier test of each locus's F against the background
  double outliersMinHe = kDefaultOutliersMinHe;  // the floor of He of the test's candidates
  // The populations' groups: a file of population and group per line, or
  // (from R and Python) those pairs; a VCF's population map may give them
  // in its third column instead.
  std::optional<std::string> groupsPath;
  std::optional<std::vector<std::pair<std::string, std::string>>> groupEntries;
  bool hierarchy = false;                       // the hierarchical analysis (made with groups in any case)
  std::optional<std::string> hierarchyPath;     // its table; "-": standard output
  long permutations = 0;                        // permutations of individuals for the tests over loci; 0: none
  std::optional<std::string> permutationsTablePath;  // every permutation's summed G, for a merge of shards
};

}  // namespace ortelan
