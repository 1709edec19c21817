// The records of an opened VCF or BCF file, one after the other: the whole
// file, or through its index only those that overlap a list of regions,
// each record once and in file order however the regions overlap.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "input/vcf/hts_handles.h"

namespace ortelan {

class VcfRecords {
 public:
  // `regions`: each a region ("chr2", "chr2:1000-2000", "chr2:1000") or a
  // comma-separated list of them; none for the whole file. Regions need an
  // index beside the file (.tbi or .csi): without one, and for a region
  // that names a chromosome the file does not have, a usage fault.
  VcfRecords(htsFile* file, bcf_hdr_t* header, const std::string& path, const std::vector<std::string>& regions);
  ~VcfRecords();
  VcfRecords(const VcfRecords&) = delete;
  VcfRecords& operator=(const VcfRecords&) = delete;

  // Whether the file is VCF text, read line by line; else BCF, read record
  // by record.
  bool text() const;
  // VCF text: the next record's line, unparsed, into line() (which holds
  // until the next call); false after the last. A file that cannot be read
  // on (damaged or truncated) is a data fault, and so is a record whose POS
  // is not a position (numeric_fields.h).
  bool nextLine();
  std::string_view line() const { return view_; }
  // BCF: the next record into `record`; false after the last. The same
  // faults, a POS below 0 among them.
  bool nextRecord(bcf1_t* record);

  // How far into the file (compressed bytes) reading has come.
  std::uint64_t bytesRead() const;

 private:
  // A stretch of one chromosome, 0-based and half-open, with its index
  // query.
  struct Stretch {
    int tid = 0;
    std::int64_t begin = 0, end = 0;
    HtsIterator query;
  };

  void parseRegions(const std::vector<std::string>& regions);
  bool nextInStretch(bcf1_t* record);
  int nextBlockLine(BGZF* stream);
  bool endOfFile() const;
  [[noreturn]] void damaged() const;
  void checkPosition(bcf1_t* record) const;
  [[noreturn]] void refusePosition(const std::string& site, std::string_view pos, std::string_view id,
                                    const char* fault) const;

  htsFile* file_;
  bcf_hdr_t* header_;
  std::string path_;
  HtsIndex index_;    // BCF files
  TabixIndex tabix_;  // compressed VCF files
  std::vector<Stretch> stretches_;
  std::size_t current_ = 0;
  bool regions_ = false;
  kstring_t line_{0, 0, nullptr};
  std::string_view view_;  // the line read last, in line_ or in the block read last
  bool blockFailed_ = false;
  std::string lastSite_;  // "chrom:pos" of the last record read, for messages
  std::int64_t records_ = 0;  // read so far (through regions, those of the regions)
  std::uint64_t mostBytes_;  // what the file can hold decompressed
};

// A BCF file whose header claims to be longer than the file can hold is a
// data fault of `path`; called before the header is read.
void checkBcfHeaderLength(htsFile* file, const std::string& path);

// Parses the VCF line `text` into `record` with `header` (to which htslib
// adds contigs and tags the header does not declare), through `line`, a
// copy that htslib cuts up; a line that cannot be parsed is a data fault of
// `path` naming its CHROM:POS, and the sample whose GT is not numbers where
// that is why.
void parseVcfLine(std::string_view text, kstring_t& line, bcf_hdr_t* header, bcf1_t* record,
                  const std::string& path);
// The same for a line's columns CHROM to INFO alone (its genotypes read
// otherwise), with the same fault.
void parseVcfColumns(kstring_t& columns, bcf_hdr_t* header, bcf1_t* record, const std::string& path);

}  // namespace ortelan
