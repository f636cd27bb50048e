#include "UpgradeConsent.h"

#include "UpgradeDialogs.h"

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

UpgradeConsent& DefaultUpgradeConsent() {
  static DialogUpgradeConsent consent;
  return consent;
}
