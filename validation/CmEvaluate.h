#pragma once
// Validation by rules bound to field names: an evaluation class registers its rules,
// TCmEvaluate runs them against a dataset and collects the findings per field.

#include "platform/DataSet.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class TCmErrorList;
class TCmEvaluate;

// A form class, by name; kept with each finding.
using TFormClass = QString;

// One finding.
struct TCmError {
  QString Message;
  int Kind = 0;  // 0 hint, 1 warning, 2 error
  int Code = 0;
  QString Detail;
  QPointer<pf::DataSet> DataSet;
  QString FieldName;
  QString ControlName;
  int RecordID = -1;
  TFormClass FormClass;
};

// The findings one field reported during one evaluation.
class TCmErrors {
 public:
  explicit TCmErrors(TCmErrorList* collection = nullptr) : collection_(collection) {}
  TCmErrors(const TCmErrors&) = delete;
  TCmErrors& operator=(const TCmErrors&) = delete;

  TCmErrorList* Collection() const { return collection_; }
  const QString& FieldName() const { return fieldName_; }
  void SetFieldName(const QString& name) { fieldName_ = name.toUpper(); }

  int Count() const { return static_cast<int>(list_.size()); }
  const TCmError& Items(int index) const { return *list_.at(index); }

  // The record gets the evaluated dataset and the ID of its current record.
  void AddError(const QString& message, const QString& detail, int code, int kind,
                const QString& fieldName, const QString& controlName,
                const TFormClass& formClass);

 private:
  TCmErrorList* collection_;
  QString fieldName_;
  std::vector<std::unique_ptr<TCmError>> list_;
};

// The result of one evaluation: one item per field with findings, in rule order.
class TCmErrorList {
 public:
  explicit TCmErrorList(TCmEvaluate* owner = nullptr) : owner_(owner) {}
  TCmErrorList(const TCmErrorList&) = delete;
  TCmErrorList& operator=(const TCmErrorList&) = delete;

  TCmEvaluate* Owner() const { return owner_; }
  int Count() const { return static_cast<int>(items_.size()); }
  TCmErrors& Items(int index) const { return *items_.at(index); }
  TCmErrors& Add();
  void Delete(int index);
  void Clear() { items_.clear(); }
  // Findings of every item, in order.
  int FindingCount() const;

 private:
  TCmEvaluate* owner_;
  std::vector<std::unique_ptr<TCmErrors>> items_;
};

// Handed to every rule and handler of one evaluation.
struct TEvalInfo {
  pf::Field* Field = nullptr;  // null when the dataset has no field of the rule's name
  pf::DataSet* DataSet = nullptr;
  QVariant Value;  // invalid until a handler sets it; kept for the later fields
};

using TOnEvaluate = std::function<void(TEvalInfo& evalInfo, TCmErrors& errors)>;

// The value under evaluation as text: the field's, else the one a handler left.
QString EvalInfoAsString(const TEvalInfo& evalInfo);

// Base of the evaluation classes; their constructors register the rules.
class TEvalObj {
 public:
  struct TLinkData {
    TOnEvaluate Handler;
    QString FieldName;
  };

  TEvalObj() = default;
  TEvalObj(const TEvalObj&) = delete;
  TEvalObj& operator=(const TEvalObj&) = delete;
  virtual ~TEvalObj() = default;

  // Rules run in the order they were registered; an empty handler is allowed.
  void RegisterEval(const QString& fieldName, TOnEvaluate handler);
  template <class T>
  void RegisterEval(const QString& fieldName, void (T::*rule)(TEvalInfo&, TCmErrors&)) {
    T* self = static_cast<T*>(this);
    RegisterEval(fieldName, [self, rule](TEvalInfo& i, TCmErrors& e) { (self->*rule)(i, e); });
  }
  const std::vector<TLinkData>& Links() const { return links_; }

 private:
  std::vector<TLinkData> links_;
};

// Makes an instance of an evaluation class; empty: no class.
using TEvalClass = std::function<std::unique_ptr<TEvalObj>()>;

template <class T>
TEvalClass EvalClassOf() {
  return [] { return std::unique_ptr<TEvalObj>(std::make_unique<T>()); };
}

using TGetEvalClassEvent = std::function<void(TEvalClass& evalClass)>;

// A form's handlers around the rule of one field.
class TEvalItem {
 public:
  TEvalItem() = default;
  TEvalItem(const TEvalItem&) = delete;
  TEvalItem& operator=(const TEvalItem&) = delete;

  const QString& FieldName() const { return fieldName_; }
  void SetFieldName(const QString& name) { fieldName_ = name.toUpper(); }
  QString DisplayName() const;
  // Copies the field name only.
  void Assign(const TEvalItem& source) { fieldName_ = source.fieldName_; }

  TOnEvaluate OnBeforeEvaluate;
  TOnEvaluate OnAfterEvaluate;

 private:
  QString fieldName_;
};

class TEvalList {
 public:
  TEvalList() = default;
  TEvalList(const TEvalList&) = delete;
  TEvalList& operator=(const TEvalList&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  TEvalItem& Items(int index) const { return *items_.at(index); }
  TEvalItem& Add();
  void Delete(int index);
  void Clear() { items_.clear(); }
  // The first item of this field name, compared upper-cased.
  TEvalItem* Find(const QString& fieldName) const;

 private:
  std::vector<std::unique_ptr<TEvalItem>> items_;
};

// Runs an evaluation class's rules against DataSet and keeps what they reported.
class TCmEvaluate : public QObject {
  Q_OBJECT
 public:
  explicit TCmEvaluate(QObject* owner = nullptr);
  ~TCmEvaluate() override;

  TEvalList& Evals() { return evals_; }
  const TEvalList& Evals() const { return evals_; }
  TGetEvalClassEvent GetEvalClass;
  pf::DataSet* DataSet() const { return dataSet_.data(); }
  void SetDataSet(pf::DataSet* dataSet) { dataSet_ = dataSet; }
  // The findings of the last evaluation.
  TCmErrorList& ErrorList() { return errorList_; }
  const TCmErrorList& ErrorList() const { return errorList_; }

  // While loading, Evaluate does nothing.
  bool Loading() const { return loading_; }
  void SetLoading(bool value) { loading_ = value; }

  // Handlers' exceptions pass through; the items added so far stay in ErrorList.
  virtual void Evaluate();

 private:
  TEvalList evals_;
  QPointer<pf::DataSet> dataSet_;
  TCmErrorList errorList_;
  bool loading_ = false;
};
