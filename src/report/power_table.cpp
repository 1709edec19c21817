#include "report/power_table.h"

#include <charconv>

namespace ortelan {

std::string powerCommentLine(const PowerHeading& h) {
  std::string line = tableCommentLine(h.run);
  line.append(" power fst=").append(h.fst);
  line.append(" ne=").append(std::to_string(h.ne));
  line.append(" sizes=").append(h.sizes);
  line.append(" alpha=").append(h.alpha);
  line.append(" replicates=").append(std::to_string(h.replicates));
  line.append(" decision_error=").append(shortestText(h.decisionError));
  if (h.range) {
    line.append(" replicates_range=").append(std::to_string(h.range->first)).append("-").append(
        std::to_string(h.range->second));
  }
  return line;
}

std::string shortestText(double value) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string powerRowKey(const PowerResults& results, const DataSummary& data, const PowerRow& row) {
  const PowerTarget& target = results.design.targets[row.target];
  std::string key = shortestText(target.fst);
  appendField(key, row.test);
  appendField(key, shortestText(results.tests.alphas[row.level]));
  if (row.total) {
    key += "\tTOTAL\tTOTAL";
  } else {
    const int locus = results.design.loci[row.place].locus;
    appendField(key, std::to_string(locus));
    appendField(key, tableName(data.LOCUSNAME[static_cast<std::size_t>(locus)]));
  }
  appendField(key, std::to_string(results.design.ne));
  appendField(key, std::to_string(target.generations));
  appendField(key, shortestText(target.expected));
  return key;
}

template <class Real>
void appendPowerCounts(std::string& text, Real theta, std::int64_t replicates, std::int64_t rejections,
                       std::optional<std::int64_t> unsettled) {
  const PowerEstimate<Real> estimate = powerEstimate<Real>(rejections, replicates);
  appendField(text, tableField(theta));
  appendField(text, std::to_string(replicates));
  appendField(text, std::to_string(rejections));
  appendField(text, tableNumber(estimate.power));
  appendField(text, tableNumber(estimate.low));
  appendField(text, tableNumber(estimate.high));
  appendField(text, unsettled ? std::to_string(*unsettled) : std::string("NA"));
}

std::string thetaTallyLine(std::string_view target, std::int64_t replicates, std::int64_t sum) {
  return "# theta fst=" + std::string(target) + " replicates=" + std::to_string(replicates) +
         " sum=" + std::to_string(sum);
}

template <class Real>
std::string formatPowerTable(const PowerHeading& heading, const PowerResults& results, const DataSummary& data) {
  std::string text = powerCommentLine(heading) + "\r\n";
  for (std::size_t k = 0; k < std::size(kPowerColumnNames); ++k) {
    if (k > 0) text += '\t';
    text += kPowerColumnNames[k];
  }
  text += "\r\n";
  forEachPowerRow(results, [&](const PowerRow& row) {
    const TargetTally& tally = results.tallies[row.target];
    text += powerRowKey(results, data, row);
    appendPowerCounts(text, tally.meanTheta<Real>(), tally.replicates, row.rejections, row.unsettled);
    text += "\r\n";
  });
  for (std::size_t t = 0; t < results.design.targets.size(); ++t) {
    const TargetTally& tally = results.tallies[t];
    text += thetaTallyLine(shortestText(results.design.targets[t].fst), tally.thetaReplicates, tally.thetaSum) +
            "\r\n";
  }
  return text;
}

template void appendPowerCounts<double>(std::string&, double, std::int64_t, std::int64_t, std::optional<std::int64_t>);
template void appendPowerCounts<long double>(std::string&, long double, std::int64_t, std::int64_t,
                                             std::optional<std::int64_t>);
template std::string formatPowerTable<double>(const PowerHeading&, const PowerResults&, const DataSummary&);
template std::string formatPowerTable<long double>(const PowerHeading&, const PowerResults&, const DataSummary&);

}  // namespace ortelan
