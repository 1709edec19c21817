#include "input/vcf/vcf_records.h"

#include <htslib/bgzf.h>
#include <htslib/hfile.h>
#include <htslib/kseq.h>
#include <htslib/kstring.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <new>
#include <unordered_map>

#include "input/vcf/numeric_fields.h"
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

// The CHROM, POS and ID of a VCF line, read before htslib cuts the line
// up, and whether the line has the columns up to FORMAT (at most 9 are
// counted).
struct LineSite {
  explicit LineSite(const kstring_t& line) : LineSite(std::string_view(line.s != nullptr ? line.s : "", line.l)) {}
  explicit LineSite(std::string_view text) {
    std::size_t tabs[9];
    const char* end = text.data() + text.size();
    for (const char* at = text.data(); columns < 9; ++at) {
      at = static_cast<const char*>(std::memchr(at, '\t', static_cast<std::size_t>(end - at)));
      if (at == nullptr) break;
      tabs[columns - 1] = static_cast<std::size_t>(at - text.data());
      ++columns;
    }
    chrom = text.substr(0, columns > 1 ? tabs[0] : text.size());
    if (columns > 1) posText = text.substr(tabs[0] + 1, (columns > 2 ? tabs[1] : text.size()) - tabs[0] - 1);
    if (columns > 2) id = text.substr(tabs[1] + 1, (columns > 3 ? tabs[2] : text.size()) - tabs[1] - 1);
    position = readPosition(posText);
  }
  // Whether the line has a POS, followed by the columns after it, which
  // is not a position: a line cut short there is damaged.
  bool badPosition() const { return columns > 2 && position.fault != nullptr; }
  std::string text() const {
    std::string site(chrom.substr(0, 64));
    if (columns > 1) site.append(":").append(posText.substr(0, 20));
    return site;
  }

  int columns = 1;
  std::string_view chrom, posText, id;
  VcfPosition position;
};

// htslib allocates what the length fields of a BCF header or record claim
// before it reads what they measure, so that a damaged file of a few hundred
// bytes may have it ask for gigabytes. The most a file can hold, once
// decompressed: a BGZF block of 28 bytes or more holds at most 64 kB, and
// deflate compresses at most 1032 to 1.
std::uint64_t mostContentBytes(htsFile* file, const std::string& path) {
  std::error_code error;
  const std::uint64_t size = std::filesystem::file_size(path, error);
  if (error) return UINT64_MAX;
  return hts_get_format(file)->compression == no_compression ? size : size / 28 * 65536 + 65536;
}

// The next `count` bytes of a BCF file, when the block in memory holds them
// (the next block is loaded once this one is used up, as htslib's reading
// would); null when they lie across two blocks or the file has ended.
const std::uint8_t* peek(htsFile* file, int count, const std::string& path) {
  BGZF* stream = hts_get_bgzfp(file);
  if (stream == nullptr) return nullptr;
  if (stream->block_offset >= stream->block_length && bgzf_read_block(stream) != 0) {
    throw OneLineFault{path + ": the file is damaged or truncated"};
  }
  if (stream->block_length - stream->block_offset < count) return nullptr;
  return static_cast<const std::uint8_t*>(stream->uncompressed_block) + stream->block_offset;
}

std::uint32_t littleEndian32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// Repairs htslib makes as it parses a record (a contig or tag that the
// header does not declare is added to it) leave a usable record.
constexpr int kRepaired = BCF_ERR_CTG_UNDEF | BCF_ERR_TAG_UNDEF;

}  // namespace

void checkBcfHeaderLength(htsFile* file, const std::string& path) {
  // "BCF", its version (two bytes), the header's length.
  const std::uint8_t* start = peek(file, 9, path);
  if (start != nullptr && littleEndian32(start + 5) > mostContentBytes(file, path)) {
    throw OneLineFault{path + ": the header cannot be read as a VCF header (its length is beyond the file's)"};
  }
}

VcfRecords::VcfRecords(htsFile* file, bcf_hdr_t* header, const std::string& path,
                       const std::vector<std::string>& regions)
    : file_(file), header_(header), path_(path), mostBytes_(mostContentBytes(file, path)) {
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
    throw OneLineFault{
        path_ + ": reading regions needs an index of the file (.tbi or .csi); make one with bcftools index " + path_,
        kUsageStatus};
  }

  // The header's contigs from its dictionary: an IDX= in the header may
  // leave gaps there, on which bcf_hdr_seqnames ends the process.
  KnownChromosomes known;
  for (int i = 0; i < header_->n[BCF_DT_CTG]; ++i) {
    if (const char* name = header_->id[BCF_DT_CTG][i].key) known.add(name);
  }
  if (tabix_) {
    int contigs = 0;
    const char** names = tbx_seqnames(tabix_.get(), &contigs);
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
      const std::string_view region(text,
                                    rest != nullptr ? static_cast<std::size_t>(rest - text) : std::strcspn(text, ","));
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

bool VcfRecords::text() const { return hts_get_format(file_)->format != bcf; }

bool VcfRecords::nextLine() {
  if (regions_) {
    if (!nextInStretch(nullptr)) return false;
    view_ = std::string_view(line_.s, line_.l);
    return true;
  }
  BGZF* stream = hts_get_bgzfp(file_);
  int read = 0;
  do {
    if (stream != nullptr) {
      read = nextBlockLine(stream);
    } else {
      read = hts_getline(file_, KS_SEP_LINE, &line_);
      view_ = std::string_view(line_.s != nullptr ? line_.s : "", line_.l);
    }
  } while (read >= 0 && view_.empty());
  if (read == -1) return endOfFile();
  if (read < -1) damaged();
  const LineSite site(view_);
  lastSite_ = site.text();
  ++records_;
  if (site.badPosition()) refusePosition(site.text(), site.posText, site.id, site.position.fault);
  return true;
}

// As htslib's bgzf_getline reads a line (a '\r' before its end dropped; at
// the end of the file or before a block that cannot be read, the text up
// to there; then -1 at the end, -2 at the block and after it), without a
// copy where the line lies in one block.
int VcfRecords::nextBlockLine(BGZF* stream) {
  // After a block that cannot be read the file is not read on: htslib's
  // reading threads lose a little memory each time they are asked again.
  if (blockFailed_) return -2;
  line_.l = 0;
  bool copied = false;
  int state = 0;
  while (state == 0) {
    if (stream->block_offset >= stream->block_length) {
      if (bgzf_read_block(stream) != 0) {
        blockFailed_ = true;
        state = -2;
        break;
      }
      if (stream->block_length == 0) {
        state = -1;
        break;
      }
    }
    const char* from = static_cast<const char*>(stream->uncompressed_block) + stream->block_offset;
    const auto available = static_cast<std::size_t>(stream->block_length - stream->block_offset);
    const char* newline = static_cast<const char*>(std::memchr(from, '\n', available));
    const std::size_t length = newline != nullptr ? static_cast<std::size_t>(newline - from) : available;
    stream->block_offset += static_cast<int>(length) + (newline != nullptr ? 1 : 0);
    if (stream->block_offset >= stream->block_length) {
      // Used up, as bgzf_getline leaves a block: the next one read (a gzip
      // stream's too) starts at its beginning.
      stream->block_offset = 0;
      stream->block_length = 0;
    }
    if (newline != nullptr) state = 1;
    if (newline != nullptr && !copied) {
      view_ = std::string_view(from, length);
    } else {
      if (kputsn(from, length, &line_) < 0) return -3;
      copied = true;
    }
  }
  if (copied || state < 0) view_ = std::string_view(line_.s != nullptr ? line_.s : "", line_.l);
  if (view_.empty() && state < 0) return state;
  if (!view_.empty() && view_.back() == '\r') view_.remove_suffix(1);
  return 0;
}

bool VcfRecords::nextRecord(bcf1_t* record) {
  if (regions_) return nextInStretch(record);
  // The lengths of the record's two parts lead it.
  if (const std::uint8_t* lengths = peek(file_, 8, path_);
      lengths != nullptr &&
      std::uint64_t{littleEndian32(lengths)} + littleEndian32(lengths + 4) > mostBytes_) {
    damaged();
  }
  record->errcode = 0;
  const int read = bcf_read(file_, header_, record);
  if (read == -1) return endOfFile();
  if (read < -1) damaged();
  lastSite_ = siteOf(header_, record);
  ++records_;
  if ((record->errcode & ~kRepaired) != 0) throw OneLineFault{path_ + ": the record at " + lastSite_ + " is damaged"};
  checkPosition(record);
  return true;
}

// `record` is null for text files, whose lines are left unparsed.
bool VcfRecords::nextInStretch(bcf1_t* record) {
  while (current_ < stretches_.size()) {
    Stretch& stretch = stretches_[current_];
    int read = 0;
    std::int64_t pos = 0;  // 0-based
    if (record == nullptr) {
      read = tbx_itr_next(file_, tabix_.get(), stretch.query.get(), &line_);
      if (read >= 0) {
        const LineSite site(line_);
        lastSite_ = site.text();
        if (site.badPosition()) refusePosition(site.text(), site.posText, site.id, site.position.fault);
        pos = site.position.value - 1;
      }
    } else {
      record->errcode = 0;
      read = bcf_itr_next(file_, stretch.query.get(), record);
      if (read >= 0) {
        lastSite_ = siteOf(header_, record);
        pos = record->pos;
        if ((record->errcode & ~kRepaired) != 0)
          throw OneLineFault{path_ + ": the record at " + lastSite_ + " is damaged"};
        checkPosition(record);
      }
    }
    if (read < -1) damaged();
    if (read == -1) {
      ++current_;
      continue;
    }
    // A record that overlaps the stretch before (of its chromosome) was read with it.
    if (current_ > 0 && stretches_[current_ - 1].tid == stretch.tid && pos < stretches_[current_ - 1].end) continue;
    return true;
  }
  return false;
}

namespace {

// Whether htslib parses the columns CHROM to INFO of the line `text`
// (through `line`).
bool parsedUpToInfo(std::string_view text, kstring_t& line, bcf_hdr_t* header, bcf1_t* record) {
  std::size_t end = 0;  // the eighth tab, before FORMAT
  for (int tabs = 0; tabs < 8; ++tabs) {
    end = text.find('\t', tabs == 0 ? 0 : end + 1);
    if (end == std::string_view::npos) return false;
  }
  line.l = 0;
  if (kputsn(text.data(), end, &line) < 0) throw std::bad_alloc();
  record->errcode = 0;
  return vcf_parse(&line, header, record) >= 0 && (record->errcode & ~kRepaired) == 0;
}

}  // namespace

void parseVcfLine(std::string_view text, kstring_t& line, bcf_hdr_t* header, bcf1_t* record,
                  const std::string& path) {
  // htslib takes a line cut short before its FORMAT column as a record
  // without genotypes; with samples in the header it is a damaged line.
  const LineSite site(text);
  const int columns = bcf_hdr_nsamples(header) > 0 ? 9 : 8;
  line.l = 0;
  if (kputsn(text.data(), text.size(), &line) < 0) throw std::bad_alloc();
  record->errcode = 0;
  if (site.columns < columns || vcf_parse(&line, header, record) < 0 || (record->errcode & ~kRepaired) != 0) {
    // htslib says nothing of what it refused: a GT that is not numbers is
    // told as such, where the columns up to INFO parse alone (a fault
    // there is the line's, whatever its samples hold, as countText tells).
    if (site.columns >= 9 && parsedUpToInfo(text, line, header, record)) {
      const std::string genotype = genotypeTextFault(text, header);
      if (!genotype.empty()) throw OneLineFault{path + ": " + site.text() + ": " + genotype};
    }
    throw OneLineFault{path + ": the record at " + site.text() + " is damaged or cut short"};
  }
}

void parseVcfColumns(kstring_t& columns, bcf_hdr_t* header, bcf1_t* record, const std::string& path) {
  const LineSite site(columns);
  record->errcode = 0;
  if (vcf_parse(&columns, header, record) < 0 || (record->errcode & ~kRepaired) != 0) {
    throw OneLineFault{path + ": the record at " + site.text() + " is damaged or cut short"};
  }
}

bool VcfRecords::endOfFile() const {
  // A bgzip file ends with an empty block: without it, the file was cut
  // short at a block's end.
  if (hts_get_format(file_)->compression == bgzf && bgzf_check_EOF(hts_get_bgzfp(file_)) == 0) damaged();
  return false;
}

// A BCF record holds its position as a signed 32-bit number, 0-based: -1
// is a telomere's POS 0, and below that is no position. htslib reads the
// number as unsigned (but -1), so that -5 comes as 4294967291: a position
// beyond 2^31, which a BCF file cannot hold.
void VcfRecords::checkPosition(bcf1_t* record) const {
  if (record->pos >= -1 && record->pos <= INT32_MAX) return;
  const auto stored = static_cast<std::int32_t>(static_cast<std::uint32_t>(record->pos));
  const char* id = bcf_unpack(record, BCF_UN_STR) == 0 ? record->d.id : nullptr;
  refusePosition(bcf_seqname_safe(header_, record), std::to_string(std::int64_t{stored} + 1), id != nullptr ? id : "",
                 "is below 0");
}

// A record whose POS is not a position cannot be named by its CHROM:POS as
// other records are: by its number in the file (or, read through regions,
// by `site`, its CHROM and any POS text), and its ID where it has one.
void VcfRecords::refusePosition(const std::string& site, std::string_view pos, std::string_view id,
                                const char* fault) const {
  std::string record = regions_ ? "the record at " + site : "record " + std::to_string(records_);
  if (!id.empty() && id != ".") record.append(" (ID ").append(id.substr(0, 64)).append(")");
  throw OneLineFault{path_ + ": " + record + ": POS " + quotedPosition(pos) + " " + fault};
}

void VcfRecords::damaged() const {
  const std::string where = lastSite_.empty() ? std::string(" before the first record") : " after " + lastSite_;
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
