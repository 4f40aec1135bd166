// SPDX-License-Identifier: MIT
// AttributeTable: the attributes of one kind of mesh element (vertices, edges, polygons,
// polyhedra) seen from Python as a mapping from names to numpy arrays.
#pragma once

#include <functional>
#include <string>

#include <ostrel/basic/attribute_manager.h>

#include "bindings.h"

namespace veyra::python {

/// The attributes of one kind of element of a mesh. The manager is found again at each use, so
/// that a table of a model component's mesh fails cleanly once the component is gone; `owner` is
/// the Python mesh object, kept alive by the table.
struct AttributeTable {
  std::function<AttributeManager&()> manager;
  py::object owner;
  std::string elements;
};

}  // namespace veyra::python
