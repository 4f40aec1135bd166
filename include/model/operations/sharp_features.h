// SPDX-License-Identifier: MIT
// add_sharp_features and remove_sharp_features: the creases of a model's surfaces become lines
// and the bends of its lines become corners (and back), with the topology rebuilt around them.
#pragma once

#include <model/common/mappings.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/section.h>

namespace veyra {

/// Adds the sharp features of the BRep, modified in place, and returns the topology engine's
/// mappings with the sharp components taken out:
///   1. every polygon edge of an active surface whose two polygons meet at an angle of at most
///      `angle` degrees (the cosine between their normals at most cos(180 - angle)) joins one
///      temporary line, its vertices tied by unique vertex;
///   2. every vertex of an active line (the temporary one included) whose two edges form an
///      angle of at most `angle` degrees gets a corner, unless a corner already stands there;
///   3. the topology engine (merging what is no longer split) cuts the temporary line into
///      proper lines and the surfaces along them;
///   4. the lines made from the temporary line, and the sharp corners, are erased from the
///      component, mesh vertex and mesh element mappings: they are the items of the line and
///      corner collections named "sharp_collection", which also receive the corners the engine
///      created (where sharp lines meet). A collection left empty is not kept.
/// Searches run one task per surface or line over parallel chunks of elements; the result does
/// not depend on the thread count.
/// \throw VeyraConversionModelException (input, null data) "[add_sharp_features] Vertex <v> of
/// <surface|line> <id> is not at a finite position: [<point>]" for a NaN or infinite coordinate
/// in an active surface or line, before the model is changed;
/// (input, data: the vertex's point) "[add_sharp_features] Missing unique vertices on input
/// model" when an end of a sharp polygon edge has no unique
/// vertex; (internal) "[add_sharp_features] Error while building sharp features. Creation of
/// model from unique vertices should not add lines not registered as sharp feature lines" when
/// the engine creates a line; the engine's errors. The model is not restored after a failure.
BRepMappings add_sharp_features(BRep& model, double angle);

/// The same for a Section, whose sharp features are line bends only (steps 2 to 4).
/// \throw VeyraConversionModelException (input, null data) for a NaN or infinite coordinate in
/// an active line, as for a BRep.
/// \throw VeyraConversionModelException (input) "[add_sharp_features] Conversion from unique
/// vertices should not add corner", then "... should not add line", when the engine creates such
/// a component; the engine's errors.
SectionMappings add_sharp_features(Section& model, double angle);

/// Removes every corner, then every line, held by a collection named exactly
/// "sharp_collection", and those collections, then runs the topology engine (merging what is no
/// longer split) and returns its mappings. Other collections are left alone.
/// \throw VeyraConversionModelException (input) "[remove_sharp_features] Conversion from unique
/// vertices should not add corner", then "... should not add line", when the engine creates such
/// a component; the engine's errors.
BRepMappings remove_sharp_features(BRep& model);

/// The same for a Section, corners only; the engine's created components are not checked.
SectionMappings remove_sharp_features(Section& model);

}  // namespace veyra
