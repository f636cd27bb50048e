#include "CmSQLGlobals.h"

#include "platform/FormMessages.h"
#include "platform/FormatSettings.h"

#include <algorithm>

QPointer<TCmSQLGlobals> TCmSQLGlobals::instance_;

TDataAtual::TDataAtual(TCmSQLGlobals* owner)
    : owner_(owner), data_(QDate::currentDate(), QTime(0, 0)) {}

void TDataAtual::recompose(int year, int month, int day) {
  const QDate date(year, month, day);
  if (date.isValid()) data_ = QDateTime(date, QTime(0, 0));
  owner_->NotifyDateChanged();
}

void TDataAtual::setDia(quint16 day) { recompose(Ano(), Mes(), day); }
void TDataAtual::setMes(quint16 month) { recompose(Ano(), month, Dia()); }
void TDataAtual::setAno(quint16 year) { recompose(year, Mes(), Dia()); }

void TDataAtual::setData(const QDateTime& value) {
  data_ = value;
  owner_->NotifyDateChanged();
}

void TDataAtual::setMascara(const QString& mask) { mascara_ = mask.left(255); }

TCmSQLGlobals::TCmSQLGlobals(QObject* owner) : QObject(owner), dataAtual_(this) {}

TCmSQLGlobals::~TCmSQLGlobals() {
  if (instance_ == this) instance_ = nullptr;
}

void TCmSQLGlobals::RegisterDataSet(TCmDataSet* dataSet) { dataSets_.push_back(dataSet); }

void TCmSQLGlobals::UnregisterDataSet(TCmDataSet* dataSet) {
  const auto it = std::find(dataSets_.begin(), dataSets_.end(), dataSet);
  if (it != dataSets_.end()) dataSets_.erase(it);
}

void TCmSQLGlobals::NotifyDateChanged() {
  CaptionSuffix.clear();
  const QDateTime& data = dataAtual_.Data();
  if (data.isValid() && data > pf::zeroDateTime())
    CaptionSuffix = QStringLiteral(" - (") + pf::formatDateTime(dataAtual_.Mascara(), data) +
                    QStringLiteral(")");
  pf::postToTopLevelWindows(pf::kCaptionRefresh, 1);
}
