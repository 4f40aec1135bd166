// SPDX-License-Identifier: MIT
// The framework's exception family: OstrelException (a std::runtime_error carrying a TYPE, the
// project and library names and a payload) and one subclass per framework layer, with the check
// macros that framework code throws them through.
#pragma once

#include <any>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

#include <ostrel/basic/str_cat.h>

namespace veyra {

class OstrelException : public std::runtime_error {
 public:
  /// input: the caller's data cannot be processed; internal: any other failure.
  enum struct TYPE : std::uint8_t { input = 0, internal = 1 };

  /// The message is the pieces joined by absl::StrCat with nothing between them.
  template <typename... Args>
  OstrelException(std::string project, std::string library, std::any data, TYPE type,
                  const Args&... message)
      : std::runtime_error(str_cat(message...)),
        project_(std::move(project)),
        library_(std::move(library)),
        data_(std::move(data)),
        type_(type) {}

  OstrelException(const OstrelException&) = default;
  OstrelException(OstrelException&&) = default;
  OstrelException& operator=(const OstrelException&) = default;
  OstrelException& operator=(OstrelException&&) = default;
  ~OstrelException() override = default;

  TYPE type() const { return type_; }
  /// std::nullptr_t, or a copy of the Point<2>/Point<3> where the failure was found.
  const std::any& data() const { return data_; }
  const std::string& project() const { return project_; }
  const std::string& library() const { return library_; }

 private:
  std::string project_;
  std::string library_;
  std::any data_;
  TYPE type_;
};

#define OSTREL_DECLARE_LAYER_EXCEPTION(ClassName, LibraryName)                            \
  class ClassName : public OstrelException {                                              \
   public:                                                                                \
    template <typename... Args>                                                           \
    ClassName(std::any data, TYPE type, const Args&... message)                           \
        : OstrelException("Ostrel", LibraryName, std::move(data), type, message...) {}    \
  }

OSTREL_DECLARE_LAYER_EXCEPTION(OstrelBasicException, "Basic");
OSTREL_DECLARE_LAYER_EXCEPTION(OstrelGeometryException, "Geometry");
OSTREL_DECLARE_LAYER_EXCEPTION(OstrelMeshException, "Mesh");
OSTREL_DECLARE_LAYER_EXCEPTION(OstrelModelException, "Model");

#undef OSTREL_DECLARE_LAYER_EXCEPTION

}  // namespace veyra

/// Throws ExceptionClass (TYPE internal, no data) with the message pieces when the condition is
/// false. Always on.
#define OSTREL_EXCEPTION(ExceptionClass, condition, ...)                                       \
  do {                                                                                       \
    if (!(condition)) [[unlikely]] {                                                         \
      throw ExceptionClass(nullptr, ::veyra::OstrelException::TYPE::internal, __VA_ARGS__);  \
    }                                                                                        \
  } while (false)

/// Throws ExceptionClass (TYPE input, no data) when the caller's data breaks the condition.
/// Always on: used by every entry point that takes ids or data from a caller.
#define OSTREL_INPUT_CHECK(ExceptionClass, condition, ...)                                    \
  do {                                                                                       \
    if (!(condition)) [[unlikely]] {                                                         \
      throw ExceptionClass(nullptr, ::veyra::OstrelException::TYPE::input, __VA_ARGS__);     \
    }                                                                                        \
  } while (false)

/// Debug-only internal check for hot accessors; compiled out when NDEBUG is defined unless
/// OSTREL_DEBUG_CHECKS is set.
#if !defined(NDEBUG) || defined(OSTREL_DEBUG_CHECKS)
#define OSTREL_ASSERT(condition, ...) \
  OSTREL_EXCEPTION(::veyra::OstrelBasicException, condition, "[assert] ", __VA_ARGS__)
#else
#define OSTREL_ASSERT(condition, ...) \
  do {                                \
  } while (false)
#endif
