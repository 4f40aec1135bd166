// SPDX-License-Identifier: MIT
// Models as the Python objects hold them: BRep and Section shared with the components, meshes
// and mappings that refer to them, and Component, a reference to one component of a model.
#pragma once

#include <memory>
#include <variant>

#include <ostrel/basic/component_id.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/section.h>

#include "bindings.h"

namespace veyra::python {

using ModelPointer = std::variant<std::shared_ptr<BRep>, std::shared_ptr<Section>>;

/// One component (or collection, or model boundary) of a model, by type and id. Its name, flag
/// and mesh are read from the model at each use.
struct ComponentRef {
  ModelPointer model;
  ComponentID id;
};

/// The Python object of a new model.
template <typename Model>
std::shared_ptr<Model> share_model(Model&& model) {
  return std::make_shared<Model>(std::move(model));
}

/// The block `component` refers to.
/// \throw ValueError when it is no block of a BRep, ReferenceError when the BRep lost it.
const Block<3>& block_of(const ComponentRef& component);
/// The surface `component` refers to.
/// \throw ValueError when it is no surface of a BRep, ReferenceError when the BRep lost it.
const Surface<3>& brep_surface_of(const ComponentRef& component);

}  // namespace veyra::python
