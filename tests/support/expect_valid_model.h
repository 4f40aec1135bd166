// SPDX-License-Identifier: MIT
// expect_valid: the GoogleTest check that a model a test built or converted holds every
// invariant of a topological model, with the checker's report printed when it does not.
#pragma once

#include <source_location>

#include <gtest/gtest.h>

#include <model/operations/validate_model.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/section.h>

namespace veyra::test {

namespace internal {

template <index_t D>
void expect_valid_report(const ValidationReport<D>& report, std::string_view model_kind,
                         const std::source_location& where) {
  if (report.is_valid()) return;
  ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line()))
      << "The " << model_kind << " is not valid: " << report.nb_errors() << " errors, "
      << report.nb_warnings() << " warnings\n"
      << validation_report_text(report);
}

}  // namespace internal

/// Fails the current test (non-fatally, at the caller's line) unless validate_brep finds no
/// error; warnings alone pass.
inline void expect_valid(const BRep& model,
                         std::source_location where = std::source_location::current()) {
  internal::expect_valid_report(validate_brep(model), "BRep", where);
}

/// The same for a Section.
inline void expect_valid(const Section& model,
                         std::source_location where = std::source_location::current()) {
  internal::expect_valid_report(validate_section(model), "Section", where);
}

}  // namespace veyra::test
