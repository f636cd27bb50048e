#pragma once
// The user manager's validation: the names must be filled, and a user who still has
// subordinates keeps being a supervisor and stays active.

#include "validation/CmEvaluate.h"

class QCheckBox;
class TCmIBSQL;

constexpr int kUserRuleCode = 10007001;
inline const TFormClass kUserEditorClass = QStringLiteral("TfrmCadUsuario");

class TEvalUsuario final : public TEvalObj {
 public:
  TEvalUsuario();

 private:
  void EvalUsuario(TEvalInfo& info, TCmErrors& errors);
  void EvalPrimeiroNome(TEvalInfo& info, TCmErrors& errors);
  void EvalUltimoNome(TEvalInfo& info, TCmErrors& errors);
  // Nothing: registered so that the editor's handlers for SUPERVISOR run.
  void EvalSupervisor(TEvalInfo& info, TCmErrors& errors);
};

// What the subordinate rules read from the user editor: the two check boxes as they
// stand on the screen, and its statement, which runs in the editor's transaction.
class UserEditorState {
 public:
  virtual ~UserEditorState() = default;
  virtual bool SupervisorChecked() const = 0;
  virtual bool DesativadoChecked() const = 0;
  virtual TCmIBSQL& EditorSql() = 0;
};

// The editor's state read from its check boxes at the moment a rule asks.
class CheckBoxEditorState final : public UserEditorState {
 public:
  CheckBoxEditorState(const QCheckBox* supervisor, const QCheckBox* desativado, TCmIBSQL& sql)
      : supervisor_(supervisor), desativado_(desativado), sql_(sql) {}
  bool SupervisorChecked() const override;
  bool DesativadoChecked() const override;
  TCmIBSQL& EditorSql() override { return sql_; }

 private:
  const QCheckBox* supervisor_;
  const QCheckBox* desativado_;
  TCmIBSQL& sql_;
};

// The user editor's side of the evaluation component.
class UserEvaluation {
 public:
  explicit UserEvaluation(UserEditorState& editor) : editor_(editor) {}

  void CMEVALUATEGetEvalClass(TEvalClass& evalClass);
  // The subordinate rules, run before SUPERVISOR is evaluated.
  void CMEVALUATEEvals0BeforeEvaluate(TEvalInfo& info, TCmErrors& errors);

  // Answers the class request with TEvalUsuario and adds the SUPERVISOR item.
  void Attach(TCmEvaluate& evaluate);

 private:
  UserEditorState& editor_;
};
