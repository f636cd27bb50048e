#pragma once

#include "CmHintForm.h"

class QAction;
class QMenu;
class QPushButton;

// Adds the tool bar with "&Opções" and "Sai&r" and the shortcut carrier menu.
class TClsSpockForm : public TClsHintForm {
  Q_OBJECT
 public:
  explicit TClsSpockForm(QWidget* owner = nullptr);

  QFrame* Tool;
  QFrame* bvlSepTool;
  QWidget* pnlButtons;
  QPushButton* bbtOptions;
  QPushButton* bbtClose;
  QMenu* mnuOptions;
  // Qt reports a hidden action as disabled; it takes its enabled state when shown.
  QAction* mnuAtivaEmpresa;
  // Never shown: its items only carry shortcuts. Descendants add theirs.
  QMenu* POPUP_SHORTCUT;
  QAction* AtivarEmpresa1;
  QAction* bbtClose1;
  QAction* N1;

  bool DisableSpock() const { return disableSpock_; }
  virtual void SetDisableSpock(bool value);

  void SetCaptions(const QString& sing, const QString& plur, TKelvoGender gender) override;

  // Adds an item to POPUP_SHORTCUT whose shortcut works anywhere in the form.
  void AddShortcutItem(QAction* item);

 protected:
  void showEvent(QShowEvent* event) override;

  virtual void bbtCloseClick();
  virtual void bbtClose1Click();
  virtual void bbtOptionsClick();
  virtual void mnuAtivaEmpresaClick();

 private:
  bool disableSpock_ = true;
};
