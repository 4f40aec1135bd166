// SPDX-License-Identifier: MIT
// Singleton: a process-wide registry of single instances keyed by their run-time type, guarded
// by one mutex. Registered instances live until the process ends.
#pragma once

#include <typeindex>

namespace veyra {

class Singleton {
 public:
  virtual ~Singleton();
  Singleton(const Singleton&) = delete;
  Singleton& operator=(const Singleton&) = delete;

 protected:
  Singleton();

  /// The process-wide registry mutex.
  static void lock();
  static void unlock();
  /// The instance registered under `key`, or nullptr. Call with the mutex held.
  static Singleton* instance(const std::type_index& key);
  /// Registers `singleton` under `key`; the registry owns it and never deletes it before exit.
  static void set_instance(const std::type_index& key, Singleton* singleton);

  /// Returns the instance of T, creating and registering it under the mutex when absent.
  template <typename T>
  static T& instance_of() {
    lock();
    auto* existing = instance(typeid(T));
    if (existing == nullptr) {
      existing = new T;  // owned by the registry
      set_instance(typeid(T), existing);
    }
    unlock();
    return static_cast<T&>(*existing);
  }
};

}  // namespace veyra
