#include "CmEvaluate.h"

namespace {

bool isNullVariant(const QVariant& value) { return !value.isValid() || value.isNull(); }

}  // namespace

void TCmErrors::AddError(const QString& message, const QString& detail, int code, int kind,
                         const QString& fieldName, const QString& controlName,
                         const TFormClass& formClass) {
  auto error = std::make_unique<TCmError>();
  error->Message = message;
  error->Kind = kind;
  error->Code = code;
  error->Detail = detail;
  error->FieldName = fieldName;
  error->ControlName = controlName;
  error->FormClass = formClass;
  const TCmEvaluate* evaluate = collection_ ? collection_->Owner() : nullptr;
  pf::DataSet* dataSet = evaluate ? evaluate->DataSet() : nullptr;
  error->DataSet = dataSet;
  if (dataSet) {
    if (const pf::Field* id = dataSet->findField(QStringLiteral("ID")))
      error->RecordID = id->asInteger();
  }
  list_.push_back(std::move(error));
}

TCmErrors& TCmErrorList::Add() {
  items_.push_back(std::make_unique<TCmErrors>(this));
  return *items_.back();
}

void TCmErrorList::Delete(int index) { items_.erase(items_.begin() + index); }

int TCmErrorList::FindingCount() const {
  int count = 0;
  for (const auto& item : items_) count += item->Count();
  return count;
}

QString EvalInfoAsString(const TEvalInfo& evalInfo) {
  if (evalInfo.Field) return evalInfo.Field->asString();
  if (isNullVariant(evalInfo.Value)) return QString();
  return evalInfo.Value.toString();
}

void TEvalObj::RegisterEval(const QString& fieldName, TOnEvaluate handler) {
  links_.push_back({std::move(handler), fieldName});
}

QString TEvalItem::DisplayName() const {
  return fieldName_.isEmpty() ? QStringLiteral("TEvalItem") : fieldName_;
}

TEvalItem& TEvalList::Add() {
  items_.push_back(std::make_unique<TEvalItem>());
  return *items_.back();
}

void TEvalList::Delete(int index) { items_.erase(items_.begin() + index); }

TEvalItem* TEvalList::Find(const QString& fieldName) const {
  const QString wanted = fieldName.toUpper();
  for (const auto& item : items_)
    if (item->FieldName() == wanted) return item.get();
  return nullptr;
}

TCmEvaluate::TCmEvaluate(QObject* owner) : QObject(owner), errorList_(this) {}

TCmEvaluate::~TCmEvaluate() = default;

void TCmEvaluate::Evaluate() {
  if (loading_) return;
  TEvalClass evalClass;
  if (GetEvalClass) GetEvalClass(evalClass);
  if (!evalClass) return;
  const std::unique_ptr<TEvalObj> rules = evalClass();
  if (!rules) return;

  errorList_.Clear();
  TEvalInfo info;
  for (const TEvalObj::TLinkData& link : rules->Links()) {
    TCmErrors& errors = errorList_.Add();
    errors.SetFieldName(link.FieldName);
    TEvalItem* item = evals_.Find(link.FieldName);
    pf::DataSet* dataSet = DataSet();
    info.Field = dataSet ? dataSet->findField(link.FieldName) : nullptr;
    info.DataSet = dataSet;
    if (item && item->OnBeforeEvaluate) item->OnBeforeEvaluate(info, errors);
    if (link.Handler) link.Handler(info, errors);
    if (item && item->OnAfterEvaluate) item->OnAfterEvaluate(info, errors);
    if (errors.Count() == 0) errorList_.Delete(errorList_.Count() - 1);
  }
}
