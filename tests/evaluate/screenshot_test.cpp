// Grabs the consistency window to a PNG file when ACESSOS_SHOTS names a folder.
#include "forms/FormsTestSupport.h"
#include "validation/CmErrorsForm.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QListWidget>
#include <QTest>

TEST(Screenshots, ConsistencyWindow) {
  const QString folder = qEnvironmentVariable("ACESSOS_SHOTS");
  if (folder.isEmpty()) GTEST_SKIP() << "ACESSOS_SHOTS not set";
  QDir().mkpath(folder);

  TClsErrorsForm w;
  auto add = [&w](int kind, const QString& message) {
    TCmError e;
    e.Kind = kind;
    e.Message = message;
    w.AddFinding(e);
  };
  add(0, QStringLiteral("< USUARIO > - O e-mail não foi informado"));
  add(1, QStringLiteral("< USUARIO > - O usuário não tem acesso a nenhum módulo"));
  add(2, QStringLiteral("< USUARIO > - Falta digitar o primeiro nome"));
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QTest::qWait(100);
  const QString file = QDir(folder).filePath(QStringLiteral("consistencias.png"));
  ASSERT_TRUE(w.grab().save(file)) << file.toStdString();

  // The same findings without the error: the question and both answers.
  w.Clear();
  add(0, QStringLiteral("< USUARIO > - O e-mail não foi informado"));
  add(1, QStringLiteral("< USUARIO > - O usuário não tem acesso a nenhum módulo"));
  w.hide();
  w.show();
  QTest::qWait(100);
  const QString warnings = QDir(folder).filePath(QStringLiteral("consistencias_avisos.png"));
  ASSERT_TRUE(w.grab().save(warnings)) << warnings.toStdString();
}
