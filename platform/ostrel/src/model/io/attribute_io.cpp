// SPDX-License-Identifier: MIT
#include "attribute_io.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>

#include <ostrel/basic/logger.h>
#include <ostrel/basic/uuid.h>
#include <ostrel/geometry/point.h>
#include <ostrel/geometry/vector.h>

namespace veyra::internal {
namespace {

template <typename... Ts>
struct TypeList {};

template <typename... A, typename... B>
TypeList<A..., B...> concat(TypeList<A...>, TypeList<B...>) {
  return {};
}
template <typename A, typename B, typename C, typename... Rest>
auto concat(A a, B b, C c, Rest... rest) {
  return concat(concat(a, b), c, rest...);
}

using Scalars =
    TypeList<bool, char, signed char, unsigned char, short, unsigned short, int, unsigned int, long,
             unsigned long, long long, unsigned long long, float, double>;

template <std::size_t N, typename... S>
TypeList<std::array<S, N>...> arrays_of(TypeList<S...>) {
  return {};
}

using UuidMap = absl::flat_hash_map<uuid, index_t>;

using SupportedTypes = decltype(concat(Scalars{}, arrays_of<2>(Scalars{}), arrays_of<3>(Scalars{}),
                                       arrays_of<4>(Scalars{}), TypeList<uuid, UuidMap>{},
                                       TypeList<Point<2>, Point<3>, Vector<2>, Vector<3>>{}));

template <typename T, typename... Ts>
constexpr std::uint8_t index_in(TypeList<Ts...>) {
  std::uint8_t index = 0;
  const bool found = ((std::is_same_v<T, Ts> ? true : (++index, false)) || ...);
  return found ? index : 0xFF;
}

/// How a value type is named in the file: a kind, a scalar type and an item count.
struct TypeCode {
  enum Kind : std::uint8_t { scalar = 0, array = 1, id = 2, id_map = 3, point = 4, vector = 5 };
  std::uint8_t kind;
  std::uint8_t item;
  std::uint8_t size;

  friend bool operator==(const TypeCode&, const TypeCode&) = default;
};

template <typename T>
struct Codec;

template <typename T>
requires std::is_arithmetic_v<T>
struct Codec<T> {
  static constexpr TypeCode code{TypeCode::scalar, index_in<T>(Scalars{}), 1};
  static constexpr std::size_t min_bytes = sizeof(T);
  static void write(BinaryWriter& writer, const T& value) {
    if constexpr (std::is_same_v<T, bool>) {
      writer.write_bool(value);
    } else {
      writer.write(value);
    }
  }
  static T read(BinaryReader& reader) {
    if constexpr (std::is_same_v<T, bool>) {
      return reader.read_bool("attribute value");
    } else {
      return reader.read<T>("attribute value");
    }
  }
};

template <typename T, std::size_t N>
struct Codec<std::array<T, N>> {
  static constexpr TypeCode code{TypeCode::array, index_in<T>(Scalars{}),
                                 static_cast<std::uint8_t>(N)};
  static constexpr std::size_t min_bytes = N * sizeof(T);
  static void write(BinaryWriter& writer, const std::array<T, N>& value) {
    for (const auto& item : value) Codec<T>::write(writer, item);
  }
  static std::array<T, N> read(BinaryReader& reader) {
    std::array<T, N> value;
    for (auto& item : value) item = Codec<T>::read(reader);
    return value;
  }
};

template <>
struct Codec<uuid> {
  static constexpr TypeCode code{TypeCode::id, 0, 1};
  static constexpr std::size_t min_bytes = 16;
  static void write(BinaryWriter& writer, const uuid& value) { writer.write_uuid(value); }
  static uuid read(BinaryReader& reader) { return reader.read_uuid("attribute value"); }
};

template <>
struct Codec<UuidMap> {
  static constexpr TypeCode code{TypeCode::id_map, 0, 1};
  static constexpr std::size_t min_bytes = 4;
  // Entries are written sorted by id: the map's own order varies from run to run.
  static void write(BinaryWriter& writer, const UuidMap& value) {
    std::vector<std::pair<uuid, index_t>> entries{value.begin(), value.end()};
    std::sort(entries.begin(), entries.end());
    writer.write_index(static_cast<index_t>(entries.size()));
    for (const auto& [id, index] : entries) {
      writer.write_uuid(id);
      writer.write_index(index);
    }
  }
  static UuidMap read(BinaryReader& reader) {
    const auto nb_entries = reader.read_count(20, "map size");
    UuidMap value;
    value.reserve(nb_entries);
    for (index_t e = 0; e < nb_entries; ++e) {
      const auto id = reader.read_uuid("map key");
      if (!value.try_emplace(id, reader.read_index("map value")).second) {
        reader.fail("repeated map key ", id.string());
      }
    }
    return value;
  }
};

/// Points and vectors: their D coordinates.
template <typename T>
struct CoordinatesCodec {
  static constexpr std::size_t min_bytes = T::dimension * sizeof(double);
  static void write(BinaryWriter& writer, const T& value) {
    for (local_index_t c = 0; c < T::dimension; ++c) writer.write(value.value(c));
  }
  static T read(BinaryReader& reader) {
    T value;
    for (local_index_t c = 0; c < T::dimension; ++c) {
      value.set_value(c, reader.read<double>("attribute value"));
    }
    return value;
  }
};

template <index_t D>
struct Codec<Point<D>> : CoordinatesCodec<Point<D>> {
  static constexpr TypeCode code{TypeCode::point, 0, static_cast<std::uint8_t>(D)};
};

template <index_t D>
struct Codec<Vector<D>> : CoordinatesCodec<Vector<D>> {
  static constexpr TypeCode code{TypeCode::vector, 0, static_cast<std::uint8_t>(D)};
};

enum Storage : std::uint8_t { variable = 0, sparse = 1 };

/// Calls visit(attribute, storage) with the typed attribute when its type is supported.
template <typename Visit, typename... Ts>
bool visit_attribute(const AttributeBase& attribute, Visit&& visit, TypeList<Ts...>) {
  const auto try_type = [&](auto type) {
    using T = typename decltype(type)::type;
    if (const auto* dense = dynamic_cast<const VariableAttribute<T>*>(&attribute)) {
      visit(*dense, Storage::variable);
      return true;
    }
    if (const auto* sparse = dynamic_cast<const SparseAttribute<T>*>(&attribute)) {
      visit(*sparse, Storage::sparse);
      return true;
    }
    return false;
  };
  return (try_type(std::type_identity<Ts>{}) || ...);
}

/// Calls read(std::type_identity<T>) for the type named by `code`.
template <typename Read, typename... Ts>
bool dispatch_type(const TypeCode& code, Read&& read, TypeList<Ts...>) {
  return ((Codec<Ts>::code == code ? (read(std::type_identity<Ts>{}), true) : false) || ...);
}

template <typename T>
void write_values(BinaryWriter& writer, const VariableAttribute<T>& attribute,
                  index_t nb_elements) {
  for (index_t e = 0; e < nb_elements; ++e) Codec<T>::write(writer, attribute.value(e));
}

template <typename T>
void write_values(BinaryWriter& writer, const SparseAttribute<T>& attribute, index_t nb_elements) {
  std::vector<index_t> stored;
  for (index_t e = 0; e < nb_elements; ++e) {
    if (!(attribute.value(e) == attribute.default_value())) stored.push_back(e);
  }
  writer.write_index(static_cast<index_t>(stored.size()));
  for (const auto e : stored) {
    writer.write_index(e);
    Codec<T>::write(writer, attribute.value(e));
  }
}

template <template <typename> class Store, typename T>
std::shared_ptr<Store<T>> create_attribute(BinaryReader& reader, AttributeManager& manager,
                                           const std::string& name, T default_value,
                                           const AttributeProperties& properties) {
  try {
    auto attribute =
        manager.find_or_create_attribute<Store, T>(name, std::move(default_value), properties);
    attribute->set_properties(properties);
    return attribute;
  } catch (const OstrelBasicException&) {
    reader.fail("attribute \"", name, "\" clashes with an existing attribute");
  }
}

template <typename T>
void read_attribute(BinaryReader& reader, AttributeManager& manager, const std::string& name,
                    Storage storage, const AttributeProperties& properties) {
  auto default_value = Codec<T>::read(reader);
  const auto nb_elements = manager.nb_elements();
  if (storage == Storage::variable) {
    if (static_cast<std::uint64_t>(nb_elements) * Codec<T>::min_bytes > reader.remaining()) {
      reader.fail("values of attribute \"", name, "\" exceed what the file holds");
    }
    auto attribute = create_attribute<VariableAttribute>(reader, manager, name,
                                                         std::move(default_value), properties);
    for (index_t e = 0; e < nb_elements; ++e) attribute->set_value(e, Codec<T>::read(reader));
    return;
  }
  const auto nb_stored = reader.read_count(4 + Codec<T>::min_bytes, "sparse value count");
  auto attribute = create_attribute<SparseAttribute>(reader, manager, name,
                                                     std::move(default_value), properties);
  index_t previous = NO_ID;
  for (index_t s = 0; s < nb_stored; ++s) {
    const auto element = reader.read_index_below(nb_elements, "sparse element");
    if (previous != NO_ID && element <= previous) reader.fail("sparse elements out of order");
    previous = element;
    attribute->set_value(element, Codec<T>::read(reader));
  }
}

}  // namespace

void write_attributes(BinaryWriter& writer, const AttributeManager& manager,
                      std::string_view context) {
  std::vector<std::shared_ptr<AttributeBase>> supported;
  for (const auto& name : manager.attribute_names()) {
    auto attribute = manager.find_generic_attribute(name);
    if (attribute == nullptr) continue;
    if (visit_attribute(
            *attribute, [](const auto&, Storage) {}, SupportedTypes{})) {
      supported.push_back(std::move(attribute));
    } else {
      Logger::log_warn("[native model file] Attribute \"", name, "\" of ", context,
                       " has a value type the file cannot hold: it is not saved");
    }
  }
  const auto nb_elements = manager.nb_elements();
  writer.write_index(static_cast<index_t>(supported.size()));
  for (const auto& attribute : supported) {
    visit_attribute(
        *attribute,
        [&](const auto& typed, Storage storage) {
          using T = std::decay_t<decltype(typed.default_value())>;
          writer.write_string(attribute->name());
          writer.write<std::uint8_t>(storage);
          writer.write(Codec<T>::code);
          const auto& properties = attribute->properties();
          writer.write_bool(properties.assignable);
          writer.write_bool(properties.interpolable);
          writer.write_bool(properties.transferable);
          Codec<T>::write(writer, typed.default_value());
          write_values(writer, typed, nb_elements);
        },
        SupportedTypes{});
  }
}

void read_attributes(BinaryReader& reader, AttributeManager& manager) {
  // Smallest attribute: name length, storage, type code, properties, a one-byte default.
  constexpr std::size_t min_attribute_bytes = 4 + 1 + 3 + 3 + 1;
  const auto nb_attributes = reader.read_count(min_attribute_bytes, "attribute count");
  absl::flat_hash_set<std::string> names;
  for (index_t a = 0; a < nb_attributes; ++a) {
    auto name = reader.read_string("attribute name");
    if (!names.insert(name).second) reader.fail("attribute \"", name, "\" appears twice");
    const auto storage = reader.read<std::uint8_t>("attribute storage");
    if (storage > Storage::sparse) reader.fail("unknown storage ", int{storage});
    const auto code = reader.read<TypeCode>("attribute type");
    AttributeProperties properties;
    properties.assignable = reader.read_bool("attribute property");
    properties.interpolable = reader.read_bool("attribute property");
    properties.transferable = reader.read_bool("attribute property");
    const auto found = dispatch_type(
        code,
        [&](auto type) {
          using T = typename decltype(type)::type;
          read_attribute<T>(reader, manager, name, static_cast<Storage>(storage), properties);
        },
        SupportedTypes{});
    if (!found) {
      reader.fail("attribute \"", name, "\" has an unknown value type (", int{code.kind}, ", ",
                  int{code.item}, ", ", int{code.size}, ")");
    }
  }
}

}  // namespace veyra::internal
