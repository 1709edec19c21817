#include "input/vcf_records.h"

#include <htslib/bgzf.h>
#include <htslib/hfile.h>
#include <htslib/kseq.h>
#include <htslib/kstring.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "run/failure.h"

namespace ortelan {
namespace {

// The chromosomes a region may name: the header's contigs and, for a
// compressed VCF file, those of its index (a VCF header need not list them).
struct KnownChromosomes {
  std::unordered_map<std::string, int> ids;
  std::vector<std::string> names;

  void add(const char* name) {
    if (ids.emplace(name, static_cast<int>(names.size())).second) names.emplace_back(name);
  }
  static int lookUp(void* self, const char* name) {
    const auto& known = static_cast<KnownChromosomes*>(self)->ids;
    const auto found = known.find(name);
    return found == known.end() ? -1 : found->second;
  }
};

// The record's "chrom:pos" (POS 1-based).
std::string siteOf(const bcf_hdr_t* header, const bcf1_t* record) {
  return std::string(bcf_seqname_safe(header, record)) + ":" + std::to_string(record->pos + 1);
}

// Where the first `count` tabs of `line` are, as many as there are.
std::vector<std::size_t> tabsOf(const kstring_t& line, int count) {
  std::vector<std::size_t> tabs;
  const char* end = line.s + line.l;
  for (const char* at = line.s; static_cast<int>(tabs.size()) < count; ++at) {
    at = static_cast<const char*>(std::memchr(at, '\t', static_cast<std::size_t>(end - at)));
    if (at == nullptr) break;
    tabs.push_back(static_cast<std::size_t>(at - line.s));
  }
  return tabs;
}

// Repairs htslib makes as it parses a record (a contig or tag that the
// header does not declare is added to it) leave a usable record.
constexpr int kRepaired = BCF_ERR_CTG_UNDEF | BCF_ERR_TAG_UNDEF;

}  // namespace

VcfRecords::VcfRecords(htsFile* file, bcf_hdr_t* header, const std::string& path, const std::vector<std::string>& regions)
    : file_(file), header_(header), path_(path) {
  for (const std::string& list : regions) regions_ = regions_ || !list.empty();
  if (regions_) parseRegions(regions);
}

VcfRecords::~VcfRecords() { free(line_.s); }

void VcfRecords::parseRegions(const std::vector<std::string>& regions) {
  const htsFormat* format = hts_get_format(file_);
  const bool binary = format->format == bcf;
  const std::string local = localName(path_);
  if (format->compression != bgzf) {
    throw OneLineFault{path_ + ": reading regions needs a bgzip-compressed file with an index; make them with bgzip " +
                           path_ + " and bcftools index " + path_ + ".gz",
                       kUsageStatus};
  }
  if (binary) {
    index_.reset(bcf_index_load3(local.c_str(), nullptr, 0));
  } else {
    tabix_.reset(tbx_index_load3(local.c_str(), nullptr, 0));
  }
  if (!index_ && !tabix_) {
    throw OneLineFault{path_ + ": reading regions needs an index of the file (.tbi or .csi); make one with bcftools index " +
                           path_,
                       kUsageStatus};
  }

  KnownChromosomes known;
  int contigs = 0;
  const char** names = bcf_hdr_seqnames(header_, &contigs);
  for (int i = 0; i < contigs; ++i) known.add(names[i]);
  free(names);
  if (tabix_) {
    names = tbx_seqnames(tabix_.get(), &contigs);
    for (int i = 0; i < contigs; ++i) known.add(names[i]);
    free(names);
  }

  std::vector<Stretch> wanted;
  for (const std::string& list : regions) {
    const char* text = list.c_str();
    while (*text != '\0') {
      int id = -1;
      hts_pos_t begin = 0, end = 0;
      const char* rest = hts_parse_region(text, &id, &begin, &end, &KnownChromosomes::lookUp, &known,
                                          HTS_PARSE_LIST | HTS_PARSE_ONE_COORD);
      const std::string_view region(text, rest != nullptr ? static_cast<std::size_t>(rest - text) : std::strcspn(text, ","));
      if (rest == nullptr) {
        throw OneLineFault{"region " + std::string(region) +
                               (id == -1 ? ": no such chromosome in " + path_ : std::string(": not a region")),
                           kUsageStatus};
      }
      const std::string& name = known.names[static_cast<std::size_t>(id)];
      const int tid = tabix_ ? tbx_name2id(tabix_.get(), name.c_str()) : bcf_hdr_name2id(header_, name.c_str());
      if (tid >= 0 && begin < end) wanted.push_back({tid, begin, end, nullptr});
      text = rest;
    }
  }

  // Overlapping or touching stretches of a chromosome become one.
  std::sort(wanted.begin(), wanted.end(),
            [](const Stretch& a, const Stretch& b) { return a.tid != b.tid ? a.tid < b.tid : a.begin < b.begin; });
  for (Stretch& stretch : wanted) {
    if (!stretches_.empty() && stretches_.back().tid == stretch.tid && stretch.begin <= stretches_.back().end) {
      stretches_.back().end = std::max(stretches_.back().end, stretch.end);
    } else {
      stretches_.push_back(std::move(stretch));
    }
  }
  // In file order: a chromosome's records are together in an indexed file,
  // so chromosomes go by where their first stretch's records begin.
  std::unordered_map<int, std::uint64_t> chromosomeStart;
  std::vector<Stretch> found;
  for (Stretch& stretch : stretches_) {
    hts_idx_t* index = tabix_ ? tabix_->idx : index_.get();
    stretch.query.reset(tabix_ ? tbx_itr_queryi(tabix_.get(), stretch.tid, stretch.begin, stretch.end)
                               : bcf_itr_queryi(index, stretch.tid, stretch.begin, stretch.end));
    if (!stretch.query || stretch.query->n_off == 0) continue;
    const std::uint64_t start = stretch.query->off[0].u;
    auto [place, added] = chromosomeStart.emplace(stretch.tid, start);
    if (!added) place->second = std::min(place->second, start);
    found.push_back(std::move(stretch));
  }
  std::stable_sort(found.begin(), found.end(), [&](const Stretch& a, const Stretch& b) {
    return a.tid != b.tid ? chromosomeStart[a.tid] < chromosomeStart[b.tid] : a.begin < b.begin;
  });
  stretches_ = std::move(found);
}

bool VcfRecords::next(bcf1_t* record) {
  if (regions_) return nextInStretch(record);
  record->errcode = 0;
  if (hts_get_format(file_)->format == bcf) {
    const int read = bcf_read(file_, header_, record);
    if (read == -1) return endOfFile();
    if (read < -1) damaged(nullptr);
    if ((record->errcode & ~kRepaired) != 0) damaged(record);
  } else {
    int read = 0;
    while ((read = hts_getline(file_, KS_SEP_LINE, &line_)) >= 0 && line_.l == 0) {
    }
    if (read == -1) return endOfFile();
    if (read < -1) damaged(nullptr);
    parseLine(record);
  }
  lastSite_ = siteOf(header_, record);
  return true;
}

void VcfRecords::parseLine(bcf1_t* record) {
  // htslib takes a line cut short before its FORMAT column as a record
  // without genotypes; with samples in the header it is a damaged line.
  const int needed = bcf_hdr_nsamples(header_) > 0 ? 8 : 7;
  const std::vector<std::size_t> tabs = tabsOf(line_, needed);
  // The line's "chrom:pos", taken before htslib cuts the line up.
  const std::string_view text(line_.s, line_.l);
  const std::size_t chromEnd = tabs.empty() ? text.size() : tabs[0];
  const std::size_t posEnd = tabs.size() < 2 ? text.size() : tabs[1];
  const std::string site = std::string(text.substr(0, std::min<std::size_t>(chromEnd, 64))) +
                           (tabs.empty() ? "" : ":" + std::string(text.substr(chromEnd + 1, std::min<std::size_t>(posEnd - chromEnd - 1, 20))));
  if (static_cast<int>(tabs.size()) < needed || vcf_parse(&line_, header_, record) < 0 ||
      (record->errcode & ~kRepaired) != 0) {
    throw OneLineFault{path_ + ": the record at " + site + " is damaged or cut short"};
  }
}

bool VcfRecords::nextInStretch(bcf1_t* record) {
  while (current_ < stretches_.size()) {
    Stretch& stretch = stretches_[current_];
    record->errcode = 0;
    int read = 0;
    if (tabix_) {
      read = tbx_itr_next(file_, tabix_.get(), stretch.query.get(), &line_);
      if (read >= 0) parseLine(record);
    } else {
      read = bcf_itr_next(file_, stretch.query.get(), record);
      if (read >= 0 && (record->errcode & ~kRepaired) != 0) damaged(record);
    }
    if (read < -1) damaged(nullptr);
    if (read == -1) {
      ++current_;
      continue;
    }
    lastSite_ = siteOf(header_, record);
    // A record that overlaps the stretch before (of its chromosome) was read with it.
    if (current_ > 0 && stretches_[current_ - 1].tid == stretch.tid && record->pos < stretches_[current_ - 1].end) {
      continue;
    }
    return true;
  }
  return false;
}

bool VcfRecords::endOfFile() const {
  // A bgzip file ends with an empty block: without it, the file was cut
  // short at a block's end.
  if (hts_get_format(file_)->compression == bgzf && bgzf_check_EOF(hts_get_bgzfp(file_)) == 0) damaged(nullptr);
  return false;
}

void VcfRecords::damaged(const bcf1_t* record) const {
  const std::string where = record != nullptr ? " at " + siteOf(header_, record)
                            : lastSite_.empty() ? std::string(" before the first record")
                                                : " after " + lastSite_;
  throw OneLineFault{path_ + ": the file is damaged or truncated" + where};
}

std::uint64_t VcfRecords::bytesRead() const {
  if (BGZF* compressed = hts_get_bgzfp(file_)) return static_cast<std::uint64_t>(htell(compressed->fp));
  if (!file_->is_bgzf && !file_->is_cram && file_->fp.hfile != nullptr) {
    return static_cast<std::uint64_t>(htell(file_->fp.hfile));
  }
  return 0;
}

}  // namespace ortelan
