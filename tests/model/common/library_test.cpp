// SPDX-License-Identifier: MIT
#include <model/common/library.h>

#include <algorithm>
#include <any>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include <ostrel/basic/logger.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/io/brep_io.h>
#include <ostrel/model/io/section_io.h>
#include <ostrel/model/section_builder.h>

namespace veyra {
namespace {

// Looks into the framework's registry, which only Singleton subclasses may read.
class RegistryProbe : public Singleton {
 public:
  static Singleton* registered_library() {
    lock();
    auto* found = instance(typeid(VeyraConversionModelLibrary));
    unlock();
    return found;
  }
};

// Records the lines the framework logs while it lives.
class LogCapture {
 public:
  LogCapture() {
    previous_level_ = Logger::level();
    Logger::set_level(Logger::LEVEL::trace);
    previous_sink_ = Logger::set_sink([this](Logger::LEVEL, std::string_view line) {
      const std::lock_guard lock{mutex_};
      lines_.emplace_back(line);
    });
  }
  ~LogCapture() {
    Logger::set_sink(previous_sink_);
    Logger::set_level(previous_level_);
  }

  std::vector<std::string> lines() {
    const std::lock_guard lock{mutex_};
    return lines_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
  Logger::Sink previous_sink_;
  Logger::LEVEL previous_level_;
};

// This test must run first in its program: it is the one that sees the library uninitialized.
TEST(VeyraConversionModelLibrary, ConcurrentFirstCallsRegisterAndInitializeOnce) {
  ASSERT_EQ(RegistryProbe::registered_library(), nullptr);
  std::vector<std::string> lines;
  {
    LogCapture capture;
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
      threads.emplace_back([&ready] {
        ready.fetch_add(1);
        while (ready.load() < 8) std::this_thread::yield();
        VeyraConversionModelLibrary::initialize();
      });
    }
    for (auto& thread : threads) thread.join();
    lines = capture.lines();
  }
  auto* registered = RegistryProbe::registered_library();
  ASSERT_NE(registered, nullptr);
  EXPECT_NE(dynamic_cast<VeyraConversionModelLibrary*>(registered), nullptr);

  // The framework logs one line per library it initializes. This library and the framework's
  // model library are both named "Model": two such lines mean each initialized once.
  const auto count = [&lines](std::string_view text) {
    return std::count(lines.begin(), lines.end(), std::string{text});
  };
  EXPECT_EQ(count("[Library] Model initialized"), 2);
  EXPECT_EQ(count("[Library] Mesh initialized"), 1);
  EXPECT_EQ(count("[Library] ModifierModel initialized"), 1);

  // A later call finds the registered instance and changes nothing.
  VeyraConversionModelLibrary::initialize();
  EXPECT_EQ(RegistryProbe::registered_library(), registered);
}

TEST(VeyraConversionModelException, CarriesNamesTypeMessageAndPoint) {
  const Point<3> where{{1., 2.5, -3.}};
  try {
    throw_model_exception_at(where, OstrelException::TYPE::input, "[operation] Bad vertex ", 7u,
                             " at ", where.string());
    FAIL() << "nothing thrown";
  } catch (const std::runtime_error& caught) {
    EXPECT_STREQ(caught.what(), "[operation] Bad vertex 7 at 1 2.5 -3");
    const auto* exception = dynamic_cast<const OstrelException*>(&caught);
    ASSERT_NE(exception, nullptr);
    EXPECT_NE(dynamic_cast<const VeyraConversionException*>(exception), nullptr);
    EXPECT_EQ(exception->project(), "VeyraConversion");
    EXPECT_EQ(exception->library(), "Model");
    EXPECT_EQ(exception->type(), OstrelException::TYPE::input);
    ASSERT_EQ(exception->data().type(), typeid(Point<3>));
    EXPECT_EQ(std::any_cast<Point<3>>(exception->data()), where);
  }
}

TEST(VeyraConversionModelException, CopiesAndMovesKeepEverything) {
  const VeyraConversionModelException original{
      nullptr, OstrelException::TYPE::internal,
      "[CornersLinesBuilder::build_corners] Model VertexIdentifier not initialized"};
  const auto check = [](const VeyraConversionModelException& exception) {
    EXPECT_STREQ(exception.what(),
                 "[CornersLinesBuilder::build_corners] Model VertexIdentifier not initialized");
    EXPECT_EQ(exception.type(), OstrelException::TYPE::internal);
    EXPECT_EQ(exception.project(), "VeyraConversion");
    EXPECT_EQ(exception.library(), "Model");
    EXPECT_EQ(exception.data().type(), typeid(std::nullptr_t));
  };
  VeyraConversionModelException copy{original};
  check(copy);
  VeyraConversionModelException moved{std::move(copy)};
  check(moved);
  VeyraConversionModelException assigned{Point<2>{}, OstrelException::TYPE::input, "other"};
  assigned = original;
  check(assigned);
  VeyraConversionModelException move_assigned{Point<2>{}, OstrelException::TYPE::input, "other"};
  move_assigned = std::move(assigned);
  check(move_assigned);
}

TEST(SaveModelForDiagnosis, WritesEachModelWithItsExtension) {
  VeyraConversionModelLibrary::initialize();
  const auto folder = std::filesystem::temp_directory_path() /
                      ("veyra_diagnosis_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const auto base = (folder / "error").string();

  BRep brep;
  BRepBuilder brep_builder{brep};
  const auto corner = brep_builder.add_corner();
  brep_builder.corner_mesh_builder(corner)->create_point(Point<3>{{1., 2., 3.}});
  brep_builder.set_corner_name(corner, "dumped");
  save_model_for_diagnosis(brep, base);

  Section section;
  SectionBuilder section_builder{section};
  section_builder.add_line();
  save_model_for_diagnosis(section, base);

  const auto reloaded = load_brep(base + ".tq_brep");
  ASSERT_EQ(reloaded.nb_corners(), 1u);
  EXPECT_EQ(reloaded.corner(corner).name(), std::optional<std::string_view>{"dumped"});
  EXPECT_EQ(reloaded.corner(corner).mesh().point(0), (Point<3>{{1., 2., 3.}}));
  EXPECT_EQ(load_section(base + ".tq_sctn").nb_lines(), 1u);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace veyra
