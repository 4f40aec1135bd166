// SPDX-License-Identifier: MIT
// repair_surfaces: the cleaning of every surface mesh of a model that the topology engine runs
// once before it identifies anything.
#pragma once

#include <model/topology/engine_context.h>

namespace veyra::detail {

/// For each surface of the context's model, in model order, modified in place through a builder
/// of its mesh:
///   1. a polygon listing a vertex more than once is replaced by the polygon on its distinct
///      vertices (first occurrence order) when at least 3 remain, and deleted otherwise;
///   2. of the polygons with the same unique vertices (whatever the start and orientation), the
///      first stays and the others are deleted;
///   3. the polygon adjacencies are recomputed;
///   4. the polygons are oriented consistently; a surface that cannot be oriented is left as it
///      is, with the warning "[ModelBuilderFromUniqueVertices::repair_surfaces] Unorientable
///      surface detected (<name or id> <id>)." when the framework reports bad input;
///   5. non-manifold vertices are split, the new vertices tied like the ones they split.
/// The index changes are not recorded in the mappings.
/// \throw OstrelMeshException when the framework has no builder for a surface's mesh type.
template <typename Model>
void repair_surfaces(EngineContext<Model>& context);

}  // namespace veyra::detail
