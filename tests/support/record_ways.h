// The two ways a VCF text line is counted: its GT read from the text
// (RecordCounter::countText), and the whole line parsed by htslib and
// counted from htslib's record. They must give the same locus, or the same
// fault; each outcome is told as text. For the tests and the fuzz target.
#pragma once

#include <htslib/hts_log.h>
#include <htslib/kstring.h>
#include <htslib/vcf.h>

#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "input/vcf/hts_handles.h"
#include "input/vcf/record_locus.h"
#include "input/vcf/vcf_records.h"
#include "run/failure.h"

namespace ortelan::testing {

struct TwoWays {
  std::vector<std::string> fromText, fromHtslib;  // per line, up to the first fault
  int readFromText = 0;  // lines countText read itself
};

inline std::string describeLocus(const RecordLocus& locus) {
  std::string text = locus.name + " " + locus.site.chrom + ":" + std::to_string(locus.site.pos) + " " +
                     std::to_string(locus.identity) + " ploidy " + std::to_string(locus.ploidy);
  const auto table = [&](const std::vector<std::uint32_t>& keys, const CountTable& counts) {
    text += " |";
    for (std::uint32_t key : keys) text += " " + std::to_string(key);
    for (int row = 1; row <= counts.rows; ++row) {
      text += " /";
      for (int column = 1; column <= counts.columns; ++column) text += " " + std::to_string(counts.at(row, column));
    }
  };
  table(locus.keys, locus.table);
  table(locus.genotypeKeys, locus.genotypeTable);
  return text;
}

// Each way with its own copy of `parsed`, the header; nothing is counted
// for a header that htslib cannot copy (the reading then parses on one
// thread with the header itself).
inline TwoWays countTwoWays(const bcf_hdr_t* parsed, const std::vector<std::string>& lines,
                            const std::vector<int>& populationOf, int populations) {
  TwoWays out;
  if (!BcfHeader(bcf_hdr_dup(parsed))) return out;
  const std::string path = "x.vcf";
  for (const bool fromText : {true, false}) {
    BcfHeader header(bcf_hdr_dup(parsed));
    if (!header) throw std::bad_alloc();
    BcfRecord record(bcf_init());
    RecordCounter counter(header.get(), path, populationOf, populations, true);
    std::vector<std::string>& outcomes = fromText ? out.fromText : out.fromHtslib;
    kstring_t copy{0, 0, nullptr};
    for (const std::string& line : lines) {
      RecordLocus locus;
      bool read = fromText;  // by countText, its fault included
      try {
        read = read && counter.countText(line, record.get(), locus);
        if (!read) {
          parseVcfLine(line, copy, header.get(), record.get(), path);
          counter.count(record.get(), locus);
        }
        outcomes.push_back(describeLocus(locus));
        out.readFromText += read;
      } catch (const OneLineFault& fault) {
        outcomes.push_back("fault " + fault.message);
        out.readFromText += read;
        break;
      }
    }
    free(copy.s);
  }
  return out;
}

// `headerText`: the header's lines, "#CHROM ..." last; `lines`: records.
inline TwoWays countTwoWays(const std::string& headerText, const std::vector<std::string>& lines,
                            const std::vector<int>& populationOf, int populations) {
  hts_set_log_level(HTS_LOG_OFF);
  BcfHeader parsed(bcf_hdr_init("r"));
  std::string text = headerText;
  if (!parsed || bcf_hdr_parse(parsed.get(), text.data()) != 0 ||
      bcf_hdr_nsamples(parsed.get()) != static_cast<int>(populationOf.size())) {
    throw std::invalid_argument("not a header of these samples");
  }
  return countTwoWays(parsed.get(), lines, populationOf, populations);
}

}  // namespace ortelan::testing
