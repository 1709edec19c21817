#include "app/command_line.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <tuple>

#include "run/system_files.h"
#include "run/whole_number.h"

namespace ortelan {
namespace {

std::optional<std::uint64_t> parseSeed(const std::string& text) { return wholeNumber<std::uint64_t>(text); }

// A floor of He from 0 to 1, written as a plain number.
std::optional<double> parseMinHe(const std::string& text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || value < 0 ||
      value > 1) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::string clashingOutputs(const std::vector<NamedOutput>& outputs) {
  for (std::size_t i = 0; i < std::size(outputs); ++i) {
    for (std::size_t j = i + 1; j < std::size(outputs); ++j) {
      if (!outputs[i].second || !outputs[j].second) continue;
      const std::string &first = *outputs[i].second, &second = *outputs[j].second;
      if (first == "-" && second == "-") {
        return std::string("only one output may go to standard output: ") + outputs[i].first + " - and " +
               outputs[j].first + " -";
      }
      if (first == "-" || second == "-" || !namesSamePlace(first, second) || isSpecialFile(first)) continue;
      return std::string(outputs[i].first) + " and " + outputs[j].first + " name the same file " + first;
    }
  }
  return {};
}

std::string usageError(const Edition& edition, const std::string& what) {
  return std::string(edition.programName) + ": error: " + what + "\nRun with --help for more information.\n";
}

void addRunOptions(CLI::App& app, RunSettings& s, RunOptionTexts& texts) {
  app.add_option("-d,--dememorization", s.chain.dememorizations, "Dememorization steps (burn-in), N >= 0")
      ->default_val(10000)
      ->check(CLI::Range(0, std::numeric_limits<std::int32_t>::max()));
  app.add_option("-b,--batches", s.chain.batches, "Batches, N >= 2")
      ->default_val(100)
      ->check(CLI::Range(2, std::numeric_limits<std::int32_t>::max()));
  app.add_option("-i,--iterations", s.chain.iterationsPerBatch, "Iterations per batch, N >= 1")
      ->default_val(5000)
      ->check(CLI::Range(1, std::numeric_limits<std::int32_t>::max()));
  app.add_option("-s,--seed", texts.seed, "Seed of the run, 0 to 18446744073709551615 (default: from the clock)")
      ->check([](const std::string& text) {
        return parseSeed(text) ? std::string() : "the seed must be a whole number from 0 to 18446744073709551615";
      });
  app.add_option("-j,--threads", s.threads, "Worker threads (default: every usable core)")
      ->check(CLI::Range(1, 4096));
  app.add_option("--loci", texts.loci, "Test only these loci, by number in file order: 7, 1-500, 3,9-12")
      ->check([](const std::string& text) { return parseLociList(text).error; });
  app.add_option("--test", texts.test,
                 "The exact test: genic (Fisher's, the default), genic-g (ordered by G), genotypic, or none "
                 "(no chain: the chi-square and F-statistics alone)")
      ->check([](const std::string& text) {
        return testNamed(text) ? std::string() : "the test must be genic, genic-g, genotypic or none";
      });
  app.add_option("--exact", texts.exact,
                 "P-values by listing every table with the observed margins where that is less work than the "
                 "chain: auto (the default) or never (no table listed)")
      ->check([](const std::string& text) {
        return exactModeNamed(text) ? std::string() : "must be auto or never";
      });
  app.add_option("--sampler", texts.sampler,
                 "Where the tables are not listed: independent (the default: tables drawn independently, with "
                 "95 % limits on P) or chain (the Markov chain)")
      ->check([](const std::string& text) {
        return samplerNamed(text) ? std::string() : "must be independent or chain";
      });
  app.add_option("--hits", s.sampling.hits,
                 "Independent tables: stop a locus once H tables are at least as extreme as the observed one; "
                 "default 100")
      ->check(CLI::Range(std::int64_t{1}, std::numeric_limits<std::int64_t>::max()));
  app.add_option("--samples", texts.samples,
                 "Independent tables: at most B per locus; default auto, as many as cost what the chain's walk "
                 "of the locus would")
      ->check([](const std::string& text) {
        return text == "auto" || wholeNumber<std::int64_t>(text).value_or(0) >= 1
                   ? std::string()
                   : "must be a whole number of at least 1, or auto";
      });
  app.add_option("--popmap", s.popmapPath,
                 "Population map of a VCF or BCF DATAFILE: sample and population per line");
  app.add_option("--region", s.region,
                 "Test only the records in these regions of an indexed VCF or BCF: chr2, chr2:1000000-2000000, ...");
  app.add_flag("-q,--quiet", s.quiet, "No progress line");
}

void takeRunOptions(const RunOptionTexts& texts, RunSettings& s) {
  if (!texts.seed.empty()) s.seed = parseSeed(texts.seed);
  if (!texts.loci.empty()) s.loci = parseLociList(texts.loci).list;
  if (!texts.test.empty()) s.test = *testNamed(texts.test);
  if (!texts.exact.empty()) s.exact = *exactModeNamed(texts.exact);
  if (!texts.sampler.empty()) s.sampling.sampler = *samplerNamed(texts.sampler);
  if (!texts.samples.empty() && texts.samples != "auto") s.sampling.samples = wholeNumber<std::int64_t>(texts.samples);
}

CommandLine parseCommandLine(const Edition& edition, const std::vector<std::string>& arguments) {
  const std::string program(edition.programName);
  CLI::App app("Tests, locus by locus, whether two or more populations share one allele (or genotype)\n"
               "frequency distribution: an exact test (a listing of the tables, independent tables or a\n"
               "Markov chain) and the chi-square or G, combined over loci, with F-statistics. With no arguments\n"
               "the program asks for the file and settings.",
               program);
  app.get_formatter()->column_width(30);
  app.footer("Subcommands:\n"
             "  merge SHARD...              Put the tables of the shards of one scan together (" + program +
             " merge --help)\n"
             "  power DATAFILE              How likely each test is to detect populations that differ (" + program +
             " power --help)");

  RunSettings s;
  RunOptionTexts texts;
  std::string windows, minHe;
  app.add_option("DATAFILE", s.dataFile, "GENEPOP data file; or VCF, bgzipped VCF or BCF, with --popmap")->required();
  addRunOptions(app, s, texts);
  app.add_option("-o,--output", s.reportPath, "Report file (default Ortelan.out; - for standard output)");
  app.add_option("-t,--table", s.tablePath, "Results table, tab-separated (- for standard output)");
  CLI::Option* bootstrap =
      app.add_option("--bootstrap", s.bootstrap,
                     "Resample the loci N times for 95 % limits of each multilocus F_ST (not with --test none); "
                     "default 0")
          ->check(CLI::Range(0L, static_cast<long>(std::numeric_limits<std::int32_t>::max())));
  app.add_option("--pairs", s.pairsPath, "Also test every pair of populations; table of the pairs (- for standard output)");
  app.add_option("--pairs-plot", s.pairsPlotPath,
                 "Heatmap of the pairs (SVG): F_ST below the diagonal, combined P above");
  app.add_option("--manhattan", s.manhattanPath,
                 "Manhattan plot of the loci's P-values (SVG): the exact test's; with --test none the chi-square's");
  app.add_option("--windows", windows,
                 "F_ST in windows of SIZE base pairs starting every STEP (default SIZE) of a VCF or BCF DATAFILE: "
                 "100000:50000")
      ->check([](const std::string& text) {
        return parseWindowLayout(text) ? std::string()
                                     : "give SIZE or SIZE:STEP, whole numbers of base pairs from 1 to 10^15, STEP at most SIZE";
      });
  CLI::Option* windowsTable =
      app.add_option("--windows-table", s.windowsTablePath, "Table of the windows' F_ST (- for standard output)");
  app.add_flag("--outliers", s.outliers, "Test each locus's F against the background of the bulk of the loci");
  CLI::Option* outliersMinHe =
      app.add_option("--outliers-min-he", minHe, "The least expected heterozygosity of a locus in the outlier test; default 0.1")
          ->check([](const std::string& text) {
            return parseMinHe(text) ? std::string() : "must be a number from 0 to 1";
          });
  app.add_option("--groups", s.groupsPath,
                 "Groups of the populations: population (number in file order, or label) and group per line");
  app.add_option("--hierarchy", s.hierarchyPath,
                 "Hierarchical analysis of variance (populations within groups): its table (- for standard output)");
  app.add_option("--permutations", s.permutations,
                 "Permute whole individuals B times for tests with G summed over loci, valid under linkage; "
                 "default 0, none")
      ->check(CLI::Range(0L, static_cast<long>(std::numeric_limits<std::int32_t>::max())));
  CLI::Option* permutationsTable =
      app.add_option("--permutations-table", s.permutationsTablePath,
                     "Every permutation's G summed over the loci, for merging shards (- for standard output)");
  app.set_version_flag("-V,--version", program + " " + std::string(edition.version));
  for (CLI::Option* option : app.get_options()) option->multi_option_policy(CLI::MultiOptionPolicy::Throw);

  CommandLine result;
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());  // CLI11 takes them last first
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    result.out = app.help();
    return result;
  } catch (const CLI::CallForVersion& version) {
    result.out = version.what() + std::string("\n");
    return result;
  } catch (const CLI::ParseError& error) {
    result.status = 2;
    result.err = usageError(edition, error.what());
    return result;
  }
  takeRunOptions(texts, s);
  if (!windows.empty()) s.windows = parseWindowLayout(windows);
  if (!minHe.empty()) s.outliersMinHe = *parseMinHe(minHe);
  for (const auto& [option, needs, given] : {std::tuple{windowsTable, "--windows", s.windows.has_value()},
                                             std::tuple{outliersMinHe, "--outliers", s.outliers}}) {
    if (option->count() == 0 || given) continue;
    result.status = 2;
    result.err = usageError(edition, option->get_name() + " goes with " + needs);
    return result;
  }
  if (permutationsTable->count() > 0 && s.permutations == 0) {
    result.status = 2;
    result.err = usageError(edition, "--permutations-table goes with --permutations");
    return result;
  }
  s.hierarchy = s.hierarchyPath.has_value();
  if (bootstrap->count() > 0 && s.test == ExactTest::None) {
    result.status = 2;
    result.err = usageError(edition, "--bootstrap goes with an exact test, not with --test none");
    return result;
  }
  s.pairs = s.pairsPath || s.pairsPlotPath;
  if (const std::string clash = clashingOutputs({{"--output", s.reportPath},
                                                 {"--table", s.tablePath},
                                                 {"--pairs", s.pairsPath},
                                                 {"--pairs-plot", s.pairsPlotPath},
                                                 {"--manhattan", s.manhattanPath},
                                                 {"--windows-table", s.windowsTablePath},
                                                 {"--hierarchy", s.hierarchyPath},
                                                 {"--permutations-table", s.permutationsTablePath}});
      !clash.empty()) {
    result.status = 2;
    result.err = usageError(edition, clash);
    return result;
  }
  result.settings = std::move(s);
  return result;
}

}  // namespace ortelan
