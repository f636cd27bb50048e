#include "Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>

namespace pf {

namespace {

DialogService* installed = nullptr;

QtDialogService& qtService() {
  static QtDialogService s;
  return s;
}

QString buttonText(MsgButton b) {
  switch (b) {
    case MsgButton::Ok: return QStringLiteral("OK");
    case MsgButton::Cancel: return QStringLiteral("Cancelar");
    case MsgButton::Yes: return QStringLiteral("&Sim");
    case MsgButton::No: return QStringLiteral("&Não");
    case MsgButton::Abort: return QStringLiteral("&Abortar");
    case MsgButton::Retry: return QStringLiteral("&Repetir");
    case MsgButton::Ignore: return QStringLiteral("&Ignorar");
    case MsgButton::All: return QStringLiteral("&Todos");
    case MsgButton::YesToAll: return QStringLiteral("Sim para to&dos");
    case MsgButton::NoToAll: return QStringLiteral("Nã&o para todos");
    case MsgButton::None: break;
  }
  return {};
}

QMessageBox::ButtonRole roleOf(MsgButton b) {
  switch (b) {
    case MsgButton::Ok:
    case MsgButton::Yes:
    case MsgButton::YesToAll:
    case MsgButton::All: return QMessageBox::AcceptRole;
    case MsgButton::No:
    case MsgButton::NoToAll: return QMessageBox::NoRole;
    case MsgButton::Cancel:
    case MsgButton::Abort: return QMessageBox::RejectRole;
    default: return QMessageBox::ActionRole;
  }
}

}  // namespace

DialogService& dialogs() { return installed ? *installed : qtService(); }

void setDialogService(DialogService* service) { installed = service; }

QString applicationTitle() {
  const QString name = QCoreApplication::applicationName();
  return name.isEmpty() ? QStringLiteral("Gerenciador de Usuários") : name;
}

MsgButton messageBox(const QString& text, const QString& title, MsgKind kind,
                     std::vector<MsgButton> buttons, MsgButton defaultButton) {
  return dialogs().message({kind, title, text, std::move(buttons), defaultButton});
}

void showMessage(const QString& text) {
  messageBox(text, applicationTitle(), MsgKind::Information, {MsgButton::Ok});
}

bool confirm(const QString& text, const QString& title) {
  return messageBox(text, title, MsgKind::Confirmation, {MsgButton::Yes, MsgButton::No}) ==
         MsgButton::Yes;
}

void warning(const QString& text, const QString& title) {
  messageBox(text, title, MsgKind::Warning, {MsgButton::Ok});
}

void error(const QString& text, const QString& title) {
  messageBox(text, title.isEmpty() ? applicationTitle() : title, MsgKind::Error, {MsgButton::Ok});
}

int execModal(QDialog& dialog) { return dialogs().execDialog(dialog); }

MsgButton QtDialogService::message(const MessageRequest& request) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(request.title);
  box.setText(request.text);
  switch (request.kind) {
    case MsgKind::Information: box.setIcon(QMessageBox::Information); break;
    case MsgKind::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgKind::Error: box.setIcon(QMessageBox::Critical); break;
    case MsgKind::Confirmation: box.setIcon(QMessageBox::Question); break;
    case MsgKind::Custom: box.setIcon(QMessageBox::NoIcon); break;
  }
  std::vector<std::pair<QAbstractButton*, MsgButton>> map;
  for (MsgButton b : request.buttons) {
    QPushButton* button = box.addButton(buttonText(b), roleOf(b));
    map.emplace_back(button, b);
    const MsgButton def =
        request.defaultButton == MsgButton::None ? request.buttons.front() : request.defaultButton;
    if (b == def) box.setDefaultButton(button);
    if (b == MsgButton::Cancel || (b == MsgButton::No && request.buttons.size() == 2))
      box.setEscapeButton(button);
  }
  box.exec();
  for (const auto& [button, b] : map)
    if (box.clickedButton() == button) return b;
  return MsgButton::Cancel;
}

int QtDialogService::execDialog(QDialog& dialog) { return dialog.exec(); }

}  // namespace pf
