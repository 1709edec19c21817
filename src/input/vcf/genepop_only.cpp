// The reading of VCF and BCF files in a build without htslib (the Windows
// one), which reads GENEPOP files only. A file that starts as VCF text, as
// BCF or as a compressed file, and every reading with a population map, is
// refused in one line, with the status of a usage fault.
#include <cstring>
#include <fstream>

#include "input/vcf/vcf_reader.h"
#include "run/failure.h"

namespace ortelan {
namespace {

[[noreturn]] void genepopOnly(const std::string& path) {
  throw OneLineFault{path + ": this build reads GENEPOP files only, not VCF, BCF or compressed files", kUsageStatus};
}

bool startsAsVariantFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char start[16] = {};
  in.read(start, sizeof start);
  const auto startsWith = [&](const char* magic, std::size_t length) {
    return static_cast<std::size_t>(in.gcount()) >= length && std::memcmp(start, magic, length) == 0;
  };
  return startsWith("##fileformat=VCF", 16) || startsWith("BCF\2", 4) || startsWith("BCF\1", 4) ||
         startsWith("\x1f\x8b", 2);
}

}  // namespace

// Asked of every data file before it is read: a GENEPOP file is read on.
bool isVariantFile(const std::string& path) {
  if (startsAsVariantFile(path)) genepopOnly(path);
  return false;
}

VcfData readVcf(RunContext&, DataSummary&, const std::string& path, const Popmap&, const std::vector<std::string>&) {
  genepopOnly(path);
}

}  // namespace ortelan
