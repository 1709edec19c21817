#include "report/power_report.h"

#include <algorithm>
#include <limits>

#include "report/pairs_table.h"
#include "report/real_text.h"

namespace ortelan {
namespace {

// Lists of loci longer than this are summed up in a line.
constexpr std::size_t kListedLoci = 40;

std::string padLeft(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}
std::string padRight(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}
std::string fixed(double value, int decimals) {
  return value != value ? std::string("NA") : fixedText<double>(value, 0, decimals);
}

std::string dateText(const CivilDate& date) {
  std::string text = std::to_string(date.year);
  for (const int n : {date.month, date.day}) text.append(n < 10 ? "-0" : "-").append(std::to_string(n));
  return text;
}

// A paragraph: words filled into lines of at most 78 characters, CR LF.
std::string paragraph(const std::string& text) {
  std::string out, line;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (!line.empty() && line.size() + 1 + word.size() > 78) {
      out += line + "\r\n";
      line.clear();
    }
    if (!line.empty()) line += ' ';
    line += word;
    start = end + 1;
  }
  if (!line.empty()) out += line + "\r\n";
  return out;
}

std::string testsText(const PowerHeading& heading, const PowerResults& r) {
  const PowerTests& t = r.tests;
  std::string text = "Tests: Pearson's chi-square of each locus, and summed over the loci";
  if (t.test != ExactTest::None) {
    const std::string name = t.test == ExactTest::Genic     ? "genic exact test (Fisher's)"
                             : t.test == ExactTest::GenicG  ? "genic exact test ordered by G"
                                                            : "genotypic exact test";
    text += "; the " + name + " of each locus, and Fisher's method over the loci on its P-values.";
    text += t.exact == ExactMode::Auto ? " The exact P-value is listed where the tables are few enough;"
                                       : " No table is listed;";
    if (t.sampling.sampler == SamplerKind::Independent) {
      text += " elsewhere tables are drawn independently until the decision at each level is settled, where "
              "it differs from the one the exact P-value gives with probability at most " +
              shortestText(t.decisionError) + ", and at most " +
              (t.sampling.samples ? std::to_string(*t.sampling.samples) + " tables"
                                  : std::string("as many tables as cost what the chain's walk would")) +
              "; Fisher's method takes each P-value as a scripted run finds it (drawing stops at " +
              std::to_string(t.sampling.hits) + " tables as extreme as the observed one).";
    } else {
      text += " elsewhere the Markov chain estimates it (" + std::to_string(t.chain.dememorizations) +
              " dememorization steps, " + std::to_string(t.chain.batches) + " batches of " +
              std::to_string(t.chain.iterationsPerBatch) + " iterations), and its estimate decides.";
    }
  } else {
    text += "; no exact test.";
  }
  text += " Levels: " + heading.alpha + ".";
  return text;
}

}  // namespace

template <class Real>
std::string formatPowerReport(const Edition& edition, const PowerHeading& heading, const PowerResults& r,
                              const DataSummary& data, const CivilDate& date) {
  const PowerDesign& d = r.design;
  std::string text = "Power of the tests, from " + std::string(edition.programName) + " " +
                     std::string(edition.version) + "  Input file: " + data.INFILENAME + "  Date: " + dateText(date) +
                     "\r\n\r\n";
  if (!data.TITLE_LINE.empty()) text += std::string(trimBlanks(data.TITLE_LINE)) + "\r\n\r\n";

  text += "DESIGN\r\n";
  text += paragraph("Populations: " + std::to_string(d.populations) +
                    ". At each locus each population drifts apart from the allele frequencies of the populations "
                    "pooled, as a Wright-Fisher population of Ne = " + std::to_string(d.ne) + " (" +
                    std::to_string(2 * d.ne) +
                    " genes drawn each generation), for the generations that bring its expected F_ST, 1 - (1 - "
                    "1/(2 Ne))^t, nearest to each target; then its individuals are sampled, each gene drawn at "
                    "random.");
  text += d.sizesFromData ? "Individuals sampled at each locus, as the data file has them typed there:\r\n"
                          : "Individuals sampled at each locus:\r\n";
  text += "  " + padRight("Population", 24) + padLeft("least", 8) + padLeft("most", 8) + padLeft("mean", 10) + "\r\n";
  for (int pop = 0; pop < d.populations; ++pop) {
    std::int64_t least = std::numeric_limits<std::int64_t>::max(), most = 0, sum = 0;
    for (const PowerLocus& locus : d.loci) {
      const std::int64_t n = locus.sizes[static_cast<std::size_t>(pop)];
      least = std::min(least, n);
      most = std::max(most, n);
      sum += n;
    }
    std::string label = populationLabel(data, pop + 1);
    if (label.empty()) label = std::to_string(pop + 1);
    text += "  " + padRight(label, 24) + padLeft(std::to_string(least), 8) + padLeft(std::to_string(most), 8) +
            padLeft(fixed(static_cast<double>(sum) / static_cast<double>(d.loci.size()), 1), 10) + "\r\n";
  }
  text += "\r\n";
  std::string loci = "Loci: " + std::to_string(d.loci.size()) + " simulated, each on its own";
  if (!d.leftOut.empty()) {
    loci += "; left out, with fewer than two alleles in the pooled populations: " + leftOutLoci(data, d.leftOut);
  }
  text += paragraph(loci + ".");
  if (d.loci.size() <= kListedLoci) {
    text += "  " + padRight("Locus", 30) + padLeft("alleles", 8) + "\r\n";
    for (const PowerLocus& locus : d.loci) {
      text += "  " + padRight(tableName(data.LOCUSNAME[static_cast<std::size_t>(locus.locus)]), 30) +
              padLeft(std::to_string(locus.base.size()), 8) + "\r\n";
    }
  } else {
    std::size_t fewest = 100, most = 0, sum = 0;
    for (const PowerLocus& locus : d.loci) {
      fewest = std::min(fewest, locus.base.size());
      most = std::max(most, locus.base.size());
      sum += locus.base.size();
    }
    text += "  Alleles per locus: " + std::to_string(fewest) + " to " + std::to_string(most) + ", " +
            fixed(static_cast<double>(sum) / static_cast<double>(d.loci.size()), 2) + " on average.\r\n";
  }
  text += "\r\n";
  std::string replicates = "Replicates: " + std::to_string(r.last - r.first + 1) + " of each F_ST target";
  if (r.first != 1 || r.last != r.replicates) {
    replicates += " (numbers " + std::to_string(r.first) + " to " + std::to_string(r.last) + " of " +
                  std::to_string(r.replicates) + ")";
  }
  text += paragraph(replicates + ", seed " + std::to_string(heading.run.seed) + ".");
  text += paragraph(testsText(heading, r));
  text += "\r\n";

  // Power of the tests over loci.
  text += "POWER AGAINST F_ST\r\n";
  text += "The share of the replicates in which the test over the loci rejects, with 95 % Clopper-Pearson "
          "limits.\r\n";
  text += padLeft("F_ST target", 12) + padLeft("generations", 13) + padLeft("expected", 10) +
          padLeft("mean theta", 12) + "   " + padRight("test", 15) + padLeft("alpha", 7) + padLeft("power", 8) +
          "   95 % limits\r\n";
  std::int64_t unsettled = 0;
  forEachPowerRow(r, [&](const PowerRow& row) {
    if (row.unsettled) unsettled += *row.unsettled;
    if (!row.total) return;
    const PowerTarget& target = d.targets[row.target];
    const TargetTally& tally = r.tallies[row.target];
    const PowerEstimate<Real> p = powerEstimate<Real>(row.rejections, tally.replicates);
    const bool first = row.test == (r.tests.test != ExactTest::None ? kFisherRow : kSummedChi2Row) && row.level == 0;
    if (first) {
      text += padLeft(shortestText(target.fst), 12) + padLeft(std::to_string(target.generations), 13) +
              padLeft(fixed(target.expected, 5), 10) +
              padLeft(fixed(static_cast<double>(tally.meanTheta<Real>()), 5), 12);
    } else {
      text += std::string(47, ' ');
    }
    text += "   " + padRight(std::string(row.test), 15) + padLeft(shortestText(r.tests.alphas[row.level]), 7) +
            padLeft(fixed(static_cast<double>(p.power), 3), 8) + "   " + fixed(static_cast<double>(p.low), 3) + "-" +
            fixed(static_cast<double>(p.high), 3) + "\r\n";
  });
  text += "\r\n";

  // The real level of each test.
  text += "ERROR OF THE FIRST KIND (F_ST = 0)\r\n";
  text += paragraph("Where the populations do not differ every rejection is a false positive: the share of the "
                    "replicates that reject is the test's real level, to set beside alpha.");
  text += padRight("test", 15) + padRight("locus", 30) + padLeft("alpha", 7) + padLeft("rejected", 10) +
          "   95 % limits\r\n";
  const std::int64_t nullReplicates = r.tallies[0].replicates;
  const bool listed = d.loci.size() <= kListedLoci;
  std::int64_t sum = 0, least = 0, most = 0;  // rejections of a test's loci at a level, when not listed
  std::size_t leastAt = 0, mostAt = 0;
  forEachPowerRow(r, [&](const PowerRow& row) {
    if (row.target != 0) return;
    const std::string test = padRight(std::string(row.test), 15);
    const std::string alpha = padLeft(shortestText(r.tests.alphas[row.level]), 7);
    auto share = [&](std::int64_t rejections) {
      return fixed(static_cast<double>(rejections) / static_cast<double>(nullReplicates), 3);
    };
    auto locusName = [&](std::size_t place) {
      return tableName(data.LOCUSNAME[static_cast<std::size_t>(d.loci[place].locus)]);
    };
    if (row.total || listed) {
      const PowerEstimate<Real> p = powerEstimate<Real>(row.rejections, nullReplicates);
      text += test + padRight(row.total ? std::string("TOTAL") : locusName(row.place), 30) + alpha +
              padLeft(fixed(static_cast<double>(p.power), 3), 10) + "   " + fixed(static_cast<double>(p.low), 3) +
              "-" + fixed(static_cast<double>(p.high), 3) + "\r\n";
      return;
    }
    // Many loci: their mean, and the least and most.
    if (row.place == 0 || row.rejections < least) {
      least = row.rejections;
      leastAt = row.place;
    }
    if (row.place == 0 || row.rejections > most) {
      most = row.rejections;
      mostAt = row.place;
    }
    sum = (row.place == 0 ? 0 : sum) + row.rejections;
    if (row.place + 1 < d.loci.size()) return;
    const double mean = static_cast<double>(sum) / static_cast<double>(d.loci.size());
    text += test + padRight("mean of " + std::to_string(d.loci.size()) + " loci", 30) + alpha +
            padLeft(fixed(mean / static_cast<double>(nullReplicates), 3), 10) + "   least " + share(least) + " (" +
            locusName(leastAt) + "), most " + share(most) + " (" + locusName(mostAt) + ")\r\n";
  });
  if (unsettled > 0) {
    text += "\r\n" + paragraph(std::to_string(unsettled) +
                               " decisions of the exact test or of Fisher's method were not settled by the tables "
                               "drawn (their P-values lie within reach of alpha) and were taken from the sampled "
                               "P-values, as a scripted run would take them; the table counts them per row "
                               "(unsettled).");
  }
  return text;
}

template std::string formatPowerReport<double>(const Edition&, const PowerHeading&, const PowerResults&,
                                               const DataSummary&, const CivilDate&);
template std::string formatPowerReport<long double>(const Edition&, const PowerHeading&, const PowerResults&,
                                                    const DataSummary&, const CivilDate&);

}  // namespace ortelan
