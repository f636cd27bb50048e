#pragma once

#include "validation/CmEvaluate.h"

#include "forms/CmHintForm.h"

#include <QPointer>
#include <QStyledItemDelegate>

#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

// What the window asks of a record form whose control it cannot find by name.
class ActiveDataSetOwner {
 public:
  virtual ~ActiveDataSetOwner() = default;
  virtual pf::DataSet* ActiveDataSet() const = 0;
};

// Draws a finding: its kind's picture, then the text.
class TErrorItemDelegate final : public QStyledItemDelegate {
  Q_OBJECT
 public:
  static constexpr int kItemHeight = 18;
  static constexpr int kKindRole = Qt::UserRole + 1;

  // The pictures by kind: error, warning, hint.
  TErrorItemDelegate(QLabel* error, QLabel* warning, QLabel* hint, QObject* parent);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  QPixmap pictureFor(int kind) const;

  QLabel* error_;
  QLabel* warning_;
  QLabel* hint_;
};

// The modal window that lists an evaluation's findings before a save: errors refuse
// the save, warnings and hints ask whether to save anyway. Opening a finding goes to
// its control on the owner form.
class TClsErrorsForm final : public TClsHintForm {
  Q_OBJECT
 public:
  struct Entry {
    QString Text;
    TCmError Record;
  };

  explicit TClsErrorsForm(QWidget* owner = nullptr);
  ~TClsErrorsForm() override;

  // The program's one window, created on first use and owned by the main form.
  static TClsErrorsForm* Instance();
  static TClsErrorsForm* Existing();

  QListWidget* Errors;
  QFrame* Command;
  QLabel* imgError;
  QLabel* ImgWarning;
  QLabel* imgHint;
  QLabel* lblConfirm;
  QPushButton* bbtYes;
  QPushButton* bbtNo;

  const std::vector<Entry>& ErrorEntries() const { return errors_; }
  const std::vector<Entry>& WarningEntries() const { return warnings_; }
  const std::vector<Entry>& HintEntries() const { return hints_; }
  QWidget* OwnerForm() const { return ownerForm_; }

  void Clear();
  void LoadFindings(const TCmEvaluate& evaluate);
  void AddFinding(const TCmError& record);
  // Answers the modal result: Accepted when the user chose to save anyway.
  int ShowFor(QWidget* form);
  // The save check's use of the window: true when the findings are accepted.
  static bool AcceptFindings(const TCmEvaluate& evaluate, QWidget* form);

  static QString DisplayText(const TCmError& record);
  // The entry shown in list row `row`, or null.
  const Entry* EntryAt(int row) const;
  void OpenEntry(int row);
  // The first control of `form` named `name` (any case); containers never match.
  static QWidget* FindControl(QWidget* form, const QString& name);

  bool KeyDown(QKeyEvent* event) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void fillList();
  void placeOverOwner();
  void openSelected();

  std::vector<Entry> errors_;
  std::vector<Entry> warnings_;
  std::vector<Entry> hints_;
  QPointer<QWidget> ownerForm_;
};
