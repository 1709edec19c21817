#include "run_options.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

namespace {

// Loci by number into the ranges the core takes, neighbours joined.
ortelan::LociList lociList(const Rcpp::IntegerVector& loci) {
  std::vector<int> sorted(loci.begin(), loci.end());
  std::sort(sorted.begin(), sorted.end());
  ortelan::LociList list;
  for (int locus : sorted) {
    if (!list.ranges.empty() && locus <= list.ranges.back().second + 1) {
      list.ranges.back().second = std::max(list.ranges.back().second, locus);
    } else {
      list.ranges.emplace_back(locus, locus);
    }
  }
  return list;
}

}  // namespace

void takeRunOptions(const std::string& file, const Rcpp::List& options, ortelan::RunSettings& settings) {
  using namespace ortelan;
  settings.dataFile = file;
  settings.chain = {Rcpp::as<int>(options["dememorization"]), Rcpp::as<int>(options["batches"]),
                    Rcpp::as<int>(options["iterations"])};
  if (!Rf_isNull(options["seed"])) {
    const std::string digits = Rcpp::as<std::string>(options["seed"]);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
      Rcpp::stop("the seed must be a whole number from 0 to 18446744073709551615");
    }
    settings.seed = value;
  }
  if (!Rf_isNull(options["loci"])) settings.loci = lociList(Rcpp::IntegerVector(options["loci"]));
  settings.threads = Rcpp::as<int>(options["threads"]);
  settings.test = testNamed(Rcpp::as<std::string>(options["test"])).value_or(settings.test);
  settings.exact = exactModeNamed(Rcpp::as<std::string>(options["exact"])).value_or(settings.exact);
  settings.sampling.sampler = samplerNamed(Rcpp::as<std::string>(options["sampler"])).value_or(settings.sampling.sampler);
  settings.sampling.hits = static_cast<std::int64_t>(Rcpp::as<double>(options["hits"]));
  if (!Rf_isNull(options["samples"])) {
    settings.sampling.samples = static_cast<std::int64_t>(Rcpp::as<double>(options["samples"]));
  }
  const Rcpp::RObject popmap = options["popmap"];
  if (Rf_isString(popmap)) settings.popmapPath = Rcpp::as<std::string>(popmap);
  if (TYPEOF(popmap) == VECSXP) {
    const Rcpp::List pairs(popmap);
    const std::vector<std::string> samples = Rcpp::as<std::vector<std::string>>(pairs[0]);
    const std::vector<std::string> populations = Rcpp::as<std::vector<std::string>>(pairs[1]);
    settings.popmapEntries.emplace();
    for (std::size_t i = 0; i < samples.size() && i < populations.size(); ++i) {
      settings.popmapEntries->emplace_back(samples[i], populations[i]);
    }
  }
  if (!Rf_isNull(options["region"])) settings.region = Rcpp::as<std::string>(options["region"]);
}
