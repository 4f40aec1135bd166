// SPDX-License-Identifier: MIT
#include <model/operations/model_component_mapping.h>

#include <absl/container/inlined_vector.h>

#include <ostrel/mesh/edged_curve.h>
#include <ostrel/mesh/point_set.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/section.h>

namespace veyra {
namespace {

template <index_t D>
index_t nb_mesh_elements(const Corner<D>& corner) {
  return corner.mesh().nb_vertices();
}

template <index_t D>
index_t nb_mesh_elements(const Line<D>& line) {
  return line.mesh().nb_edges();
}

template <index_t D>
index_t nb_mesh_elements(const Surface<D>& surface) {
  return surface.mesh().nb_polygons();
}

// Relates `component` to the component of every source of element (component, element).
// Components already related to it are skipped: a component holds few distinct sources, so a
// small inline list beats a hash set here.
void map_element_sources(const GenericMapping<MeshElement>& elements, const uuid& component,
                         index_t element, absl::InlinedVector<uuid, 2>& seen,
                         GenericMapping<uuid>& result) {
  const auto found = elements.out2in_map().find(MeshElement{component, element});
  if (found == elements.out2in_map().end()) return;
  for (const auto& source : found->second) {
    bool already_seen = false;
    for (const auto& id : seen) {
      if (id == source.component_id) {
        already_seen = true;
        break;
      }
    }
    if (already_seen) continue;
    seen.push_back(source.component_id);
    result.map(source.component_id, component);
  }
}

template <typename Range>
GenericMapping<uuid> component_mapping(const Range& components,
                                       const GenericMapping<MeshElement>& elements) {
  GenericMapping<uuid> result;
  if (elements.empty()) return result;
  absl::InlinedVector<uuid, 2> seen;
  for (const auto& component : components) {
    seen.clear();
    const auto nb_elements = nb_mesh_elements(component);
    for (index_t element = 0; element < nb_elements; ++element) {
      map_element_sources(elements, component.id(), element, seen, result);
    }
  }
  return result;
}

}  // namespace

template <typename Model>
ModelGenericMapping build_model_component_mapping(const Model& model,
                                                  const ModelMeshesElementMapping& elements) {
  ModelGenericMapping result;
  result.emplace(Corner<Model::dim>::component_type_static(),
                 component_mapping(model.corners(), elements.corners));
  result.emplace(Line<Model::dim>::component_type_static(),
                 component_mapping(model.lines(), elements.lines));
  result.emplace(Surface<Model::dim>::component_type_static(),
                 component_mapping(model.surfaces(), elements.surfaces));
  return result;
}

template ModelGenericMapping build_model_component_mapping(const BRep&,
                                                           const ModelMeshesElementMapping&);
template ModelGenericMapping build_model_component_mapping(const Section&,
                                                           const ModelMeshesElementMapping&);

ModelGenericMapping build_brep_component_mapping(const BRep& model,
                                                 const BRepMeshesElementMapping& elements) {
  auto result = build_model_component_mapping(model, elements);
  GenericMapping<uuid> blocks;
  absl::InlinedVector<uuid, 2> seen;
  for (const auto& block : model.blocks()) {
    // A block is judged by its first polyhedron alone.
    seen.clear();
    map_element_sources(elements.blocks, block.id(), 0, seen, blocks);
  }
  result.emplace(Block<3>::component_type_static(), std::move(blocks));
  return result;
}

}  // namespace veyra
