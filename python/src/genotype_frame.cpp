#include "genotype_frame.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

#include "run/failure.h"
#include "run/names.h"

namespace ortelan {
namespace py = pybind11;

namespace {

constexpr int kLargestCode = 999999999;

// An allele's text: digits, or nothing, "." or "NA" for a missing gene.
bool codeOfText(std::string_view text, int& code) {
  text = trimBlanks(text);
  if (text.empty() || text == "." || text == "NA") {
    code = 0;
    return true;
  }
  if (text.size() > 9) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), code);
  return error == std::errc() && end == text.data() + text.size() && code >= 0;
}

// An allele given as a number (a Python or NumPy integer), or missing.
bool codeOfObject(py::handle item, py::handle missing, int& code) {
  if (item.is_none() || item.is(missing)) {
    code = 0;
    return true;
  }
  if (PyFloat_Check(item.ptr()) && std::isnan(PyFloat_AsDouble(item.ptr()))) {
    code = 0;
    return true;
  }
  if (PyBool_Check(item.ptr()) || PyFloat_Check(item.ptr()) || PyUnicode_Check(item.ptr())) return false;
  PyObject* index = PyNumber_Index(item.ptr());
  if (index == nullptr) {
    PyErr_Clear();
    return false;
  }
  int overflow = 0;
  const long long value = PyLong_AsLongLongAndOverflow(index, &overflow);
  Py_DECREF(index);
  if (overflow != 0 || value < 0 || value > kLargestCode) return false;
  code = static_cast<int>(value);
  return true;
}

std::string textOf(py::handle cell) {
  try {
    return py::str(cell).cast<std::string>();
  } catch (py::error_already_set&) {
    return "?";
  }
}

}  // namespace

bool genotypeOfText(std::string_view text, int digits, GenotypeCodes& codes) {
  text = trimBlanks(text);
  if (text.empty() || text == "NA") {
    codes = {};
    return true;
  }
  const std::size_t cut = text.find_first_of("/|");
  if (cut != std::string_view::npos) {
    const std::string_view second = text.substr(cut + 1);
    if (second.find_first_of("/|") != std::string_view::npos) return false;
    return codeOfText(text.substr(0, cut), codes.first) && codeOfText(second, codes.second);
  }
  // Both codes written together, as in a GENEPOP file.
  const bool width = digits > 0 ? text.size() == static_cast<std::size_t>(2 * digits) : text.size() == 4 || text.size() == 6;
  if (!width || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
  const std::size_t half = text.size() / 2;
  return codeOfText(text.substr(0, half), codes.first) && codeOfText(text.substr(half), codes.second);
}

bool genotypeOfCell(py::handle cell, int digits, py::handle missing, GenotypeCodes& codes) {
  codes = {};
  if (cell.is_none() || cell.is(missing)) return true;
  PyObject* object = cell.ptr();
  if (PyFloat_Check(object)) return std::isnan(PyFloat_AsDouble(object));
  if (PyUnicode_Check(object)) {
    Py_ssize_t size = 0;
    const char* text = PyUnicode_AsUTF8AndSize(object, &size);
    if (text == nullptr) {
      PyErr_Clear();
      return false;
    }
    return genotypeOfText(std::string_view(text, static_cast<std::size_t>(size)), digits, codes);
  }
  if (PyTuple_Check(object) || PyList_Check(object)) {
    const py::sequence pair = py::reinterpret_borrow<py::sequence>(cell);
    if (pair.size() != 2) return false;
    return codeOfObject(pair[0], missing, codes.first) && codeOfObject(pair[1], missing, codes.second);
  }
  return false;
}

void readGenotypeColumns(GenotypeFrame& frame, py::handle columns, int digits, py::handle missing) {
  const py::sequence loci = py::reinterpret_borrow<py::sequence>(columns);
  frame.genotypes.assign(loci.size(), {});
  for (std::size_t locus = 0; locus < loci.size(); ++locus) {
    const py::sequence cells = py::reinterpret_borrow<py::sequence>(loci[locus]);
    if (cells.size() != frame.individuals.size()) {
      throw OneLineFault{frame.name + ": locus " + frame.loci[locus] + " does not have a genotype for every individual"};
    }
    std::vector<GenotypeCodes>& codes = frame.genotypes[locus];
    codes.resize(cells.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const py::object cell = cells[i];
      if (!genotypeOfCell(cell, digits, missing, codes[i])) {
        throw OneLineFault{frame.name + ": individual " + frame.individuals[i] + ", locus " + frame.loci[locus] +
                           ": " + textOf(py::repr(cell)) + " is not a genotype such as \"41/43\""};
      }
    }
  }
}

GivenData givenDataOf(const GenotypeFrame& frame) {
  GivenData data;
  data.title = frame.title;
  data.locusNames = frame.loci;
  data.populationLabels = frame.populations;
  const std::size_t populations = frame.populations.size();
  for (const std::vector<GenotypeCodes>& codes : frame.genotypes) {
    // The alleles present, in increasing order, are the table's columns from 1.
    std::map<int, int> column;
    for (const GenotypeCodes& g : codes) {
      if (g.first > 0) column.emplace(g.first, 0);
      if (g.second > 0) column.emplace(g.second, 0);
    }
    int next = 0;
    for (auto& [code, place] : column) place = ++next;
    std::vector<std::vector<int>> counts(populations, std::vector<int>(column.size() + 1, 0));
    // The complete genotypes by their columns, first <= second.
    std::map<std::pair<int, int>, std::vector<int>> complete;
    for (std::size_t i = 0; i < codes.size(); ++i) {
      std::vector<int>& row = counts[static_cast<std::size_t>(frame.population[i])];
      const GenotypeCodes& g = codes[i];
      const int a = g.first > 0 ? column[g.first] : 0;
      const int b = g.second > 0 ? column[g.second] : 0;
      ++row[static_cast<std::size_t>(a)];
      ++row[static_cast<std::size_t>(b)];
      if (a > 0 && b > 0) {
        std::vector<int>& byPopulation = complete[{std::min(a, b), std::max(a, b)}];
        byPopulation.resize(populations, 0);
        ++byPopulation[static_cast<std::size_t>(frame.population[i])];
      }
    }
    GivenGenotypes genotypes;
    genotypes.counts.assign(populations, {});
    for (const auto& [alleles, byPopulation] : complete) {
      genotypes.alleles.push_back(alleles);
      for (std::size_t pop = 0; pop < populations; ++pop) genotypes.counts[pop].push_back(byPopulation[pop]);
    }
    data.counts.push_back(std::move(counts));
    data.genotypes.push_back(std::move(genotypes));
  }
  return data;
}

}  // namespace ortelan
