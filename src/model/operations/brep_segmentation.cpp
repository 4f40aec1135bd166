// SPDX-License-Identifier: MIT
#include <model/operations/brep_segmentation.h>
#include <model/operations/named_collections.h>
#include <model/topology/model_builder_from_unique_vertices.h>
#include <ostrel/basic/attribute.h>
#include <ostrel/basic/attribute_manager.h>
#include <ostrel/basic/logger.h>
#include <ostrel/basic/parallel.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/model/brep_builder.h>
#include <veyra_common/modifier/mesh_partitionner.h>

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

namespace veyra {
namespace {

constexpr std::string_view segmentation_collection_name = "segmentation_collection";
constexpr std::string_view segmentation_attribute_name = "segmentation_id";

struct CollectedType {
  ComponentType type;
  internal::CollectedKind kind;
  std::string_view message;
};

// Cuts the block into its pieces: each polyhedron's piece goes to "segmentation_id" and the
// adjacency across every facet between two pieces is unset on both sides, so that the pieces
// become separate parts of the mesh.
void segment_block(BRepBuilder& builder, const Block<3>& block) {
  const auto& mesh = block.mesh();
  const auto nb_polyhedra = mesh.nb_polyhedra();
  const auto nb_pieces = internal::segmentation_piece_count(nb_polyhedra, hardware_concurrency());
  Logger::log_debug("nb_segmentations", " = ", nb_pieces);
  if (nb_pieces < 2) return;

  PartitionnerParameters parameters;
  parameters.nb_parts = nb_pieces;
  const auto pieces = mesh_partitionner(mesh, parameters);
  std::vector<index_t> piece_of(nb_polyhedra, 0);
  for (index_t piece = 0; piece < pieces.size(); ++piece) {
    for (const auto polyhedron : pieces[piece]) piece_of[polyhedron] = piece;
  }
  const auto attribute =
      mesh.polyhedron_attribute_manager().find_or_create_attribute<VariableAttribute, index_t>(
          segmentation_attribute_name, 0, AttributeProperties{false, false, true});
  for (index_t polyhedron = 0; polyhedron < nb_polyhedra; ++polyhedron) {
    attribute->set_value(polyhedron, piece_of[polyhedron]);
  }

  auto mesh_builder = builder.block_mesh_builder(block.id());
  for (index_t polyhedron = 0; polyhedron < nb_polyhedra; ++polyhedron) {
    for (local_index_t facet = 0; facet < mesh.nb_polyhedron_facets(polyhedron); ++facet) {
      const PolyhedronFacet polyhedron_facet{polyhedron, facet};
      // The cheap neighbour lookup first: the matching facet is only needed across a cut.
      const auto adjacent = mesh.polyhedron_adjacent(polyhedron_facet);
      if (!adjacent || piece_of[*adjacent] == piece_of[polyhedron]) continue;
      const auto adjacent_facet = mesh.polyhedron_adjacent_facet(polyhedron_facet);
      mesh_builder->unset_polyhedron_adjacent(polyhedron_facet);
      if (adjacent_facet) mesh_builder->unset_polyhedron_adjacent(*adjacent_facet);
    }
  }
}

}  // namespace

namespace internal {

index_t segmentation_piece_count(index_t nb_polyhedra, index_t nb_threads) {
  const auto chunk =
      std::clamp<index_t>(nb_polyhedra / (8 * std::max<index_t>(nb_threads, 1)), 1, 2048);
  return nb_polyhedra / (10 * chunk);
}

}  // namespace internal

BRepMappings add_brep_segmentation(BRep& model) {
  BRepBuilder builder{model};
  for (const auto& block : model.blocks()) segment_block(builder, block);

  const ModelBuildTopologyParameters parameters{false};
  detail::ModelBuilderFromUniqueVertices<BRep> engine{model, parameters};
  auto mappings = engine.update_model();

  const std::array<CollectedType, 3> collected{
      CollectedType{Corner<3>::component_type_static(), internal::CollectedKind::corner,
                    "Adding corners in segmentation collection"},
      CollectedType{Line<3>::component_type_static(), internal::CollectedKind::line,
                    "Adding lines in segmentation collection"},
      CollectedType{Surface<3>::component_type_static(), internal::CollectedKind::surface,
                    "Adding surfaces in segmentation collection"}};
  for (const auto& [type, kind, message] : collected) {
    if (!mappings.created_components.has_mapping_type(type)) continue;
    const auto& created = mappings.created_components.at(type);
    if (created.empty()) continue;
    Logger::log_debug("\"", message, "\"", " = ", message);
    internal::add_to_named_collection(model, builder, kind, segmentation_collection_name,
                                      std::nullopt, created);
  }
  return mappings;
}

BRepMappings remove_brep_segmentation(BRep& model) {
  {
    BRepBuilder builder{model};
    for (const auto kind : {internal::CollectedKind::surface, internal::CollectedKind::line,
                            internal::CollectedKind::corner}) {
      internal::remove_collections_named(model, builder, kind, segmentation_collection_name);
    }
  }
  Logger::log_debug("brep.nb_corners()", " = ", model.nb_corners());
  Logger::log_debug("brep.nb_lines()", " = ", model.nb_lines());
  Logger::log_debug("brep.nb_surfaces()", " = ", model.nb_surfaces());
  Logger::log_debug("brep.nb_blocks()", " = ", model.nb_blocks());
  const ModelBuildTopologyParameters parameters{true};
  detail::ModelBuilderFromUniqueVertices<BRep> engine{model, parameters};
  return engine.update_model();
}

}  // namespace veyra
