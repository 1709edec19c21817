// The command-line tools that make test fixtures of variant files at run
// time: bgzip and tabix (compression and .tbi indexes) and bcftools (BCF
// files and .csi indexes). Each runs in the working directory; one that
// fails throws with its error output.
#pragma once

#include <string>
#include <vector>

#include "support/process.h"

namespace ortelan::testing {

// Runs `tool` (found on PATH) with `arguments`; returns its standard output.
std::string runTool(const std::string& tool, const std::vector<std::string>& arguments);
// The same, with its standard error too (where some tools write their findings).
ProcessResult runToolWithErrors(const std::string& tool, const std::vector<std::string>& arguments);

// `name` compressed with bgzip into `name`.gz; the plain file stays.
std::string bgzipped(const std::string& name);
// `name` (VCF) written as BCF into `name`.bcf, compressed or not.
std::string asBcf(const std::string& name, bool compressed = true);

}  // namespace ortelan::testing
