// SPDX-License-Identifier: MIT
// Layout of a native model file, all integers little-endian:
//   header   magic "\x89OSTREL\n", version (u32), model kind (u8: 2 Section, 3 BRep),
//            payload size (u64)
//   payload  model id and name; corners, lines, surfaces and (BRep) blocks, each with id, name,
//            active flag, mesh implementation key and mesh; model boundaries and collections;
//            relations in the order they were added; unique vertices with their ties in order
//   trailer  checksum of the payload (u64)
// The reader checks the header, the size and the checksum before it parses anything, and the
// parser checks every count and index on its own as well.
#include <ostrel/model/io/brep_io.h>
#include <ostrel/model/io/section_io.h>

#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include <absl/container/flat_hash_map.h>
#include <ostrel/basic/str_cat.h>

#include <ostrel/model/brep_builder.h>
#include <ostrel/model/section_builder.h>

#include "attribute_io.h"
#include "binary_stream.h"
#include "mesh_io.h"

namespace veyra {
namespace {

using internal::BinaryReader;
using internal::BinaryWriter;

constexpr std::array<char, 8> magic{'\x89', 'O', 'S', 'T', 'R', 'E', 'L', '\n'};
constexpr std::uint32_t version = 1;
constexpr std::size_t header_size = magic.size() + 4 + 1 + 8;
constexpr std::size_t trailer_size = 8;

template <typename Model>
struct ModelFile;

template <>
struct ModelFile<BRep> {
  static constexpr std::string_view name = "BRep";
  static constexpr std::string_view extension = ".tq_brep";
  static constexpr std::string_view save = "save_brep";
  static constexpr std::string_view load = "load_brep";
  static constexpr std::uint8_t kind = 3;
};

template <>
struct ModelFile<Section> {
  static constexpr std::string_view name = "Section";
  static constexpr std::string_view extension = ".tq_sctn";
  static constexpr std::string_view save = "save_section";
  static constexpr std::string_view load = "load_section";
  static constexpr std::uint8_t kind = 2;
};

std::string_view kind_name(std::uint8_t kind) {
  if (kind == ModelFile<BRep>::kind) return ModelFile<BRep>::name;
  if (kind == ModelFile<Section>::kind) return ModelFile<Section>::name;
  return "unknown model";
}

void write_name(BinaryWriter& writer, const Identifier& identifier) {
  const auto name = identifier.name();
  writer.write_bool(name.has_value());
  if (name) writer.write_string(*name);
}

template <index_t D>
void write_component_head(BinaryWriter& writer, const Component<D>& component) {
  writer.write_uuid(component.id());
  write_name(writer, component);
  writer.write_bool(component.is_active());
}

// ---------------------------------------------------------------------------------------------
// Writing

template <typename Model>
class ModelWriter {
  static constexpr index_t D = Model::dim;

 public:
  explicit ModelWriter(const Model& model) : model_(model) {}

  std::string payload() {
    writer_.write_uuid(model_.id());
    write_name(writer_, model_);
    write_mesh_components(model_.corners());
    write_mesh_components(model_.lines());
    write_mesh_components(model_.surfaces());
    if constexpr (D == 3) write_mesh_components(model_.blocks());
    write_components(model_.model_boundaries(), model_.nb_model_boundaries());
    write_components(model_.corner_collections(), model_.nb_corner_collections());
    write_components(model_.line_collections(), model_.nb_line_collections());
    write_components(model_.surface_collections(), model_.nb_surface_collections());
    if constexpr (D == 3) {
      write_components(model_.block_collections(), model_.nb_block_collections());
    }
    write_relations();
    write_unique_vertices();
    return std::move(writer_.bytes());
  }

 private:
  template <typename Range>
  void write_mesh_components(const Range& range) {
    index_t nb = 0;
    for (auto it = range.begin(); it != range.end(); ++it) ++nb;
    writer_.write_index(nb);
    for (const auto& component : range) {
      write_component_head(writer_, component);
      writer_.write_string(component.mesh_type().get());
      internal::write_mesh(writer_, component.mesh(), component.component_id().string());
      ordinals_.emplace(component.id(), static_cast<index_t>(ordinals_.size()));
    }
  }

  template <typename Range>
  void write_components(const Range& range, index_t nb) {
    writer_.write_index(nb);
    for (const auto& component : range) write_component_head(writer_, component);
  }

  void write_relations() {
    const auto relations = model_.relations();
    writer_.write_index(static_cast<index_t>(relations.size()));
    for (const auto& relation : relations) {
      writer_.write_uuid(relation.from.id());
      writer_.write_uuid(relation.to.id());
      writer_.write<std::uint8_t>(static_cast<std::uint8_t>(relation.type));
    }
  }

  // Ties refer to mesh components by their position in the file.
  void write_unique_vertices() {
    const auto nb_unique_vertices = model_.nb_unique_vertices();
    writer_.write_index(nb_unique_vertices);
    for (index_t unique_vertex = 0; unique_vertex < nb_unique_vertices; ++unique_vertex) {
      const auto ties = model_.component_mesh_vertices(unique_vertex);
      writer_.write_index(static_cast<index_t>(ties.size()));
      for (const auto& tie : ties) {
        writer_.write_index(ordinals_.at(tie.component_id.id()));
        writer_.write_index(tie.vertex);
      }
    }
  }

  const Model& model_;
  BinaryWriter writer_;
  absl::flat_hash_map<uuid, index_t> ordinals_;
};

std::atomic<std::uint64_t> temporary_counter{0};

template <typename Model>
std::vector<std::string> save_model(const Model& model, std::string_view filename) {
  using File = ModelFile<Model>;
  const std::filesystem::path target{std::string{filename}};
  OSTREL_INPUT_CHECK(OstrelModelException, target.extension() == File::extension, "[", File::save,
                     "] The file name must end with ", File::extension, ": ", filename);
  const auto payload = ModelWriter<Model>{model}.payload();

  BinaryWriter head;
  head.write(magic);
  head.write(version);
  head.write(File::kind);
  head.write<std::uint64_t>(payload.size());
  BinaryWriter tail;
  tail.write(internal::checksum(payload));

  // Written next to the target and renamed over it only when complete, so that a failure never
  // leaves a half-written model file behind.
  auto temporary = target;
  temporary += str_cat(".tmp.", ::getpid(), ".", temporary_counter++);
  {
    std::ofstream stream{temporary, std::ios::binary | std::ios::trunc};
    stream.write(head.bytes().data(), static_cast<std::streamsize>(head.bytes().size()));
    stream.write(payload.data(), static_cast<std::streamsize>(payload.size()));
    stream.write(tail.bytes().data(), static_cast<std::streamsize>(tail.bytes().size()));
    stream.close();
    if (!stream) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      throw OstrelModelException(nullptr, OstrelException::TYPE::input, "[", File::save,
                                 "] Cannot write the file ", filename);
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, target, error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw OstrelModelException(nullptr, OstrelException::TYPE::input, "[", File::save,
                               "] Cannot write the file ", filename, ": ", error.message());
  }
  return {std::string{filename}};
}

// ---------------------------------------------------------------------------------------------
// Reading

template <typename Model>
class ModelReader {
  static constexpr index_t D = Model::dim;
  using Builder = typename Model::Builder;

 public:
  ModelReader(std::string_view payload, std::string context)
      : reader_(payload, std::move(context)) {}

  Model read() {
    Model model;
    Builder builder{model};
    builder.set_id(reader_.read_uuid("model id"));
    if (reader_.read_bool("model name flag")) builder.set_name(reader_.read_string("model name"));
    read_mesh_components<Corner<D>>(model, builder);
    read_mesh_components<Line<D>>(model, builder);
    read_mesh_components<Surface<D>>(model, builder);
    if constexpr (D == 3) read_mesh_components<Block<D>>(model, builder);
    read_components<ModelBoundary<D>>(builder);
    read_components<CornerCollection<D>>(builder);
    read_components<LineCollection<D>>(builder);
    read_components<SurfaceCollection<D>>(builder);
    if constexpr (D == 3) read_components<BlockCollection<D>>(builder);
    read_relations(builder);
    read_unique_vertices(model, builder);
    if (!reader_.at_end()) reader_.fail("unexpected data after the unique vertices");
    return model;
  }

 private:
  struct Head {
    uuid id;
    std::optional<std::string> name;
    bool active;
  };

  template <typename T>
  Head read_head() {
    Head head;
    head.id = reader_.read_uuid("component id");
    if (reader_.read_bool("component name flag")) {
      head.name = reader_.read_string("component name");
    }
    head.active = reader_.read_bool("component active flag");
    const ComponentID component{T::component_type_static(), head.id};
    if (!components_.try_emplace(head.id, component).second) {
      reader_.fail("repeated component id ", head.id.string());
    }
    return head;
  }

  template <typename T>
  void read_mesh_components(const Model& model, Builder& builder) {
    // Id, name flag, active flag, key length.
    const auto nb = reader_.read_count(16 + 1 + 1 + 4, "component count");
    for (index_t c = 0; c < nb; ++c) {
      const auto head = read_head<T>();
      const MeshImpl impl{reader_.read_string("mesh implementation")};
      if constexpr (std::is_same_v<T, Corner<D>>) {
        auto mesh = internal::read_point_set<D>(reader_, impl);
        builder.add_corner(head.id, impl);
        builder.update_corner_mesh(model.corner(head.id), std::move(mesh));
        finish_component(
            head, [&](std::string_view name) { builder.set_corner_name(head.id, name); },
            [&](bool active) { builder.set_corner_active(head.id, active); });
      } else if constexpr (std::is_same_v<T, Line<D>>) {
        auto mesh = internal::read_edged_curve<D>(reader_, impl);
        builder.add_line(head.id, impl);
        builder.update_line_mesh(model.line(head.id), std::move(mesh));
        finish_component(
            head, [&](std::string_view name) { builder.set_line_name(head.id, name); },
            [&](bool active) { builder.set_line_active(head.id, active); });
      } else if constexpr (std::is_same_v<T, Surface<D>>) {
        auto mesh = internal::read_surface_mesh<D>(reader_, impl);
        builder.add_surface(head.id, impl);
        builder.update_surface_mesh(model.surface(head.id), std::move(mesh));
        finish_component(
            head, [&](std::string_view name) { builder.set_surface_name(head.id, name); },
            [&](bool active) { builder.set_surface_active(head.id, active); });
      } else {
        auto mesh = internal::read_solid_mesh<D>(reader_, impl);
        builder.add_block(head.id, impl);
        builder.update_block_mesh(model.block(head.id), std::move(mesh));
        finish_component(
            head, [&](std::string_view name) { builder.set_block_name(head.id, name); },
            [&](bool active) { builder.set_block_active(head.id, active); });
      }
      mesh_components_.push_back(components_.at(head.id));
    }
  }

  template <typename T>
  void read_components(Builder& builder) {
    const auto nb = reader_.read_count(16 + 1 + 1, "component count");
    for (index_t c = 0; c < nb; ++c) {
      const auto head = read_head<T>();
      // Collections and model boundaries have no active flag to restore: it is always true.
      if (!head.active) reader_.fail("inactive ", T::component_type_static().get());
      if constexpr (std::is_same_v<T, ModelBoundary<D>>) {
        builder.add_model_boundary(head.id);
        if (head.name) builder.set_model_boundary_name(head.id, *head.name);
      } else if constexpr (std::is_same_v<T, CornerCollection<D>>) {
        builder.add_corner_collection(head.id);
        if (head.name) builder.set_corner_collection_name(head.id, *head.name);
      } else if constexpr (std::is_same_v<T, LineCollection<D>>) {
        builder.add_line_collection(head.id);
        if (head.name) builder.set_line_collection_name(head.id, *head.name);
      } else if constexpr (std::is_same_v<T, BlockCollection<D>>) {
        builder.add_block_collection(head.id);
        if (head.name) builder.set_block_collection_name(head.id, *head.name);
      } else {
        builder.add_surface_collection(head.id);
        if (head.name) builder.set_surface_collection_name(head.id, *head.name);
      }
    }
  }

  template <typename SetName, typename SetActive>
  static void finish_component(const Head& head, SetName&& set_name, SetActive&& set_active) {
    if (head.name) set_name(*head.name);
    if (!head.active) set_active(false);
  }

  const ComponentID& component(const uuid& id) {
    const auto found = components_.find(id);
    if (found == components_.end()) reader_.fail("relation with an unknown component");
    return found->second;
  }

  void read_relations(Builder& builder) {
    const auto nb = reader_.read_count(16 + 16 + 1, "relation count");
    for (index_t r = 0; r < nb; ++r) {
      const auto& from = component(reader_.read_uuid("relation component"));
      const auto& to = component(reader_.read_uuid("relation component"));
      const auto type = reader_.read<std::uint8_t>("relation type");
      if (from.id() == to.id()) reader_.fail("component related to itself");
      switch (type) {
        case static_cast<std::uint8_t>(RelationType::boundary):
          builder.add_boundary_relation(from, to);
          break;
        case static_cast<std::uint8_t>(RelationType::internal):
          builder.add_internal_relation(from, to);
          break;
        case static_cast<std::uint8_t>(RelationType::item):
          builder.add_item_in_collection(from, to);
          break;
        default:
          reader_.fail("unknown relation type ", int{type});
      }
    }
  }

  void read_unique_vertices(const Model& model, Builder& builder) {
    const auto nb_unique_vertices = reader_.read_count(4, "unique vertex count");
    builder.create_unique_vertices(nb_unique_vertices);
    const auto nb_components = static_cast<index_t>(mesh_components_.size());
    for (index_t unique_vertex = 0; unique_vertex < nb_unique_vertices; ++unique_vertex) {
      const auto nb_ties = reader_.read_count(8, "tie count");
      for (index_t t = 0; t < nb_ties; ++t) {
        const auto& component = mesh_components_[reader_.read_index_below(nb_components, "tie")];
        const ComponentMeshVertex tie{component, reader_.read_index("tied vertex")};
        if (model.unique_vertex(tie) != NO_ID) reader_.fail("vertex tied twice: ", tie.string());
        try {
          builder.set_unique_vertex(tie, unique_vertex);
        } catch (const OstrelModelException& exception) {
          reader_.fail("invalid tie (", exception.what(), ")");
        }
      }
    }
  }

  BinaryReader reader_;
  absl::flat_hash_map<uuid, ComponentID> components_;
  std::vector<ComponentID> mesh_components_;
};

template <typename Model>
Model load_model(std::string_view filename) {
  using File = ModelFile<Model>;
  const auto context = str_cat("[", File::load, "] File ", filename);
  std::ifstream stream{std::string{filename}, std::ios::binary | std::ios::ate};
  OSTREL_INPUT_CHECK(OstrelModelException, stream.good(), context, " cannot be opened");
  const auto size = static_cast<std::streamoff>(stream.tellg());
  OSTREL_INPUT_CHECK(OstrelModelException, size >= 0, context, " cannot be read");
  std::string bytes(static_cast<std::size_t>(size), '\0');
  stream.seekg(0);
  stream.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  OSTREL_INPUT_CHECK(OstrelModelException, stream.good(), context, " cannot be read");

  const auto starts_with_magic = [&bytes](std::size_t size) {
    return bytes.compare(0, size, magic.data(), size) == 0;
  };
  OSTREL_INPUT_CHECK(OstrelModelException, starts_with_magic(std::min(bytes.size(), magic.size())),
                     context, " is not a native model file");
  OSTREL_INPUT_CHECK(OstrelModelException, bytes.size() >= header_size, context,
                     " is truncated: ", bytes.size(), " bytes, shorter than the header");
  BinaryReader header{std::string_view{bytes}.substr(magic.size()), context};
  const auto file_version = header.read<std::uint32_t>("version");
  const auto kind = header.read<std::uint8_t>("model kind");
  const auto payload_size = header.read<std::uint64_t>("payload size");
  OSTREL_INPUT_CHECK(OstrelModelException, file_version == version, context, " has version ",
                     file_version, ", this build reads version ", version);
  OSTREL_INPUT_CHECK(OstrelModelException, kind == File::kind, context, " holds a ",
                     kind_name(kind), ", not a ", File::name);
  const auto available = bytes.size() - header_size;
  OSTREL_INPUT_CHECK(OstrelModelException,
                     available >= trailer_size && available - trailer_size >= payload_size, context,
                     " is truncated: ", bytes.size(), " bytes, ",
                     header_size + payload_size + trailer_size, " expected");
  OSTREL_INPUT_CHECK(OstrelModelException, available - trailer_size == payload_size, context,
                     " has ", available - trailer_size - payload_size,
                     " unexpected bytes after its end");
  const auto payload = std::string_view{bytes}.substr(header_size, payload_size);
  BinaryReader trailer{std::string_view{bytes}.substr(header_size + payload_size), context};
  OSTREL_INPUT_CHECK(OstrelModelException,
                     trailer.read<std::uint64_t>("checksum") == internal::checksum(payload),
                     context, " is corrupted: checksum mismatch");
  return ModelReader<Model>{payload, context}.read();
}

}  // namespace

std::vector<std::string> save_brep(const BRep& brep, std::string_view filename) {
  return save_model(brep, filename);
}

BRep load_brep(std::string_view filename) {
  return load_model<BRep>(filename);
}

std::vector<std::string> save_section(const Section& section, std::string_view filename) {
  return save_model(section, filename);
}

Section load_section(std::string_view filename) {
  return load_model<Section>(filename);
}

}  // namespace veyra
