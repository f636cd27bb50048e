#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <vector>

class TCmDataSet;
class TCmSQLGlobals;

// The working date of the session.
class TDataAtual {
 public:
  explicit TDataAtual(TCmSQLGlobals* owner);

  quint16 Dia() const { return static_cast<quint16>(data_.date().day()); }
  quint16 Mes() const { return static_cast<quint16>(data_.date().month()); }
  quint16 Ano() const { return static_cast<quint16>(data_.date().year()); }
  void setDia(quint16 day);
  void setMes(quint16 month);
  void setAno(quint16 year);
  const QDateTime& Data() const { return data_; }
  void setData(const QDateTime& value);
  const QString& Mascara() const { return mascara_; }
  void setMascara(const QString& mask);

 private:
  void recompose(int year, int month, int day);

  TCmSQLGlobals* owner_;
  QDateTime data_;
  QString mascara_ = QStringLiteral("dd/mm/yyyy");
};

// The session: the logged-in user, the module the program runs as, the working
// date and the registry of datasets.
class TCmSQLGlobals : public QObject {
  Q_OBJECT
 public:
  explicit TCmSQLGlobals(QObject* owner = nullptr);
  ~TCmSQLGlobals() override;

  TDataAtual& DataAtual() { return dataAtual_; }
  const TDataAtual& DataAtual() const { return dataAtual_; }

  QString FirstName;
  QString LastName;
  bool IsSupervisor = false;
  QString Usuario;
  int UsuarioID = 0;
  QString Modulo;
  int ModuloID = 0;
  QStringList UserModules;
  QString CaptionSuffix;

  void RegisterDataSet(TCmDataSet* dataSet);
  void UnregisterDataSet(TCmDataSet* dataSet);
  int DataSetCount() const { return static_cast<int>(dataSets_.size()); }
  TCmDataSet* DataSets(int index) const { return dataSets_.at(index); }

  // Rebuilds CaptionSuffix from the working date and asks the open windows to
  // refresh their captions.
  void NotifyDateChanged();

  // The one process-wide session, published by the database module.
  static TCmSQLGlobals* Instance() { return instance_.data(); }
  static void Publish(TCmSQLGlobals* globals) { instance_ = globals; }

 private:
  TDataAtual dataAtual_;
  std::vector<TCmDataSet*> dataSets_;
  static QPointer<TCmSQLGlobals> instance_;
};
