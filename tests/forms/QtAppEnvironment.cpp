// One QApplication for the whole widget test binary; form placements go to a
// temporary folder instead of beside the binary.
#include "controls/KelvoFormStorage.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <memory>

namespace {

class QtAppEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "forms_tests";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
    const QString ini = QDir(dir_.path()).filePath(QStringLiteral("forms_tests.INI"));
    TKelvoFormStorage::SetNamingRoutine([ini] { return ini; });
  }
  void TearDown() override {
    TKelvoFormStorage::SetNamingRoutine(nullptr);
    app_.reset();
  }

 private:
  QTemporaryDir dir_;
  std::unique_ptr<QApplication> app_;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

}  // namespace
