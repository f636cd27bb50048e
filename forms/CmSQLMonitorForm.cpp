#include "CmSQLMonitorForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSplitter>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

TClsSQLMonitorForm::TClsSQLMonitorForm(QWidget* owner)
    : TClsForm(owner),
      CmListView1(new QTreeWidget),
      Splitter1(new QSplitter(Qt::Vertical)),
      CmMemo(new QPlainTextEdit),
      POPUP(new QMenu(this)),
      Clear1(new QAction(QStringLiteral("Clear"), this)),
      N1(new QAction(this)),
      StayOnTop1(new QAction(QStringLiteral("Stay On Top"), this)) {
  setObjectName(QStringLiteral("ClsSQLMonitorForm"));
  setWindowTitle(QStringLiteral("Kelvo Solutions SQLMonitor"));
  SetSizeable(true);
  resize(800, 423);

  CmListView1->setObjectName(QStringLiteral("CmListView1"));
  CmListView1->setColumnCount(2);
  CmListView1->setHeaderLabels({QStringLiteral("Event Text"), QStringLiteral("Timer")});
  CmListView1->setColumnWidth(0, 600);
  CmListView1->setColumnWidth(1, 150);
  CmListView1->setRootIsDecorated(false);
  CmListView1->setUniformRowHeights(true);
  CmListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  CmListView1->setSelectionMode(QAbstractItemView::SingleSelection);
  CmListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Splitter1->setObjectName(QStringLiteral("Splitter1"));
  CmMemo->setObjectName(QStringLiteral("CmMemo"));
  CmMemo->setReadOnly(true);
  CmMemo->setFocusPolicy(Qt::ClickFocus);
  CmMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont bold = CmMemo->font();
  bold.setBold(true);
  CmMemo->setFont(bold);
  QPalette face = CmMemo->palette();
  face.setColor(QPalette::Base, face.color(QPalette::Button));
  CmMemo->setPalette(face);
  Splitter1->addWidget(CmListView1);
  Splitter1->addWidget(CmMemo);
  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);
  Splitter1->setSizes({423 - 102, 102});
  auto* layout = new QVBoxLayout(ClientArea());
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Splitter1);

  POPUP->setObjectName(QStringLiteral("POPUP"));
  Clear1->setObjectName(QStringLiteral("Clear1"));
  N1->setObjectName(QStringLiteral("N1"));
  N1->setSeparator(true);
  StayOnTop1->setObjectName(QStringLiteral("StayOnTop1"));
  StayOnTop1->setCheckable(true);
  POPUP->addAction(Clear1);
  POPUP->addAction(N1);
  POPUP->addAction(StayOnTop1);
  connect(Clear1, &QAction::triggered, this, [this] { ClearMonitor1Click(); });
  connect(StayOnTop1, &QAction::triggered, this, [this] { MonitorStayonTop1Click(); });
  connect(CmListView1, &QTreeWidget::currentItemChanged, this, [this] { CmListView1Change(); });

  setAttribute(Qt::WA_DeleteOnClose);
  QPointer<TClsSQLMonitorForm> self(this);
  listener_ = pf::Trace::addListener([self](const pf::TraceEvent& event) {
    const QString text = QStringLiteral("[") + pf::traceKindName(event.kind) +
                         QStringLiteral("] ") + event.text;
    auto deliver = [self, text, time = event.time] {
      if (self) self->IBSQLMonitorSQL(text, time);
    };
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    // Events of other threads reach the window through the application's event loop,
    // where the window is checked again.
    if (QThread::currentThread() == app->thread()) deliver();
    else QMetaObject::invokeMethod(app, deliver, Qt::QueuedConnection);
  });
}

TClsSQLMonitorForm::~TClsSQLMonitorForm() { disableMonitor(); }

TClsSQLMonitorForm* TClsSQLMonitorForm::ShowMonitor() {
  // A closed monitor may wait for its deletion; it no longer counts as open.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && qstrcmp(w->metaObject()->className(), "TClsSQLMonitorForm") == 0)
      return static_cast<TClsSQLMonitorForm*>(w);
  auto* monitor = new TClsSQLMonitorForm;
  try {
    monitor->ShowPlaced();
    monitor->repaint();
  } catch (...) {
    delete monitor;
    throw;
  }
  return monitor;
}

void TClsSQLMonitorForm::disableMonitor() {
  if (listener_ == 0) return;
  pf::Trace::removeListener(listener_);
  listener_ = 0;
}

void TClsSQLMonitorForm::IBSQLMonitorSQL(const QString& eventText, const QDateTime& eventTime) {
  if (!MonitorEnabled()) return;
  QString caption = eventText;
  caption.replace(u'\r', u' ').replace(u'\n', u' ');
  auto* item = new QTreeWidgetItem(CmListView1);
  item->setText(0, caption);
  item->setText(1, eventTime.toString(QStringLiteral("hh:mm:ss")));
  texts_.append(eventText);
}

void TClsSQLMonitorForm::CmListView1Change() {
  QTreeWidgetItem* item = CmListView1->currentItem();
  if (!item) return;
  const int index = CmListView1->indexOfTopLevelItem(item);
  if (index < 0 || index >= texts_.size()) {
    ClearMonitor1Click();
    return;
  }
  CmMemo->setPlainText(texts_.at(index));
}

void TClsSQLMonitorForm::ClearMonitor1Click() {
  CmListView1->clear();
  CmMemo->clear();
  texts_.clear();
}

void TClsSQLMonitorForm::MonitorStayonTop1Click() {
  const bool onTop = StayOnTop1->isChecked();
  const bool shown = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
  // Changing a window flag hides the window.
  if (shown) show();
}

void TClsSQLMonitorForm::closeEvent(QCloseEvent* event) {
  disableMonitor();
  TClsForm::closeEvent(event);
}

void TClsSQLMonitorForm::contextMenuEvent(QContextMenuEvent* event) {
  POPUP->popup(event->globalPos());
}
