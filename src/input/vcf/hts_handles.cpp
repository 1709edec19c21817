#include "input/vcf/hts_handles.h"

#include <htslib/hts_log.h>

namespace ortelan {

std::string localName(const std::string& path) {
  return path.starts_with('/') || path.starts_with("./") ? path : "./" + path;
}

HtsFile openLocalFile(const std::string& path) {
  hts_set_log_level(HTS_LOG_OFF);
  return HtsFile(hts_open(localName(path).c_str(), "r"));
}

}  // namespace ortelan
