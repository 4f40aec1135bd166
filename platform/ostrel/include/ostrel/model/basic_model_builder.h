// SPDX-License-Identifier: MIT
// BasicModelBuilder<D>: what BRepBuilder and SectionBuilder share. It adds and removes corners,
// lines, surfaces, model boundaries and collections in one id space, replaces meshes, adds and
// removes relations, and ties component mesh vertices to unique vertices, keeping the
// relationships and the ties in step with the components.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include <absl/types/span.h>

#include <ostrel/basic/identifier.h>
#include <ostrel/model/basic_model.h>
#include <ostrel/model/collections_builder.h>
#include <ostrel/model/corners_builder.h>
#include <ostrel/model/lines_builder.h>
#include <ostrel/model/model_boundaries_builder.h>
#include <ostrel/model/relationships_builder.h>
#include <ostrel/model/surfaces_builder.h>
#include <ostrel/model/vertex_identifier_builder.h>

namespace veyra {

template <index_t D>
class BasicModelBuilder : public CornersBuilder<D>,
                          public LinesBuilder<D>,
                          public SurfacesBuilder<D>,
                          public ModelBoundariesBuilder<D>,
                          public CornerCollectionsBuilder<D>,
                          public LineCollectionsBuilder<D>,
                          public SurfaceCollectionsBuilder<D>,
                          public IdentifierBuilder {
 public:
  virtual ~BasicModelBuilder();

  // Components. A fresh id is random; a given id must be used by no component or collection of
  // the model, otherwise OstrelModelException (input) "[<Builder>::add_<kind>] Component id
  // already used: <id>". A given implementation key chooses the mesh class.
  uuid add_corner();
  uuid add_corner(const MeshImpl& impl);
  void add_corner(const uuid& id);
  void add_corner(const uuid& id, const MeshImpl& impl);
  uuid add_line();
  uuid add_line(const MeshImpl& impl);
  void add_line(const uuid& id);
  void add_line(const uuid& id, const MeshImpl& impl);
  uuid add_surface();
  uuid add_surface(const MeshImpl& impl);
  void add_surface(const uuid& id);
  void add_surface(const uuid& id, const MeshImpl& impl);
  uuid add_model_boundary();
  void add_model_boundary(const uuid& id);
  uuid add_corner_collection();
  void add_corner_collection(const uuid& id);
  uuid add_line_collection();
  void add_line_collection(const uuid& id);
  uuid add_surface_collection();
  void add_surface_collection(const uuid& id);

  // Removal takes the component, every relation where it plays either role and every tie of
  // its mesh; its unique vertices stay, possibly isolated. A removed collection loses its items,
  // which stay in the model. A component of another model: OstrelModelException (input).
  void remove_corner(const Corner<D>& corner);
  void remove_line(const Line<D>& line);
  void remove_surface(const Surface<D>& surface);
  void remove_model_boundary(const ModelBoundary<D>& boundary);
  void remove_corner_collection(const CornerCollection<D>& collection);
  void remove_line_collection(const LineCollection<D>& collection);
  void remove_surface_collection(const SurfaceCollection<D>& collection);

  /// The model owns `mesh` from now on; every tie of the component is removed and mesh_type()
  /// becomes the new mesh's implementation key.
  void update_corner_mesh(const Corner<D>& corner, std::unique_ptr<PointSet<D>> mesh);
  void update_line_mesh(const Line<D>& line, std::unique_ptr<EdgedCurve<D>> mesh);
  void update_surface_mesh(const Surface<D>& surface, std::unique_ptr<SurfaceMesh<D>> mesh);

  // Typed relations; the components must belong to the model. An existing relation is not
  // added again.
  void add_corner_line_boundary_relationship(const Corner<D>& corner, const Line<D>& line);
  void add_line_surface_boundary_relationship(const Line<D>& line, const Surface<D>& surface);
  void add_corner_surface_internal_relationship(const Corner<D>& corner, const Surface<D>& surface);
  void add_line_surface_internal_relationship(const Line<D>& line, const Surface<D>& surface);
  void add_corner_in_corner_collection(const Corner<D>& corner,
                                       const CornerCollection<D>& collection);
  void add_line_in_line_collection(const Line<D>& line, const LineCollection<D>& collection);
  void add_surface_in_surface_collection(const Surface<D>& surface,
                                         const SurfaceCollection<D>& collection);

  // Generic relations between any kinds of components of the model.
  void add_boundary_relation(const ComponentID& boundary, const ComponentID& incidence);
  void add_internal_relation(const ComponentID& internal, const ComponentID& embedding);
  void add_item_in_collection(const ComponentID& item, const ComponentID& collection);
  /// Removes every relation between the two, of every type and in both roles.
  void remove_relation(const uuid& id1, const uuid& id2);

  // Unique vertices.
  index_t create_unique_vertex();
  /// Creates `nb` consecutive unique vertices; returns the first one.
  index_t create_unique_vertices(index_t nb);
  /// Appends the tie to the unique vertex's list; a vertex tied elsewhere moves.
  /// \throw OstrelModelException (input) for an unknown component, a vertex its mesh does not
  /// have, or unique_vertex >= nb_unique_vertices().
  void set_unique_vertex(const ComponentMeshVertex& component_vertex, index_t unique_vertex);
  void unset_unique_vertex(const ComponentMeshVertex& component_vertex, index_t unique_vertex);
  /// Every tie (component, v) becomes (component, old2new[v]) in place, or goes when NO_ID.
  void update_unique_vertices(const ComponentID& component, absl::Span<const index_t> old2new);
  /// Deletes the unique vertices without ties; returns old2new over the unique vertices.
  std::vector<index_t> delete_isolated_vertices();

 protected:
  BasicModelBuilder(BasicModel<D>& model, std::string_view builder_name);

  /// "[<Builder>::<function>] Component id already used: <id>" unless `id` is free.
  void check_free_id(const uuid& id, std::string_view function) const;
  /// Makes the new component known to the relationships and, with a mesh, to the ties.
  void register_component(const ComponentID& component, bool has_mesh);
  /// Forgets the component's relations and ties.
  void unregister_component(const ComponentID& component);
  /// Removes every tie of the component (after its mesh was replaced).
  void unset_component_ties(const uuid& component);
  /// "[<Builder>::<function>] Unknown component: <id>" unless the model holds `component` with
  /// that type.
  void check_component(const ComponentID& component, std::string_view function) const;
  /// Vertex count of the mesh of a corner, line or surface; NO_ID for another type.
  virtual index_t nb_mesh_vertices(const ComponentID& component) const;

  /// Checks both components and adds the relation; `function` names the caller in errors.
  void add_relation(std::string_view function, const ComponentID& from, const ComponentID& to,
                    RelationType type);

 private:
  BasicModel<D>& model_;
  std::string_view builder_name_;
  RelationshipsBuilder relationships_;
  VertexIdentifierBuilder vertices_;
};

}  // namespace veyra
