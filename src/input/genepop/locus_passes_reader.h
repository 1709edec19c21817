// READ_INFILE_I: the GENEPOP reader of the 80-bit programs. One pass over
// the file for the title and the locus names, then one pass per locus that
// counts that locus's table and hands it to the table writer at once.
#pragma once

#include <string_view>

#include "input/data_warnings.h"
#include "input/tables/table_data_writer.h"
#include "run/run.h"

namespace ortelan {

// Exactly "POP", "Pop" or "pop".
bool isPopulationWord(std::string_view text);

// A population line: "pop" in any mix of cases, then nothing, a blank, a
// tab or a comma, whatever comes after ("POP ", "Pop  Site A", "pop,2";
// not "Population size").
bool isPopulationLine(std::string_view line);

// Whether the first three characters of an entry in the data, `prefix`,
// start a population, `next` being the character after them (or the end of
// the file): a population word, whatever follows, or a population line.
bool startsPopulation(std::string_view prefix, char next, bool atEnd);

// Where the data of the 80-bit readers begin: after the first population
// line that follows the title (or right after a title that is a population
// word).
std::size_t dataStart(std::string_view text);

// The locus names of one name-list line: the line itself, or, when it holds
// commas, the pieces between them, trimmed of blanks, empty ones skipped.
// Each name is cut after `maxLength` characters.
template <class Add>
void forEachLocusName(std::string_view line, std::size_t maxLength, Add add) {
  if (line.find(',') == std::string_view::npos) {
    add(line.substr(0, maxLength));
    return;
  }
  while (!line.empty()) {
    const std::size_t comma = std::min(line.find(','), line.size());
    const std::string_view piece = trimBlanks(line.substr(0, comma));
    if (!piece.empty()) add(piece.substr(0, maxLength));
    line.remove_prefix(std::min(comma + 1, line.size()));
  }
}

// Reads the title and the locus names; fails with the wrong-infile warning
// when the file ends within the name list or right after its population line.
void readTitleAndLocusNames(RunContext& context, DataSummary& data, std::string_view text);

// Gene copies per population (1..100) and allele code (0..999).
using CodeCounts = std::array<std::array<std::int32_t, kMaxCodeValue + 1>, kMaxPopulations + 1>;

// Counts locus `locus` in one pass over the file (the genotypes of the
// loci before it are read and dropped); returns the number of populations.
int countLocusPass(std::string_view text, int locus, int alleleDigits, CodeCounts& counts);

// The counts by code as table columns (the codes present, in increasing
// order); false when the locus has more than 99 alleles.
bool toColumns(const CodeCounts& byCode, int populations, LocusCounts& counts);

// The whole reader: `text` is the data file with Unix line ends.
void READ_INFILE_I(RunContext& context, DataSummary& data, std::string_view text, LocusTableSink& writer);

}  // namespace ortelan
