#include "app/power_command_line.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cmath>
#include <functional>

#include "app/command_line.h"
#include "run/whole_number.h"

namespace ortelan {
namespace {

// At most this many individuals a population, and replicates a run: the
// sums of a run stay within their integers.
constexpr std::int64_t kMostSampled = 1'000'000;
constexpr std::int64_t kMostReplicates = 1'000'000'000;
constexpr std::int64_t kMostNe = 1'000'000'000'000;

// The items of a comma-separated list, none empty; none at all for an
// empty list or an empty item.
std::optional<std::vector<std::string>> itemsOf(const std::string& text) {
  std::vector<std::string> items;
  for (std::size_t start = 0;;) {
    const std::size_t comma = text.find(',', start);
    items.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (items.back().empty()) return std::nullopt;
    if (comma == std::string::npos) return items;
    start = comma + 1;
  }
}

// A plain number (no blanks, no hexadecimal), finite.
std::optional<double> plainNumber(const std::string& text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value + 0.0;  // -0 as 0
}

// The numbers of a list, each with `fits`; none if any is not.
std::optional<std::vector<double>> numberList(const std::string& text, const std::function<bool(double)>& fits) {
  const std::optional<std::vector<std::string>> items = itemsOf(text);
  if (!items) return std::nullopt;
  std::vector<double> values;
  for (const std::string& item : *items) {
    const std::optional<double> value = plainNumber(item);
    if (!value || !fits(*value)) return std::nullopt;
    values.push_back(*value);
  }
  return values;
}

bool isTarget(double f) { return f >= 0 && f < 1; }
bool isLevel(double a) { return a > 0 && a < 1; }

std::optional<std::vector<std::int64_t>> sizeList(const std::string& text) {
  const std::optional<std::vector<std::string>> items = itemsOf(text);
  if (!items) return std::nullopt;
  std::vector<std::int64_t> sizes;
  for (const std::string& item : *items) {
    const std::optional<std::int64_t> size = wholeNumber<std::int64_t>(item);
    if (!size || *size < 1 || *size > kMostSampled) return std::nullopt;
    sizes.push_back(*size);
  }
  return sizes;
}

std::optional<std::pair<std::int64_t, std::int64_t>> rangeOf(const std::string& text) {
  const std::size_t dash = text.find('-');
  if (dash == std::string::npos) return std::nullopt;
  const std::optional<std::int64_t> first = wholeNumber<std::int64_t>(text.substr(0, dash));
  const std::optional<std::int64_t> last = wholeNumber<std::int64_t>(text.substr(dash + 1));
  if (!first || !last || *first < 1 || *last < *first) return std::nullopt;
  return std::pair{*first, *last};
}

}  // namespace

PowerCommandLine parsePowerCommandLine(const Edition& edition, const std::vector<std::string>& arguments) {
  const std::string program(edition.programName);
  CLI::App app("How likely each test is to detect populations that differ, with the data file's samples and loci:\n"
               "populations drift apart from the file's pooled allele frequencies (Wright-Fisher, effective size\n"
               "Ne) until they reach each F_ST target, are sampled as the file has them, and are tested as a\n"
               "scripted run with the same options tests them, replicate after replicate.",
               program + " power");
  app.get_formatter()->column_width(30);
  PowerSettings s;
  RunOptionTexts texts;
  std::string fst, sizes, alpha, range, replicates, ne, decisionError;
  app.add_option("DATAFILE", s.run.dataFile, "GENEPOP data file; or VCF, bgzipped VCF or BCF, with --popmap")
      ->required();
  app.add_option("--fst", fst,
                 "F_ST targets, each from 0 up to (not including) 1; default 0,0.001,0.0025,0.005,0.01,0.02 "
                 "(0 is always made)")
      ->check([](const std::string& text) {
        return numberList(text, isTarget) ? std::string() : "give numbers from 0 up to (not including) 1: 0.005,0.01";
      });
  app.add_option("--ne", ne, "Effective size of each population, N >= 1; default 1000")->check([](const std::string& text) {
    const std::optional<std::int64_t> n = wholeNumber<std::int64_t>(text);
    return n && *n >= 1 && *n <= kMostNe ? std::string() : "must be a whole number from 1 to 10^12";
  });
  app.add_option("--sizes", sizes,
                 "Individuals sampled in every population (N), or in each (N1,N2,...); default: as many as the "
                 "data file has typed in each population at each locus")
      ->check([](const std::string& text) {
        return sizeList(text) ? std::string() : "give whole numbers from 1 to 1000000: 50, or 50,40,30";
      });
  app.add_option("--alpha", alpha, "Levels of the tests, each above 0 and below 1; default 0.05")
      ->check([](const std::string& text) {
        return numberList(text, isLevel) ? std::string() : "give numbers above 0 and below 1: 0.05, or 0.01,0.05";
      });
  app.add_option("--replicates", replicates, "Replicates of each target, R >= 1; default 1000")
      ->check([](const std::string& text) {
        const std::optional<std::int64_t> n = wholeNumber<std::int64_t>(text);
        return n && *n >= 1 && *n <= kMostReplicates ? std::string() : "must be a whole number from 1 to 10^9";
      });
  app.add_option("--replicates-range", range,
                 "Make only replicates A to B of each target (a shard, for merge): 1-250")
      ->check([](const std::string& text) {
        return rangeOf(text) ? std::string() : "give A-B, whole numbers with 1 <= A <= B";
      });
  app.add_option("--decision-error", decisionError,
                 "Independent tables: the most probability that a settled decision, a locus's or Fisher's "
                 "method's, differs from the one the exact P-values give; default 0.001")
      ->check([](const std::string& text) {
        const std::optional<double> e = plainNumber(text);
        return e && *e > 0 && *e <= 0.5 ? std::string() : "must be a number above 0, at most 0.5";
      });
  addRunOptions(app, s.run, texts);
  app.add_option("-o,--output", s.reportPath, "Report (default Ortelan-power.out; - for standard output)");
  app.add_option("-t,--table", s.tablePath, "Power table, tab-separated (- for standard output)");
  app.add_option("--plot", s.plotPath, "Power against F_ST of the tests over loci (SVG)");
  for (CLI::Option* option : app.get_options()) option->multi_option_policy(CLI::MultiOptionPolicy::Throw);

  PowerCommandLine result;
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());  // CLI11 takes them last first
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    result.out = app.help();
    return result;
  } catch (const CLI::ParseError& error) {
    result.status = 2;
    result.err = usageError(edition, std::string("power: ") + error.what());
    return result;
  }
  takeRunOptions(texts, s.run);
  if (!fst.empty()) s.fst = *numberList(fst, isTarget);
  if (!ne.empty()) s.ne = *wholeNumber<std::int64_t>(ne);
  if (!sizes.empty()) s.sizes = sizeList(sizes);
  if (!alpha.empty()) s.alphas = *numberList(alpha, isLevel);
  std::sort(s.alphas.begin(), s.alphas.end());
  s.alphas.erase(std::unique(s.alphas.begin(), s.alphas.end()), s.alphas.end());
  if (!replicates.empty()) s.replicates = *wholeNumber<std::int64_t>(replicates);
  if (!decisionError.empty()) s.decisionError = *plainNumber(decisionError);
  std::string problem;
  if (!range.empty()) {
    // Checked by the parse: A-B with 1 <= A <= B.
    const std::pair<std::int64_t, std::int64_t> replicateRange = rangeOf(range).value_or(std::pair{1, 1});
    s.range = replicateRange;
    if (replicateRange.second > s.replicates) {
      problem = "power: --replicates-range " + range + " goes past the " + std::to_string(s.replicates) +
                " replicates (--replicates)";
    }
  }
  if (problem.empty()) {
    problem = clashingOutputs({{"--output", s.reportPath}, {"--table", s.tablePath}, {"--plot", s.plotPath}});
  }
  if (!problem.empty()) {
    result.status = 2;
    result.err = usageError(edition, problem);
    return result;
  }
  result.settings = std::move(s);
  return result;
}

}  // namespace ortelan
