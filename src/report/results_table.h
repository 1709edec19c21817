// The results table of a scripted run: tab-separated, one row per locus in
// the run and a row of totals, with every number at full precision, for R
// (read.delim(comment.char = "#")) and spreadsheets.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "report/table_values.h"
#include "run/edition.h"
#include "run/run_state.h"

namespace ortelan {

// What the table's first line records, so that any run can be repeated.
struct TableHeading {
  std::string_view program;
  std::string_view version;
  std::string input;
  std::uint64_t seed = 0;
  ChainSettings chain;
};

// "# <program> <version> input=<file> seed=<S> dememorization=<D> batches=<B> iterations=<C>".
std::string tableCommentLine(const TableHeading& heading);

// A real as the table writes it: every digit its type holds (17 significant
// digits for a double, 21 for an 80-bit real), so that the value reads back
// exactly and rounds as the report rounds it.
template <class Real>
std::string tableNumber(Real value);

// Appends a tab and the field.
inline void appendField(std::string& text, std::string_view field) {
  text += '\t';
  text += field;
}

// The five result fields of a tested locus: p_fisher, se_fisher, chi2, df, p_chi2.
template <class Real>
void appendLocusFields(std::string& text, const LocusValues<Real>& values);

// The result fields of a TOTAL row: p_fisher, NA for se_fisher, chi2, df, p_chi2.
template <class Real>
void appendTotalFields(std::string& text, const TotalValues<Real>& values);

// A name as a table field: trimmed of blanks, with tabs and other control
// characters as blanks.
std::string tableName(std::string_view name);

// The whole table, CRLF line ends.
template <class Real>
std::string formatResultsTable(const TableHeading& heading, const RunState<Real>& state);

}  // namespace ortelan
