#include "input/data_warnings.h"

#include <initializer_list>
#include <string>

namespace ortelan {
namespace {

constexpr const char* kWhere = "READ_INFILE_I";

[[noreturn]] void dataWarning(RunContext& context, std::initializer_list<std::string_view> lines,
                              std::string_view what) {
  if (context.edition.failure == FailureStyle::OneLine) context.dataFault(0, kWhere, "", what);
  context.console.beep(800, 500);
  context.console.clearScreen();
  for (int i = 0; i < 16; ++i) writeLine(context.console, Stream::Out);
  for (std::string_view line : lines) writeLine(context.console, Stream::Out, line);
  throw RunEnded{0};
}

}  // namespace

void tooManyAlleles(RunContext& context, const DataSummary& data, int locus) {
  const std::string label = data.locusLabel(locus);
  context.dataFault(201, kWhere, "More than 99 alleles at " + label + "; the limit is 99 alleles per locus.",
                    label + ": more than 99 alleles; the limit is 99 alleles per locus");
}

void populationsWarning(RunContext& context, int locus) {
  dataWarning(context, {"Check the data file! There seems to different numbers of", "populations at different loci."},
              "locus " + std::to_string(locus) + " is read with another number of populations than locus 1");
}

void individualsWarning(RunContext& context, int locus) {
  dataWarning(context,
              {"Check the data file! There seems to be different numbers of", "individuals at different loci."},
              "locus " + std::to_string(locus) + " is read with another number of individuals than locus 1");
}

void wrongInfileWarning(RunContext& context, std::string_view what) {
  dataWarning(context, {"There is something wrong with the infile. Check it!!!"}, what);
}

}  // namespace ortelan
