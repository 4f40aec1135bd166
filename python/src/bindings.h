// SPDX-License-Identifier: MIT
// What the parts of the veyra Python module share: library calls made with the GIL released
// and their log lines handed to Python's logging, numpy arrays of indices and the text form of
// ids, and the bind_* function of each part.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <ostrel/basic/common.h>
#include <ostrel/basic/uuid.h>

namespace veyra::python {

namespace py = pybind11;

/// Numpy array of the library's index type.
using IndexArray = py::array_t<index_t, py::array::c_style>;

/// Around one call into the library, made with the GIL held: the library's log level follows the
/// "veyra" Python logger, and the lines the library wrote are handed to that logger when the call
/// ends (the library's sink only queues them: it may run on any thread, with or without the GIL).
class LibraryCall {
 public:
  LibraryCall();
  ~LibraryCall();
  LibraryCall(const LibraryCall&) = delete;
  LibraryCall& operator=(const LibraryCall&) = delete;
};

/// Releases the GIL for its lifetime and counts itself among the calls running without it.
class GilRelease {
 public:
  GilRelease();
  ~GilRelease();
  GilRelease(const GilRelease&) = delete;
  GilRelease& operator=(const GilRelease&) = delete;

 private:
  py::gil_scoped_release release_;
};

/// Runs `work` inside a LibraryCall with the GIL released, so that other Python threads keep
/// running. `work` must not touch any Python object: read the arrays and resolve the meshes
/// before.
template <typename Work>
decltype(auto) call_without_gil(Work&& work) {
  const LibraryCall call;
  const GilRelease release;
  return std::forward<Work>(work)();
}

/// Number of library calls currently running without the GIL, over all threads.
index_t calls_without_gil();

/// Installs the log sink and the exception translators; called once when the module loads.
void install_library_bridges(py::module_& module);

/// Hands the queued log lines to the "veyra" logger; needs the GIL.
void flush_log_lines();

/// The values of an integer array (any integer dtype, any layout) as a C-contiguous index array
/// of `ndim` dimensions; `bound` is the exclusive upper bound of every value (NO_ID: no bound).
/// \throw TypeError for a non-integer array, ValueError for a wrong shape or a value out of range;
/// `what` names the argument in the messages.
IndexArray index_array(const py::handle& values, const char* what, int ndim, index_t bound);

/// A numpy array that takes over `values` without copying them, shaped (size) or (rows, columns).
template <typename T>
py::array_t<T> to_numpy(std::vector<T>&& values, py::ssize_t columns = 0) {
  auto* owned = new std::vector<T>(std::move(values));
  py::capsule free_when_done(owned, [](void* pointer) {
    delete static_cast<std::vector<T>*>(pointer);
  });
  const auto size = static_cast<py::ssize_t>(owned->size());
  if (columns == 0) {
    return py::array_t<T>(std::vector<py::ssize_t>{size}, owned->data(), free_when_done);
  }
  return py::array_t<T>(std::vector<py::ssize_t>{size / columns, columns}, owned->data(),
                        free_when_done);
}

/// The id from its text, or from the `id` attribute of a component, mesh or model.
uuid to_uuid(const py::handle& value);
/// A numpy array of fixed-width strings holding the ids' texts.
py::array uuid_array(const std::vector<uuid>& ids);

void bind_meshes(py::module_& module);
void bind_mesh_attributes(py::module_& module);
void bind_mesh_files(py::module_& module);
void bind_models(py::module_& module);
void bind_mappings(py::module_& module);
void bind_operations(py::module_& module);
void bind_model_edits(py::module_& module);
void bind_validation(py::module_& module);

}  // namespace veyra::python
