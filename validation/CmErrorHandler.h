#pragma once

#include "forms/CmForm.h"

#include "validation/CmLogErrors.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

// The database error dialog: the newest error of the run first, the earlier ones one
// step at a time, and a detail area that can be opened.
class TClsErrorHandler final : public TClsForm {
  Q_OBJECT
 public:
  // The list is read, not owned; it may grow while the dialog is open.
  explicit TClsErrorHandler(const TLogErrorDataBaseList& list, QWidget* owner = nullptr);

  int CurrentIndex() const { return index_; }
  bool ShowDetails() const { return showDetails_; }

  void GoTo(int index);
  void ShowEntry(int index);
  void UpdateNavigation();
  void ApplyDetails();
  // The list grew: show its newest entry.
  void ShowNewest();

  QPlainTextEdit* memMensagem = nullptr;
  QPushButton* bbtDetails = nullptr;
  QPushButton* bbtOk = nullptr;
  QWidget* pnlBckGround = nullptr;
  QLineEdit* edtCodigo = nullptr;
  QLineEdit* edtComputerName = nullptr;
  QLineEdit* edtDataHora = nullptr;
  QLineEdit* edtServidor = nullptr;
  QPlainTextEdit* memMensagemLog = nullptr;
  QPushButton* bbtAnterior = nullptr;
  QPushButton* bbtProximo = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void bbtDetailsClick();
  void moveFocus(QWidget* from, QWidget* to);

  const TLogErrorDataBaseList& list_;
  int index_ = -1;
  bool showDetails_ = false;
  bool shown_ = false;
};

// Shows the dialog modally for the list and frees it.
void ShowDatabaseErrors(const TLogErrorDataBaseList& list);
