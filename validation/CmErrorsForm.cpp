#include "CmErrorsForm.h"

#include "platform/Dialogs.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QTabWidget>
#include <QToolBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kPictureSize = 16;

QPixmap blankPicture() {
  QPixmap pixmap(kPictureSize, kPictureSize);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

QPixmap errorPicture() {
  QPixmap pixmap = blankPicture();
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x9a, 0x12, 0x12), 1));
  p.setBrush(QColor(0xd8, 0x2a, 0x2a));
  p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
  p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(5, 5), QPointF(11, 11));
  p.drawLine(QPointF(11, 5), QPointF(5, 11));
  return pixmap;
}

QPixmap warningPicture() {
  QPixmap pixmap = blankPicture();
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath triangle;
  triangle.moveTo(8, 0.8);
  triangle.lineTo(15.4, 14.8);
  triangle.lineTo(0.6, 14.8);
  triangle.closeSubpath();
  p.setPen(QPen(QColor(0x8a, 0x62, 0x00), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(QColor(0xf6, 0xc3, 0x1c));
  p.drawPath(triangle);
  p.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(8, 5.5), QPointF(8, 9.5));
  p.drawPoint(QPointF(8, 12.5));
  return pixmap;
}

QPixmap hintPicture() {
  QPixmap pixmap = blankPicture();
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x14, 0x4c, 0x9a), 1));
  p.setBrush(QColor(0x2f, 0x7d, 0xe0));
  p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
  p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawPoint(QPointF(8, 4.5));
  p.drawLine(QPointF(8, 7.5), QPointF(8, 12));
  return pixmap;
}

QLabel* picture(const QString& name, const QPixmap& pixmap, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setPixmap(pixmap);
  label->hide();
  return label;
}

QPushButton* button(const QString& name, const QString& caption, QStyle::StandardPixmap glyph,
                    QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setIcon(QApplication::style()->standardIcon(glyph));
  b->setFixedSize(86, 24);
  b->setAutoDefault(false);
  return b;
}

bool hasChildControls(const QWidget* w) {
  for (const QObject* child : w->children()) {
    const auto* c = qobject_cast<const QWidget*>(child);
    if (c && !c->isWindow()) return true;
  }
  return false;
}

// Panels, group boxes, pages and the like hold controls; an edit made of several
// widgets (a spin box, a combo) is one control.
bool isContainer(const QWidget* w) {
  if (!hasChildControls(w)) return false;
  if (qobject_cast<const QTabWidget*>(w) || qobject_cast<const QStackedWidget*>(w) ||
      qobject_cast<const QGroupBox*>(w) || qobject_cast<const QScrollArea*>(w) ||
      qobject_cast<const QSplitter*>(w) || qobject_cast<const QToolBox*>(w))
    return true;
  return w->focusPolicy() == Qt::NoFocus && !w->focusProxy();
}

// Labels and pictures only paint; they are never a finding's control.
bool isGraphicControl(const QWidget* w) { return qobject_cast<const QLabel*>(w) != nullptr; }

// Every tab page between the control and its form comes forward, the outer ones too,
// or the control could not take the focus.
void showControlPages(QWidget* control) {
  for (QWidget* w = control; w && !w->isWindow(); w = w->parentWidget()) {
    auto* stack = qobject_cast<QStackedWidget*>(w->parentWidget());
    auto* pages = stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
    if (!pages) continue;
    const int index = pages->indexOf(w);
    if (index < 0 || pages->currentIndex() == index) continue;
    if (!pages->isTabVisible(index)) pages->setTabVisible(index, true);
    pages->setCurrentIndex(index);
  }
}

void focusQuietly(QWidget* w) {
  try {
    w->setFocus(Qt::OtherFocusReason);
  } catch (...) {
  }
}

QPointer<TClsErrorsForm>& instanceSlot() {
  static QPointer<TClsErrorsForm> instance;
  return instance;
}

}  // namespace

TErrorItemDelegate::TErrorItemDelegate(QLabel* error, QLabel* warning, QLabel* hint,
                                       QObject* parent)
    : QStyledItemDelegate(parent), error_(error), warning_(warning), hint_(hint) {}

QPixmap TErrorItemDelegate::pictureFor(int kind) const {
  switch (kind) {
    case 2: return error_->pixmap();
    case 1: return warning_->pixmap();
    case 0: return hint_->pixmap();
    default: return {};
  }
}

void TErrorItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  painter->save();
  const QRect r = option.rect;
  const bool selected = option.state & QStyle::State_Selected;
  const QPalette& palette = option.palette;
  painter->fillRect(r, selected ? palette.highlight() : palette.base());
  int textLeft = r.left() + 2;
  const QPixmap pixmap = pictureFor(index.data(kKindRole).toInt());
  if (!pixmap.isNull()) {
    painter->drawPixmap(r.left() + 2, r.top(), pixmap);
    textLeft = r.left() + 2 + pixmap.width() + 6;
  }
  painter->setFont(option.font);
  painter->setPen(selected ? palette.highlightedText().color() : palette.text().color());
  const QRect textRect(textLeft, r.top() + 2, std::max(0, r.right() - textLeft), r.height() - 2);
  painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                    index.data(Qt::DisplayRole).toString());
  if (selected && (option.state & QStyle::State_HasFocus)) {
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(option);
    focus.backgroundColor = palette.highlight().color();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
  }
  painter->restore();
}

QSize TErrorItemDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
  const int text = option.fontMetrics.horizontalAdvance(index.data(Qt::DisplayRole).toString());
  return {2 + kPictureSize + 6 + text + 2, kItemHeight};
}

TClsErrorsForm::TClsErrorsForm(QWidget* owner)
    : TClsHintForm(owner),
      Errors(new QListWidget(ClientArea())),
      Command(new QFrame(this)),
      imgError(picture(QStringLiteral("imgError"), errorPicture(), Command)),
      ImgWarning(picture(QStringLiteral("ImgWarning"), warningPicture(), Command)),
      imgHint(picture(QStringLiteral("imgHint"), hintPicture(), Command)),
      lblConfirm(new QLabel(QStringLiteral("Avisos encontrados. Deseja gravar?"), Command)),
      bbtYes(button(QStringLiteral("bbtYes"), QStringLiteral("&Sim"),
                    QStyle::SP_DialogYesButton, Command)),
      bbtNo(button(QStringLiteral("bbtNo"), QStringLiteral("&Não"), QStyle::SP_DialogNoButton,
                   Command)) {
  setObjectName(QStringLiteral("ClsErrorsForm"));
  setWindowTitle(QStringLiteral("Consistências"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);

  Errors->setObjectName(QStringLiteral("Errors"));
  Errors->setUniformItemSizes(true);
  Errors->setSelectionMode(QAbstractItemView::SingleSelection);
  Errors->setItemDelegate(new TErrorItemDelegate(imgError, ImgWarning, imgHint, Errors));
  auto* client = new QVBoxLayout(ClientArea());
  client->setContentsMargins(0, 0, 0, 0);
  client->addWidget(Errors);
  connect(Errors, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { OpenEntry(Errors->row(item)); });

  Command->setObjectName(QStringLiteral("Command"));
  Command->setFrameShape(QFrame::NoFrame);
  Command->setFixedHeight(30);
  QFont bold = Command->font();
  bold.setBold(true);
  Command->setFont(bold);
  lblConfirm->setObjectName(QStringLiteral("lblConfirm"));
  auto* bar = new QHBoxLayout(Command);
  bar->setContentsMargins(4, 3, 4, 3);
  bar->setSpacing(4);
  for (QLabel* image : {imgError, ImgWarning, imgHint}) bar->addWidget(image);
  bar->addStretch(1);
  bar->addWidget(lblConfirm);
  bar->addSpacing(6);
  bar->addWidget(bbtYes);
  bar->addWidget(bbtNo);
  RootLayout()->insertWidget(RootLayout()->indexOf(ClientArea()) + 1, Command);

  connect(bbtYes, &QPushButton::clicked, this, &QDialog::accept);
  connect(bbtNo, &QPushButton::clicked, this, &QDialog::reject);
  SetCancelButton(bbtNo);
  resize(560, 260);
}

TClsErrorsForm::~TClsErrorsForm() = default;

TClsErrorsForm* TClsErrorsForm::Instance() {
  QPointer<TClsErrorsForm>& slot = instanceSlot();
  if (!slot) slot = new TClsErrorsForm(MainFormReference ? *MainFormReference : nullptr);
  return slot;
}

TClsErrorsForm* TClsErrorsForm::Existing() { return instanceSlot(); }

QString TClsErrorsForm::DisplayText(const TCmError& record) {
  switch (record.Kind) {
    case 2: return QStringLiteral("[Erro] - ") + record.Message;
    case 1: return QStringLiteral("[Aviso] - ") + record.Message;
    case 0: return QStringLiteral("[Dica] - ") + record.Message;
    default: return record.Message;
  }
}

void TClsErrorsForm::Clear() {
  Errors->clear();
  errors_.clear();
  warnings_.clear();
  hints_.clear();
  bbtYes->show();
  bbtNo->setText(QStringLiteral("&Não"));
  lblConfirm->show();
}

void TClsErrorsForm::LoadFindings(const TCmEvaluate& evaluate) {
  const TCmErrorList& list = evaluate.ErrorList();
  for (int i = 0; i < list.Count(); ++i) {
    const TCmErrors& item = list.Items(i);
    for (int j = 0; j < item.Count(); ++j) AddFinding(item.Items(j));
  }
}

void TClsErrorsForm::AddFinding(const TCmError& record) {
  switch (record.Kind) {
    case 0: hints_.push_back({DisplayText(record), record}); break;
    case 1: warnings_.push_back({DisplayText(record), record}); break;
    case 2:
      errors_.push_back({DisplayText(record), record});
      bbtYes->hide();
      bbtNo->setText(QStringLiteral("&Fechar"));
      lblConfirm->hide();
      break;
    default: break;
  }
}

int TClsErrorsForm::ShowFor(QWidget* form) {
  ownerForm_ = form;
  return ShowModal();
}

bool TClsErrorsForm::AcceptFindings(const TCmEvaluate& evaluate, QWidget* form) {
  TClsErrorsForm* window = Instance();
  window->bbtYes->setEnabled(true);
  window->Clear();
  window->LoadFindings(evaluate);
  return window->ShowFor(form) == QDialog::Accepted;
}

const TClsErrorsForm::Entry* TClsErrorsForm::EntryAt(int row) const {
  if (row < 0) return nullptr;
  for (const std::vector<Entry>* group : {&errors_, &warnings_, &hints_}) {
    const auto size = static_cast<int>(group->size());
    if (row < size) return &(*group)[row];
    row -= size;
  }
  return nullptr;
}

void TClsErrorsForm::fillList() {
  Errors->clear();
  for (const std::vector<Entry>* group : {&errors_, &warnings_, &hints_}) {
    for (const Entry& entry : *group) {
      auto* item = new QListWidgetItem(entry.Text, Errors);
      item->setData(TErrorItemDelegate::kKindRole, entry.Record.Kind);
    }
  }
}

void TClsErrorsForm::showEvent(QShowEvent* event) {
  TClsHintForm::showEvent(event);
  if (event->spontaneous()) return;
  fillList();
  Errors->setFocus(Qt::OtherFocusReason);
  if (Errors->count() > 0) Errors->setCurrentRow(0);
  placeOverOwner();
}

void TClsErrorsForm::placeOverOwner() {
  if (!ownerForm_) return;
  const QRect owner = ownerForm_->frameGeometry();
  const QRect own = frameGeometry();
  const int top = owner.top() + (owner.height() - own.height()) / 2;
  int left = x();
  if (QScreen* s = screen()) {
    const QRect area = s->availableGeometry();
    left = area.left() + (area.width() - own.width()) / 2;
  }
  move(left, top);
}

QWidget* TClsErrorsForm::FindControl(QWidget* form, const QString& name) {
  if (!form || name.isEmpty()) return nullptr;
  for (QObject* child : form->children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (!w || w->isWindow() || isGraphicControl(w)) continue;
    if (isContainer(w)) {
      if (QWidget* found = FindControl(w, name)) return found;
    } else if (w->objectName().compare(name, Qt::CaseInsensitive) == 0) {
      return w;
    }
  }
  return nullptr;
}

void TClsErrorsForm::OpenEntry(int row) {
  const Entry* entry = EntryAt(row);
  if (!entry || !ownerForm_) return;
  if (QWidget* control = FindControl(ownerForm_, entry->Record.ControlName)) {
    showControlPages(control);
    focusQuietly(control);
    reject();
    return;
  }
  const auto* recordForm = dynamic_cast<const ActiveDataSetOwner*>(ownerForm_.data());
  pf::DataSet* dataSet = recordForm ? recordForm->ActiveDataSet() : nullptr;
  if (!dataSet || !dataSet->active()) return;
  pf::Field* field = dataSet->findField(entry->Record.FieldName);
  if (!field) return;
  try {
    field->focusControl();
  } catch (...) {
  }
  reject();
}

void TClsErrorsForm::openSelected() { OpenEntry(Errors->currentRow()); }

bool TClsErrorsForm::KeyDown(QKeyEvent* event) {
  const int key = event->key();
  if ((key == Qt::Key_Return || key == Qt::Key_Enter) && focusWidget() == Errors) {
    openSelected();
    return true;
  }
  const Qt::KeyboardModifiers mods =
      event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
  if (mods == Qt::NoModifier) {
    const bool yesShown = bbtYes->isVisibleTo(this);
    if (key == Qt::Key_S && bbtYes->isEnabled() && yesShown) {
      bbtYes->click();
      return true;
    }
    if ((key == Qt::Key_N && yesShown) || (key == Qt::Key_F && !yesShown)) {
      if (bbtNo->isEnabled()) {
        bbtNo->click();
        return true;
      }
    }
  }
  return TClsHintForm::KeyDown(event);
}
