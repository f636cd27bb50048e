#include "TestDb.h"

#include <QDir>
#include <QFile>
#include <stdexcept>

#include "platform/Sql.h"

namespace testing_support {

QString sysdbaPassword() {
  const QByteArray v = qgetenv("ACESSOS_SYSDBA_PASSWORD");
  return v.isEmpty() ? QStringLiteral("hushvault") : QString::fromLocal8Bit(v);
}

QString testServer() {
  const QByteArray v = qgetenv("ACESSOS_TEST_SERVER");
  return v.isEmpty() ? QStringLiteral("127.0.0.1") : QString::fromLocal8Bit(v);
}

QStringList readCommittedParams() { return pf::Transaction::readCommittedParams(); }

TempDatabase::TempDatabase(Kind kind, const QString& charset) : charset_(charset) {
  if (!dir_.isValid()) throw std::runtime_error("cannot create a temporary folder");
  // The server may run as another user: let it write here.
  QFile::setPermissions(
      dir_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                       QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther |
                       QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup);
  path_ = QDir(dir_.path()).filePath(QStringLiteral("test.fdb"));
  name_ = kind == Kind::Server ? testServer() + u':' + path_ : path_;
  pf::Database db;
  db.setDatabaseName(name_);
  db.setParams(
      {QStringLiteral("USER 'SYSDBA'"), QStringLiteral("PASSWORD '%1'").arg(sysdbaPassword()),
       QStringLiteral("PAGE_SIZE 4096"), QStringLiteral("DEFAULT CHARACTER SET %1").arg(charset_)});
  db.createDatabase();
  db.close();
}

TempDatabase::~TempDatabase() {
  try {
    pf::Database db;
    db.setDatabaseName(name_);
    db.setParams(connectParams());
    db.open();
    db.dropDatabase();
  } catch (...) {
  }
}

QStringList TempDatabase::connectParams() const {
  return {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=") + sysdbaPassword(),
          QStringLiteral("lc_ctype=WIN1252")};
}

std::unique_ptr<pf::Database> TempDatabase::connect() const {
  auto db = std::make_unique<pf::Database>();
  db->setDatabaseName(name_);
  db->setParams(connectParams());
  auto* tr = new pf::Transaction(db.get());
  tr->setParams(readCommittedParams());
  db->setDefaultTransaction(tr);
  db->open();
  tr->startTransaction();
  return db;
}

void TempDatabase::exec(const QStringList& statements) const {
  auto db = connect();
  pf::Sql sql;
  sql.setDatabase(db.get());
  sql.setParamCheck(false);
  for (const QString& s : statements) {
    sql.setSql(s);
    sql.execQuery();
    db->defaultTransaction()->commitRetaining();
  }
  db->defaultTransaction()->commit();
}

}  // namespace testing_support
