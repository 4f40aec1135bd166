// SPDX-License-Identifier: MIT
// The library's registration with the framework, its exception classes, the sentinel id that
// means "no component" and the model dump written before some internal failures.
#pragma once

#include <any>
#include <string>
#include <string_view>
#include <utility>

#include <ostrel/basic/library.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/basic/uuid.h>
#include <ostrel/geometry/point.h>

namespace veyra {

class BRep;
class Section;

/// The registration object of the library. Call initialize() once before anything else of the
/// library; it initializes the framework's model library and the modifier library.
class VeyraConversionModelLibrary : public Library {
 public:
  VeyraConversionModelLibrary();
  ~VeyraConversionModelLibrary() override;

  /// Registers the library on first call and initializes it. Safe from any thread, any number of
  /// times: exactly one instance is ever registered.
  static void initialize();

 private:
  void do_initialize() final;
};

/// The project-level exception: an OstrelException with the project and library names of a
/// VeyraConversion library.
class VeyraConversionException : public OstrelException {
 public:
  template <typename... Args>
  VeyraConversionException(std::string project, std::string library, std::any data, TYPE type,
                           const Args&... message)
      : OstrelException(std::move(project), std::move(library), std::move(data), type,
                        message...) {}
};

/// The only exception the library throws. The message starts with the bracketed name of the
/// failing operation; data is std::nullptr_t or the Point<2>/Point<3> where the failure was found.
class VeyraConversionModelException : public VeyraConversionException {
 public:
  template <typename... Args>
  VeyraConversionModelException(std::any data, TYPE type, const Args&... message)
      : VeyraConversionException("VeyraConversion", "Model", std::move(data), type, message...) {}

  VeyraConversionModelException(const VeyraConversionModelException&) = default;
  VeyraConversionModelException(VeyraConversionModelException&&) = default;
  VeyraConversionModelException& operator=(const VeyraConversionModelException&) = default;
  VeyraConversionModelException& operator=(VeyraConversionModelException&&) = default;
  ~VeyraConversionModelException() override = default;
};

/// Throws a VeyraConversionModelException whose data is a copy of `point`, the place where the
/// failure was found.
template <index_t D, typename... Args>
[[noreturn]] void throw_model_exception_at(const Point<D>& point, OstrelException::TYPE type,
                                           const Args&... message) {
  throw VeyraConversionModelException{point, type, message...};
}

/// One id made when the library is loaded; it names no component and stands for "none" wherever
/// a uuid slot must hold something (no corner, no line yet).
extern const uuid sentinel_uuid;

/// Writes the model to `base_name` + ".tq_brep" in the framework's native format, so that the
/// model being built can be examined after a failure.
void save_model_for_diagnosis(const BRep& model, std::string_view base_name);
/// Writes the model to `base_name` + ".tq_sctn".
void save_model_for_diagnosis(const Section& model, std::string_view base_name);

}  // namespace veyra
