#include "LoginDlgFixture.h"

#include <QApplication>
#include <QEvent>
#include <QPlainTextEdit>

#include "data/CmSQLGlobals.h"
#include "login/KelvoHash.h"
#include "platform/Database.h"
#include "support/UserTables.h"
#include "versioning/CmControlVersionBackup.h"

namespace logindlg_test {

QStringList userSchema() {
  const QString pass = PasswordHash(QStringLiteral("segredo"));
  auto user = [&](int id, const QString& name, const QString& senha, const QString& super,
                  int supervisorId, const QString& off) {
    return QStringLiteral(
               "insert into USUARIO values (%1, '%2', '%3', 'Nome%1', 'Sobre%1', "
               "null, '%4', %5, null, '%6')")
        .arg(id)
        .arg(name, senha, super)
        .arg(supervisorId)
        .arg(off);
  };
  QStringList s{
      testing_support::usuarioTable(),
      "create table MODULO (ID integer not null primary key, MODULO varchar(30))",
      "create table USUARIO_MODULO (USUARIOID integer not null, MODULOID integer not null, "
      "TUDO char(1), primary key (USUARIOID, MODULOID))",
      "insert into MODULO values (3, 'USUÁRIOS')",
      user(1, "ADMIN", pass, "T", 1, "F"),
      user(2, "SUPER", pass, "T", 1, "F"),
      user(3, "SUB", pass, "F", 2, "F"),
      user(4, "FORA", pass, "T", 1, "F"),
      user(5, "ORFAO", pass, "F", 4, "F"),
      user(6, "INATIVO", pass, "T", 1, "T"),
      user(7, "NOVATO", "  ", "F", 1, "F"),
      user(8, "ABCDEFGHIJ", pass, "F", 1, "F"),
      user(9, "JOÃOÇÊ", pass, "F", 1, "F"),
  };
  for (int id : {1, 2, 3, 5, 6, 7, 8, 9})
    s << QStringLiteral("insert into USUARIO_MODULO values (%1, 3, null)").arg(id);
  s << "insert into USUARIO_MODULO values (2, 1, 'S')";
  return s;
}

std::unique_ptr<TClsDBDataModule> moduleOn(const testing_support::TempDatabase& db) {
  TConnectSteps steps;
  steps.SelectServer = [&db](TClsDBDataModule& m) {
    m.dbMain->setDatabaseName(db.name());
    m.dbMain->setParams(db.connectParams());
    m.dbMain->open();
    return m.dbMain->connected();
  };
  steps.RunLogin = [](TClsDBDataModule&) { return true; };
  return TClsDataModule::Create<TClsDBDataModule>(nullptr, steps);
}

QString EncodeLaunchUserName(const QString& name) {
  static const QString accented =
      QStringLiteral("ÀÁÂÃÄÇÈÉÊËÌÍÎÏÑÒÓÔÕÖÙÚÛÜàáâãäçèéêëìíîïñòóôõöùúûü");
  QString out = name;
  for (QChar& c : out)
    if (!accented.contains(c)) c = QChar(static_cast<char16_t>(c.unicode() + 1));
  return out;
}

QStringList tabOrder(QWidget& window) {
  QStringList names;
  for (QWidget* w = window.nextInFocusChain(); w && w != &window; w = w->nextInFocusChain())
    if (w->isVisibleTo(&window) && (w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty())
      names << w->objectName();
  // Tab goes round: read it from where the focus starts.
  const QWidget* focus = window.focusWidget();
  const qsizetype start = focus ? names.indexOf(focus->objectName()) : -1;
  if (start > 0) names = names.mid(start) + names.mid(0, start);
  return names;
}

bool waitFor(const std::function<bool()>& done) {
  QDeadlineTimer deadline(10000);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

BackupWindowWatch::BackupWindowWatch() { qApp->installEventFilter(this); }

BackupWindowWatch::~BackupWindowWatch() { qApp->removeEventFilter(this); }

bool BackupWindowWatch::eventFilter(QObject* watched, QEvent* event) {
  auto* window = qobject_cast<TClsControlVersionBackup*>(watched);
  if (!window) return false;
  if (event->type() == QEvent::Show) {
    ++shown;
    if (onShown) onShown(*window);
  }
  if (event->type() == QEvent::Hide) {
    lines = window->Memo->toPlainText().split(u'\n', Qt::SkipEmptyParts);
    if (onClosing) onClosing(*window);
  }
  return false;
}

}  // namespace logindlg_test
