// SPDX-License-Identifier: MIT
// The bridges between the library and Python: the log sink and its hand-over to the "veyra"
// logger, the GIL release around library calls, and the translation of the framework's
// exceptions into VeyraError.
#include <any>
#include <atomic>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include <ostrel/basic/logger.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/geometry/point.h>

#include "bindings.h"
#include "meshes.h"

namespace veyra::python {
namespace {

struct LogLine {
  Logger::LEVEL level;
  std::string text;
};

// The sink never calls Python: it runs on whichever thread logs (a task pool thread while the
// GIL is released, or a thread holding the GIL while the Logger's own lock is held), and taking
// the GIL there could deadlock. Lines wait here until the GIL holder hands them over.
struct LogQueue {
  std::mutex mutex;
  std::vector<LogLine> lines;
};

LogQueue& log_queue() {
  static auto* queue = new LogQueue;  // never destroyed: the sink may run during shutdown
  return *queue;
}

std::atomic<index_t> running_without_gil{0};

int python_level(Logger::LEVEL level) {
  switch (level) {
    case Logger::LEVEL::trace:
      return 5;
    case Logger::LEVEL::debug:
      return 10;
    case Logger::LEVEL::info:
      return 20;
    case Logger::LEVEL::warn:
      return 30;
    case Logger::LEVEL::err:
      return 40;
    default:
      return 50;
  }
}

Logger::LEVEL library_level(int python) {
  if (python <= 5) return Logger::LEVEL::trace;
  if (python <= 10) return Logger::LEVEL::debug;
  if (python <= 20) return Logger::LEVEL::info;
  if (python <= 30) return Logger::LEVEL::warn;
  if (python <= 40) return Logger::LEVEL::err;
  if (python <= 50) return Logger::LEVEL::critical;
  return Logger::LEVEL::off;
}

py::object veyra_logger() {
  return py::module_::import("logging").attr("getLogger")("veyra");
}

// Lines below the logger's effective level are not even built by the library.
void follow_logger_level() {
  try {
    const auto logger = veyra_logger();
    const bool disabled = logger.attr("disabled").cast<bool>();
    Logger::set_level(disabled ? Logger::LEVEL::off
                               : library_level(logger.attr("getEffectiveLevel")().cast<int>()));
  } catch (py::error_already_set&) {
    // A broken logging setup leaves the level as it was.
  }
}

// A new reference kept for the whole process: the translator may run until the interpreter ends,
// and a py::object would be released after it.
py::handle error_class;

py::object point_tuple(const std::any& data) {
  if (const auto* point = std::any_cast<Point<3>>(&data)) {
    return py::make_tuple(point->value(0), point->value(1), point->value(2));
  }
  if (const auto* point = std::any_cast<Point<2>>(&data)) {
    return py::make_tuple(point->value(0), point->value(1));
  }
  return py::none();
}

void raise_veyra_error(const OstrelException& error) {
  py::object instance = error_class(error.what());
  instance.attr("message") = py::str(error.what());
  instance.attr("type") = error.type() == OstrelException::TYPE::input ? "input" : "internal";
  instance.attr("point") = point_tuple(error.data());
  instance.attr("project") = error.project();
  instance.attr("library") = error.library();
  PyErr_SetObject(error_class.ptr(), instance.ptr());
}

}  // namespace

LibraryCall::LibraryCall() {
  flush_log_lines();
  follow_logger_level();
}

LibraryCall::~LibraryCall() {
  try {
    flush_log_lines();
  } catch (...) {
    // A failing logging handler must not hide the call's own result or exception.
  }
}

GilRelease::GilRelease() { ++running_without_gil; }

GilRelease::~GilRelease() { --running_without_gil; }

index_t calls_without_gil() { return running_without_gil.load(); }

void flush_log_lines() {
  std::vector<LogLine> lines;
  {
    auto& queue = log_queue();
    const std::lock_guard lock{queue.mutex};
    lines.swap(queue.lines);
  }
  if (lines.empty()) return;
  const auto logger = veyra_logger();
  const auto log = logger.attr("log");
  for (const auto& line : lines) {
    try {
      log(python_level(line.level), line.text);
    } catch (py::error_already_set&) {
      // Same as logging's own handler errors: the line is lost, the program goes on.
    }
  }
}

void install_library_bridges(py::module_& module) {
  Logger::set_sink([](Logger::LEVEL level, std::string_view line) {
    auto& queue = log_queue();
    const std::lock_guard lock{queue.mutex};
    queue.lines.push_back({level, std::string{line}});
  });

  error_class = PyErr_NewExceptionWithDoc(
      "veyra.VeyraError",
      "An error the library reported.\n\n"
      "Attributes:\n"
      "    message: the library's message, which starts with the bracketed name of the failing\n"
      "        operation.\n"
      "    type: \"input\" when the caller's data cannot be processed, \"internal\" otherwise.\n"
      "    point: the (x, y, z) or (x, y) tuple where the failure was found, or None.\n"
      "    project, library: the names of the library that raised it (\"VeyraConversion\",\n"
      "        \"Model\"; \"Ostrel\", \"Mesh\"...).",
      PyExc_Exception, nullptr);
  if (!error_class) throw py::error_already_set();
  module.attr("VeyraError") = error_class;

  py::register_exception_translator([](std::exception_ptr pointer) {
    try {
      if (pointer) std::rethrow_exception(pointer);
    } catch (const OstrelException& error) {
      raise_veyra_error(error);
    } catch (const ComponentGone& error) {
      PyErr_SetString(PyExc_ReferenceError, error.what());
    }
  });

  module.def("_flush_log_lines", &flush_log_lines,
             "Hands the library's queued log lines to the \"veyra\" logger now (library calls\n"
             "already do it when they end).");
  module.def("_calls_without_gil", &calls_without_gil,
             "Number of library calls running with the GIL released, over all threads.");
}

}  // namespace veyra::python
