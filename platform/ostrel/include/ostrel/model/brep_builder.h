// SPDX-License-Identifier: MIT
// BRepBuilder: the only way to change a BRep (components, meshes, names, flags, relations, model
// boundary membership and unique vertices).
#pragma once

#include <memory>

#include <ostrel/model/basic_model_builder.h>
#include <ostrel/model/blocks_builder.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/collections_builder.h>

namespace veyra {

class BRepBuilder final : public BasicModelBuilder<3>,
                          public BlocksBuilder<3>,
                          public BlockCollectionsBuilder<3> {
 public:
  explicit BRepBuilder(BRep& brep);

  /// As add_corner: a fresh or given id, a default ("OstrelPolyhedralSolid3D") or given mesh.
  uuid add_block();
  uuid add_block(const MeshImpl& impl);
  void add_block(const uuid& id);
  void add_block(const uuid& id, const MeshImpl& impl);
  uuid add_block_collection();
  void add_block_collection(const uuid& id);

  void remove_block(const Block<3>& block);
  void remove_block_collection(const BlockCollection<3>& collection);
  void update_block_mesh(const Block<3>& block, std::unique_ptr<SolidMesh<3>> mesh);

  void add_surface_block_boundary_relationship(const Surface<3>& surface, const Block<3>& block);
  void add_corner_block_internal_relationship(const Corner<3>& corner, const Block<3>& block);
  void add_line_block_internal_relationship(const Line<3>& line, const Block<3>& block);
  void add_surface_block_internal_relationship(const Surface<3>& surface, const Block<3>& block);
  void add_block_in_block_collection(const Block<3>& block, const BlockCollection<3>& collection);
  /// Makes the surface an item of the model boundary.
  void add_surface_in_model_boundary(const Surface<3>& surface, const ModelBoundary<3>& boundary);

 private:
  index_t nb_mesh_vertices(const ComponentID& component) const override;

  BRep& brep_;
};

}  // namespace veyra
