#include "app/dialogue.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "run/failure.h"

namespace ortelan {
namespace {

constexpr std::string_view kRule = " -----------------------------------------------------------------------";

bool isWhite(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::optional<std::int32_t> parseInt32(std::string_view token) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  std::int32_t value = 0;
  auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (token.empty() || error != std::errc() || end != token.data() + token.size()) return std::nullopt;
  return value;
}

// readln of an integer: the next whitespace-delimited word must be a whole
// number; the rest of its line is skipped. Anything else is run-time error
// 106, the end of input included.
std::int32_t readIntegerLine(Console& console) {
  while (isWhite(console.peekChar())) console.getChar();
  std::string token;
  while (console.peekChar() != Console::kEnd && !isWhite(console.peekChar())) {
    token.push_back(static_cast<char>(console.getChar()));
  }
  skipLine(console);
  if (auto value = parseInt32(token)) return *value;
  runTimeError(106, "OPEN_INFILE_FIRST_SCREEN");
}

// Stream extraction of an integer: blanks and line ends are skipped, then a
// sign and the longest run of digits are taken; the rest stays for the
// next read. Empty when no number stands there.
enum class NumberRead { Ok, NotANumber, EndOfInput };
NumberRead extractInteger(Console& console, std::int32_t& value) {
  while (isWhite(console.peekChar())) console.getChar();
  if (console.peekChar() == Console::kEnd) return NumberRead::EndOfInput;
  std::string token;
  if (console.peekChar() == '+' || console.peekChar() == '-') token.push_back(static_cast<char>(console.getChar()));
  while (console.peekChar() >= '0' && console.peekChar() <= '9') token.push_back(static_cast<char>(console.getChar()));
  auto parsed = parseInt32(token);
  if (!parsed) return NumberRead::NotANumber;
  value = *parsed;
  return NumberRead::Ok;
}

struct SettingPrompt {
  std::string_view prompt;
  std::int32_t lowest;
  std::string_view refusal;
};

constexpr SettingPrompt kPrompts[] = {
    {"Give number of dememorizations: ", 0, "The number of dememorization steps cannot be negative."},
    {"Give number of batches: ", 2, "The number of batches must be at least 2."},
    {"Give number of iterations per batch: ", 1, "The number of iterations per batch must be at least 1."},
};

// One setting: the prompt again after an answer the chain cannot use.
std::int32_t askSetting(const Edition& edition, Console& console, const SettingPrompt& setting) {
  for (;;) {
    console.write(Stream::Out, setting.prompt);
    std::int32_t value = 0;
    if (edition.answerKeyWithoutEcho) {
      value = readIntegerLine(console);
    } else {
      NumberRead read = extractInteger(console, value);
      if (read == NumberRead::EndOfInput) fatalStop(console, "No answer to the settings prompt: input ended");
      if (read == NumberRead::NotANumber) {
        writeLine(console, edition.diagnostics, "Please give a whole number.");
        skipLine(console);
        continue;
      }
    }
    if (value >= setting.lowest) return value;
    writeLine(console, edition.diagnostics, setting.refusal);
  }
}

// The data file must open; otherwise the run ends here.
void checkDataFile(const Edition& edition, Console& console, const std::string& name) {
  if (edition.failure == FailureStyle::RunTimeErrors) {
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0) runTimeError(errno == EACCES ? 5 : 2, "OPEN_INFILE_FIRST_SCREEN");
    if (S_ISDIR(info.st_mode)) runTimeError(2, "OPEN_INFILE_FIRST_SCREEN");
    if (std::FILE* file = std::fopen(name.c_str(), "r")) {
      std::fclose(file);
      return;
    }
    runTimeError(5, "OPEN_INFILE_FIRST_SCREEN");
  }
  // Opened for reading and writing, as the reader later does.
  if (std::FILE* file = std::fopen(name.c_str(), "r+")) {
    std::fclose(file);
    return;
  }
  console.write(Stream::Err, "No file (" + name + ") found!\n");
  fatalStop(console, name);
}

}  // namespace

void writeOpeningScreen(const Edition& edition, Console& console) {
  if (edition.clearsOpeningScreen) console.clearScreen();
  for (std::string_view line :
       {kRule, edition.nameLine, std::string_view(" Testing the hypothesis of identical allele frequency distributions"),
        std::string_view(" in two or more populations by means of Pearson's chi-square and"),
        std::string_view(" Fisher's exact test (unbiased estimate of P-value)."), edition.authorLine, kRule,
        std::string_view("   Data must be in the GENEPOP format with locus names on separate"), edition.formatLine2,
        edition.formatLine3, std::string_view(),
        std::string_view("   Max. 100 populations, 10,000 loci, and 99 alleles per locus."), std::string_view(),
        std::string_view(), std::string_view()}) {
    writeLine(console, Stream::Out, line);
  }
}

ChainSettings askChainSettings(const Edition& edition, Console& console) {
  writeLine(console, Stream::Out);
  writeLine(console, Stream::Out, "The default Markov chain settings are:");
  writeLine(console, Stream::Out, " 10,000 dememorization steps");
  writeLine(console, Stream::Out, "    100 batches");
  writeLine(console, Stream::Out, "  5,000 iterations/batch");
  writeLine(console, Stream::Out);
  console.write(Stream::Out, "Do you want other settings than the above defaults? (Y/Return): ");
  int answer;
  if (edition.answerKeyWithoutEcho) {
    answer = console.readKeyWithoutEcho();
    writeLine(console, Stream::Out);
  } else {
    answer = console.getChar();
  }
  ChainSettings settings;
  if (answer == 'Y' || answer == 'y') {
    settings.dememorizations = askSetting(edition, console, kPrompts[0]);
    settings.batches = askSetting(edition, console, kPrompts[1]);
    settings.iterationsPerBatch = askSetting(edition, console, kPrompts[2]);
  }
  return settings;
}

void writeWaitingScreen(const Edition& edition, Console& console) {
  if (edition.clearsByCommand) {
    console.clearScreenByCommand();
  } else {
    console.clearScreen();
  }
  for (int i = 0; i < 10; ++i) writeLine(console, Stream::Out);
  writeLine(console, Stream::Out, "                 PLEASE WAIT!! PROGRAM IS RUNNING!!");
  writeLine(console, Stream::Out);
  writeLine(console, Stream::Out);
  writeLine(console, Stream::Out, edition.outputLine);
  writeLine(console, Stream::Out);
  writeLine(console, Stream::Out, "             Execution is not finished until this screen disappears");
  if (!edition.lastWaitingLine.empty()) {
    writeLine(console, Stream::Out);
    writeLine(console, Stream::Out);
    writeLine(console, Stream::Out, edition.lastWaitingLine);
  }
}

DialogueAnswers OPEN_INFILE_FIRST_SCREEN(const Edition& edition, Console& console) {
  writeOpeningScreen(edition, console);
  console.write(Stream::Out, "   Give name of input file: ");
  DialogueAnswers answers;
  answers.fileName = readLine(console).value_or("");
  checkDataFile(edition, console, answers.fileName);
  answers.settings = askChainSettings(edition, console);
  writeWaitingScreen(edition, console);
  return answers;
}

}  // namespace ortelan
