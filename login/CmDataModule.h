#pragma once

#include <QObject>

#include <memory>
#include <utility>

class TCmSQLGlobals;
namespace pf {
class Database;
}

// The base of every data module. After construction, when its attach flag is set, it
// binds its datasets to the database module's connection and session.
class TClsDataModule : public QObject {
  Q_OBJECT
 public:
  // The ordinary constructor: the attach flag is set.
  explicit TClsDataModule(QObject* owner = nullptr);
  TClsDataModule(QObject* owner, bool attach);
  ~TClsDataModule() override;

  bool Attach() const { return attach_; }

  // Creates a data module and runs what follows its construction, which needs the
  // finished object (virtual calls do not reach a derived class from a constructor).
  template <class T, class... Args>
  static std::unique_ptr<T> Create(Args&&... args) {
    std::unique_ptr<T> module(new T(std::forward<Args>(args)...));
    module->AfterConstruction();
    return module;
  }

  virtual void AfterConstruction();
  // Provided the database module exists, binds the owned datasets to dbMain and
  // CmSQLGlobals.
  virtual void AttachDataSets();

 protected:
  // Binds every TCmDataSet among the module's children, at any depth, to the
  // database and registers it with the session component.
  virtual void BindDataSets(pf::Database* database, TCmSQLGlobals* globals);

 private:
  bool attach_ = true;
};
