#include "genotype_frame.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <charconv>
#include <cmath>

#include "input/tables/locus_counts.h"
#include "run/failure.h"
#include "run/names.h"

namespace ortelan {
namespace py = pybind11;

namespace {

constexpr int kLargestCode = 999999999;
// Cells read between looks for Ctrl-C.
constexpr std::size_t kCellsBetweenLooks = 1 << 16;

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
  const py::array cells = py::reinterpret_borrow<py::array>(columns);
  const std::size_t individuals = frame.individuals.size();
  if (cells.dtype().kind() != 'O' || cells.ndim() != 2 || static_cast<std::size_t>(cells.shape(0)) != frame.loci.size() ||
      static_cast<std::size_t>(cells.shape(1)) != individuals) {
    throw py::value_error("the genotypes must be an object array of loci x individuals");
  }
  const auto* base = static_cast<const char*>(cells.data());
  frame.genotypes.assign(frame.loci.size(), std::vector<GenotypeCodes>(individuals));
  std::size_t read = 0;
  for (std::size_t locus = 0; locus < frame.loci.size(); ++locus) {
    std::vector<GenotypeCodes>& codes = frame.genotypes[locus];
    for (std::size_t i = 0; i < individuals; ++i) {
      if (++read % kCellsBetweenLooks == 0 && PyErr_CheckSignals() != 0) throw py::error_already_set();
      const char* place = base + static_cast<py::ssize_t>(locus) * cells.strides(0) + static_cast<py::ssize_t>(i) * cells.strides(1);
      const py::handle cell(*reinterpret_cast<PyObject* const*>(place));
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
  // The individuals too, for the permutation tests.
  GivenIndividuals& individuals = data.individuals.emplace();
  for (int pop : frame.population) individuals.population.push_back(pop + 1);
  std::vector<int> present;
  for (const std::vector<GenotypeCodes>& codes : frame.genotypes) {
    // The alleles present, in increasing order, are the table's columns from 1.
    present.clear();
    for (const GenotypeCodes& g : codes) {
      for (int code : {g.first, g.second}) {
        if (code > 0 && std::find(present.begin(), present.end(), code) == present.end()) present.push_back(code);
      }
    }
    std::sort(present.begin(), present.end());
    const auto columnOf = [&present](int code) {
      return code > 0 ? static_cast<std::size_t>(std::lower_bound(present.begin(), present.end(), code) - present.begin()) + 1
                      : std::size_t{0};
    };
    const std::size_t columns = present.size() + 1;
    std::vector<std::vector<int>> counts(populations, std::vector<int>(columns, 0));
    // The complete genotypes, by the columns of their alleles (first <= second),
    // where there are few enough alleles to test (the core refuses the others).
    const bool withGenotypes = present.size() <= static_cast<std::size_t>(kMaxAlleles);
    std::vector<int> slot(withGenotypes ? columns * columns : 0, -1);
    std::vector<std::vector<int>> byGenotype;  // per genotype seen, per population
    std::vector<std::uint8_t>& genes = individuals.genes.emplace_back();
    for (std::size_t i = 0; i < codes.size(); ++i) {
      const auto pop = static_cast<std::size_t>(frame.population[i]);
      const std::size_t a = columnOf(codes[i].first), b = columnOf(codes[i].second);
      // Past the columns a table may hold, the core refuses the locus anyway.
      genes.push_back(static_cast<std::uint8_t>(std::min<std::size_t>(a, 255)));
      genes.push_back(static_cast<std::uint8_t>(std::min<std::size_t>(b, 255)));
      ++counts[pop][a];
      ++counts[pop][b];
      if (!withGenotypes || a == 0 || b == 0) continue;
      int& genotype = slot[std::min(a, b) * columns + std::max(a, b)];
      if (genotype < 0) {
        genotype = static_cast<int>(byGenotype.size());
        byGenotype.emplace_back(populations, 0);
      }
      ++byGenotype[static_cast<std::size_t>(genotype)][pop];
    }
    GivenGenotypes genotypes;
    genotypes.counts.assign(populations, {});
    for (std::size_t key = 0; key < slot.size(); ++key) {
      if (slot[key] < 0) continue;
      genotypes.alleles.emplace_back(static_cast<int>(key / columns), static_cast<int>(key % columns));
      const std::vector<int>& byPopulation = byGenotype[static_cast<std::size_t>(slot[key])];
      for (std::size_t pop = 0; pop < populations; ++pop) genotypes.counts[pop].push_back(byPopulation[pop]);
    }
    data.counts.push_back(std::move(counts));
    data.genotypes.push_back(std::move(genotypes));
  }
  return data;
}

}  // namespace ortelan
