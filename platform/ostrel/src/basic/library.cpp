// SPDX-License-Identifier: MIT
#include <ostrel/basic/library.h>

#include <mutex>
#include <string>

#include <absl/container/flat_hash_map.h>

#include <ostrel/basic/logger.h>

namespace veyra {
namespace {

struct Registry {
  std::mutex mutex;
  absl::flat_hash_map<std::type_index, Singleton*> instances;
};

Registry& registry() {
  // Never destroyed: registered libraries stay valid during static destruction.
  static auto* instance = new Registry;
  return *instance;
}

}  // namespace

Singleton::Singleton() = default;
Singleton::~Singleton() = default;

void Singleton::lock() { registry().mutex.lock(); }
void Singleton::unlock() { registry().mutex.unlock(); }

Singleton* Singleton::instance(const std::type_index& key) {
  const auto& instances = registry().instances;
  const auto found = instances.find(key);
  return found == instances.end() ? nullptr : found->second;
}

void Singleton::set_instance(const std::type_index& key, Singleton* singleton) {
  registry().instances[key] = singleton;
}

class Library::Impl {
 public:
  std::once_flag initialized;
};

Library::Library() : impl_{std::make_unique<Impl>()} {}
Library::~Library() = default;

void Library::call_initialize(std::string_view library_name) {
  std::call_once(impl_->initialized, [this, library_name] {
    do_initialize();
    Logger::log_debug("[Library] ", library_name, " initialized");
  });
}

void OstrelBasicLibrary::initialize() { initialize_library<OstrelBasicLibrary>("Basic"); }

void OstrelBasicLibrary::do_initialize() {}

}  // namespace veyra
