// SPDX-License-Identifier: MIT
// Identifier: the id and optional name shared by meshes, components, collections and models, and
// IdentifierBuilder, the only way to change them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <ostrel/basic/uuid.h>

namespace veyra {

class Identifier {
 public:
  virtual ~Identifier() = default;

  const uuid& id() const { return id_; }
  /// Empty when the object was never named.
  std::optional<std::string_view> name() const {
    if (!name_) return std::nullopt;
    return std::string_view{*name_};
  }

 protected:
  /// A fresh random id and no name.
  Identifier() = default;
  Identifier(const Identifier&) = default;
  Identifier(Identifier&&) noexcept = default;
  Identifier& operator=(const Identifier&) = default;
  Identifier& operator=(Identifier&&) noexcept = default;

 private:
  friend class IdentifierBuilder;

  uuid id_;
  std::optional<std::string> name_;
};

/// Sets the id and the name of an Identifier; builders of meshes, components and models own one.
class IdentifierBuilder {
 public:
  explicit IdentifierBuilder(Identifier& identifier) : identifier_(identifier) {}

  void set_id(const uuid& id) { identifier_.id_ = id; }
  void set_name(std::string_view name) { identifier_.name_.emplace(name); }

 private:
  Identifier& identifier_;
};

}  // namespace veyra
