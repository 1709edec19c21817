// The population map and the VCF reader on arbitrary bytes: a map text, a
// NUL byte, then the VCF text (written to a file, as the reader reads
// files). Each reading ends in one of its defined ways; one that goes
// through has tables within their bounds (no count beyond two genes per
// sample, one column per allele counted); parsing on worker threads gives
// what parsing on the run's own thread gives; each line whose GT is read
// from the text gives what htslib's parsing of the whole line gives; and the
// lines are those htslib's own line reading gives, up to any record whose
// POS is not a position.
#include <htslib/bgzf.h>
#include <htslib/kseq.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <utility>

#include "apps/editions.h"
#include "fuzz/fuzz_support.h"
#include "input/vcf/hts_handles.h"
#include "input/vcf/numeric_fields.h"
#include "input/vcf/popmap.h"
#include "input/vcf/sample_populations.h"
#include "input/vcf/vcf_reader.h"
#include "input/vcf/vcf_records.h"
#include "support/record_ways.h"
#include "support/scripted_console.h"

namespace {

using namespace ortelan;

std::string readWith(const std::string& path, const Popmap& map, int workers) {
  Edition edition = edition2d();
  edition.failure = FailureStyle::OneLine;
  edition.diagnostics = Stream::Err;
  testing::ScriptedConsole console;
  RunContext context(edition, console);
  context.workers = workers;
  DataSummary data;
  VcfData read;
  const std::string outcome = fuzzing::outcomeOf([&] { read = readVcf(context, data, path, map); });
  if (outcome != "done") return outcome;
  if (read.tables->loci() != data.NUMBOFLOCI || read.tables->populations() != map.populations() ||
      read.sites->size() != static_cast<std::size_t>(data.NUMBOFLOCI) + 1 || data.sites.size() != read.sites->size()) {
    std::abort();
  }
  CountedTables::Reader reader(*read.tables);
  CountTable table;
  for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
    reader.read(locus, table);
    if (table.columns != data.ALLELES_PER_LOCUS[locus]) std::abort();
    for (int pop = 1; pop <= table.rows; ++pop) {
      long genes = 0;
      for (int column = 1; column <= table.columns; ++column) genes += table.at(pop, column);
      if (genes > 2L * data.TOTNUMBINDIVIDUALS) std::abort();
    }
  }
  return outcome + "|" + data.TITLE_LINE + "|" + std::to_string(data.TOTNUMBGENES) + "\n" +
         fuzzing::cellsOf(data, *read.tables) + console.err();
}

// A VCF text (plain, gzip or bgzip) opened with its header read; nothing
// for a BCF, another compression or a file htslib cannot open.
struct VcfText {
  HtsFile file;
  BcfHeader header;
  const htsFormat* format;
};

std::optional<VcfText> openVcfText(const std::string& path) {
  HtsFile file = openLocalFile(path);
  if (!file) return std::nullopt;
  const htsFormat* format = hts_get_format(file.get());
  if (format->format != vcf || (format->compression != no_compression && format->compression != gzip &&
                                format->compression != bgzf)) {
    return std::nullopt;
  }
  BcfHeader header(bcf_hdr_read(file.get()));
  if (!header) return std::nullopt;
  return VcfText{std::move(file), std::move(header), format};
}

// Every line of a VCF text counted both ways, its GT read from the text and
// the whole line parsed by htslib, gives the same locus or the same fault.
void expectSameBothWays(const std::string& path, const Popmap& map) {
  const std::optional<VcfText> text = openVcfText(path);
  if (!text) return;
  const HtsFile& file = text->file;
  const BcfHeader& header = text->header;
  std::vector<std::string> samples;
  for (int i = 0; i < bcf_hdr_nsamples(header.get()); ++i) samples.emplace_back(header->samples[i]);
  const SamplePopulations matched = matchSamples(samples, map, path);
  std::vector<std::string> lines;
  kstring_t line{0, 0, nullptr};
  while (hts_getline(file.get(), KS_SEP_LINE, &line) >= 0) {
    if (line.l > 0) lines.emplace_back(line.s, line.l);
  }
  std::free(line.s);
  const testing::TwoWays ways = testing::countTwoWays(header.get(), lines, matched.populationOf, map.populations());
  if (ways.fromText != ways.fromHtslib) {
    for (const auto& [way, outcomes] : {std::pair{"text", &ways.fromText}, std::pair{"htslib", &ways.fromHtslib}}) {
      for (const std::string& outcome : *outcomes) std::fprintf(stderr, "%s: %s\n", way, outcome.c_str());
    }
    std::abort();
  }
}

// Whether a line has a POS, with columns after it, that is not a position.
bool badPosition(std::string_view line) {
  const std::size_t first = line.find('\t');
  const std::size_t second = first == std::string_view::npos ? first : line.find('\t', first + 1);
  return second != std::string_view::npos && readPosition(line.substr(first + 1, second - first - 1)).fault != nullptr;
}

// VcfRecords cuts a file into the lines htslib's hts_getline gives, and
// ends where that reading ends: at the end, or at the first block that
// cannot be read; or before, at a record whose POS is not a position.
void expectSameLines(const std::string& path) {
  std::vector<std::string> lines[2];
  bool damaged[2] = {false, false};
  bool refused = false;  // at a POS
  for (int way = 0; way < 2; ++way) {
    const std::optional<VcfText> text = openVcfText(path);
    if (!text) return;
    const HtsFile& file = text->file;
    const BcfHeader& header = text->header;
    if (way == 0) {
      kstring_t line{0, 0, nullptr};
      int read = 0;
      while ((read = hts_getline(file.get(), KS_SEP_LINE, &line)) >= 0) {
        if (line.l > 0) lines[0].emplace_back(line.s, line.l);
        // A block that could not be read ends the reading.
        if (hts_get_bgzfp(file.get()) != nullptr && hts_get_bgzfp(file.get())->errcode != 0) {
          read = -2;
          break;
        }
      }
      std::free(line.s);
      damaged[0] = read < -1 || (text->format->compression == bgzf && bgzf_check_EOF(hts_get_bgzfp(file.get())) == 0);
    } else {
      VcfRecords records(file.get(), header.get(), path, {});
      try {
        while (records.nextLine()) lines[1].emplace_back(records.line());
      } catch (const OneLineFault& fault) {
        (fault.message.find(": POS \"") != std::string::npos ? refused : damaged[1]) = true;
      }
    }
  }
  if (refused) {
    // htslib's lines up to the refused one, which holds a POS that is not
    // a position.
    const std::size_t read = lines[1].size();
    if (read >= lines[0].size() || !std::equal(lines[1].begin(), lines[1].end(), lines[0].begin()) ||
        !badPosition(lines[0][read])) {
      std::abort();
    }
    return;
  }
  if (lines[0] != lines[1] || damaged[0] != damaged[1]) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(bytes), size);
  const std::size_t split = input.find('\0');
  if (split == std::string::npos) return 0;
  std::optional<Popmap> map;
  fuzzing::outcomeOf([&] { map.emplace(Popmap::parse(input.substr(0, split), "fuzz.map")); });
  if (!map) return 0;
  const std::string path = "fuzz-" + std::to_string(getpid()) + ".vcf";
  std::ofstream(path, std::ios::binary) << input.substr(split + 1);
  const std::string alone = readWith(path, *map, 1);
  const std::string parallel = readWith(path, *map, 3);
  expectSameBothWays(path, *map);
  expectSameLines(path);
  std::remove(path.c_str());
  if (alone != parallel) std::abort();
  return 0;
}
