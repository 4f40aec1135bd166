// SPDX-License-Identifier: MIT
// Attribute sections of the native model files: every attribute of a manager with its name,
// storage, value type, properties, default and values. Supported value types: arithmetic types,
// std::array of 2, 3 or 4 arithmetic items, uuid, absl::flat_hash_map<uuid, index_t>, and the
// geometry points and vectors. Attributes of other types are skipped with a warning.
#pragma once

#include <string_view>

#include <ostrel/basic/attribute_manager.h>

#include "binary_stream.h"

namespace veyra::internal {

/// Writes the supported attributes of `manager` in name order. `context` names the element set
/// in the warning about skipped attributes, for example "Surface <id> polygons".
void write_attributes(BinaryWriter& writer, const AttributeManager& manager,
                      std::string_view context);

/// Reads what write_attributes wrote into `manager`, whose element count is already set.
void read_attributes(BinaryReader& reader, AttributeManager& manager);

}  // namespace veyra::internal
