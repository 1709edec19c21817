#include "python_console.h"

namespace ortelan {
namespace py = pybind11;

namespace {

constexpr std::chrono::milliseconds kLookEvery{50};

}  // namespace

bool PythonConsole::interrupted() {
  if (raised_) return true;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastLook_ < kLookEvery) return false;
  lastLook_ = now;
  py::gil_scoped_acquire gil;
  if (PyErr_CheckSignals() == 0) return false;
  raised_.emplace();  // takes the exception the handler raised
  return true;
}

void PythonConsole::raiseIfInterrupted() {
  if (!raised_) return;
  py::error_already_set raised = std::move(*raised_);
  raised_.reset();
  throw raised;
}

void PythonConsole::keep(py::error_already_set raised) {
  if (!raised_) raised_.emplace(std::move(raised));
}

void PythonStderr::write(Stream, std::string_view text) {
  py::gil_scoped_acquire gil;
  // A progress line that cannot be shown is not worth ending a run for;
  // Ctrl-C meanwhile is.
  try {
    py::object err = py::module_::import("sys").attr("stderr");
    if (err.is_none()) return;
    err.attr("write")(py::str(text.data(), text.size()));
    err.attr("flush")();
  } catch (py::error_already_set& raised) {
    if (!raised.matches(PyExc_Exception)) run_.keep(std::move(raised));
  }
}

}  // namespace ortelan
