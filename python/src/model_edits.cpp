// SPDX-License-Identifier: MIT
// Operations that change a model in place (sharp features, block segmentation) and
// BRepTopologyRebuilder, which rebuilds a BRep with block meshes into a new one. Each library call
// runs with the GIL released.
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include <ostrel/basic/str_cat.h>
#include <ostrel/mesh/element_references.h>

#include <model/element_meshes/brep_topology_rebuilder.h>
#include <model/operations/brep_segmentation.h>
#include <model/operations/sharp_features.h>

#include "models.h"

namespace veyra::python {
namespace {

/// The Python side of a BRepTopologyRebuilder: it holds the input BRep, which the library's
/// rebuilder reads until rebuild(), and lets rebuild() run once.
class PyBRepTopologyRebuilder {
 public:
  explicit PyBRepTopologyRebuilder(std::shared_ptr<BRep> brep) : brep_(std::move(brep)) {
    rebuilder_ = call_without_gil([&] { return std::make_unique<detail::BRepTopologyRebuilder>(*brep_); });
  }

  void add_block_facets(const ComponentRef& block_component, const py::handle& values) {
    const auto& block = block_of(block_component);
    const auto pairs = index_array(values, "facets", 2, NO_ID);
    if (pairs.size() > 0 && pairs.shape(1) != 2) {
      throw py::value_error("facets: expected an (n, 2) array of (polyhedron, facet) pairs");
    }
    std::vector<PolyhedronFacet> facets;
    facets.reserve(static_cast<std::size_t>(pairs.size() / 2));
    const auto* data = pairs.data();
    for (py::ssize_t i = 0; i + 1 < pairs.size(); i += 2) {
      if (data[i + 1] >= NO_LID) {
        throw py::value_error(str_cat("facets: facet ", data[i + 1], " of row ", i / 2,
                                      " is beyond any polyhedron's facets"));
      }
      facets.emplace_back(data[i], static_cast<local_index_t>(data[i + 1]));
    }
    active().add_block_facets_to_topology(block, std::move(facets));
  }

  void remove_conformity(const ComponentRef& surface_component) {
    const auto& surface = brep_surface_of(surface_component);
    call_without_gil([&] { active().remove_conformity_on_model_surface(surface); });
  }

  std::tuple<std::shared_ptr<BRep>, BRepMappings> rebuild() {
    auto& rebuilder = active();
    auto [brep, mappings] = call_without_gil([&] { return rebuilder.rebuild(); });
    rebuilder_.reset();
    return std::make_tuple(share_model(std::move(brep)), std::move(mappings));
  }

  const std::shared_ptr<BRep>& brep() const { return brep_; }

 private:
  detail::BRepTopologyRebuilder& active() {
    if (!rebuilder_) throw py::value_error("rebuild() was called already: make a new rebuilder");
    return *rebuilder_;
  }

  std::shared_ptr<BRep> brep_;
  std::unique_ptr<detail::BRepTopologyRebuilder> rebuilder_;
};

void bind_rebuilder(py::module_& module) {
  py::class_<PyBRepTopologyRebuilder>(module, "BRepTopologyRebuilder", R"(Rebuilds a BRep whose
blocks carry meshes into a new BRep, through one solid made of all blocks: corners, line edges
and surface facets are kept, registered block facets become surface facets (a set crossing a
block cuts it), and registered surfaces become non-conformal (the blocks on their two sides stop
sharing vertices there). Names, flags, collections, model boundaries and mesh attributes are
carried over. The input BRep is not changed, and must not be changed while the rebuilder is in
use; rebuild() runs once.)")
      .def(py::init<std::shared_ptr<BRep>>(), py::arg("brep"),
           "Converts the BRep's blocks into one solid at once. Raises VeyraError (type \"input\")\n"
           "when a block vertex has no unique vertex.")
      .def("add_block_facets_to_topology", &PyBRepTopologyRebuilder::add_block_facets,
           py::arg("block"), py::arg("facets"),
           R"(Makes facets of a block's mesh surface facets of the new BRep. `block` is a
Component of the input BRep, `facets` an (n, 2) integer array of (polyhedron, local facet) pairs
of its mesh; they are checked when rebuild() runs.)")
      .def("remove_conformity_on_model_surface", &PyBRepTopologyRebuilder::remove_conformity,
           py::arg("surface"),
           R"(Makes a surface of the input BRep non-conformal in the new BRep; registering it again
does nothing. Raises VeyraError (type "internal", with the point of the surface's vertex 0) when
the input BRep has no surface with its id.)")
      .def("rebuild", &PyBRepTopologyRebuilder::rebuild,
           R"(Returns (brep, mappings): the new BRep and a BRepMappings from the input BRep's
components, (component, element) and (component, vertex) pairs to the new ones; its created,
removed and unchanged component lists stay empty. Raises ValueError when called again.)")
      .def_property_readonly("brep", &PyBRepTopologyRebuilder::brep, "The input BRep.");
}

template <typename Model>
auto add_sharp(const std::shared_ptr<Model>& model, double angle) {
  return call_without_gil([&] { return add_sharp_features(*model, angle); });
}

template <typename Model>
auto remove_sharp(const std::shared_ptr<Model>& model) {
  return call_without_gil([&] { return remove_sharp_features(*model); });
}

constexpr const char* add_sharp_doc = R"(Adds the sharp features of the model, in place: polygon
edges of active surfaces whose two polygons meet at an angle of at most `angle` degrees become
lines, and vertices of active lines whose two edges form an angle of at most `angle` degrees
become corners; surfaces and lines are cut along them. The new lines and corners are the items
of the collections named "sharp_collection" and are left out of the returned mappings (a
BRepMappings or SectionMappings). A Section has line bends only. The model is not restored when
a VeyraError is raised.)";

constexpr const char* remove_sharp_doc = R"(Removes, in place, the corners and lines held by
the collections named "sharp_collection" and those collections, merges what they split, and
returns the mappings of the change (a BRepMappings or SectionMappings).)";

}  // namespace

void bind_model_edits(py::module_& module) {
  bind_rebuilder(module);

  module.def("add_sharp_features", &add_sharp<BRep>, py::arg("model"), py::arg("angle"),
             add_sharp_doc);
  module.def("add_sharp_features", &add_sharp<Section>, py::arg("model"), py::arg("angle"),
             add_sharp_doc);
  module.def("remove_sharp_features", &remove_sharp<BRep>, py::arg("model"), remove_sharp_doc);
  module.def("remove_sharp_features", &remove_sharp<Section>, py::arg("model"),
             remove_sharp_doc);

  module.def(
      "add_brep_segmentation",
      [](const std::shared_ptr<BRep>& brep) {
        return call_without_gil([&] { return add_brep_segmentation(*brep); });
      },
      py::arg("brep"),
      R"(Cuts every large block of the BRep into pieces, in place: the piece count depends on
the block's polyhedron count and the machine's thread count, each polyhedron's piece is stored
in the polyhedron attribute "segmentation_id", and the cuts become surfaces, lines, corners and
blocks; the created corners, lines and surfaces are the items of collections named
"segmentation_collection". Small blocks are left whole. Returns the BRepMappings of the change.)");
  module.def(
      "remove_brep_segmentation",
      [](const std::shared_ptr<BRep>& brep) {
        return call_without_gil([&] { return remove_brep_segmentation(*brep); });
      },
      py::arg("brep"),
      R"(Removes, in place, the surfaces, lines and corners held by the collections named
"segmentation_collection" and those collections, merging the pieces again (the
"segmentation_id" attributes stay). Returns the BRepMappings of the change.)");
}

}  // namespace veyra::python
