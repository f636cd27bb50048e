#include "UserTable.h"

#include "app/EvalUsuario.h"
#include "data/CmIBSQL.h"
#include "forms/FormsTestSupport.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QTest>

using evaluate_tests::openUsers;
using testing_support::TempDatabase;

namespace {

const QString kNoUser = QStringLiteral("< USUARIO > - Falta digitar o usuário");
const QString kNoFirst = QStringLiteral("< USUARIO > - Falta digitar o primeiro nome");
const QString kNoLast = QStringLiteral("< USUARIO > - Falta digitar o último nome");
const QString kStaysSupervisor = QStringLiteral(
    "< USUARIO > - Este usuário não pode deixar de ser supervisor. Existem usuários "
    "respondendo a ele.");
const QString kStaysActive = QStringLiteral(
    "< USUARIO > - Este usuário não pode ser desativado. Existem usuários respondendo a ele.");

// The editor as the rules see it: two check boxes and its statement.
class EditorScreen final : public UserEditorState {
 public:
  EditorScreen(pf::Database* db, pf::Transaction* transaction) {
    sql.setDatabase(db);
    sql.setTransaction(transaction);
  }
  bool SupervisorChecked() const override { return supervisor; }
  bool DesativadoChecked() const override { return desativado; }
  TCmIBSQL& EditorSql() override {
    ++statementsAsked;
    return sql;
  }

  bool supervisor = true;
  bool desativado = false;
  int statementsAsked = 0;
  TCmIBSQL sql;
};

class UserRules : public ::testing::Test {
 protected:
  void SetUp() override {
    tmp_.exec(evaluate_tests::userTableStatements());
    db_ = tmp_.connect();
    editorTransaction_ = new pf::Transaction(db_.get());
    editorTransaction_->setDefaultDatabase(db_.get());
    editorTransaction_->setParams(testing_support::readCommittedParams());
    editorTransaction_->startTransaction();
    users_ = openUsers(db_.get(), editorTransaction_);
    screen_ = std::make_unique<EditorScreen>(db_.get(), editorTransaction_);
    rules_ = std::make_unique<UserEvaluation>(*screen_);
    eval_.setObjectName("CMEVALUATE");
    eval_.SetDataSet(users_.get());
    rules_->Attach(eval_);
  }
  void TearDown() override {
    users_.reset();
    screen_.reset();
    db_.reset();
  }
  // Edits user `id` as the editor shows it.
  void editUser(int id, bool supervisor, bool desativado) {
    ASSERT_TRUE(users_->locate("ID", id));
    users_->edit();
    screen_->supervisor = supervisor;
    screen_->desativado = desativado;
  }
  void newUser(const QVariant& id, const QString& login, const QString& first,
               const QString& last) {
    users_->append();
    users_->fieldByName("ID")->setValue(id);
    users_->fieldByName("USUARIO")->setAsString(login);
    users_->fieldByName("PRIMEIRO_NOME")->setAsString(first);
    users_->fieldByName("ULTIMO_NOME")->setAsString(last);
  }
  QStringList findings() {
    QStringList out;
    const TCmErrorList& list = eval_.ErrorList();
    for (int i = 0; i < list.Count(); ++i)
      for (int j = 0; j < list.Items(i).Count(); ++j) out << list.Items(i).Items(j).Message;
    return out;
  }

  TempDatabase tmp_;
  std::unique_ptr<pf::Database> db_;
  pf::Transaction* editorTransaction_ = nullptr;
  std::unique_ptr<TCmDataSet> users_;
  std::unique_ptr<EditorScreen> screen_;
  std::unique_ptr<UserEvaluation> rules_;
  TCmEvaluate eval_;
};

}  // namespace

TEST_F(UserRules, ANewUserWithThreeBlankNamesGetsThreeErrorsInOrder) {
  newUser(50, "", "", "");
  screen_->supervisor = false;  // a new user has nobody under him
  screen_->desativado = true;
  eval_.Evaluate();
  const TCmErrorList& list = eval_.ErrorList();
  ASSERT_EQ(list.Count(), 3);
  struct Expected {
    const char* item;
    QString message;
    const char* control;
  } expected[] = {
      {"USUARIO", kNoUser, "edtUsuario"},
      {"PRIMEIRO_NOME", kNoFirst, "edtPrimeiroNome"},
      {"ULTIMO_NOME", kNoLast, "edtUltimoNome"},
  };
  for (int i = 0; i < 3; ++i) {
    const TCmErrors& item = list.Items(i);
    EXPECT_EQ(item.FieldName(), expected[i].item);
    ASSERT_EQ(item.Count(), 1);
    const TCmError& e = item.Items(0);
    EXPECT_EQ(e.Message, expected[i].message);
    EXPECT_EQ(e.ControlName, expected[i].control);
    EXPECT_EQ(e.Kind, 2);
    EXPECT_EQ(e.Code, 10007001);
    EXPECT_EQ(e.Detail, "");
    EXPECT_EQ(e.FieldName, "USUARIO");  // every rule names the user field
    EXPECT_EQ(e.FormClass, "TfrmCadUsuario");
    EXPECT_EQ(e.RecordID, 50);
  }
}

TEST_F(UserRules, NamesMadeOfBlanksAreBlank) {
  struct Case {
    const char* login;
    const char* first;
    const char* last;
    QStringList expected;
  } cases[] = {
      {"   ", "Ana", "Lima", {kNoUser}},
      {"ANA", "\t ", "Lima", {kNoFirst}},
      {"ANA", "Ana", " \n", {kNoLast}},
      {" A ", " a", "b ", {}},
      {"ANA", "Ana", "Lima", {}},
  };
  for (const Case& c : cases) {
    newUser(60, QString::fromUtf8(c.login), QString::fromUtf8(c.first),
            QString::fromUtf8(c.last));
    eval_.Evaluate();
    EXPECT_EQ(findings(), c.expected) << c.login << "/" << c.first << "/" << c.last;
    users_->cancel();
  }
}

TEST_F(UserRules, ASupervisorWithSubordinatesStaysSupervisorAndActive) {
  struct Case {
    int id;
    bool supervisor;
    bool desativado;
    QStringList expected;
  } cases[] = {
      {2, true, false, {}},
      {2, false, false, {kStaysSupervisor}},
      {2, true, true, {kStaysActive}},
      {2, false, true, {kStaysSupervisor, kStaysActive}},
      {1, false, true, {kStaysSupervisor, kStaysActive}},  // ADMIN answers to himself
      {4, false, true, {}},                                // nobody under him
      {3, false, true, {}},
  };
  for (const Case& c : cases) {
    editUser(c.id, c.supervisor, c.desativado);
    eval_.Evaluate();
    EXPECT_EQ(findings(), c.expected) << c.id << c.supervisor << c.desativado;
    if (!c.expected.isEmpty()) {
      const TCmErrors& item = eval_.ErrorList().Items(0);
      EXPECT_EQ(item.FieldName(), "SUPERVISOR");
      EXPECT_EQ(item.Items(0).FieldName, "USUARIO");
      EXPECT_EQ(item.Items(0).ControlName, c.supervisor ? "chbDesativado" : "chbSupervisor");
      EXPECT_EQ(item.Items(0).RecordID, c.id);
    }
    users_->cancel();
  }
}

TEST_F(UserRules, BlankNamesAndSubordinatesTogetherInRuleOrder) {
  editUser(2, false, true);
  users_->fieldByName("PRIMEIRO_NOME")->setAsString(" ");
  eval_.Evaluate();
  EXPECT_EQ(findings(), QStringList({kNoFirst, kStaysSupervisor, kStaysActive}));
  EXPECT_EQ(eval_.ErrorList().Count(), 2);
}

TEST_F(UserRules, SubordinatesMovedAwayInTheEditorsTransactionFreeTheUser) {
  // The move is not committed: only a count in the editor's transaction sees it.
  TCmIBSQL move;
  move.setDatabase(db_.get());
  move.setTransaction(editorTransaction_);
  move.ExecSQL("update USUARIO set SUPERVISORID = 4 where SUPERVISORID = 2");
  editUser(2, false, true);
  eval_.Evaluate();
  EXPECT_EQ(findings(), QStringList());
  users_->cancel();

  // And the user who took them in cannot stop being a supervisor now.
  editUser(4, false, false);
  eval_.Evaluate();
  EXPECT_EQ(findings(), QStringList({kStaysSupervisor}));
  users_->cancel();
}

TEST_F(UserRules, ARecordWithoutAnIDRunsNoCount) {
  newUser(QVariant(), "NOVO", "Novo", "Usuario");
  screen_->supervisor = false;
  screen_->desativado = true;
  eval_.Evaluate();
  EXPECT_EQ(findings(), QStringList());
  EXPECT_EQ(screen_->statementsAsked, 0);
  users_->cancel();

  newUser(61, "NOVO", "Novo", "Usuario");  // a fresh ID: counted, nobody found
  eval_.Evaluate();
  EXPECT_EQ(findings(), QStringList());
  EXPECT_EQ(screen_->statementsAsked, 1);
}

TEST_F(UserRules, TheSupervisorRegistrationIsWhatRunsTheEditorsHandler) {
  TEvalUsuario rules;
  QStringList fields;
  for (const auto& link : rules.Links()) fields << link.FieldName;
  EXPECT_EQ(fields, QStringList({"USUARIO", "PRIMEIRO_NOME", "ULTIMO_NOME", "SUPERVISOR"}));

  TEvalClass evalClass;
  rules_->CMEVALUATEGetEvalClass(evalClass);
  ASSERT_TRUE(evalClass);
  EXPECT_NE(dynamic_cast<TEvalUsuario*>(evalClass().get()), nullptr);
  ASSERT_EQ(eval_.Evals().Count(), 1);
  EXPECT_EQ(eval_.Evals().Find("supervisor"), &eval_.Evals().Items(0));
}

TEST_F(UserRules, TheCheckBoxesAreReadAsTheyStandWhenTheRulesRun) {
  QWidget editor;
  auto* chbSupervisor = new QCheckBox("Supervisor", &editor);
  auto* chbDesativado = new QCheckBox("Desativado", &editor);
  chbSupervisor->move(0, 0);
  chbDesativado->move(0, 30);
  chbSupervisor->setChecked(true);
  editor.show();
  CheckBoxEditorState screen(chbSupervisor, chbDesativado, screen_->sql);
  UserEvaluation rules(screen);
  TCmEvaluate eval;
  eval.SetDataSet(users_.get());
  rules.Attach(eval);
  ASSERT_TRUE(users_->locate("ID", 2));
  users_->edit();

  eval.Evaluate();
  EXPECT_EQ(eval.ErrorList().Count(), 0);
  QTest::mouseClick(chbSupervisor, Qt::LeftButton, {}, QPoint(5, chbSupervisor->height() / 2));
  QTest::mouseClick(chbDesativado, Qt::LeftButton, {}, QPoint(5, chbDesativado->height() / 2));
  ASSERT_FALSE(chbSupervisor->isChecked());
  ASSERT_TRUE(chbDesativado->isChecked());
  eval.Evaluate();
  ASSERT_EQ(eval.ErrorList().Count(), 1);
  EXPECT_EQ(eval.ErrorList().Items(0).Count(), 2);
  chbDesativado->setChecked(false);
  eval.Evaluate();
  ASSERT_EQ(eval.ErrorList().Count(), 1);
  EXPECT_EQ(eval.ErrorList().Items(0).Items(0).Message, kStaysSupervisor);
}
