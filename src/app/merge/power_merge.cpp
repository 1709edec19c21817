#include "app/merge/power_merge.h"

#include <algorithm>
#include <optional>

#include "power/power_tally.h"
#include "report/power_table.h"
#include "run/failure.h"
#include "run/whole_number.h"

namespace ortelan {
namespace {

constexpr std::string_view kRangeKey = " replicates_range=";
constexpr std::string_view kThetaLead = "# theta fst=";

std::string powerHeader() {
  std::string header;
  for (const char* name : kPowerColumnNames) {
    if (!header.empty()) header += '\t';
    header += name;
  }
  return header;
}

[[noreturn]] void fault(const std::string& path, std::size_t line, const std::string& what) {
  throw OneLineFault{path + ": line " + std::to_string(line) + ": " + what, kFaultStatus};
}
[[noreturn]] void refuse(const std::string& what) { throw OneLineFault{what, kUsageStatus}; }

std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::vector<std::string_view> fieldsOf(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

// The value after " key=" in a settings line, up to the next blank.
std::optional<std::int64_t> wholeAfter(std::string_view line, std::string_view key) {
  const std::size_t at = line.rfind(key);
  if (at == std::string_view::npos) return std::nullopt;
  const std::size_t start = at + key.size();
  const std::size_t end = std::min(line.find(' ', start), line.size());
  return wholeNumber<std::int64_t>(std::string(line.substr(start, end - start)));
}

struct Row {
  std::string key;  // fst_target to fst_expected, as written
  std::int64_t replicates = 0, rejections = 0;
  std::optional<std::int64_t> unsettled;
};

struct ThetaTally {
  std::string target;
  std::int64_t replicates = 0, sum = 0;
};

struct Shard {
  std::string path;
  std::string settings;  // the first line less its range
  std::int64_t replicates = 0, first = 0, last = 0;
  std::vector<Row> rows;
  std::vector<ThetaTally> thetas;
};

Shard parseShard(const PowerShard& input, std::string_view program) {
  // Named apart, not bound: clang 14 takes no structured binding into a lambda.
  const std::string& path = input.first;
  const std::string& text = input.second;
  Shard shard;
  shard.path = path;
  const std::vector<std::string_view> lines = linesOf(text);
  const std::string notATable = "not a power table of " + std::string(program);
  if (lines.empty() || !lines[0].starts_with("# ")) fault(path, 1, notATable);
  const std::string_view first = lines[0];
  const std::string_view writer = first.substr(2, first.find(' ', 2) - 2);
  if (writer != program) {
    fault(path, 1, "a table of " + std::string(writer) + ", not of " + std::string(program) + ": merge it with " +
                       std::string(writer) + " merge");
  }
  if (lines.size() < 2 || lines[1] != powerHeader()) fault(path, 2, notATable + ": not its header line");
  const std::optional<std::int64_t> replicates = wholeAfter(first, " replicates=");
  if (!replicates || *replicates < 1) fault(path, 1, notATable + ": no number of replicates");
  shard.replicates = *replicates;
  shard.first = 1;
  shard.last = *replicates;
  shard.settings = std::string(first);
  if (const std::size_t at = first.rfind(kRangeKey); at != std::string_view::npos) {
    const std::string range(first.substr(at + kRangeKey.size()));
    const std::size_t dash = range.find('-');
    const std::optional<std::int64_t> a = wholeNumber<std::int64_t>(range.substr(0, dash));
    const std::optional<std::int64_t> b =
        dash == std::string::npos ? std::nullopt : wholeNumber<std::int64_t>(range.substr(dash + 1));
    if (!a || !b || *a < 1 || *b < *a || *b > *replicates) fault(path, 1, notATable + ": a range of replicates " + range);
    shard.first = *a;
    shard.last = *b;
    shard.settings = std::string(first.substr(0, at));
  }
  const bool cutShort = !text.ends_with('\n');
  const std::size_t columns = std::size(kPowerColumnNames);
  std::size_t k = 2;
  for (; k < lines.size() && !lines[k].starts_with("#"); ++k) {
    const std::vector<std::string_view> fields = fieldsOf(lines[k]);
    if (fields.size() != columns || (k + 1 == lines.size() && cutShort)) {
      fault(path, k + 1, "a row of " + std::to_string(fields.size()) + " fields where the table has " +
                             std::to_string(columns) + (cutShort ? ": the file is cut short" : ""));
    }
    Row row;
    for (std::size_t f = 0; f < kPowerKeyColumns; ++f) {
      if (f > 0) row.key += '\t';
      row.key += fields[f];
    }
    const auto whole = [&](std::size_t f) {
      const std::optional<std::int64_t> n = wholeNumber<std::int64_t>(std::string(fields[f]));
      if (!n || *n < 0) fault(path, k + 1, "not a count: " + std::string(fields[f]));
      return *n;
    };
    row.replicates = whole(kPowerKeyColumns + 1);
    row.rejections = whole(kPowerKeyColumns + 2);
    if (row.rejections > row.replicates) fault(path, k + 1, "more rejections than replicates");
    if (fields.back() != "NA") row.unsettled = whole(columns - 1);
    shard.rows.push_back(std::move(row));
  }
  for (; k < lines.size(); ++k) {
    const std::string_view line = lines[k];
    if (!line.starts_with(kThetaLead)) fault(path, k + 1, notATable + ": a line after the rows");
    ThetaTally tally;
    const std::size_t end = line.find(' ', kThetaLead.size());
    tally.target = std::string(line.substr(kThetaLead.size(), end - kThetaLead.size()));
    const std::optional<std::int64_t> n = wholeAfter(line, " replicates=");
    const std::size_t sumAt = line.rfind(" sum=");
    const std::optional<std::int64_t> sum =
        sumAt == std::string_view::npos ? std::nullopt
                                        : wholeNumber<std::int64_t>(std::string(line.substr(sumAt + 1 + 4)));
    if (end == std::string_view::npos || !n || !sum || (k + 1 == lines.size() && cutShort)) {
      fault(path, k + 1, "a theta line cut short or not written by " + std::string(program));
    }
    tally.replicates = *n;
    tally.sum = *sum;
    shard.thetas.push_back(std::move(tally));
  }
  if (shard.rows.empty() || shard.thetas.empty()) fault(path, lines.size() + 1, "the table is cut short");
  return shard;
}

// The first setting in which two settings lines differ, for the message.
std::string firstDifference(std::string_view a, std::string_view b) {
  std::size_t k = 0;
  while (k < a.size() && k < b.size() && a[k] == b[k]) ++k;
  const std::size_t start = a.rfind(' ', k) == std::string_view::npos ? 0 : a.rfind(' ', k) + 1;
  const std::string_view rest = a.substr(start);
  return std::string(rest.substr(0, rest.find(' ')));
}

}  // namespace

bool isPowerTable(std::string_view text) {
  const std::size_t first = text.find('\n');
  if (first == std::string_view::npos) return false;
  std::string_view second = text.substr(first + 1);
  second = second.substr(0, second.find('\n'));
  if (second.ends_with('\r')) second.remove_suffix(1);
  return second == powerHeader();
}

template <class Real>
std::string mergePowerTables(const Edition& edition, const std::vector<PowerShard>& inputs) {
  std::vector<Shard> shards;
  for (const PowerShard& input : inputs) shards.push_back(parseShard(input, edition.programName));
  const Shard& model = shards.front();
  for (const Shard& shard : shards) {
    if (shard.settings != model.settings) {
      refuse(shard.path + " and " + model.path + " were run with other settings: " +
             firstDifference(shard.settings, model.settings) + " and " + firstDifference(model.settings, shard.settings));
    }
    bool sameRows = shard.rows.size() == model.rows.size() && shard.thetas.size() == model.thetas.size();
    for (std::size_t r = 0; sameRows && r < shard.rows.size(); ++r) sameRows = shard.rows[r].key == model.rows[r].key;
    for (std::size_t t = 0; sameRows && t < shard.thetas.size(); ++t) {
      sameRows = shard.thetas[t].target == model.thetas[t].target;
    }
    if (!sameRows) refuse(shard.path + " and " + model.path + " hold other rows: other loci, targets or levels");
  }
  // Every replicate in exactly one shard.
  std::vector<const Shard*> order;
  for (const Shard& shard : shards) order.push_back(&shard);
  std::sort(order.begin(), order.end(), [](const Shard* a, const Shard* b) { return a->first < b->first; });
  std::int64_t next = 1;
  for (std::size_t s = 0; s < order.size(); ++s) {
    const Shard& shard = *order[s];
    if (shard.first > next) {
      refuse("no shard holds replicates " + std::to_string(next) + "-" + std::to_string(shard.first - 1));
    }
    if (shard.first < next) {
      refuse(order[s - 1]->path + " and " + shard.path + " both hold replicate " + std::to_string(shard.first));
    }
    next = shard.last + 1;
  }
  if (next <= model.replicates) {
    refuse("no shard holds replicates " + std::to_string(next) + "-" + std::to_string(model.replicates));
  }

  // The sums, and the table written as the whole run writes it.
  std::vector<Row> rows = model.rows;
  std::vector<ThetaTally> thetas = model.thetas;
  for (std::size_t s = 1; s < shards.size(); ++s) {
    for (std::size_t r = 0; r < rows.size(); ++r) {
      const Row& add = shards[s].rows[r];
      rows[r].replicates += add.replicates;
      rows[r].rejections += add.rejections;
      if (rows[r].unsettled && add.unsettled) *rows[r].unsettled += *add.unsettled;
    }
    for (std::size_t t = 0; t < thetas.size(); ++t) {
      thetas[t].replicates += shards[s].thetas[t].replicates;
      thetas[t].sum += shards[s].thetas[t].sum;
    }
  }
  std::string text = model.settings + "\r\n" + powerHeader() + "\r\n";
  for (const Row& row : rows) {
    // The row's target is the first field; its theta that target's.
    const std::string target = row.key.substr(0, row.key.find('\t'));
    TargetTally tally;
    for (const ThetaTally& theta : thetas) {
      if (theta.target != target) continue;
      tally.thetaReplicates = theta.replicates;
      tally.thetaSum = theta.sum;
    }
    text += row.key;
    appendPowerCounts(text, tally.meanTheta<Real>(), row.replicates, row.rejections, row.unsettled);
    text += "\r\n";
  }
  for (const ThetaTally& theta : thetas) text += thetaTallyLine(theta.target, theta.replicates, theta.sum) + "\r\n";
  return text;
}

template std::string mergePowerTables<double>(const Edition&, const std::vector<PowerShard>&);
template std::string mergePowerTables<long double>(const Edition&, const std::vector<PowerShard>&);

}  // namespace ortelan
