#include "pairs/pair_table.h"

namespace ortelan {

void makePairTable(const CountTable& locus, int a, int b, CountTable& pair, std::vector<int>* kept) {
  if (kept != nullptr) kept->clear();
  int columns = 0;
  for (int J = 1; J <= locus.columns; ++J) columns += (locus.at(a, J) + locus.at(b, J)) > 0 ? 1 : 0;
  pair.resize(2, columns);
  int column = 0;
  for (int J = 1; J <= locus.columns; ++J) {
    if (locus.at(a, J) + locus.at(b, J) == 0) continue;
    if (kept != nullptr) kept->push_back(J);
    ++column;
    pair.at(1, column) = locus.at(a, J);
    pair.at(2, column) = locus.at(b, J);
  }
}

bool isTestedPairTable(const CountTable& pair) {
  if (pair.rows != 2 || pair.columns < 2) return false;
  long first = 0, second = 0;
  for (int J = 1; J <= pair.columns; ++J) {
    first += pair.at(1, J);
    second += pair.at(2, J);
  }
  return first > 0 && second > 0;
}

}  // namespace ortelan
