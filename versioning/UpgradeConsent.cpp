#include "UpgradeConsent.h"

#include "UpgradeGuard.h"

#include "platform/Dialogs.h"


int VersionNumber(const QString& text) {
  QString digits = text;
  digits.remove(u'.');
  bool ok = false;
  const int n = digits.toInt(&ok);
  return ok ? n : 0;
}

QString VersionCaption() { return QStringLiteral("Controle de Versão Banco de Dados"); }

QString IncompatibleLevelMessage(const QString& name, const QString& expected,
                                 const QString& rowName, const QString& rowLevel) {
  return QStringLiteral("A Versão deste programa é incompatível com a versão do banco de dados"
                        "\r\nAtualize o programa e tente novamente.\r\n\r\nPrograma: ") +
         name + u'-' + expected + QStringLiteral("\r\n") + QStringLiteral("BD: ") + rowName +
         u'-' + rowLevel;
}

QString MissingScriptMessage(const QString& name, const QString& expected) {
  return QStringLiteral("A Versão deste programa é incompatível com a versão do banco de dados"
                        "\r\nAtualize o programa e tente novamente.\r\n\r\nFalta o script: ") +
         name + u'-' + expected;
}

QString UpdatedMessage() { return QStringLiteral("Banco de Dados foi atualizado com sucesso."); }

bool MessageUpgradeConsent::AskBackup() {
  const QString text = QStringLiteral(
      "Com o objetivo de obter o máximo proveito desta nova versão, será necessário atualizar "
      "sua \"Base de Dados\".\n\n"
      "Para prosseguirmos com esta atualização é de supra importância realizar um backup de sua "
      "\"Base de Dados\".\n\n"
      "Caso sua empresa mantém rotinas apropriadas para backup e tiver plena certeza que foram "
      "realizadas com êxito, você poderá seguir direto para a atualização da \"Base de Dados\" "
      "desautorizando o backup abaixo.\n\n"
      "Sim, desejo realizar o backup da \"Base de Dados\".");
  return pf::confirm(text, VersionCaption());
}

bool MessageUpgradeConsent::ConfirmUpgrade(TCmDatabase& database, bool skipBackup) {
  const QString backupFile =
      skipBackup ? QString()
                 : UpgradeGuardRules::TakeBackup(database.databaseName(),
                                                 QDateTime::currentDateTime(), {});
  const QString text = QStringLiteral(
      "Para continuar a executar o programa é necessário atualizar a base de dados, "
      "certifique-se que não tenha nenhum usuário utilizando o sistema ou conectado a base "
      "dados. Para atualizar clique no botão \"Atualizar\".");
  // "Sim" stands for "Atualizar", "Não" for "Fechar".
  while (pf::messageBox(text, VersionCaption(), pf::MsgKind::Confirmation,
                        {pf::MsgButton::Yes, pf::MsgButton::No}) == pf::MsgButton::Yes) {
    if (UpgradeGuardRules(&database).CanUpgrade(backupFile, skipBackup)) return true;
  }
  return false;
}

UpgradeConsent& DefaultUpgradeConsent() {
  static MessageUpgradeConsent consent;
  return consent;
}
