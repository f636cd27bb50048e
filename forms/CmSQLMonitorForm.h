#pragma once

#include "CmForm.h"

#include "platform/Trace.h"

#include <QStringList>

class QAction;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QTreeWidget;

// Lists, live, the statements and database events that the data layer traces.
class TClsSQLMonitorForm : public TClsForm {
  Q_OBJECT
 public:
  explicit TClsSQLMonitorForm(QWidget* owner = nullptr);
  ~TClsSQLMonitorForm() override;

  // Opens one monitor unless one is open already; answers the open one.
  static TClsSQLMonitorForm* ShowMonitor();

  QTreeWidget* CmListView1;
  QSplitter* Splitter1;
  QPlainTextEdit* CmMemo;
  QMenu* POPUP;
  QAction* Clear1;
  QAction* N1;
  QAction* StayOnTop1;

  const QStringList& EventTexts() const { return texts_; }
  bool MonitorEnabled() const { return listener_ != 0; }

  void IBSQLMonitorSQL(const QString& eventText, const QDateTime& eventTime);
  void CmListView1Change();
  void ClearMonitor1Click();
  void MonitorStayonTop1Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void disableMonitor();

  QStringList texts_;
  int listener_ = 0;
};
