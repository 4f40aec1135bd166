// SPDX-License-Identifier: MIT
#include <ostrel/basic/logger.h>
#include <ostrel/mesh/convert_solid_mesh.h>
#include <ostrel/mesh/convert_surface_mesh.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/convert_component_meshes.h>
#include <ostrel/model/section_builder.h>

#include <memory>
#include <vector>

namespace veyra {
namespace {

/// The converted surface mesh, or null when `mesh` cannot become a `target`.
template <index_t D>
std::unique_ptr<SurfaceMesh<D>> converted_surface_mesh(const SurfaceMesh<D>& mesh,
                                                       const MeshType& target) {
  if (target == PolygonalSurface<D>::type_name_static()) {
    return convert_surface_mesh_into_polygonal_surface(mesh);
  }
  if (target == TriangulatedSurface<D>::type_name_static()) {
    if (auto triangulated = convert_surface_mesh_into_triangulated_surface(mesh)) {
      return std::move(*triangulated);
    }
  }
  return nullptr;
}

/// The converted solid mesh, or null when `mesh` cannot become a `target`.
std::unique_ptr<SolidMesh<3>> converted_solid_mesh(const SolidMesh<3>& mesh,
                                                   const MeshType& target) {
  if (target == PolyhedralSolid<3>::type_name_static()) {
    return convert_solid_mesh_into_polyhedral_solid(mesh);
  }
  if (target == TetrahedralSolid<3>::type_name_static()) {
    if (auto tetrahedral = convert_solid_mesh_into_tetrahedral_solid(mesh)) {
      return std::move(*tetrahedral);
    }
  }
  return nullptr;
}

/// Replacing a mesh drops the component's ties; they are made again, vertex by vertex.
template <typename Builder, typename Component, typename Mesh, typename Update>
void replace_mesh_keeping_ties(const VertexIdentifier& identifier, Builder& builder,
                               const Component& component, std::unique_ptr<Mesh> mesh,
                               Update&& update) {
  const auto tied = identifier.component_unique_vertices(component.id());
  const std::vector<index_t> unique_vertices(tied.begin(), tied.end());
  update(component, std::move(mesh));
  const auto id = component.component_id();
  for (index_t vertex = 0; vertex < unique_vertices.size(); ++vertex) {
    if (unique_vertices[vertex] != NO_ID)
      builder.set_unique_vertex({id, vertex}, unique_vertices[vertex]);
  }
}

}  // namespace

template <typename Model>
bool convert_surface_mesh(const Model& model, typename Model::Builder& builder,
                          const Surface<Model::dim>& surface, const MeshType& target) {
  if (surface.mesh().type_name() == target) return true;
  auto converted = converted_surface_mesh(surface.mesh(), target);
  if (!converted) {
    Logger::log_warn("[convert_surface_mesh] Cannot convert mesh of ", surface.id().string(),
                     " to ", target.get());
    return false;
  }
  replace_mesh_keeping_ties(model, builder, surface, std::move(converted),
                            [&builder](const Surface<Model::dim>& component,
                                       std::unique_ptr<SurfaceMesh<Model::dim>> mesh) {
                              builder.update_surface_mesh(component, std::move(mesh));
                            });
  return true;
}

bool convert_block_mesh(const BRep& model, BRepBuilder& builder, const Block<3>& block,
                        const MeshType& target) {
  if (block.mesh().type_name() == target) return true;
  auto converted = converted_solid_mesh(block.mesh(), target);
  if (!converted) {
    Logger::log_warn("[convert_block_mesh] Cannot convert mesh of ", block.id().string(), " to ",
                     target.get());
    return false;
  }
  replace_mesh_keeping_ties(
      model, builder, block, std::move(converted),
      [&builder](const Block<3>& component, std::unique_ptr<SolidMesh<3>> mesh) {
        builder.update_block_mesh(component, std::move(mesh));
      });
  return true;
}

template bool convert_surface_mesh(const BRep&, BRepBuilder&, const Surface<3>&, const MeshType&);
template bool convert_surface_mesh(const Section&, SectionBuilder&, const Surface<2>&,
                                   const MeshType&);

}  // namespace veyra
