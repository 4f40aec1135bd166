// SPDX-License-Identifier: MIT
// The mapping records the library returns: which input component, mesh vertex or mesh element
// became which output one, plus the small records shared by the topology operations.
#pragma once

#include <vector>

#include <ostrel/basic/generic_mapping.h>
#include <ostrel/basic/mesh_element.h>
#include <ostrel/basic/model_mapping.h>
#include <ostrel/basic/uuid.h>

namespace veyra {

class BRep;
class Section;

/// Mesh element mappings of a Section-like model: the elements of a corner mesh are its
/// vertices, of a line mesh its edges, of a surface mesh its polygons.
struct ModelMeshesElementMapping {
  GenericMapping<MeshElement> corners;
  GenericMapping<MeshElement> lines;
  GenericMapping<MeshElement> surfaces;

  friend bool operator==(const ModelMeshesElementMapping&,
                         const ModelMeshesElementMapping&) = default;
};

/// Adds the block meshes' polyhedra.
struct BRepMeshesElementMapping : ModelMeshesElementMapping {
  GenericMapping<MeshElement> blocks;

  friend bool operator==(const BRepMeshesElementMapping&, const BRepMeshesElementMapping&) = default;
};

/// Mesh vertex mappings, one per component kind.
struct ModelMeshesVertexMapping {
  GenericMapping<MeshVertex> corners;
  GenericMapping<MeshVertex> lines;
  GenericMapping<MeshVertex> surfaces;

  friend bool operator==(const ModelMeshesVertexMapping&,
                         const ModelMeshesVertexMapping&) = default;
};

struct BRepMeshesVertexMapping : ModelMeshesVertexMapping {
  GenericMapping<MeshVertex> blocks;

  friend bool operator==(const BRepMeshesVertexMapping&, const BRepMeshesVertexMapping&) = default;
};

/// From an element index in a caller's single mesh to the model mesh elements it became.
struct IndexToModelMeshElementsMapping {
  GenericMapping<index_t, MeshElement> corners;
  GenericMapping<index_t, MeshElement> lines;
  GenericMapping<index_t, MeshElement> surfaces;

  friend bool operator==(const IndexToModelMeshElementsMapping&,
                         const IndexToModelMeshElementsMapping&) = default;
};

struct IndexToBRepMeshElementsMapping : IndexToModelMeshElementsMapping {
  GenericMapping<index_t, MeshElement> blocks;

  friend bool operator==(const IndexToBRepMeshElementsMapping&,
                         const IndexToBRepMeshElementsMapping&) = default;
};

/// Component ids per component type name ("Corner", "Line", ...).
using ComponentsByType = ModelMapping<std::vector<uuid>>;

/// The result of a topology update: old components to new ones, what was created, removed or
/// left unchanged, and where every old mesh vertex and element went.
template <typename ElementMapping, typename VertexMapping>
struct TopologyMappings {
  ModelGenericMapping component_mappings;
  ComponentsByType created_components;
  ComponentsByType removed_components;
  ComponentsByType unchanged_components;
  ElementMapping mesh_elements;
  VertexMapping mesh_vertices;
};

using SectionMappings = TopologyMappings<ModelMeshesElementMapping, ModelMeshesVertexMapping>;
using BRepMappings = TopologyMappings<BRepMeshesElementMapping, BRepMeshesVertexMapping>;

/// The mapping records that go with a model type, for code written once for BRep and Section.
template <typename Model>
struct ModelMappingTraits;

template <>
struct ModelMappingTraits<Section> {
  using Mappings = SectionMappings;
  using MeshElementMapping = ModelMeshesElementMapping;
  using MeshVertexMapping = ModelMeshesVertexMapping;
  using IndexToMeshElementsMapping = IndexToModelMeshElementsMapping;
};

template <>
struct ModelMappingTraits<BRep> {
  using Mappings = BRepMappings;
  using MeshElementMapping = BRepMeshesElementMapping;
  using MeshVertexMapping = BRepMeshesVertexMapping;
  using IndexToMeshElementsMapping = IndexToBRepMeshElementsMapping;
};

/// SectionMappings or BRepMappings.
template <typename Model>
using ModelMappings = typename ModelMappingTraits<Model>::Mappings;

/// Options of the topology engine.
struct ModelBuildTopologyParameters {
  /// true: the engine may merge what the input splits and drop corners it no longer needs;
  /// false: every boundary present in the input is kept.
  bool merge_components{true};
};

/// The components of one block to be built.
struct BlockRelationships {
  std::vector<uuid> boundary_surfaces;
  std::vector<uuid> internal_surfaces;
  std::vector<uuid> internal_lines;
  std::vector<uuid> internal_corners;

  friend bool operator==(const BlockRelationships&, const BlockRelationships&) = default;
};

}  // namespace veyra
