#pragma once
// The one seam through which every message box, question and modal dialog passes.
// The program uses the Qt implementation; tests install their own and answer.

#include <QString>

#include <vector>

class QDialog;

namespace pf {

enum class MsgKind { Information, Warning, Error, Confirmation, Custom };
enum class MsgButton { None, Ok, Cancel, Yes, No, Abort, Retry, Ignore, All, YesToAll, NoToAll };

struct MessageRequest {
  MsgKind kind = MsgKind::Information;
  QString title;
  QString text;
  std::vector<MsgButton> buttons{MsgButton::Ok};
  MsgButton defaultButton = MsgButton::None;  // None: the first button
};

class DialogService {
 public:
  virtual ~DialogService() = default;
  // Shows the message and answers the button pressed (Cancel when closed otherwise).
  virtual MsgButton message(const MessageRequest& request) = 0;
  // Runs a modal dialog and answers its result code.
  virtual int execDialog(QDialog& dialog) = 0;
};

DialogService& dialogs();
// Installs another service (not owned); nullptr brings back the Qt one.
void setDialogService(DialogService* service);

// The title of plain messages: the application's title.
QString applicationTitle();

MsgButton messageBox(const QString& text, const QString& title, MsgKind kind,
                     std::vector<MsgButton> buttons, MsgButton defaultButton = MsgButton::None);
// Information box with OK, titled with the application's title.
void showMessage(const QString& text);
// Yes/No question titled "Confirmar"; true for Yes.
bool confirm(const QString& text, const QString& title = QStringLiteral("Confirmar"));
void warning(const QString& text, const QString& title = QStringLiteral("Aviso"));
void error(const QString& text, const QString& title = QString());
int execModal(QDialog& dialog);

// The Qt implementation.
class QtDialogService final : public DialogService {
 public:
  MsgButton message(const MessageRequest& request) override;
  int execDialog(QDialog& dialog) override;
};

}  // namespace pf
