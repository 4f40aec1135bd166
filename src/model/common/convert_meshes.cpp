// SPDX-License-Identifier: MIT
#include <model/common/convert_meshes.h>

#include <utility>

#include <ostrel/model/brep_builder.h>
#include <ostrel/model/build_model_boundaries.h>

#include <model/common/model_builder_from_meshes.h>
#include <model/operations/blocks_from_surfaces.h>

namespace veyra {

std::tuple<BRep, BRepMappings> convert_meshes_into_brep(
    absl::Span<const std::reference_wrapper<const PointSet<3>>> point_sets,
    absl::Span<const std::reference_wrapper<const EdgedCurve<3>>> curves,
    absl::Span<const std::reference_wrapper<const SurfaceMesh<3>>> surfaces) {
  BRep brep;
  auto mappings =
      detail::ModelBuilderFromMeshes<BRep>{brep, point_sets, curves, surfaces}.build_model();
  BRepBuilder builder{brep};
  build_blocks(brep, builder);
  detail::build_model_boundaries(brep, builder);
  return {std::move(brep), std::move(mappings)};
}

std::tuple<Section, SectionMappings> convert_meshes_into_section(
    absl::Span<const std::reference_wrapper<const PointSet<2>>> point_sets,
    absl::Span<const std::reference_wrapper<const EdgedCurve<2>>> curves,
    absl::Span<const std::reference_wrapper<const SurfaceMesh<2>>> surfaces) {
  Section section;
  auto mappings = detail::ModelBuilderFromMeshes<Section>{section, point_sets, curves, surfaces}
                      .build_model();
  return {std::move(section), std::move(mappings)};
}

}  // namespace veyra
