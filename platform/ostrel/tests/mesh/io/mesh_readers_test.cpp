// SPDX-License-Identifier: MIT
// What each reader makes of the files users bring: Gmsh physical groups and entities, STL
// corner merging, OBJ and OFF variants, VTK legacy datasets and the VTK XML encodings.
#include <gtest/gtest.h>

#include <cstring>

#include <zlib.h>

#include <ostrel/mesh/io/element_type_counts.h>
#include <ostrel/mesh/io/read_mesh.h>
#include <ostrel/mesh/io/read_msh_entities.h>
#include <ostrel/mesh/io/write_mesh.h>

#include "mesh_io_fixtures.h"

namespace veyra {
namespace {

std::string data_file(std::string_view name) { return str_cat(VEYRA_TEST_DATA_DIR, "/", name); }

template <typename T>
std::vector<T> values(const AttributeManager& manager, std::string_view name) {
  const auto attribute = manager.find_attribute<T>(name);
  std::vector<T> result;
  for (index_t e = 0; e < manager.nb_elements(); ++e) result.push_back(attribute->value(e));
  return result;
}

template <typename T>
std::vector<T> repeat(std::initializer_list<std::pair<T, index_t>> runs) {
  std::vector<T> result;
  for (const auto& [value, count] : runs) result.insert(result.end(), count, value);
  return result;
}

TEST(MshReader, ReadsPhysicalGroupsOfAVersion2File) {
  const auto mesh = read_mesh(data_file("tet_box.msh"));
  const auto& solid = mesh.get<SolidMesh<3>>();
  EXPECT_EQ(solid.type_name().get(), "TetrahedralSolid3D");
  EXPECT_EQ(solid.nb_vertices(), 27u);
  ASSERT_EQ(solid.nb_polyhedra(), 48u);
  // The 48 boundary triangles come first in the file; the tetrahedra of the x < 0.5 half are
  // in physical volume 1, the others in 2 (each also its elementary entity).
  std::vector<int> expected;
  for (index_t cube = 0; cube < 8; ++cube) expected.insert(expected.end(), 6, cube % 2 + 1);
  const auto& attributes = solid.polyhedron_attribute_manager();
  EXPECT_EQ(values<int>(attributes, "gmsh_physical"), expected);
  EXPECT_EQ(values<int>(attributes, "gmsh_entity"), expected);
  index_t nb_inner_facets = 0;
  for (index_t p = 0; p < solid.nb_polyhedra(); ++p) {
    for (local_index_t f = 0; f < 4; ++f) nb_inner_facets += solid.polyhedron_adjacent({p, f}) ? 1 : 0;
  }
  EXPECT_EQ(nb_inner_facets, 48u * 4 - 48) << "adjacencies are computed";
}

TEST(MshReader, SplitsAVersion2FileIntoEntityMeshes) {
  const auto meshes = read_msh_entities(data_file("tet_box.msh"));
  ASSERT_EQ(meshes.size(), 8u);
  for (index_t face = 0; face < 6; ++face) {
    const auto& entity = meshes[face];
    EXPECT_EQ(entity.dimension, 2u);
    EXPECT_EQ(entity.entity, static_cast<int>(11 + face));
    EXPECT_EQ(entity.physicals, std::vector<int>{10});
    const auto& surface = entity.mesh.get<SurfaceMesh<3>>();
    EXPECT_EQ(surface.name(), "boundary");
    EXPECT_EQ(surface.nb_polygons(), 8u);
    EXPECT_EQ(surface.nb_vertices(), 9u);
    // Vertices in increasing node order, each with its node tag.
    const auto tags = values<index_t>(surface.vertex_attribute_manager(), "gmsh_node");
    EXPECT_TRUE(std::is_sorted(tags.begin(), tags.end()));
  }
  // Face x = 0 holds the nodes with x = 0: tags 1, 4, 7, ... 25.
  EXPECT_EQ(values<index_t>(meshes[0].mesh.vertex_set().vertex_attribute_manager(), "gmsh_node"),
            (std::vector<index_t>{1, 4, 7, 10, 13, 16, 19, 22, 25}));
  for (index_t volume = 0; volume < 2; ++volume) {
    const auto& entity = meshes[6 + volume];
    EXPECT_EQ(entity.dimension, 3u);
    EXPECT_EQ(entity.physicals, std::vector<int>{static_cast<int>(volume + 1)});
    EXPECT_EQ(entity.mesh.vertex_set().name(), volume == 0 ? "left" : "right");
    EXPECT_EQ(entity.mesh.get<SolidMesh<3>>().nb_polyhedra(), 24u);
    EXPECT_EQ(entity.mesh.vertex_set().nb_vertices(), 18u);
  }
}

TEST(MshReader, ReadsEntitiesAndPhysicalsOfAVersion4File) {
  const auto mesh = read_mesh(data_file("square_2d.msh"));
  const auto& surface = mesh.get<SurfaceMesh<3>>();
  EXPECT_EQ(surface.nb_vertices(), 9u);
  EXPECT_EQ(surface.nb_polygons(), 8u);
  EXPECT_EQ(values<int>(surface.polygon_attribute_manager(), "gmsh_physical"),
            std::vector<int>(8, 2));

  const auto meshes = read_msh_entities(data_file("square_2d.msh"));
  ASSERT_EQ(meshes.size(), 5u);
  for (int curve = 0; curve < 4; ++curve) {
    EXPECT_EQ(meshes[curve].dimension, 1u);
    EXPECT_EQ(meshes[curve].entity, curve + 1);
    EXPECT_EQ(meshes[curve].physicals, std::vector<int>{1});
    EXPECT_EQ(meshes[curve].mesh.vertex_set().name(), "boundary");
    EXPECT_EQ(meshes[curve].mesh.get<EdgedCurve<3>>().nb_edges(), 2u);
  }
  EXPECT_EQ(meshes[4].physicals, std::vector<int>{2});
  EXPECT_EQ(meshes[4].mesh.vertex_set().name(), "domain");

  MeshReadOptions in_2d;
  in_2d.dimension = 2;
  const auto flat = read_msh_entities(data_file("square_2d.msh"), in_2d);
  EXPECT_EQ(flat[4].mesh.get<SurfaceMesh<2>>().nb_polygons(), 8u);
}

TEST(MshReader, HandlesSparseTagsParametricNodesAndUnknownSections) {
  const std::string content = R"($MeshFormat
4.1 0 8
$EndMeshFormat
$Comments
anything $Nodes
$EndComments
$Nodes
2 4 10 100000
2 7 1 3
100000
10
20
0 0 0 0.5 0.5
1 0 0 0.1 0.2
0 1 0 0.3 0.4
0 3 0 1
30
1 1 0
$EndNodes
$NodeData
1
"ignored"
$EndNodeData
$Elements
1 2 1 2
2 7 2 2
5 100000 10 20
6 10 30 20
$EndElements
)";
  const auto mesh = read_mesh_from_buffer(content, "sparse.msh");
  const auto& surface = mesh.get<SurfaceMesh<3>>();
  ASSERT_EQ(surface.nb_vertices(), 4u);
  EXPECT_EQ(surface.point(3), (Point<3>{{1, 1, 0}}));
  EXPECT_EQ(test::elements(mesh), (std::vector<std::vector<index_t>>{{0, 1, 2}, {1, 3, 2}}));
  EXPECT_EQ(values<int>(surface.polygon_attribute_manager(), "gmsh_physical"),
            (std::vector<int>{0, 0}));
  EXPECT_EQ(values<int>(surface.polygon_attribute_manager(), "gmsh_entity"),
            (std::vector<int>{7, 7}));
  EXPECT_EQ(surface.polygon_adjacent({0, 1}), 1u);
}

TEST(MshReader, ReadsAFileOfTheWriterAsEntityMeshes) {
  // Six cube faces in one surface, one entity each: the per-entity reader gives them back.
  const test::ScratchFolder folder{"msh_entities"};
  auto cube = TriangulatedSurface<3>::create();
  auto builder = TriangulatedSurfaceBuilder<3>::create(*cube);
  for (index_t v = 0; v < 8; ++v) {
    builder->create_point(Point<3>{{1. * (v & 1), 1. * ((v >> 1) & 1), 1. * (v >> 2)}});
  }
  const std::vector<std::array<index_t, 3>> triangles{{0, 2, 3}, {0, 3, 1}, {4, 5, 7}, {4, 7, 6},
                                                      {0, 1, 5}, {0, 5, 4}, {2, 6, 7}, {2, 7, 3},
                                                      {0, 4, 6}, {0, 6, 2}, {1, 3, 7}, {1, 7, 5}};
  for (const auto& triangle : triangles) builder->create_triangle(triangle);
  auto entity = cube->polygon_attribute_manager().find_or_create_attribute<VariableAttribute, int>(
      "gmsh_entity", 0);
  for (index_t p = 0; p < 12; ++p) entity->set_value(p, static_cast<int>(p / 2 + 1));
  const auto path = folder.file("cube.msh");
  write_mesh(*cube, path);
  const auto faces = read_msh_entities(path);
  ASSERT_EQ(faces.size(), 6u);
  for (index_t face = 0; face < 6; ++face) {
    EXPECT_EQ(faces[face].entity, static_cast<int>(face + 1));
    EXPECT_TRUE(faces[face].physicals.empty());
    const auto& surface = faces[face].mesh.get<SurfaceMesh<3>>();
    ASSERT_EQ(surface.nb_polygons(), 2u);
    for (index_t p = 0; p < 2; ++p) {
      for (local_index_t v = 0; v < 3; ++v) {
        // Each face vertex is at the point of the original vertex its node tag names.
        const auto node = surface.vertex_attribute_manager()
                              .find_attribute<index_t>("gmsh_node")
                              ->value(surface.polygon_vertex({p, v}));
        EXPECT_EQ(surface.point(surface.polygon_vertex({p, v})), cube->point(node - 1));
      }
    }
  }
}

TEST(StlReader, MergesCornersOfAsciiAndBinaryFiles) {
  for (const auto* name : {"cube_ascii.stl", "cube_binary.stl"}) {
    SCOPED_TRACE(name);
    const auto mesh = read_mesh(data_file(name));
    const auto& surface = mesh.get<SurfaceMesh<3>>();
    EXPECT_EQ(surface.type_name().get(), "TriangulatedSurface3D");
    EXPECT_EQ(surface.nb_vertices(), 8u);
    EXPECT_EQ(surface.nb_polygons(), 12u);
    for (index_t p = 0; p < 12; ++p) {
      for (local_index_t e = 0; e < 3; ++e) EXPECT_TRUE(surface.polygon_adjacent({p, e}));
    }
  }
  EXPECT_EQ(read_mesh(data_file("cube_ascii.stl")).vertex_set().name(), "cube");
}

TEST(StlReader, MergeDistanceDecidesWhichCornersAreOne) {
  // Two triangles sharing an edge whose copies differ by 1e-7, and a needle triangle whose two
  // corners are 1e-9 apart (it collapses and is dropped).
  const std::string content = R"(solid near
facet normal 0 0 1
 outer loop
  vertex 0 0 0
  vertex 1 0 0
  vertex 0 1 0
 endloop
endfacet
FACET NORMAL 0 0 1
 OUTER LOOP
  VERTEX 1.0000001 0 0
  VERTEX 1 1 0
  VERTEX 0 1.0000001 0
 ENDLOOP
ENDFACET
facet normal 0 0 1
 outer loop
  vertex 5 5 0
  vertex 5.000000001 5 0
  vertex 5 6 0
 endloop
endfacet
endsolid near
)";
  const auto merged = read_mesh_from_buffer(content, "near.stl");
  EXPECT_EQ(merged.vertex_set().nb_vertices(), 6u);
  EXPECT_EQ(test::elements(merged), (std::vector<std::vector<index_t>>{{0, 1, 2}, {1, 3, 2}}));
  MeshReadOptions exact;
  exact.stl_merge_distance = 0;
  const auto separate = read_mesh_from_buffer(content, "near.stl", exact);
  EXPECT_EQ(separate.vertex_set().nb_vertices(), 9u);
  EXPECT_EQ(test::elements(separate).size(), 3u);
}

TEST(ObjAndOffReaders, ReadTheBoxFacesAndTheFormatsVariants) {
  for (const auto* face : {"xmin", "xmax", "ymin", "ymax", "zmin", "zmax"}) {
    const auto off = read_mesh(data_file(str_cat("box_faces/box_", face, ".off")));
    const auto obj = read_mesh(data_file(str_cat("box_faces/box_", face, ".obj")));
    EXPECT_EQ(off.vertex_set().type_name().get(), "PolygonalSurface3D");
    EXPECT_EQ(obj.vertex_set().type_name().get(), "TriangulatedSurface3D");
    EXPECT_EQ(test::elements(off).size(), 4u);
    EXPECT_EQ(test::elements(obj).size(), 8u);
    EXPECT_EQ(off.get<SurfaceMesh<3>>().bounding_box().min(),
              obj.get<SurfaceMesh<3>>().bounding_box().min());
  }
  const auto obj = read_mesh_from_buffer(R"(# texture and normal indices, negative indices
mtllib box.mtl
v 0 0 0
v 1 0 0
v 1 1 0 1.0
vt 0 0
vn 0 0 1
usemtl red
f 1/1/1 2//1 3/1
v 0 1 0
f -4 -2 -1
)",
                                         "variants.obj");
  EXPECT_EQ(test::elements(obj), (std::vector<std::vector<index_t>>{{0, 1, 2}, {0, 2, 3}}));
  const auto lines = read_mesh_from_buffer("v 0 0 0\nv 1 0 0\nv 2 0 0\nl 1 2 3\n", "line.obj");
  EXPECT_EQ(test::elements(lines), (std::vector<std::vector<index_t>>{{0, 1}, {1, 2}}));

  const auto off = read_mesh_from_buffer(R"(COFF 4 1 0
# colors after each vertex and face
0 0 0 255 0 0 255
1 0 0 255 0 0 255
1 1 0 255 0 0 255
0 1 0 255 0 0 255
4 0 1 2 3 0.5 0.5 0.5
)",
                                         "colored.off");
  EXPECT_EQ(test::elements(off), (std::vector<std::vector<index_t>>{{0, 1, 2, 3}}));
}

TEST(VtkLegacyReader, ReadsPolyDataCellsInVtkOrder) {
  const auto mesh = read_mesh(data_file("polydata.vtk"));
  const auto& surface = mesh.get<SurfaceMesh<3>>();
  EXPECT_EQ(surface.nb_vertices(), 11u);
  // Polygons, then the strip's two triangles (the second turned to keep the orientation);
  // the vertex and the polyline are left out of the surface.
  EXPECT_EQ(test::elements(mesh),
            (std::vector<std::vector<index_t>>{{0, 1, 2, 3}, {3, 2, 4}, {5, 6, 7}, {7, 6, 8}}));
  // Cell data follow VTK's cell order: vertex, line, polygons, strip.
  EXPECT_EQ(values<int>(surface.polygon_attribute_manager(), "region"),
            (std::vector<int>{1, 2, 3, 3}));
  EXPECT_EQ(values<float>(surface.vertex_attribute_manager(), "temperature")[4], 22.f);
}

TEST(VtkLegacyReader, ReadsAVersion5UnstructuredGridOfFixedCells) {
  const auto mesh = read_mesh(data_file("mixed_cells.vtk"));
  const auto& solid = mesh.get<SolidMesh<3>>();
  EXPECT_EQ(solid.type_name().get(), "PolyhedralSolid3D");
  // The VTK wedge (1, 2, 8, 5, 6, 9) is our prism (1, 8, 2, 5, 9, 6).
  EXPECT_EQ(test::elements(mesh), (std::vector<std::vector<index_t>>{
                                      {0, 1, 2, 3, 4, 5, 6, 7},
                                      {1, 8, 2, 5, 9, 6},
                                      {4, 5, 6, 7, 10},
                                      {0, 11, 1, 4}}));
  for (index_t p = 0; p < 4; ++p) EXPECT_GT(solid.polyhedron_volume(p), 0.) << p;
  EXPECT_EQ(values<int>(solid.polyhedron_attribute_manager(), "material"),
            (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ((values<std::array<double, 3>>(solid.vertex_attribute_manager(), "displacement")[8]),
            (std::array<double, 3>{0, 0, 0}));
  // Hexahedron and prism share the facet (1, 2, 6, 5); pyramid and hexahedron the top.
  EXPECT_EQ(solid.polyhedron_adjacent({0, 3}), 1u);
  EXPECT_EQ(solid.polyhedron_adjacent({0, 1}), 2u);
}

/// A minimal .vtu of one triangle, its arrays given as inline text.
std::string vtu_with(std::string_view header_type, std::string_view byte_order,
                     std::string_view points, std::string_view cells,
                     std::string_view appended = {}) {
  return str_cat("<?xml version=\"1.0\"?>\n<!-- generated for a test -->\n<VTKFile type=\"Un",
                 "structuredGrid\" version=\"1.0\" byte_order=\"", byte_order,
                 "\" header_type=\"", header_type, "\">\n<UnstructuredGrid>\n",
                 "<Piece NumberOfPoints=\"3\" NumberOfCells=\"1\">\n<Points>", points,
                 "</Points>\n<Cells>", cells, "</Cells>\n</Piece>\n</UnstructuredGrid>\n",
                 appended, "</VTKFile>\n");
}

std::string base64(std::string_view bytes) {
  static constexpr char alphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 2]);
    text += alphabet[(group >> 18) & 63];
    text += alphabet[(group >> 12) & 63];
    text += i + 1 < bytes.size() ? alphabet[(group >> 6) & 63] : '=';
    text += i + 2 < bytes.size() ? alphabet[group & 63] : '=';
  }
  return text;
}

template <typename T>
std::string bytes_of(std::initializer_list<T> values, bool big_endian = false) {
  std::string bytes;
  for (const auto value : values) {
    char buffer[sizeof(T)];
    std::memcpy(buffer, &value, sizeof(T));
    if (big_endian) std::reverse(buffer, buffer + sizeof(T));
    bytes.append(buffer, sizeof(T));
  }
  return bytes;
}

/// The bytes compressed by zlib in blocks of `block_size`, with VTK's UInt32 block header.
std::pair<std::string, std::string> zlib_blocks(std::string_view bytes, std::uint32_t block_size) {
  std::vector<std::string> blocks;
  for (std::size_t start = 0; start < bytes.size(); start += block_size) {
    const auto block = bytes.substr(start, block_size);
    auto size = compressBound(static_cast<uLong>(block.size()));
    std::string compressed(size, '\0');
    compress(reinterpret_cast<Bytef*>(compressed.data()), &size,
             reinterpret_cast<const Bytef*>(block.data()), static_cast<uLong>(block.size()));
    compressed.resize(size);
    blocks.push_back(compressed);
  }
  const auto last = static_cast<std::uint32_t>(bytes.size() % block_size);
  std::string header = bytes_of<std::uint32_t>(
      {static_cast<std::uint32_t>(blocks.size()), block_size, last});
  std::string data;
  for (const auto& block : blocks) {
    header += bytes_of<std::uint32_t>({static_cast<std::uint32_t>(block.size())});
    data += block;
  }
  return {header, data};
}

TEST(VtkXmlReader, ReadsEveryEncoding) {
  const std::vector<double> xyz{0, 0, 0, 1, 0, 0, 0, 1, 0};
  const auto point_bytes = bytes_of<double>({0, 0, 0, 1, 0, 0, 0, 1, 0});
  const auto ascii_cells =
      "<DataArray type=\"Int32\" Name=\"connectivity\">0 1 2</DataArray>"
      "<DataArray type=\"Int32\" Name=\"offsets\" format=\"ascii\">3</DataArray>"
      "<DataArray type=\"UInt8\" Name=\"types\">5</DataArray>";
  const auto points_array = [](std::string_view format, std::string_view content) {
    return str_cat("<DataArray type=\"Float64\" NumberOfComponents=\"3\" format=\"", format,
                   "\">", content, "</DataArray>");
  };
  // Compressed in blocks of 32 bytes (three blocks, the last one partial) and of 72 (one full).
  const auto [small_header, small_blocks] = zlib_blocks(point_bytes, 32);
  const auto [full_header, full_block] = zlib_blocks(point_bytes, 72);
  const auto compressed_vtu = [&](std::string_view points, std::string_view appended = {}) {
    auto content = vtu_with("UInt32", "LittleEndian", points, ascii_cells, appended);
    content.insert(content.find("header_type"), "compressor=\"vtkZLibDataCompressor\" ");
    return content;
  };
  struct Case {
    std::string name;
    std::string content;
  };
  const std::vector<Case> cases{
      {"zlib, inline", compressed_vtu(points_array(
                           "binary", str_cat(base64(small_header), base64(small_blocks))))},
      {"zlib, one full block, appended raw",
       compressed_vtu("<DataArray type=\"Float64\" NumberOfComponents=\"3\" "
                      "format=\"appended\" offset=\"0\"/>",
                      str_cat("<AppendedData encoding=\"raw\">_", full_header, full_block,
                              "</AppendedData>\n"))},
      {"ascii", vtu_with("UInt32", "LittleEndian", points_array("ascii", "0 0 0 1 0 0\n0 1 0"),
                         ascii_cells)},
      {"binary, one stream with a UInt32 header",
       vtu_with("UInt32", "LittleEndian",
                points_array("binary", base64(bytes_of<std::uint32_t>({72}) + point_bytes)),
                ascii_cells)},
      {"binary, header encoded apart, UInt64",
       vtu_with("UInt64", "LittleEndian",
                points_array("binary", str_cat(base64(bytes_of<std::uint64_t>({72})), "\n  ",
                                               base64(point_bytes))),
                ascii_cells)},
      {"binary, big-endian",
       vtu_with("UInt32", "BigEndian",
                points_array("binary", base64(bytes_of<std::uint32_t>({72}, true) +
                                              bytes_of<double>({0, 0, 0, 1, 0, 0, 0, 1, 0}, true))),
                ascii_cells)},
      {"appended raw",
       vtu_with("UInt32", "LittleEndian",
                "<DataArray type=\"Float64\" NumberOfComponents=\"3\" format=\"appended\" "
                "offset=\"0\"/>",
                ascii_cells,
                str_cat("<AppendedData encoding=\"raw\">\n   _", bytes_of<std::uint32_t>({72}),
                        point_bytes, "\n</AppendedData>\n"))},
      {"appended base64",
       vtu_with("UInt32", "LittleEndian",
                "<DataArray type=\"Float64\" NumberOfComponents=\"3\" format=\"appended\" "
                "offset=\"4\"/>",
                ascii_cells,
                str_cat("<AppendedData encoding=\"base64\">_AAAA",
                        base64(bytes_of<std::uint32_t>({72}) + point_bytes),
                        "</AppendedData>\n"))},
  };
  for (const auto& test_case : cases) {
    SCOPED_TRACE(test_case.name);
    const auto mesh = read_mesh_from_buffer(test_case.content, "triangle.vtu");
    const auto& surface = mesh.get<SurfaceMesh<3>>();
    ASSERT_EQ(surface.nb_vertices(), 3u);
    EXPECT_EQ(surface.point(1), (Point<3>{{1, 0, 0}}));
    EXPECT_EQ(surface.point(2), (Point<3>{{0, 1, 0}}));
    EXPECT_EQ(test::elements(mesh), (std::vector<std::vector<index_t>>{{0, 1, 2}}));
  }
}

TEST(ReadMesh, FindsTheFormatFromTheContentAndReads2D) {
  const auto content = std::string{"OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n"};
  EXPECT_EQ(detect_mesh_format(content), MeshFormat::off);
  EXPECT_EQ(read_mesh_from_buffer(content, "no_extension").kind(), MeshKind::surface);
  EXPECT_EQ(detect_mesh_format("# a comment\nv 0 0 0\n"), MeshFormat::obj);
  EXPECT_EQ(detect_mesh_format("$MeshFormat\n4.1 0 8\n"), MeshFormat::msh);
  EXPECT_EQ(detect_mesh_format("solid x\n"), MeshFormat::stl);
  EXPECT_EQ(detect_mesh_format("<?xml version=\"1.0\"?><VTKFile type=\"PolyData\">"),
            MeshFormat::vtp);
  EXPECT_FALSE(detect_mesh_format("hello"));
  EXPECT_EQ(mesh_format_from_path("a/b.VTU"), MeshFormat::vtu);

  MeshReadOptions in_2d;
  in_2d.dimension = 2;
  const auto square = read_mesh(data_file("square_2d.msh"), in_2d);
  EXPECT_EQ(square.get<SurfaceMesh<2>>().point(8), (Point<2>{{2, 2}}));
  const auto expect_input_error = [&](const auto& read, std::string_view expected) {
    try {
      read();
      FAIL() << "expected an error containing " << expected;
    } catch (const OstrelException& exception) {
      EXPECT_EQ(exception.type(), OstrelException::TYPE::input);
      EXPECT_NE(std::string{exception.what()}.find(expected), std::string::npos)
          << exception.what();
    }
  };
  expect_input_error([&] { read_mesh_from_buffer("OFF 3 0 0\n0 0 0\n1 0 0\n0 1 1e-3\n", "z.off", in_2d); },
                     "z.off: point 2 has z = 0.001: a 2D mesh needs every z coordinate to be 0");
  expect_input_error([&] { read_mesh(data_file("tet_box.msh"), in_2d); },
                     "cannot be read into a 2D mesh");
  expect_input_error([&] { read_mesh_from_buffer("hello", "unknown"); },
                     "unknown: unknown mesh format");
  expect_input_error([&] { read_mesh(data_file("missing.off")); }, "no such file");
}

TEST(ElementTypeCounts, NamesFixedCellsByTheirFacets) {
  EXPECT_EQ(element_type_counts(*test::make_mixed_solid(true)),
            (ElementTypeCounts{{"tetrahedron", 1}, {"hexahedron", 1}, {"prism", 1},
                               {"pyramid", 1}, {"polyhedron", 1}}));
  EXPECT_EQ(element_type_counts(*test::make_tetrahedral_solid()),
            (ElementTypeCounts{{"tetrahedron", 48}}));
  EXPECT_EQ(element_type_counts(*test::make_surface(false, true)),
            (ElementTypeCounts{{"triangle", 2}, {"quadrangle", 2}, {"polygon", 1}}));
  EXPECT_EQ(element_type_counts(*test::make_curve()), (ElementTypeCounts{{"edge", 5}}));
  EXPECT_TRUE(element_type_counts(*test::make_point_set()).empty());
}

}  // namespace
}  // namespace veyra
