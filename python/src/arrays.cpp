// SPDX-License-Identifier: MIT
// Index arrays from any integer numpy array, and ids to and from their texts.
#include <cstdint>
#include <string>

#include <ostrel/basic/str_cat.h>

#include "bindings.h"

namespace veyra::python {
namespace {

IndexArray empty_index_array(int ndim) {
  if (ndim == 1) return IndexArray(std::vector<py::ssize_t>{0});
  return IndexArray(std::vector<py::ssize_t>{0, 0});
}

[[noreturn]] void out_of_range(const char* what, long long value, py::ssize_t position,
                               index_t bound) {
  if (value < 0) {
    throw py::value_error(str_cat(what, ": negative value ", value, " at flat position ",
                                  position));
  }
  throw py::value_error(str_cat(what, ": value ", value, " at flat position ", position,
                                " is out of range (must be below ", bound, ")"));
}

}  // namespace

IndexArray index_array(const py::handle& values, const char* what, int ndim, index_t bound) {
  auto array = py::array::ensure(values);
  if (!array) throw py::type_error(str_cat(what, ": expected an array of integers"));
  if (array.size() == 0) return empty_index_array(ndim);
  const char kind = array.dtype().kind();
  if (kind != 'i' && kind != 'u') {
    throw py::type_error(str_cat(what, ": expected integers, got an array of dtype ",
                                 std::string{py::str(array.dtype())}));
  }
  if (array.ndim() != ndim) {
    throw py::value_error(str_cat(what, ": expected ", ndim, " dimension(s), got ",
                                  array.ndim()));
  }
  // An index array already in the library's type is used as it is, after one bound check.
  if (py::isinstance<IndexArray>(array) && (array.flags() & py::array::c_style)) {
    auto indices = py::reinterpret_borrow<IndexArray>(array);
    const auto* data = indices.data();
    for (py::ssize_t i = 0; i < indices.size(); ++i) {
      if (data[i] >= bound) out_of_range(what, data[i], i, bound);
    }
    return indices;
  }
  const auto wide = py::array_t<long long, py::array::c_style | py::array::forcecast>::ensure(array);
  if (!wide) throw py::error_already_set();
  std::vector<py::ssize_t> shape(array.shape(), array.shape() + array.ndim());
  IndexArray indices(shape);
  const auto* source = wide.data();
  auto* target = indices.mutable_data();
  for (py::ssize_t i = 0; i < wide.size(); ++i) {
    const auto value = source[i];
    if (value < 0 || static_cast<unsigned long long>(value) >= bound) {
      out_of_range(what, value, i, bound);
    }
    target[i] = static_cast<index_t>(value);
  }
  return indices;
}

uuid to_uuid(const py::handle& value) {
  if (py::isinstance<py::str>(value)) return uuid{value.cast<std::string>()};
  if (py::hasattr(value, "id")) return to_uuid(value.attr("id"));
  throw py::type_error("expected an id: its text, or an object with an id");
}

py::array uuid_array(const std::vector<uuid>& ids) {
  constexpr py::ssize_t width = 36;
  py::array texts(py::dtype("U36"), std::vector<py::ssize_t>{static_cast<py::ssize_t>(ids.size())});
  // numpy's fixed-width strings hold one 32-bit code point per character.
  auto* characters = static_cast<std::uint32_t*>(texts.mutable_data());
  for (std::size_t i = 0; i < ids.size(); ++i) {
    const auto text = ids[i].string();
    for (py::ssize_t c = 0; c < width; ++c) {
      characters[static_cast<py::ssize_t>(i) * width + c] = static_cast<unsigned char>(text[c]);
    }
  }
  return texts;
}

}  // namespace veyra::python
