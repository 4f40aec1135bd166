# SPDX-License-Identifier: MIT
"""veyra: meshes into topological models (BRep, Section), with numpy arrays in and out.

Meshes (PointSet, EdgedCurve, SurfaceMesh, SolidMesh) are built from numpy arrays in one pass
and read back as numpy arrays; models (BRep, Section) come from the conversions, from files
(BRep.load, Section.load) and go to files (save, write_vtm for ParaView). The operations return
mapping objects that tell what each input element became and where each output element comes
from, and convert to dicts of numpy arrays.

Errors the library reports raise VeyraError (with .message, .type and .point). The library's
log lines go to the Python logger "veyra", whose level also decides which lines the library
builds. Long operations release the GIL, so other Python threads keep running; meshes and
models themselves are not meant to be used from two threads at once.
"""
import logging as _logging

from ._veyra import (
    NO_ID,
    AttributeTable,
    BlockRelationships,
    BRep,
    BRepMappings,
    BRepMeshElementMappings,
    BRepMeshVertexMappings,
    BRepTopologyRebuilder,
    Component,
    ComponentMapping,
    EdgedCurve,
    ElementMapping,
    IndexMapping,
    IndexToBRepMeshElementMappings,
    IndexToElementMapping,
    IndexToMeshElementMappings,
    MeshElementMappings,
    MeshVertexMappings,
    PointSet,
    Section,
    SectionMappings,
    SolidMesh,
    SurfaceMesh,
    ValidationElement,
    ValidationProblem,
    ValidationReport,
    VertexMapping,
    VeyraError,
    __version__,
    add_brep_segmentation,
    add_sharp_features,
    build_blocks,
    build_brep_from_brep_element,
    convert_meshes_into_brep,
    convert_meshes_into_section,
    convert_solid_elements_into_brep,
    convert_surface_elements_into_section,
    convert_surface_into_section_from_attribute,
    curve_from_surface_borders,
    determine_blocks,
    read_mesh,
    read_msh_entities,
    remove_brep_segmentation,
    remove_sharp_features,
    seed,
    surface_facets_from_attribute,
    validate,
    validate_brep,
    validate_section,
    write_mesh,
)
from ._meshio import from_meshio, to_meshio

#: Level of the library's trace lines, below logging.DEBUG.
TRACE = 5
_logging.addLevelName(TRACE, "TRACE")
