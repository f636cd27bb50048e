#include "FormsTestSupport.h"

#include "forms/CmForm.h"
#include "support/ScriptedDialogs.h"

#include "controls/KelvoFormStorage.h"
#include "data/CmSQLGlobals.h"
#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

class Placement : public ::testing::Test {
 protected:
  Placement() { TCmSQLGlobals::Publish(&globals_); }
  ~Placement() override { TCmSQLGlobals::Publish(nullptr); }

  // A form of the given caption that keeps its placement in this test's file.
  std::unique_ptr<TClsForm> form(const QString& caption, bool sizeable = false) {
    auto f = std::make_unique<TClsForm>();
    f->SetCaption(caption);
    f->SetSizeable(sizeable);
    f->resize(300, 200);
    f->FormStorage()->SetIniFileName(ini_);
    return f;
  }

  // Opens the window as the user, moves it, closes it; answers where it opened.
  QPoint openMoveClose(const QString& user, const QString& caption, QPoint moveTo) {
    globals_.Usuario = user;
    auto f = form(caption);
    f->ShowPlaced();
    const QPoint opened = f->pos();
    f->move(moveTo);
    f->close();
    return opened;
  }

  QTemporaryDir dir_;
  QString ini_ = QDir(dir_.path()).filePath(QStringLiteral("prog.INI"));
  TCmSQLGlobals globals_;
};

}  // namespace

TEST_F(Placement, EachUserGetsHisWindowBackWhereHeLeftIt) {
  const QString title = QStringLiteral("Cadastro de Usuários");
  const QPoint centred = openMoveClose(QStringLiteral("ANA"), title + " - (07/03/2026)", {40, 50});
  // The date suffix is not part of the section: same window, same place.
  EXPECT_EQ(openMoveClose(QStringLiteral("ANA"), title, {40, 50}), QPoint(40, 50));
  EXPECT_EQ(openMoveClose(QStringLiteral("BETO"), title, {120, 90}), centred);
  EXPECT_EQ(openMoveClose(QStringLiteral("ANA"), title, {40, 50}), QPoint(40, 50));
  EXPECT_EQ(openMoveClose(QStringLiteral("BETO"), title, {120, 90}), QPoint(120, 90));
  // Another window of the same user has a place of its own.
  EXPECT_EQ(openMoveClose(QStringLiteral("ANA"), QStringLiteral("Outra"), {1, 2}), centred);

  const pf::IniFile file(ini_);
  EXPECT_EQ(file.readInteger(QStringLiteral("ANA-Cadastro de Usuários"), QStringLiteral("Left")),
            40);
  EXPECT_EQ(file.readInteger(QStringLiteral("BETO-Cadastro de Usuários"), QStringLiteral("Top")),
            90);
}

TEST_F(Placement, OnlyASizeableWindowTakesItsStoredSize) {
  globals_.Usuario = QStringLiteral("ANA");
  pf::IniFile file(ini_);
  for (const char* section : {"ANA-Fixa", "ANA-Livre"}) {
    const QString s = QString::fromLatin1(section);
    file.writeInteger(s, QStringLiteral("Left"), 30);
    file.writeInteger(s, QStringLiteral("Top"), 20);
    file.writeInteger(s, QStringLiteral("Width"), 450);
    file.writeInteger(s, QStringLiteral("Height"), 320);
  }
  auto fixed = form(QStringLiteral("Fixa"));
  fixed->ShowPlaced();
  EXPECT_EQ(fixed->pos(), QPoint(30, 20));
  EXPECT_EQ(fixed->size(), QSize(300, 200));
  auto sizeable = form(QStringLiteral("Livre"), true);
  sizeable->ShowPlaced();
  EXPECT_EQ(sizeable->pos(), QPoint(30, 20));
  EXPECT_EQ(sizeable->size(), QSize(450, 320));
  sizeable->resize(500, 350);
  sizeable->close();
  EXPECT_EQ(file.readInteger(QStringLiteral("ANA-Livre"), QStringLiteral("Width")), 500);
}

TEST_F(Placement, AModalShowSetsTheSectionFirst) {
  globals_.Usuario = QStringLiteral("ANA");
  testing_support::ScriptedDialogs dialogs;
  QString section;
  dialogs.expectDialog(QStringLiteral("frmModal"), [&](QDialog& d) {
    section = static_cast<TClsForm&>(d).FormStorage()->IniSection();
    return int(QDialog::Accepted);
  });
  auto f = form(QStringLiteral("Modal - (01/01/2026)"));
  f->setObjectName(QStringLiteral("frmModal"));
  EXPECT_EQ(f->ShowModal(), QDialog::Accepted);
  EXPECT_EQ(section, QStringLiteral("ANA-Modal"));
  EXPECT_TRUE(f->FormStorage()->Active());
}

TEST_F(Placement, AWindowShownWithoutPlacementStoresNothing) {
  auto f = form(QStringLiteral("Solta"));
  EXPECT_FALSE(f->FormStorage()->Active());
  f->show();
  f->move(10, 10);
  f->close();
  EXPECT_FALSE(QFile::exists(ini_));
}

TEST_F(Placement, AFileThatCannotBeWrittenDoesNotStopTheWindowClosing) {
  QFile blocker(QDir(dir_.path()).filePath(QStringLiteral("arquivo")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  globals_.Usuario = QStringLiteral("ANA");
  auto f = form(QStringLiteral("Bloqueada"));
  f->FormStorage()->SetIniFileName(blocker.fileName() + QStringLiteral("/prog.INI"));
  f->ShowPlaced();
  EXPECT_NO_THROW(f->close());
  EXPECT_FALSE(f->isVisible());
  f->ShowPlaced();
  EXPECT_NO_THROW(f.reset());  // destroyed while shown
}

TEST(PlacementFile, IsTheProgramsNameWithTheExtensionIni) {
  struct Case {
    const char* program;
    const char* ini;
  } cases[] = {
      {"C:/Kelvo/prog.exe", "C:/Kelvo/prog.INI"},
      {"/opt/acessos/Acessos", "/opt/acessos/Acessos.INI"},
      {"/opt/v1.2/prog.old.exe", "/opt/v1.2/prog.old.INI"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TKelvoFormStorage::IniFileNameFor(QString::fromLatin1(c.program)),
              QString::fromLatin1(c.ini));

  const TKelvoFormStorage::NamingRoutine installed = TKelvoFormStorage::InstalledNamingRoutine();
  TKelvoFormStorage::SetNamingRoutine(nullptr);
  const QDir programDir(QCoreApplication::applicationDirPath());
  EXPECT_EQ(TKelvoFormStorage::DefaultIniFileName(),
            programDir.filePath(QStringLiteral("forms_tests.INI")));
  TKelvoFormStorage::SetNamingRoutine(installed);
  EXPECT_EQ(TClsForm().FormStorage()->IniFileName(), installed());
}
