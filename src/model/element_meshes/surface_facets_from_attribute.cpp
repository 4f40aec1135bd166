// SPDX-License-Identifier: MIT
#include <model/common/library.h>
#include <model/element_meshes/surface_facets_from_attribute.h>
#include <ostrel/basic/attribute.h>
#include <ostrel/basic/attribute_manager.h>
#include <ostrel/basic/parallel.h>
#include <ostrel/mesh/solid_facets.h>

namespace veyra {

std::vector<index_t> surface_facets_from_attribute(SolidMesh<3>& solid,
                                                   std::string_view attribute_name) {
  // The facet ids are read from the table, which the caller's solid may not have built yet.
  solid.enable_facets();
  const auto attribute =
      solid.polyhedron_attribute_manager().find_generic_attribute(attribute_name);
  if (!attribute) {
    throw VeyraConversionModelException{nullptr, OstrelException::TYPE::input,
                                        "[surface_facets_from_attribute] Attribute not found"};
  }
  const auto& facets = solid.facets();
  const auto nb_polyhedra = solid.nb_polyhedra();
  // Chunks of polyhedra are scanned in parallel; joining their lists in chunk order gives the
  // order of a scan polyhedron after polyhedron.
  const auto chunks = parallel_map_chunks(
      nb_polyhedra, parallel_chunk_size(nb_polyhedra), [&](index_t begin, index_t end) {
        std::vector<index_t> found;
        for (index_t polyhedron = begin; polyhedron < end; ++polyhedron) {
          const auto value = attribute->generic_value(polyhedron);
          for (local_index_t local = 0; local < solid.nb_polyhedron_facets(polyhedron); ++local) {
            const PolyhedronFacet polyhedron_facet{polyhedron, local};
            const auto adjacent = solid.polyhedron_adjacent(polyhedron_facet);
            if (!adjacent || *adjacent <= polyhedron) continue;
            const auto adjacent_value = attribute->generic_value(*adjacent);
            // A NaN compares unequal to everything, itself included: NaN values always cut.
            if (value == adjacent_value) continue;
            found.push_back(
                facets.facet_from_vertices(solid.polyhedron_facet_vertices(polyhedron_facet))
                    .value());
          }
        }
        return found;
      });
  std::size_t nb_found = 0;
  for (const auto& chunk : chunks) nb_found += chunk.size();
  std::vector<index_t> surface_facets;
  surface_facets.reserve(nb_found);
  for (const auto& chunk : chunks) {
    surface_facets.insert(surface_facets.end(), chunk.begin(), chunk.end());
  }
  return surface_facets;
}

}  // namespace veyra
