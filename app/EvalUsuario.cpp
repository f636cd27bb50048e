#include "EvalUsuario.h"

#include "data/CmIBSQL.h"

#include <QCheckBox>

namespace {

void addUserError(TCmErrors& errors, const QString& message, const QString& control) {
  errors.AddError(message, QString(), kUserRuleCode, 2, QStringLiteral("USUARIO"), control,
                  kUserEditorClass);
}

void requireText(const TEvalInfo& info, TCmErrors& errors, const QString& message,
                 const QString& control) {
  if (EvalInfoAsString(info).trimmed().isEmpty()) addUserError(errors, message, control);
}

}  // namespace

TEvalUsuario::TEvalUsuario() {
  RegisterEval(QStringLiteral("USUARIO"), &TEvalUsuario::EvalUsuario);
  RegisterEval(QStringLiteral("PRIMEIRO_NOME"), &TEvalUsuario::EvalPrimeiroNome);
  RegisterEval(QStringLiteral("ULTIMO_NOME"), &TEvalUsuario::EvalUltimoNome);
  RegisterEval(QStringLiteral("SUPERVISOR"), &TEvalUsuario::EvalSupervisor);
}

void TEvalUsuario::EvalUsuario(TEvalInfo& info, TCmErrors& errors) {
  requireText(info, errors, QStringLiteral("< USUARIO > - Falta digitar o usuário"),
              QStringLiteral("edtUsuario"));
}

void TEvalUsuario::EvalPrimeiroNome(TEvalInfo& info, TCmErrors& errors) {
  requireText(info, errors, QStringLiteral("< USUARIO > - Falta digitar o primeiro nome"),
              QStringLiteral("edtPrimeiroNome"));
}

void TEvalUsuario::EvalUltimoNome(TEvalInfo& info, TCmErrors& errors) {
  requireText(info, errors, QStringLiteral("< USUARIO > - Falta digitar o último nome"),
              QStringLiteral("edtUltimoNome"));
}

void TEvalUsuario::EvalSupervisor(TEvalInfo&, TCmErrors&) {}

bool CheckBoxEditorState::SupervisorChecked() const { return supervisor_->isChecked(); }

bool CheckBoxEditorState::DesativadoChecked() const { return desativado_->isChecked(); }

void UserEvaluation::CMEVALUATEGetEvalClass(TEvalClass& evalClass) {
  evalClass = EvalClassOf<TEvalUsuario>();
}

void UserEvaluation::CMEVALUATEEvals0BeforeEvaluate(TEvalInfo& info, TCmErrors& errors) {
  const pf::Field* id = info.DataSet ? info.DataSet->findField(QStringLiteral("ID")) : nullptr;
  // A record without an ID yet has nobody under it (and would make the count invalid SQL).
  if (!id || id->isNull()) return;
  TCmIBSQL& sql = editor_.EditorSql();
  sql.ExecSQL(QStringLiteral("select count(*) as TOT from USUARIO where SUPERVISORID = ") +
              QString::number(id->asLargeInt()));
  const qint64 total = sql.fieldByName(QStringLiteral("TOT")).asInt64();
  sql.close();
  if (total <= 0) return;
  if (!editor_.SupervisorChecked()) {
    addUserError(errors,
                 QStringLiteral("< USUARIO > - Este usuário não pode deixar de ser supervisor. "
                                "Existem usuários respondendo a ele."),
                 QStringLiteral("chbSupervisor"));
  }
  if (editor_.DesativadoChecked()) {
    addUserError(errors,
                 QStringLiteral("< USUARIO > - Este usuário não pode ser desativado. "
                                "Existem usuários respondendo a ele."),
                 QStringLiteral("chbDesativado"));
  }
}

void UserEvaluation::Attach(TCmEvaluate& evaluate) {
  evaluate.GetEvalClass = [this](TEvalClass& evalClass) { CMEVALUATEGetEvalClass(evalClass); };
  TEvalItem& item = evaluate.Evals().Add();
  item.SetFieldName(QStringLiteral("SUPERVISOR"));
  item.OnBeforeEvaluate = [this](TEvalInfo& info, TCmErrors& errors) {
    CMEVALUATEEvals0BeforeEvaluate(info, errors);
  };
}
