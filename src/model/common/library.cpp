// SPDX-License-Identifier: MIT
#include <model/common/library.h>

#include <string>
#include <typeinfo>

#include <ostrel/model/brep.h>
#include <ostrel/model/io/brep_io.h>
#include <ostrel/model/io/section_io.h>
#include <ostrel/model/ostrel_model_library.h>
#include <ostrel/model/section.h>
#include <veyra_common/modifier/veyra_common_modifier_model_library.h>

namespace veyra {

const uuid sentinel_uuid{};

VeyraConversionModelLibrary::VeyraConversionModelLibrary() = default;
VeyraConversionModelLibrary::~VeyraConversionModelLibrary() = default;

void VeyraConversionModelLibrary::initialize() {
  // Lookup, creation and registration happen under the registry mutex so that concurrent first
  // calls register one instance; the initialization itself runs outside it, because it
  // initializes other libraries, which take the same mutex.
  Singleton::lock();
  auto* library = Singleton::instance(typeid(VeyraConversionModelLibrary));
  if (library == nullptr) {
    library = new VeyraConversionModelLibrary;  // owned by the registry from here on
    Singleton::set_instance(typeid(VeyraConversionModelLibrary), library);
  }
  Singleton::unlock();
  static_cast<VeyraConversionModelLibrary*>(library)->call_initialize("Model");
}

void VeyraConversionModelLibrary::do_initialize() {
  OstrelModelLibrary::initialize();
  VeyraCommonModifierModelLibrary::initialize();
}

void save_model_for_diagnosis(const BRep& model, std::string_view base_name) {
  save_brep(model, std::string{base_name} + ".tq_brep");
}

void save_model_for_diagnosis(const Section& model, std::string_view base_name) {
  save_section(model, std::string{base_name} + ".tq_sctn");
}

}  // namespace veyra
