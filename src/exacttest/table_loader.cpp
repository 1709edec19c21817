#include "exacttest/table_loader.h"

#include <string>

namespace ortelan {
namespace {

constexpr const char* kWhere = "READINFILE";
constexpr int kMaxDimension = 101;  // the working table holds 102 x 102 with its margins

}  // namespace

void walkFor(ExactTest test, LoadedTable& table, const std::vector<std::uint32_t>* genotypeKeys, ExactMode exact,
             const SamplingSettings& sampling) {
  table.ordering = test == ExactTest::Genic ? Ordering::Probability : Ordering::G;
  if (test == ExactTest::Genotypic) table.genotypeColumns = genotypeColumnsOf(*genotypeKeys, table.alleleColumns);
  table.mayEnumerate = exact == ExactMode::Auto;
  table.sampling = sampling;
}

void READINFILE(RunContext& context, TableNumbers& scanner, LoadedTable& table, std::string_view locusLabel) {
  const bool oneLine = context.edition.failure == FailureStyle::OneLine;
  std::string checks;  // what failed, for a scripted run
  auto failedCheck = [&](std::string_view message) {
    if (oneLine) {
      checks += checks.empty() ? "" : "; ";
      checks += message;
    } else {
      context.diagnostic(message);
    }
  };
  auto note = [&](const std::string& message) {
    if (!oneLine) context.diagnostic(message);
  };
  auto number16 = [&] { return static_cast<int>(readTableNumber(context, scanner, -32768, 32767, kWhere)); };
  auto number32 = [&] {
    return static_cast<std::int32_t>(readTableNumber(context, scanner, INT32_MIN, INT32_MAX, kWhere));
  };
  bool CHECK = false;
  table.N = number16();
  table.M = number16();
  for (int& seed : table.UU) seed = number16();
  table.MEM = number32();
  table.B = number32();
  table.C = number32();
  const bool lineByLine = context.edition.tableForm == TableForm::FilePerLocus;
  if (lineByLine) scanner.skipLine();

  if (table.N < 2) {
    CHECK = true;
    failedCheck(oneLine ? "the data hold a single population; the tests need two or more" : "Table only contains one row!!");
  }
  if (table.M < 2) {
    CHECK = true;
    failedCheck("Table only contains one column!!");
  }
  for (int seed : table.UU) {
    if (seed > 168 || seed < 1) {
      CHECK = true;
      failedCheck("Seed number must be in the range 1-168!!");
      break;
    }
  }
  // Table data files beyond the data model reach the loader only by editing.
  if (scanner.boundedByDataModel() && (table.N > kMaxDimension || table.M > kMaxDimension)) {
    context.fault(201, kWhere, "Table too large in the table data ~TMPlocus.tmp");
  }
  if (table.MEM < 0 || table.B < 2 || table.C < 1) {
    context.fault(201, kWhere, "Chain settings out of range in the table data ~TMPlocus.tmp");
  }

  const int N = std::max(table.N, 0);
  const int M = std::max(table.M, 0);
  table.MM.resize(N, M);
  std::int64_t TOT = 0;
  for (int I = 1; I <= N; ++I) {
    std::int64_t LIGNE = 0;
    for (int J = 1; J <= M; ++J) {
      const auto count = static_cast<std::int32_t>(readTableNumber(context, scanner, 0, INT32_MAX, kWhere));
      table.MM.at(I, J) = count;
      TOT += count;
      LIGNE += count;
    }
    if (TOT > INT32_MAX) context.fault(215, kWhere, "Table total beyond range in the table data ~TMPlocus.tmp");
    if (lineByLine || I == N) scanner.skipLine();
    table.MM.at(I, M + 1) = static_cast<std::int32_t>(LIGNE);
    if (LIGNE == 0) note("Warning: Line " + std::to_string(I) + " is empty!");
  }
  if (!lineByLine && N == 0) scanner.skipLine();
  table.TOT = static_cast<std::int32_t>(TOT);
  table.MM.at(N + 1, M + 1) = table.TOT;
  if (table.TOT == 0) {
    CHECK = true;
    failedCheck("Something is wrong. The table is empty!!");
  }
  for (int J = 1; J <= M; ++J) {
    std::int32_t COLON = 0;
    for (int I = 1; I <= N; ++I) COLON += table.MM.at(I, J);
    table.MM.at(N + 1, J) = COLON;
    if (COLON == 0) note("Warning: Column " + std::to_string(J) + " is empty!");
  }
  if (CHECK) {
    if (context.edition.failure == FailureStyle::RunTimeErrors) throw RunEnded{0};
    context.dataFault(0, kWhere, "halt", std::string(locusLabel) + ": " + checks);
  }
}

}  // namespace ortelan
