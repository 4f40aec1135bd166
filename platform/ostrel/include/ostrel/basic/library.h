// SPDX-License-Identifier: MIT
// Library: a registered Singleton whose do_initialize() runs once per process, and the
// registration object of the framework's basic layer.
#pragma once

#include <memory>
#include <string_view>

#include <ostrel/basic/singleton.h>

namespace veyra {

class Library : public Singleton {
 public:
  ~Library() override;

  /// Runs do_initialize() once for this instance; concurrent callers wait for it. If it throws,
  /// a later call tries again.
  void call_initialize(std::string_view library_name);

 protected:
  Library();

  /// The usual initialize(): find or register the instance of T, then call_initialize outside
  /// the registry lock.
  template <typename T>
  static void initialize_library(std::string_view library_name) {
    instance_of<T>().call_initialize(library_name);
  }

 private:
  virtual void do_initialize() = 0;

  class Impl;
  std::unique_ptr<Impl> impl_;
};

class OstrelBasicLibrary : public Library {
 public:
  static void initialize();

 private:
  void do_initialize() final;
};

}  // namespace veyra
