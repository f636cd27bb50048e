// One QApplication for the whole widget test binary.
#include <gtest/gtest.h>

#include <QApplication>

#include <memory>

namespace {

class QtAppEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "forms_tests";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

}  // namespace
