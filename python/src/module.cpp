// SPDX-License-Identifier: MIT
// The _veyra extension module: initializes the library, connects its logs and exceptions to
// Python, and binds the meshes, models, mappings and operations.
#include <model/common/library.h>

#include "bindings.h"

PYBIND11_MODULE(_veyra, module) {
  namespace python = veyra::python;
  module.doc() =
      "The compiled part of the veyra package: meshes, models, mappings and operations of the "
      "VeyraConversion library. Import veyra, not this module.";
  veyra::VeyraConversionModelLibrary::initialize();
  python::install_library_bridges(module);
  module.attr("NO_ID") = veyra::NO_ID;
  module.attr("__version__") = VEYRA_PYTHON_VERSION;
  python::bind_mesh_attributes(module);
  python::bind_meshes(module);
  python::bind_mesh_files(module);
  python::bind_models(module);
  python::bind_mappings(module);
  python::bind_operations(module);
  python::bind_model_edits(module);
  python::bind_validation(module);
}
