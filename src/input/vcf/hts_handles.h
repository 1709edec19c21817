// htslib's objects owned as C++ objects, so that every path out of a
// reading (a fault included) closes the file and frees what was read.
//
// htslib ends the process on some malformed input, which would end an R
// session with it. Each htslib function the reading calls, as its source in
// Debian's htslib 1.16 (package 1.16+ds-3, with assert() compiled in) reads,
// and what keeps it from ending the process:
//
//   hts_open, hts_get_format, hts_get_bgzfp, htell, hts_set_log_level,
//   hts_set_threads (bgzf_mt), hts_close:
//     none on input (the reading threads of hts_set_threads lose a small
//     block of memory at a block they cannot decode: BCF files alone are
//     decompressed on them). hts_open takes an XZ- or RAZF-compressed VCF for VCF;
//     reading it then abort()s (hts_getline): such files are refused as soon
//     as they are opened (vcf_reader.cpp).
//   bcf_hdr_read: a VCF header is read with hts_getline (as above) and
//     bcf_hdr_parse, whose assert()s hold for any text; a BCF header
//     assert()s is_bgzf, which hts_open sets for every BCF file. NULL on a
//     header it refuses.
//   hts_getline: abort() on a compression other than none, gzip or bgzf
//     (refused at the open) or another delimiter than a line's.
//   bgzf_check_EOF: abort() only on an impossible state of its own threads.
//   bgzf_read_block (VCF lines are cut from its blocks, as bgzf_getline
//     cuts them): exit(1) only where a block cache is kept (none is) and a
//     seek in the file fails; -1 on a block that cannot be read.
//   vcf_parse: none; < 0 with errcode set on a line it refuses. A line cut
//     before FORMAT is taken as a record without genotypes, so the columns
//     are counted first (parseVcfLine). Most lines are given to it up to
//     INFO alone, their GT read from the text (GenotypeText). It reads a
//     POS by its leading digits whatever follows them, so a POS is checked
//     before (numeric_fields.h); bcf_read reads a BCF POS below -1 as a
//     position beyond 2^31 (VcfRecords::checkPosition).
//   bcf_read, bcf_itr_next (bcf_readrec): none; they check a BCF record's
//     fields against its lengths and return -2 on a damaged one. They do
//     not check the record's sample count against the header's.
//   bcf_hdr_read and bcf_read allocate what a BCF header's or record's
//     length fields claim before reading it: lengths beyond what the file
//     can hold are refused first (vcf_records.cpp; records read through an
//     index are not looked at).
//   bcf_unpack: exit(1) only when memory for its arrays cannot be had
//     (hts_expand), whose sizes are bounded by a record's 16-bit and 8-bit
//     counts; returns 0. Its return is checked all the same (record_locus.cpp).
//   bcf_get_genotypes (bcf_get_format_values): exit(1) when the GT field is
//     stored as other than integers or reals (as nothing, or as
//     characters), which a damaged VCF line or BCF record gives; it reads
//     as many samples as the header names from a record that may hold
//     fewer. Called only once bcf_get_fmt_id has shown an integer GT of a
//     record with the header's samples (RecordCounter::genotypeField).
//   bcf_get_fmt_id, bcf_hdr_id2int, bcf_hdr_id2type, bcf_hdr_idinfo_exists,
//   bcf_hdr_nsamples, bcf_seqname_safe, bcf_hdr_name2id, bcf_hdr_dup,
//   bcf_init, kputsn: none (NULL or a negative value on failure).
//   bcf_hdr_seqnames: assert()s that the contig ids have no gap, which an
//     IDX= in the header makes: not called; the contigs are read from the
//     header's dictionary (VcfRecords::parseRegions).
//   tbx_index_load3, bcf_index_load3, tbx_seqnames, tbx_name2id,
//   hts_parse_region, tbx_itr_queryi, bcf_itr_queryi: none (NULL or -1);
//     tbx_seqnames' assert()s hold for any index, its ids being given in
//     order as the names are read.
//   tbx_itr_next (hts_itr_next): assert()s that an iterator that is not
//     finished has chunks; only iterators with chunks are read.
//   bcf_destroy, bcf_hdr_destroy, hts_idx_destroy, tbx_destroy,
//   hts_itr_destroy: none.
#pragma once

#include <htslib/hts.h>
#include <htslib/tbx.h>
#include <htslib/vcf.h>

#include <memory>
#include <string>

namespace ortelan {

struct HtsCloser {
  void operator()(htsFile* file) const { hts_close(file); }
  void operator()(bcf_hdr_t* header) const { bcf_hdr_destroy(header); }
  void operator()(bcf1_t* record) const { bcf_destroy(record); }
  void operator()(hts_idx_t* index) const { hts_idx_destroy(index); }
  void operator()(tbx_t* index) const { tbx_destroy(index); }
  void operator()(hts_itr_t* iterator) const { hts_itr_destroy(iterator); }
};

using HtsFile = std::unique_ptr<htsFile, HtsCloser>;
using BcfHeader = std::unique_ptr<bcf_hdr_t, HtsCloser>;
using BcfRecord = std::unique_ptr<bcf1_t, HtsCloser>;
using HtsIndex = std::unique_ptr<hts_idx_t, HtsCloser>;
using TabixIndex = std::unique_ptr<tbx_t, HtsCloser>;
using HtsIterator = std::unique_ptr<hts_itr_t, HtsCloser>;

// The name under which htslib opens the local file `path`: htslib takes "-"
// for standard input and names with a scheme ("http://", "data:") for other
// sources, so a relative name is made to start with "./".
std::string localName(const std::string& path);

// Opens the local file `path` for reading (nothing when it cannot be, errno
// set). htslib's own messages are turned off: the program tells what went
// wrong in its own words.
HtsFile openLocalFile(const std::string& path);

}  // namespace ortelan
