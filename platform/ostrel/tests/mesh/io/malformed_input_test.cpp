// SPDX-License-Identifier: MIT
// Every reader meets truncated files, wrong counts, negative or huge indices, NaN coordinates
// and binary garbage with an input exception naming the file, the place and what was expected.
#include <gtest/gtest.h>

#include <cstring>

#include <ostrel/mesh/io/read_mesh.h>
#include <ostrel/mesh/io/read_msh_entities.h>

namespace veyra {
namespace {

struct Malformed {
  std::string name;
  std::string file;
  std::string content;
  /// "line N" or "byte N", empty for faults found after parsing.
  std::string place;
  std::string expected;
};

std::string garbage(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (auto& byte : bytes) {
    seed = seed * 1103515245u + 12345u;
    byte = static_cast<char>((seed >> 16) & 0xff);
  }
  return bytes;
}

std::string binary_stl(std::uint32_t announced, std::size_t nb_written, float value) {
  std::string bytes(80, ' ');
  char count[4];
  std::memcpy(count, &announced, 4);
  bytes.append(count, 4);
  for (std::size_t t = 0; t < nb_written; ++t) {
    for (int i = 0; i < 12; ++i) {
      const float coordinate = i == 4 ? value : static_cast<float>(i % 3);
      char text[4];
      std::memcpy(text, &coordinate, 4);
      bytes.append(text, 4);
    }
    bytes.append(2, '\0');
  }
  return bytes;
}

constexpr std::string_view msh_head = "$MeshFormat\n2.2 0 8\n$EndMeshFormat\n";
constexpr std::string_view msh4_head = "$MeshFormat\n4.1 0 8\n$EndMeshFormat\n";
constexpr std::string_view msh_nodes = "$Nodes\n3\n1 0 0 0\n2 1 0 0\n3 0 1 0\n$EndNodes\n";

std::string msh_with_element(std::string_view element) {
  return str_cat(msh_head, msh_nodes, "$Elements\n1\n", element, "\n$EndElements\n");
}

constexpr std::string_view vtk_head = "# vtk DataFile Version 4.2\ntitle\nASCII\nDATASET ";

std::string vtu(std::string_view piece, std::string_view points, std::string_view cells) {
  return str_cat("<VTKFile type=\"UnstructuredGrid\" version=\"1.0\">\n<UnstructuredGrid>\n",
                 "<Piece ", piece, ">\n<Points>\n", points, "\n</Points>\n<Cells>\n", cells,
                 "\n</Cells>\n</Piece>\n</UnstructuredGrid>\n</VTKFile>\n");
}

constexpr std::string_view triangle_points =
    "<DataArray type=\"Float64\" NumberOfComponents=\"3\">0 0 0 1 0 0 0 1 0</DataArray>";
constexpr std::string_view triangle_cells =
    "<DataArray type=\"Int64\" Name=\"connectivity\">0 1 2</DataArray>\n"
    "<DataArray type=\"Int64\" Name=\"offsets\">3</DataArray>\n"
    "<DataArray type=\"UInt8\" Name=\"types\">5</DataArray>";

std::vector<Malformed> malformed_files() {
  const auto triangle_piece = "NumberOfPoints=\"3\" NumberOfCells=\"1\"";
  return {
      // Gmsh MSH
      {"truncated", "bad.msh", str_cat(msh4_head, "$Nodes\n1 2 1 2\n2 1 0 2\n1\n"), "line 6",
       "the count 2 (nodes in the block) does not fit in the rest of the file (3 bytes)"},
      {"fewer nodes than counted", "bad.msh", str_cat(msh_head, "$Nodes\n2\n1 0 0 0\n$EndNodes\n"),
       "line 7", "expected an integer (a node tag), found \"$EndNodes\""},
      {"count beyond the file", "bad.msh", str_cat(msh_head, "$Nodes\n99999999999999\n"),
       "line 5", "the count 99999999999999 (nodes) does not fit in the rest of the file"},
      {"negative count", "bad.msh", str_cat(msh_head, "$Nodes\n-2\n"), "line 5",
       "expected a non-negative count (nodes), found \"-2\""},
      {"negative node", "bad.msh", msh_with_element("1 2 2 0 1 1 2 -3"), "line 12",
       "node tag -3 is not defined in $Nodes"},
      {"huge node", "bad.msh", msh_with_element("1 2 2 0 1 1 2 99999999999"), "line 12",
       "node tag 99999999999 is not defined in $Nodes"},
      {"NaN coordinate", "bad.msh", str_cat(msh_head, "$Nodes\n1\n1 nan 0 0\n$EndNodes\n"),
       "line 6", "expected a finite number (the node x coordinate), found \"nan\""},
      {"second-order element", "bad.msh", msh_with_element("1 9 2 0 1 1 2 3 1 2 3"), "line 12",
       "element type 9 is not supported"},
      {"binary garbage", "bad.msh", garbage(300, 1), "line 1", "expected \"$MeshFormat\""},
      {"duplicate node", "bad.msh", str_cat(msh_head, "$Nodes\n2\n1 0 0 0\n1 1 0 0\n$EndNodes\n"),
       "", "node tag 1 is defined twice"},
      {"block larger than announced", "bad.msh",
       str_cat(msh4_head, "$Nodes\n1 1 1 1\n0 1 0 2\n1\n2\n0 0 0\n0 0 0\n$EndNodes\n"), "line 6",
       "the node blocks hold more nodes than the 1 announced"},
      {"binary MSH", "bad.msh", "$MeshFormat\n4.1 1 8\n", "line 2",
       "binary MSH files are not supported"},
      {"missing end of section", "bad.msh", str_cat(msh_head, "$Periodic\n1\n"), "line 4",
       "section $Periodic has no $EndPeriodic"},
      // OFF
      {"truncated", "bad.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n", "line 5",
       "expected a vertex x coordinate, found the end of the file"},
      {"fewer faces than counted", "bad.off", "OFF\n3 2 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n",
       "line 7", "expected face vertices, found the end of the file"},
      {"count beyond the file", "bad.off", "OFF\n4000000000 1 0\n", "line 2",
       "the count 4000000000 (vertices) does not fit"},
      {"negative index", "bad.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 -1 2\n", "line 6",
       "face vertex index -1 is out of range (3 vertices)"},
      {"huge index", "bad.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 99999999999\n", "line 6",
       "face vertex index 99999999999 is out of range"},
      {"NaN coordinate", "bad.off", "OFF\n3 1 0\n0 0 0\n1 NaN 0\n0 1 0\n3 0 1 2\n", "line 4",
       "expected a finite number (a vertex y coordinate), found \"NaN\""},
      {"infinite coordinate", "bad.off", "OFF\n1 0 0\n0 0 1e999\n", "line 3",
       "expected a finite number (a vertex z coordinate), found \"1e999\""},
      {"binary garbage", "bad.off", garbage(200, 2), "line 1", "expected the OFF keyword"},
      // OBJ
      {"truncated", "bad.obj", "v 0 0 0\nv 1 0", "line 2",
       "expected a vertex z coordinate, found the end of the file"},
      {"negative index", "bad.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 -4\n", "line 4",
       "vertex index -4 is out of range (3 vertices defined so far)"},
      {"huge index", "bad.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 99999999999\n", "line 4",
       "vertex index 99999999999 is out of range"},
      {"index 0", "bad.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\n", "line 4",
       "vertex index 0 is out of range"},
      {"NaN coordinate", "bad.obj", "v 0 0 0\nv nan 0 0\n", "line 2",
       "expected a finite number (a vertex x coordinate), found \"nan\""},
      {"face of two vertices", "bad.obj", "v 0 0 0\nv 1 0 0\nf 1 2\n", "line 3",
       "a face of 2 vertices"},
      {"binary garbage", "bad.obj", garbage(200, 3), "line 1", "expected an OBJ statement"},
      // STL
      {"truncated", "bad.stl", "solid t\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\n",
       "line 5", "expected \"vertex\", found the end of the file"},
      {"binary with a wrong count", "bad.stl", binary_stl(1000, 1, 0.f), "byte 80",
       "binary STL announcing 1000 triangles needs 50084 bytes, the file has 134"},
      {"binary NaN coordinate", "bad.stl", binary_stl(1, 1, std::nanf("")), "byte 100",
       "triangle 0 has a coordinate that is not a finite number"},
      {"ASCII NaN coordinate", "bad.stl",
       "solid t\nfacet normal 0 0 1\nouter loop\nvertex 0 0 nan\n", "line 4",
       "expected a finite number (a vertex coordinate), found \"nan\""},
      {"short garbage", "bad.stl", garbage(40, 4), "byte 0", "expected an ASCII STL file"},
      {"long garbage", "bad.stl", garbage(400, 5), "byte 80", "binary STL announcing"},
      // VTK legacy
      {"truncated", "bad.vtk", str_cat(vtk_head, "POLYDATA\nPOINTS 3 float\n0 0 0 1 0 0\n"),
       "line 5", "9 values (a point coordinate) do not fit in the rest of the file (13 bytes)"},
      {"cell list count", "bad.vtk",
       str_cat(vtk_head, "POLYDATA\nPOINTS 3 float\n0 0 0 1 0 0 0 1 0\nPOLYGONS 1 5\n3 0 1 2\n"),
       "line 7", "POLYGONS: the cells hold 4 entries, 5 were announced"},
      {"negative index", "bad.vtk",
       str_cat(vtk_head, "POLYDATA\nPOINTS 3 float\n0 0 0 1 0 0 0 1 0\nPOLYGONS 1 4\n3 0 -1 2\n"),
       "line 7", "POLYGONS: point id -1 is out of range (3 points)"},
      {"huge index", "bad.vtk",
       str_cat(vtk_head,
               "UNSTRUCTURED_GRID\nPOINTS 3 float\n0 0 0 1 0 0 0 1 0\nCELLS 1 4\n3 0 1 7\n"
               "CELL_TYPES 1\n5\n"),
       "line 7", "CELLS: point id 7 is out of range (3 points)"},
      {"NaN coordinate", "bad.vtk", str_cat(vtk_head, "POLYDATA\nPOINTS 1 double\n0 -nan 0\n"),
       "line 6", "expected a finite number (a point coordinate), found \"-nan\""},
      {"unsupported cell", "bad.vtk",
       str_cat(vtk_head,
               "UNSTRUCTURED_GRID\nPOINTS 3 float\n0 0 0 1 0 0 0 1 0\nCELLS 1 4\n3 0 1 2\n"
               "CELL_TYPES 1\n22\n"),
       "line 7", "cell 0 has VTK cell type 22, which is not supported"},
      {"data count", "bad.vtk",
       str_cat(vtk_head, "POLYDATA\nPOINTS 1 float\n0 0 0\nPOINT_DATA 2\n"), "line 7",
       "point data for 2 points, the dataset has 1"},
      {"binary garbage", "bad.vtk", garbage(300, 6), "line 1",
       "expected \"# vtk DataFile Version\""},
      // VTK XML
      {"truncated", "bad.vtu", vtu(triangle_piece, triangle_points, triangle_cells).substr(0, 200),
       "line 6", "expected </Points>, found the end of the file"},
      {"fewer values than counted", "bad.vtu",
       vtu("NumberOfPoints=\"4\" NumberOfCells=\"1\"", triangle_points, triangle_cells), "line 5",
       "12 values (a DataArray value) do not fit in the rest of the file (17 bytes)"},
      {"count beyond the file", "bad.vtu",
       vtu("NumberOfPoints=\"99999999999\" NumberOfCells=\"1\"", triangle_points,
           triangle_cells),
       "line 3", "expected a count for NumberOfPoints, found \"99999999999\""},
      {"negative index", "bad.vtu",
       vtu(triangle_piece, triangle_points,
           "<DataArray type=\"Int64\" Name=\"connectivity\">0 -1 2</DataArray>\n"
           "<DataArray type=\"Int64\" Name=\"offsets\">3</DataArray>\n"
           "<DataArray type=\"UInt8\" Name=\"types\">5</DataArray>"),
       "line 7", "Cells: point id -1 is out of range (3 points)"},
      {"offset past the connectivity", "bad.vtu",
       vtu(triangle_piece, triangle_points,
           "<DataArray type=\"Int64\" Name=\"connectivity\">0 1 2</DataArray>\n"
           "<DataArray type=\"Int64\" Name=\"offsets\">999999999</DataArray>\n"
           "<DataArray type=\"UInt8\" Name=\"types\">5</DataArray>"),
       "line 9", "the last offset 999999999 is not a possible connectivity size"},
      {"NaN coordinate", "bad.vtu",
       vtu(triangle_piece,
           "<DataArray type=\"Float32\" NumberOfComponents=\"3\">0 0 0 1 0 0 0 nan 0</DataArray>",
           triangle_cells),
       "line 5", "a point coordinate is not a finite number"},
      {"bad base64", "bad.vtu",
       vtu(triangle_piece,
           "<DataArray type=\"Float64\" NumberOfComponents=\"3\" format=\"binary\">!!!!</DataArray>",
           triangle_cells),
       "line 5", "the DataArray's binary data ends before its header, or is not valid base64"},
      {"base64 shorter than its header says", "bad.vtu",
       vtu(triangle_piece,
           "<DataArray type=\"Float64\" NumberOfComponents=\"3\" format=\"binary\">SAAAAAAA</DataArray>",
           triangle_cells),
       "line 5", "the DataArray announces 72 bytes, its data holds at most 2"},
      {"unknown compressor", "bad.vtu",
       "<VTKFile type=\"PolyData\" compressor=\"vtkLZ4DataCompressor\"/>", "line 1",
       "compressed data (vtkLZ4DataCompressor) is not supported: only zlib compression is"},
      {"compressed blocks of the wrong size", "bad.vtu",
       str_cat("<VTKFile type=\"UnstructuredGrid\" compressor=\"vtkZLibDataCompressor\">"
               "<UnstructuredGrid><Piece NumberOfPoints=\"3\">\n<Points>\n"
               "<DataArray type=\"Float64\" NumberOfComponents=\"3\" format=\"binary\">",
               // 1 block of 65536 bytes, last block 64 bytes, compressed size 10: 64 != 72.
               "AQAAAAAAAQBAAAAACgAAAA==", "</DataArray></Points></Piece></UnstructuredGrid>"
               "</VTKFile>"),
       "line 3", "the compressed DataArray's blocks do not hold the 72 bytes expected"},
      {"compressed block of garbage", "bad.vtu",
       str_cat("<VTKFile type=\"UnstructuredGrid\" compressor=\"vtkZLibDataCompressor\">"
               "<UnstructuredGrid><Piece NumberOfPoints=\"3\">\n<Points>\n"
               "<DataArray type=\"Float64\" NumberOfComponents=\"3\" format=\"binary\">",
               // 1 block of 65536 bytes, last block 72 bytes, compressed size 6.
               "AQAAAAAAAQBIAAAABgAAAA==", "AAECAwQF", "</DataArray></Points></Piece>"
               "</UnstructuredGrid></VTKFile>"),
       "line 3", "compressed block 0 does not decompress to its 72 bytes"},
      {"binary garbage", "bad.vtu", garbage(300, 7), "line 1", "expected an XML element"},
  };
}

TEST(MalformedInput, EveryReaderRejectsItWithALocatedInputError) {
  for (const auto& malformed : malformed_files()) {
    SCOPED_TRACE(str_cat(malformed.file, ": ", malformed.name));
    try {
      read_mesh_from_buffer(malformed.content, malformed.file);
      ADD_FAILURE() << "no exception";
    } catch (const OstrelMeshException& exception) {
      EXPECT_EQ(exception.type(), OstrelException::TYPE::input);
      const std::string message = exception.what();
      const auto place = malformed.place.empty() ? malformed.file
                                                 : str_cat(malformed.file, ", ", malformed.place);
      EXPECT_NE(message.find(str_cat("] ", place, ": ")), std::string::npos) << message;
      EXPECT_NE(message.find(malformed.expected), std::string::npos) << message;
    }
  }
}

TEST(MalformedInput, TheGmshEntityReaderChecksTheSameWay) {
  try {
    read_msh_entities_from_buffer(msh_with_element("1 2 2 0 1 1 2 -3"), "bad.msh");
    FAIL() << "no exception";
  } catch (const OstrelMeshException& exception) {
    EXPECT_EQ(exception.type(), OstrelException::TYPE::input);
    EXPECT_NE(std::string{exception.what()}.find("bad.msh, line 12: node tag -3 is not defined"),
              std::string::npos)
        << exception.what();
  }
}

TEST(MalformedInput, TruncationAtAnyByteNeverCrashes) {
  // Every prefix of valid files of each format fails cleanly or reads a smaller mesh.
  const std::vector<std::pair<std::string, std::string>> files{
      {"t.msh", msh_with_element("1 2 2 0 1 1 2 3")},
      {"t.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n"},
      {"t.vtk", str_cat(vtk_head,
                        "UNSTRUCTURED_GRID\nPOINTS 3 float\n0 0 0 1 0 0 0 1 0\nCELLS 1 4\n3 0 1 "
                        "2\nCELL_TYPES 1\n5\nCELL_DATA 1\nSCALARS a int\nLOOKUP_TABLE default\n4\n")},
      {"t.vtu", vtu("NumberOfPoints=\"3\" NumberOfCells=\"1\"", triangle_points, triangle_cells)},
  };
  for (const auto& [name, content] : files) {
    for (std::size_t size = 0; size < content.size(); ++size) {
      try {
        read_mesh_from_buffer(content.substr(0, size), name);
      } catch (const OstrelMeshException& exception) {
        EXPECT_EQ(exception.type(), OstrelException::TYPE::input) << name << " " << size;
      }
    }
  }
}

}  // namespace
}  // namespace veyra
