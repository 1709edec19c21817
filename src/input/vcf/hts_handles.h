// htslib's objects owned as C++ objects, so that every path out of a
// reading (a fault included) closes the file and frees what was read.
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
