#include "app/merge_command.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>

#include "app/analysis.h"
#include "app/command_line.h"
#include "app/outputs.h"
#include "app/result_files.h"
#include "app/merge/merge_tables.h"
#include "app/merge/power_merge.h"
#include "run/failure.h"

namespace ortelan {
namespace {

struct MergeRequest {
  ResultPaths paths;
  std::vector<std::string> shards;
};

// The request, or the text and status to end with.
std::optional<MergeRequest> parseMerge(const Edition& edition, const std::vector<std::string>& arguments,
                                       std::string& out, std::string& err, int& status) {
  const std::string program(edition.programName);
  CLI::App app("Puts the tables of the shards of one scan (runs with --region or --loci of one data file,\n"
               "with one seed and the same settings) together into the tables and plots that a single\n"
               "run over all of them would have written; or the power tables of shards of one power\n"
               "analysis (runs with --replicates-range) into its power table (-t). Run options do not go with it.",
               program + " merge");
  app.get_formatter()->column_width(30);
  MergeRequest request;
  app.add_option("SHARD", request.shards,
                 "Results tables (-t), pairs tables (--pairs), hierarchy tables (--hierarchy) and permutation tables "
                 "(--permutations-table) of the shards, or their power tables")
      ->required();
  app.add_option("-t,--table", request.paths.table, "The merged results table (- for standard output)");
  app.add_option("--pairs", request.paths.pairs, "The merged pairs table (- for standard output)");
  app.add_option("--pairs-plot", request.paths.pairsPlot,
                 "Heatmap of the pairs (SVG): F_ST below the diagonal, combined P above");
  app.add_option("--manhattan", request.paths.manhattan, "Manhattan plot of the loci's P-values (SVG)");
  app.add_option("--windows-table", request.paths.windows,
                 "The windows' F_ST over the merged loci, of shards run with --windows (- for standard output)");
  app.add_option("--hierarchy", request.paths.hierarchy,
                 "The merged hierarchy table, of shards run with --hierarchy (- for standard output)");
  app.add_option("--permutations-table", request.paths.permutations,
                 "The shards' permutation tables added up, for merging again (- for standard output)");
  for (CLI::Option* option : app.get_options()) {
    if (option->get_name() != "SHARD") option->multi_option_policy(CLI::MultiOptionPolicy::Throw);
  }
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());  // CLI11 takes them last first
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    out = app.help();
    status = 0;
    return std::nullopt;
  } catch (const CLI::ParseError& error) {
    err = usageError(edition, std::string("merge: ") + error.what());
    status = 2;
    return std::nullopt;
  }
  const ResultPaths& p = request.paths;
  std::string problem;
  if (!p.table && !p.pairs && !p.pairsPlot && !p.manhattan && !p.windows && !p.hierarchy && !p.permutations) {
    problem = "merge: give what to write: -t, --pairs, --pairs-plot or --manhattan";
  } else {
    problem = clashingOutputs({{"--table", p.table}, {"--pairs", p.pairs}, {"--pairs-plot", p.pairsPlot},
                               {"--manhattan", p.manhattan}, {"--windows-table", p.windows},
                               {"--hierarchy", p.hierarchy}, {"--permutations-table", p.permutations}});
  }
  if (!problem.empty()) {
    err = usageError(edition, problem);
    status = 2;
    return std::nullopt;
  }
  return request;
}

// Each kind of table must go somewhere, and each output needs its kind.
// Tables of shards run with permutations need the shards' permutation
// tables for their P-values (a usage fault without them, status 2).
void checkKinds(const std::vector<ShardTable>& shards, const ResultPaths& paths) {
  bool results = false, pairs = false, hierarchy = false, permutations = false, permuted = false;
  const bool permutedOutputs = paths.table || paths.pairs || paths.hierarchy || paths.permutations;
  for (const ShardTable& shard : shards) {
    permuted = permuted || !shard.settings.valueOf("permutations").empty();
    if (shard.kind == TableKind::Hierarchy) {
      hierarchy = true;
      if (!paths.hierarchy) throw OneLineFault{shard.path + " is a hierarchy table, and --hierarchy does not ask for one"};
    } else if (shard.kind == TableKind::Permutations) {
      permutations = true;
      if (!permutedOutputs) {
        throw OneLineFault{shard.path + " is a permutation table, and no table with the permutation tests is asked for"};
      }
    } else if (shard.kind == TableKind::Results) {
      results = true;
      if (!paths.table && !paths.manhattan && !paths.windows) {
        throw OneLineFault{shard.path + " is a results table, and neither -t nor --manhattan asks for one"};
      }
      if (paths.windows && shard.settings.valueOf("windows").empty()) {
        throw OneLineFault{shard.path + " was run without --windows: no windows to merge"};
      }
    } else {
      pairs = true;
      if (!paths.pairs && !paths.pairsPlot) {
        throw OneLineFault{shard.path + " is a pairs table, and neither --pairs nor --pairs-plot asks for one"};
      }
    }
  }
  if (!results && (paths.table || paths.manhattan || paths.windows)) {
    throw OneLineFault{"no results table among the shards"};
  }
  if (!pairs && (paths.pairs || paths.pairsPlot)) throw OneLineFault{"no pairs table among the shards"};
  if (!hierarchy && paths.hierarchy) throw OneLineFault{"no hierarchy table among the shards"};
  if (!permutations && paths.permutations) throw OneLineFault{"no permutation table among the shards"};
  if (permuted && !permutations && (paths.table || paths.pairs || paths.hierarchy)) {
    throw OneLineFault{"the shards were run with --permutations: give their permutation tables (--permutations-table) "
                       "too, whose sums make the tests over all the loci",
                       kUsageStatus};
  }
}

// The whole text of a table.
std::string readTableText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw OneLineFault{"cannot read " + path + ": " + std::strerror(errno), kFaultStatus};
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw OneLineFault{"cannot read " + path + ": " + std::strerror(errno), kFaultStatus};
  return text.str();
}

// Power tables merge into a power table, on their own.
template <class Real>
void mergePowerShards(const Edition& program, const std::vector<PowerShard>& texts, const ResultPaths& paths,
                      Console& console) {
  for (const PowerShard& shard : texts) {
    if (!isPowerTable(shard.second)) {
      throw OneLineFault{shard.first + " is not a power table, and " + texts.front().first +
                             " is: merge power tables on their own",
                         kUsageStatus};
    }
  }
  if (!paths.table || paths.pairs || paths.pairsPlot || paths.manhattan || paths.windows) {
    throw OneLineFault{"power tables merge into a power table: give -t alone", kUsageStatus};
  }
  Outputs outputs;
  outputs.add(*paths.table, mergePowerTables<Real>(program, texts));
  if (std::string reason = outputs.commit(console); !reason.empty()) throw OneLineFault{reason};
}

}  // namespace

template <class Real>
int runMerge(const Edition& program, const std::vector<std::string>& arguments, Console& console) {
  std::string out, err;
  int status = 0;
  const std::optional<MergeRequest> request = parseMerge(program, arguments, out, err, status);
  if (!request) {
    console.write(Stream::Out, out);
    console.write(Stream::Err, err);
    return status;
  }
  // Shards that do not make one power analysis: one line, status 2.
  std::optional<std::string> refused;
  const std::optional<OneLineFault> fault = faultOf([&] {
    const ResultPaths& paths = request->paths;
    for (const auto& path : {paths.table, paths.pairs, paths.pairsPlot, paths.manhattan, paths.windows, paths.hierarchy,
                             paths.permutations}) {
      if (!path) continue;
      if (std::string reason = Outputs::checkWritable(*path); !reason.empty()) throw OneLineFault{reason};
    }
    std::vector<PowerShard> texts;
    for (const std::string& path : request->shards) texts.emplace_back(path, readTableText(path));
    if (std::any_of(texts.begin(), texts.end(), [](const PowerShard& t) { return isPowerTable(t.second); })) {
      try {
        mergePowerShards<Real>(program, texts, paths, console);
      } catch (const OneLineFault& f) {
        if (f.status != kUsageStatus) throw;
        refused = f.message;
      }
      return;
    }
    std::vector<ShardTable> shards;
    for (const auto& [path, text] : texts) shards.push_back(parseShardTable(path, text, program.programName));
    checkKinds(shards, paths);
    const MergedTables<Real> merged = mergeShardTables<Real>(program, shards, console);
    Outputs outputs;
    addResultFiles(outputs, paths, merged.heading, merged.analysis, merged.pairsData, &merged.hierarchyData);
    if (std::string reason = outputs.commit(console); !reason.empty()) throw OneLineFault{reason};
  });
  if (refused) {
    console.write(Stream::Err, std::string(program.programName) + ": error: " + *refused + "\n");
    return kUsageStatus;
  }
  if (!fault) return 0;
  console.write(Stream::Err, fault->status == kUsageStatus
                                 ? usageError(program, fault->message)
                                 : std::string(program.programName) + ": error: " + fault->message + "\n");
  return fault->status;
}

template int runMerge<double>(const Edition&, const std::vector<std::string>&, Console&);
template int runMerge<long double>(const Edition&, const std::vector<std::string>&, Console&);

}  // namespace ortelan
