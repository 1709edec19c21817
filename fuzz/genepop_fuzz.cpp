// The 80-bit programs' reader on arbitrary bytes: it must end in one of its
// defined ways, and the one-pass reader must agree with the locus passes.
// A scripted run's reading of the dialogue's readers either stops with a
// one-line fault or reads the same tables; where it reads them, the
// streaming reader of scripted runs counts the same tables.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "apps/editions.h"
#include "fuzz/fuzz_support.h"
#include "input/genepop/locus_passes_reader.h"
#include "input/genepop/one_pass_reader.h"
#include "input/genepop/text_source.h"
#include "support/scripted_console.h"

namespace {

using namespace ortelan;

template <class Reader>
std::string readWith(const Edition& edition, const std::string& text, Reader reader) {
  testing::ScriptedConsole console;
  RunContext context(edition, console);
  DataSummary data;
  fuzzing::RecordingSink sink;
  std::string outcome = fuzzing::outcomeOf([&] { reader(context, data, text, sink); });
  outcome += "|" + data.TITLE_LINE + "|" + std::to_string(data.NUMBOFLOCI) + "|" + std::to_string(data.NUMBPOPS) +
             "|" + std::to_string(data.TOTNUMBINDIVIDUALS) + "\n" + sink.record + console.screen();
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size == 0) return 0;
  const Edition& edition = (bytes[0] & 1) != 0 ? edition3d() : edition2d();
  const std::string file(reinterpret_cast<const char*>(bytes) + 1, size - 1);
  const std::string text = withUnixLineEnds(file);
  const std::string once = readWith(edition, text, readGenepopOnce);
  const std::string passes = readWith(edition, text, READ_INFILE_I);
  if (once != passes) std::abort();
  Edition scripted = edition;
  scripted.failure = FailureStyle::OneLine;
  const std::string strict = readWith(scripted, text, readGenepopOnce);
  if (!strict.starts_with("fault ") && strict != once) std::abort();
  if (!strict.starts_with("fault ")) fuzzing::expectSameCounts(scripted, file, readGenepopOnce);
  return 0;
}
