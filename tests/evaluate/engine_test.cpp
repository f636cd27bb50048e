#include "UserTable.h"

#include "forms/FormsTestSupport.h"
#include "validation/CmEvaluate.h"

#include <gtest/gtest.h>

#include <stdexcept>

using evaluate_tests::openUsers;

namespace {

// One rule as a test writes it: field name and what the rule does.
struct Rule {
  QString field;
  TOnEvaluate handler;
};

// An evaluation class built from a list of rules; counts its live instances.
class ScriptedEval final : public TEvalObj {
 public:
  explicit ScriptedEval(const std::vector<Rule>& rules) {
    ++alive;
    for (const Rule& r : rules) RegisterEval(r.field, r.handler);
  }
  ~ScriptedEval() override { --alive; }
  static inline int alive = 0;
};

TOnEvaluate finding(const QString& message, int kind = 2, const QString& control = {}) {
  return [=](TEvalInfo&, TCmErrors& e) {
    e.AddError(message, QStringLiteral("detalhe"), 42, kind, QStringLiteral("campo"), control,
               QStringLiteral("TfrmTeste"));
  };
}

QStringList itemFields(const TCmErrorList& list) {
  QStringList out;
  for (int i = 0; i < list.Count(); ++i) out << list.Items(i).FieldName();
  return out;
}

QStringList messages(const TCmErrorList& list) {
  QStringList out;
  for (int i = 0; i < list.Count(); ++i)
    for (int j = 0; j < list.Items(i).Count(); ++j) out << list.Items(i).Items(j).Message;
  return out;
}

class Engine : public evaluate_tests::UserDatabaseTest {
 protected:
  void SetUp() override {
    UserDatabaseTest::SetUp();
    eval_.SetDataSet(users_.get());
  }
  void useRules(std::vector<Rule> rules) {
    eval_.GetEvalClass = [rules](TEvalClass& c) {
      c = [rules] { return std::unique_ptr<TEvalObj>(std::make_unique<ScriptedEval>(rules)); };
    };
  }

  TCmEvaluate eval_;
};

}  // namespace

TEST_F(Engine, WithoutAClassTheLastResultStays) {
  useRules({{"USUARIO", finding("antes")}});
  eval_.Evaluate();
  ASSERT_EQ(messages(eval_.ErrorList()), QStringList({"antes"}));

  eval_.GetEvalClass = [](TEvalClass&) {};  // leaves the class empty
  eval_.Evaluate();
  EXPECT_EQ(messages(eval_.ErrorList()), QStringList({"antes"}));
  eval_.GetEvalClass = nullptr;
  eval_.Evaluate();
  EXPECT_EQ(messages(eval_.ErrorList()), QStringList({"antes"}));

  useRules({{"USUARIO", finding("agora")}});
  eval_.SetLoading(true);
  eval_.Evaluate();
  EXPECT_EQ(messages(eval_.ErrorList()), QStringList({"antes"}));
  eval_.SetLoading(false);
  eval_.Evaluate();
  EXPECT_EQ(messages(eval_.ErrorList()), QStringList({"agora"}));
  EXPECT_EQ(ScriptedEval::alive, 0);
}

TEST_F(Engine, FindingsAreGroupedPerFieldInRuleOrder) {
  useRules({
      {"ULTIMO_NOME", finding("u1")},
      {"USUARIO", nullptr},  // no handler: runs nothing, leaves no item
      {"primeiro_nome",
       [](TEvalInfo& i, TCmErrors& e) {
         finding("p1")(i, e);
         finding("p2", 1)(i, e);
       }},
      {"SENHA", [](TEvalInfo&, TCmErrors&) {}},
      {"ULTIMO_NOME", finding("u2")},  // a second link of the same field: an item of its own
  });
  eval_.Evaluate();
  const TCmErrorList& list = eval_.ErrorList();
  EXPECT_EQ(itemFields(list), QStringList({"ULTIMO_NOME", "PRIMEIRO_NOME", "ULTIMO_NOME"}));
  EXPECT_EQ(messages(list), QStringList({"u1", "p1", "p2", "u2"}));
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.FindingCount(), 4);
  EXPECT_EQ(list.Items(1).Items(1).Kind, 1);
  EXPECT_EQ(list.Owner(), &eval_);
}

TEST_F(Engine, AFindingRecordsTheDataSetAndTheCurrentRecordID) {
  ASSERT_TRUE(users_->locate("ID", 3));
  useRules({{"USUARIO", finding("m", 1, "edtUsuario")}});
  eval_.Evaluate();
  const TCmError& e = eval_.ErrorList().Items(0).Items(0);
  EXPECT_EQ(e.Message, "m");
  EXPECT_EQ(e.Kind, 1);
  EXPECT_EQ(e.Code, 42);
  EXPECT_EQ(e.Detail, "detalhe");
  EXPECT_EQ(e.DataSet.data(), users_.get());
  EXPECT_EQ(e.FieldName, "campo");  // the finding's own field name is kept as given
  EXPECT_EQ(e.ControlName, "edtUsuario");
  EXPECT_EQ(e.RecordID, 3);
  EXPECT_EQ(e.FormClass, "TfrmTeste");

  // A dataset without an ID field, and no dataset at all.
  TCmDataSet names;
  names.setDatabase(db_.get());
  names.setSelectSql("select USUARIO from USUARIO");
  names.open();
  eval_.SetDataSet(&names);
  eval_.Evaluate();
  EXPECT_EQ(eval_.ErrorList().Items(0).Items(0).RecordID, -1);
  EXPECT_EQ(eval_.ErrorList().Items(0).Items(0).DataSet.data(), &names);
  eval_.SetDataSet(nullptr);
  eval_.Evaluate();
  EXPECT_EQ(eval_.ErrorList().Items(0).Items(0).RecordID, -1);
  EXPECT_EQ(eval_.ErrorList().Items(0).Items(0).DataSet.data(), nullptr);

  TCmErrors loose;  // outside any list
  loose.AddError("x", "", 1, 0, "F", "C", "");
  EXPECT_EQ(loose.Items(0).RecordID, -1);
  EXPECT_EQ(loose.Items(0).DataSet.data(), nullptr);
}

TEST_F(Engine, ARuleForAFieldTheDataSetLacksStillRuns) {
  ASSERT_TRUE(users_->locate("ID", 2));
  QStringList seen;
  auto record = [&seen](TEvalInfo& i, TCmErrors&) {
    seen << QStringLiteral("%1:%2:%3")
                .arg(i.Field ? i.Field->fieldName() : QStringLiteral("-"))
                .arg(i.DataSet ? QStringLiteral("ds") : QStringLiteral("-"))
                .arg(EvalInfoAsString(i));
  };
  useRules({
      {"NAO_EXISTE", record},
      {"usuario", record},  // the dataset's field, found in any case
      {"OUTRO",
       [&](TEvalInfo& i, TCmErrors& e) {
         record(i, e);
         i.Value = 15;  // kept for the fields after this one
       }},
      {"MAIS_UM", record},
      {"ULTIMO_NOME", record},  // a field: its value wins over the one left behind
  });
  eval_.Evaluate();
  EXPECT_EQ(seen, QStringList({"-:ds:", "USUARIO:ds:SUP1", "-:ds:", "-:ds:15",
                               "ULTIMO_NOME:ds:Um"}));
  EXPECT_EQ(eval_.ErrorList().Count(), 0);

  seen.clear();
  eval_.Evaluate();  // a new evaluation starts with the value unassigned again
  EXPECT_EQ(seen.at(3), "-:ds:15");
  EXPECT_EQ(seen.at(2), "-:ds:");
}

TEST(EvalInfoAsString, FieldTextOrTheValueLeftByAHandler) {
  struct Case {
    QVariant value;
    const char* expected;
  } cases[] = {
      {QVariant(), ""},
      {QVariant::fromValue(nullptr), ""},
      {QVariant(QMetaType(QMetaType::QString)), ""},
      {QVariant(QStringLiteral("  texto ")), "  texto "},
      {QVariant(7), "7"},
      {QVariant(true), "true"},
  };
  for (const Case& c : cases) {
    TEvalInfo info;
    info.Value = c.value;
    EXPECT_EQ(EvalInfoAsString(info), QString::fromUtf8(c.expected)) << c.expected;
  }
}

TEST_F(Engine, EvalsRunAroundTheRuleOfARegisteredFieldOnly) {
  QStringList order;
  auto note = [&order](const char* what) {
    return [&order, what](TEvalInfo&, TCmErrors&) { order << QString::fromUtf8(what); };
  };
  TEvalItem& sup = eval_.Evals().Add();
  sup.SetFieldName("supervisor");
  sup.OnBeforeEvaluate = note("antes");
  sup.OnAfterEvaluate = note("depois");
  TEvalItem& other = eval_.Evals().Add();
  other.SetFieldName("EMAIL");  // no rule registers it
  other.OnBeforeEvaluate = note("email");
  other.OnAfterEvaluate = note("email");
  TEvalItem& onlyAfter = eval_.Evals().Add();
  onlyAfter.SetFieldName("Usuario");
  onlyAfter.OnAfterEvaluate = [&order](TEvalInfo&, TCmErrors& e) {
    order << QStringLiteral("usuario:%1").arg(e.Count());
  };

  useRules({{"USUARIO", finding("u")}, {"SUPERVISOR", note("regra")}});
  eval_.Evaluate();
  EXPECT_EQ(order, QStringList({"usuario:1", "antes", "regra", "depois"}));

  order.clear();
  useRules({{"USUARIO", nullptr}});  // SUPERVISOR no longer registered
  eval_.Evaluate();
  EXPECT_EQ(order, QStringList({"usuario:0"}));
}

TEST_F(Engine, AFindingAddedByAnEvalsHandlerCountsForItsField) {
  TEvalItem& item = eval_.Evals().Add();
  item.SetFieldName("SUPERVISOR");
  item.OnBeforeEvaluate = finding("do formulário");
  useRules({{"SUPERVISOR", nullptr}});
  eval_.Evaluate();
  EXPECT_EQ(itemFields(eval_.ErrorList()), QStringList({"SUPERVISOR"}));
  EXPECT_EQ(messages(eval_.ErrorList()), QStringList({"do formulário"}));
}

TEST(EvalList, NamesAreStoredAndFoundUpperCased) {
  TEvalList list;
  TEvalItem& a = list.Add();
  a.SetFieldName("supervisor");
  TEvalItem& b = list.Add();
  b.SetFieldName("Supervisor");  // a second item of the same name: the first is found
  TEvalItem& unnamed = list.Add();
  EXPECT_EQ(a.FieldName(), "SUPERVISOR");
  EXPECT_EQ(list.Find("supervisor"), &a);
  EXPECT_EQ(list.Find("SuPeRvIsOr"), &a);
  EXPECT_EQ(list.Find("USUARIO"), nullptr);
  EXPECT_EQ(list.Find(""), &unnamed);
  EXPECT_EQ(a.DisplayName(), "SUPERVISOR");
  EXPECT_EQ(unnamed.DisplayName(), "TEvalItem");
  list.Delete(0);
  EXPECT_EQ(list.Find("SUPERVISOR"), &b);

  TEvalItem copy;
  copy.OnBeforeEvaluate = [](TEvalInfo&, TCmErrors&) {};
  copy.Assign(b);
  EXPECT_EQ(copy.FieldName(), "SUPERVISOR");
  EXPECT_TRUE(copy.OnBeforeEvaluate);  // only the name is copied
  EXPECT_FALSE(copy.OnAfterEvaluate);

  TCmErrors errors;
  errors.SetFieldName("primeiro_nome");
  EXPECT_EQ(errors.FieldName(), "PRIMEIRO_NOME");
}

TEST_F(Engine, AHandlerThatRaisesEndsTheEvaluationAndFreesTheRules) {
  bool lastRan = false;
  TEvalItem& after = eval_.Evals().Add();
  after.SetFieldName("SENHA");
  after.OnAfterEvaluate = [&lastRan](TEvalInfo&, TCmErrors&) { lastRan = true; };
  useRules({
      {"USUARIO", finding("u")},
      {"PRIMEIRO_NOME", nullptr},
      {"SENHA", [](TEvalInfo&, TCmErrors&) { throw std::runtime_error("falhou"); }},
      {"ULTIMO_NOME", finding("nunca")},
  });
  EXPECT_THROW(eval_.Evaluate(), std::runtime_error);
  EXPECT_EQ(ScriptedEval::alive, 0);
  EXPECT_FALSE(lastRan);
  // The failing field's empty item stays; nothing after it ran.
  EXPECT_EQ(itemFields(eval_.ErrorList()), QStringList({"USUARIO", "SENHA"}));
  EXPECT_EQ(eval_.ErrorList().Items(1).Count(), 0);

  // The next evaluation starts from a clean list.
  useRules({{"ULTIMO_NOME", finding("depois")}});
  eval_.Evaluate();
  EXPECT_EQ(messages(eval_.ErrorList()), QStringList({"depois"}));
}
