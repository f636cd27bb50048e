#include "UserTable.h"

#include "support/ScriptedDialogs.h"

#include "app/EvalUsuario.h"
#include "data/CmIBSQL.h"
#include "forms/FormsTestSupport.h"
#include "platform/DataSource.h"
#include "validation/CmErrorsForm.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>

using testing_support::ScriptedDialogs;

namespace {

TCmError finding(int kind, const QString& message, const QString& control = {},
                 const QString& field = {}) {
  TCmError e;
  e.Kind = kind;
  e.Message = message;
  e.ControlName = control;
  e.FieldName = field;
  return e;
}

QStringList rows(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

template <class W>
W* add(QWidget* parent, const char* name) {
  auto* w = new W(parent);
  w->setObjectName(QString::fromLatin1(name));
  if (parent->layout()) parent->layout()->addWidget(w);
  return w;
}

// A record editor as the window meets it: a page control with a hidden page, a
// panel of edits, a label, a spin box and an edit without a name of its own.
class EditorForm : public TClsForm {
 public:
  EditorForm() {
    setObjectName("frmEditor");
    auto* root = new QVBoxLayout(ClientArea());
    pnlTopo = add<QFrame>(ClientArea(), "pnlTopo");
    new QVBoxLayout(pnlTopo);
    lblUsuario = add<QLabel>(pnlTopo, "edtLabel");
    edtUsuario = add<QLineEdit>(pnlTopo, "edtUsuario");
    spnIdade = add<QSpinBox>(pnlTopo, "spnIdade");
    pgcDados = add<QTabWidget>(ClientArea(), "pgcDados");
    root->addWidget(pnlTopo);
    root->addWidget(pgcDados);
    tabGeral = new QWidget;
    tabGeral->setObjectName("tabGeral");
    new QVBoxLayout(tabGeral);
    chbSupervisor = add<QCheckBox>(tabGeral, "chbSupervisor");
    tabNomes = new QWidget;
    tabNomes->setObjectName("tabNomes");
    new QVBoxLayout(tabNomes);
    pnlNomes = add<QFrame>(tabNomes, "pnlNomes");
    new QVBoxLayout(pnlNomes);
    edtPrimeiroNome = add<QLineEdit>(pnlNomes, "edtPrimeiroNome");
    edtUltimoNome = add<QLineEdit>(pnlNomes, "edtUltimoNome");
    edtDuplicado = add<QLineEdit>(pnlNomes, "edtUsuario");  // the name again, later
    tabVazio = new QWidget;
    tabVazio->setObjectName("tabVazio");
    pgcDados->addTab(tabGeral, "Geral");
    pgcDados->addTab(tabNomes, "Nomes");
    pgcDados->addTab(tabVazio, "Vazio");
    pgcDados->setTabVisible(1, false);
    resize(420, 320);
    move(60, 40);
  }

  QFrame* pnlTopo;
  QLabel* lblUsuario;
  QLineEdit* edtUsuario;
  QSpinBox* spnIdade;
  QTabWidget* pgcDados;
  QWidget* tabGeral;
  QCheckBox* chbSupervisor;
  QWidget* tabNomes;
  QFrame* pnlNomes;
  QLineEdit* edtPrimeiroNome;
  QLineEdit* edtUltimoNome;
  QLineEdit* edtDuplicado;
  QWidget* tabVazio;
};

// A field's control: focuses its edit when the dataset asks for the field.
class FocusLink final : public pf::DataLink {
 public:
  FocusLink(QString field, QWidget* control) : field_(std::move(field)), control_(control) {}

 protected:
  void focusControl(pf::Field*& field) override {
    if (field && field->fieldName() == field_) {
      control_->setFocus(Qt::OtherFocusReason);
      field = nullptr;
    }
  }

 private:
  QString field_;
  QWidget* control_;
};

// The editor with an active dataset whose EMAIL field has a control named otherwise.
class RecordEditorForm final : public EditorForm, public ActiveDataSetOwner {
 public:
  explicit RecordEditorForm(pf::DataSet* users) : users_(users) {
    edtMail = add<QLineEdit>(pnlTopo, "edtCorreio");
    source_.setDataSet(users);
    link_ = std::make_unique<FocusLink>(QStringLiteral("EMAIL"), edtMail);
    link_->setDataSource(&source_);
  }
  pf::DataSet* ActiveDataSet() const override { return users_; }

  QLineEdit* edtMail;

 private:
  pf::DataSet* users_;
  pf::DataSource source_;
  std::unique_ptr<FocusLink> link_;
};

// Shows the window as the modal loop would, runs `steps`, answers its result.
void expectWindow(ScriptedDialogs& dialogs, std::function<void(TClsErrorsForm&)> steps) {
  dialogs.expectDialog("ClsErrorsForm", [steps](QDialog& d) {
    auto& w = static_cast<TClsErrorsForm&>(d);
    w.setResult(-1);
    w.show();
    steps(w);
    const int result = w.result();
    w.hide();
    return result;
  });
}

}  // namespace

TEST(ErrorsForm, EntriesAreListedByKindErrorsFirst) {
  TClsErrorsForm w;
  EXPECT_EQ(w.windowTitle(), "Consistências");
  w.Clear();
  w.AddFinding(finding(0, "dica 1"));
  w.AddFinding(finding(1, "aviso 1"));
  w.AddFinding(finding(2, "erro 1"));
  w.AddFinding(finding(3, "outro tipo"));  // not shown
  w.AddFinding(finding(0, "dica 2"));
  w.AddFinding(finding(2, "erro 2"));
  EXPECT_EQ(w.ErrorEntries().size(), 2u);
  EXPECT_EQ(w.WarningEntries().size(), 1u);
  EXPECT_EQ(w.HintEntries().size(), 2u);

  ScriptedDialogs dialogs;
  expectWindow(dialogs, [](TClsErrorsForm& w) {
    EXPECT_EQ(rows(w.Errors), QStringList({"[Erro] - erro 1", "[Erro] - erro 2",
                                           "[Aviso] - aviso 1", "[Dica] - dica 1",
                                           "[Dica] - dica 2"}));
    EXPECT_EQ(w.Errors->currentRow(), 0);
    EXPECT_EQ(w.focusWidget(), w.Errors);
    EXPECT_EQ(w.Errors->visualItemRect(w.Errors->item(1)).height(), 18);
  });
  w.ShowFor(nullptr);

  // Entries stay until cleared: a second showing lists them once.
  expectWindow(dialogs, [](TClsErrorsForm& w) { EXPECT_EQ(w.Errors->count(), 5); });
  w.ShowFor(nullptr);

  w.Clear();
  EXPECT_EQ(w.Errors->count(), 0);
  EXPECT_TRUE(w.ErrorEntries().empty());
  EXPECT_FALSE(w.bbtYes->isHidden());
  EXPECT_FALSE(w.lblConfirm->isHidden());
  EXPECT_EQ(w.bbtNo->text(), "&Não");
}

TEST(ErrorsForm, OnlyHintsAskWhetherToSave) {
  QWidget mainForm;
  QWidget* mainPointer = &mainForm;
  MainFormReference = &mainPointer;
  TCmEvaluate eval;
  eval.GetEvalClass = [](TEvalClass& c) {
    c = [] {
      auto rules = std::make_unique<TEvalObj>();
      rules->RegisterEval("EMAIL", [](TEvalInfo&, TCmErrors& e) {
        e.AddError("Sem e-mail", "", 1, 0, "EMAIL", "edtEmail", "");
      });
      return rules;
    };
  };
  eval.Evaluate();
  ScriptedDialogs dialogs;
  expectWindow(dialogs, [](TClsErrorsForm& w) {
    EXPECT_TRUE(w.bbtYes->isVisible());
    EXPECT_TRUE(w.bbtYes->isEnabled());
    EXPECT_TRUE(w.lblConfirm->isVisible());
    EXPECT_EQ(w.lblConfirm->text(), "Avisos encontrados. Deseja gravar?");
    EXPECT_EQ(w.bbtYes->text(), "&Sim");
    EXPECT_EQ(w.bbtNo->text(), "&Não");
    EXPECT_EQ(rows(w.Errors), QStringList({"[Dica] - Sem e-mail"}));
    QTest::mouseClick(w.bbtYes, Qt::LeftButton);
  });
  TClsErrorsForm::Instance()->bbtYes->setEnabled(false);  // the save check enables it
  EXPECT_TRUE(TClsErrorsForm::AcceptFindings(eval, nullptr));

  expectWindow(dialogs, [](TClsErrorsForm& w) { QTest::mouseClick(w.bbtNo, Qt::LeftButton); });
  EXPECT_FALSE(TClsErrorsForm::AcceptFindings(eval, nullptr));
  expectWindow(dialogs, [](TClsErrorsForm& w) { w.close(); });  // the close box
  EXPECT_FALSE(TClsErrorsForm::AcceptFindings(eval, nullptr));
  MainFormReference = nullptr;
  TClsErrorsForm* window = TClsErrorsForm::Existing();
  EXPECT_EQ(TClsErrorsForm::Instance(), window);  // one window for the program
  EXPECT_EQ(window->parent(), &mainForm);
}  // the main form takes its window along

TEST(ErrorsForm, OneErrorAmongWarningsOnlyCloses) {
  TClsErrorsForm w;
  w.AddFinding(finding(1, "aviso 1"));
  w.AddFinding(finding(2, "erro"));
  w.AddFinding(finding(1, "aviso 2"));
  ScriptedDialogs dialogs;
  expectWindow(dialogs, [](TClsErrorsForm& w) {
    EXPECT_FALSE(w.bbtYes->isVisible());
    EXPECT_FALSE(w.lblConfirm->isVisible());
    EXPECT_TRUE(w.bbtNo->isVisible());
    EXPECT_EQ(w.bbtNo->text(), "&Fechar");
    EXPECT_EQ(rows(w.Errors), QStringList({"[Erro] - erro", "[Aviso] - aviso 1",
                                           "[Aviso] - aviso 2"}));
    QTest::keyClick(w.Errors, Qt::Key_S);  // no way to save
    EXPECT_TRUE(w.isVisible());
    QTest::keyClick(&w, Qt::Key_Escape);
  });
  EXPECT_EQ(w.ShowFor(nullptr), QDialog::Rejected);
}

TEST(ErrorsForm, LetterKeysFollowTheButtonsShown) {
  struct Case {
    bool withError;
    bool yesEnabled;
    char key;
    bool closes;
    int result;
  } cases[] = {
      {false, true, 'S', true, QDialog::Accepted},
      {false, true, 's', true, QDialog::Accepted},
      {false, false, 'S', false, 0},  // "Sim" disabled
      {false, true, 'N', true, QDialog::Rejected},
      {false, true, 'n', true, QDialog::Rejected},
      {false, true, 'F', false, 0},
      {true, true, 'S', false, 0},
      {true, true, 'N', false, 0},
      {true, true, 'F', true, QDialog::Rejected},
      {true, true, 'f', true, QDialog::Rejected},
      {true, true, 'X', false, 0},
  };
  for (const Case& c : cases) {
    TClsErrorsForm w;
    w.AddFinding(finding(c.withError ? 2 : 1, "achado"));
    w.bbtYes->setEnabled(c.yesEnabled);
    w.show();
    w.setResult(0);
    QTest::keyClick(w.Errors, c.key);
    EXPECT_EQ(!w.isVisible(), c.closes) << c.key << c.withError;
    EXPECT_EQ(w.result(), c.result) << c.key << c.withError;
  }
}

TEST(ErrorsForm, FindControlSkipsContainersAndLabels) {
  EditorForm form;
  struct Case {
    const char* name;
    QWidget* expected;
  } cases[] = {
      {"edtUsuario", form.edtUsuario},   // the first of two of that name
      {"EDTULTIMONOME", form.edtUltimoNome},
      {"spnIdade", form.spnIdade},       // a control made of several widgets
      {"chbSupervisor", form.chbSupervisor},
      {"tabVazio", form.tabVazio},       // a page without controls is a control
      {"pnlNomes", nullptr},             // a panel with controls never matches
      {"pgcDados", nullptr},
      {"tabNomes", nullptr},
      {"edtLabel", nullptr},             // labels only paint
      {"", nullptr},
      {"naoExiste", nullptr},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TClsErrorsForm::FindControl(&form, QString::fromLatin1(c.name)), c.expected)
        << c.name;
}

TEST(ErrorsForm, AFindingOnAHiddenTabPageBringsThePageForward) {
  EditorForm form;
  form.show();
  ASSERT_EQ(form.pgcDados->currentWidget(), form.tabGeral);
  int pageChanges = 0;
  QObject::connect(form.pgcDados, &QTabWidget::currentChanged, [&] { ++pageChanges; });
  TClsErrorsForm w;
  w.AddFinding(finding(2, "primeiro", "edtUsuario"));
  w.AddFinding(finding(2, "último", "edtultimonome"));
  ScriptedDialogs dialogs;
  expectWindow(dialogs, [](TClsErrorsForm& w) {
    w.Errors->setCurrentRow(1);
    QTest::keyClick(w.Errors, Qt::Key_Return);
    EXPECT_FALSE(w.isVisible());
  });
  EXPECT_EQ(w.ShowFor(&form), QDialog::Rejected);
  EXPECT_EQ(form.pgcDados->currentWidget(), form.tabNomes);
  EXPECT_TRUE(form.pgcDados->isTabVisible(1));
  EXPECT_EQ(pageChanges, 1);
  EXPECT_EQ(form.focusWidget(), form.edtUltimoNome);

  // Double-clicking the first entry goes back to the control outside the pages.
  expectWindow(dialogs, [](TClsErrorsForm& w) {
    const QRect r = w.Errors->visualItemRect(w.Errors->item(0));
    w.Errors->setCurrentRow(1);  // the row clicked is the one opened
    QTest::mouseClick(w.Errors->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(w.Errors->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_FALSE(w.isVisible());
  });
  w.ShowFor(&form);
  EXPECT_EQ(form.focusWidget(), form.edtUsuario);
  EXPECT_EQ(form.pgcDados->currentWidget(), form.tabNomes);
}

TEST(ErrorsForm, WithoutAnOwnerOrAMatchTheWindowStaysOpen) {
  EditorForm form;
  form.show();
  TClsErrorsForm w;
  w.AddFinding(finding(2, "painel", "pnlNomes", "USUARIO"));
  ScriptedDialogs dialogs;
  for (QWidget* owner : {static_cast<QWidget*>(nullptr), static_cast<QWidget*>(&form)}) {
    expectWindow(dialogs, [](TClsErrorsForm& w) {
      QTest::keyClick(w.Errors, Qt::Key_Return);
      EXPECT_TRUE(w.isVisible());
      EXPECT_EQ(w.result(), -1);
      QTest::mouseClick(w.bbtNo, Qt::LeftButton);
    });
    EXPECT_EQ(w.ShowFor(owner), QDialog::Rejected);
  }
  EXPECT_NE(form.focusWidget(), form.pnlNomes);
}

namespace {

class ErrorsFormData : public evaluate_tests::UserDatabaseTest {};

}  // namespace

TEST_F(ErrorsFormData, APanelNameFallsBackToTheFieldsControl) {
  RecordEditorForm form(users_.get());
  form.show();

  TClsErrorsForm w;
  w.AddFinding(finding(1, "painel", "pnlNomes", "email"));
  w.AddFinding(finding(1, "sem campo", "pnlNomes", "NAO_EXISTE"));
  ScriptedDialogs dialogs;
  expectWindow(dialogs, [](TClsErrorsForm& w) {
    w.Errors->setCurrentRow(1);  // neither control nor field: stays open
    QTest::keyClick(w.Errors, Qt::Key_Return);
    EXPECT_TRUE(w.isVisible());
    w.Errors->setCurrentRow(0);
    QTest::keyClick(w.Errors, Qt::Key_Return);
    EXPECT_FALSE(w.isVisible());
  });
  EXPECT_EQ(w.ShowFor(&form), QDialog::Rejected);
  EXPECT_EQ(form.focusWidget(), form.edtMail);

  users_->close();  // an inactive dataset offers no field
  form.edtUsuario->setFocus();
  expectWindow(dialogs, [](TClsErrorsForm& w) {
    QTest::keyClick(w.Errors, Qt::Key_Return);
    EXPECT_TRUE(w.isVisible());
    QTest::keyClick(w.Errors, Qt::Key_Escape);
  });
  w.ShowFor(&form);
  EXPECT_EQ(form.focusWidget(), form.edtUsuario);
}

TEST_F(ErrorsFormData, ThreeBlankNamesOfANewUserFromRuleToControl) {
  struct Screen final : UserEditorState {
    bool SupervisorChecked() const override { return false; }
    bool DesativadoChecked() const override { return true; }
    TCmIBSQL& EditorSql() override { return sql; }
    TCmIBSQL sql;
  } screen;
  screen.sql.setDatabase(db_.get());
  UserEvaluation rules(screen);
  TCmEvaluate eval;
  eval.SetDataSet(users_.get());
  rules.Attach(eval);
  users_->append();
  users_->fieldByName("ID")->setAsInteger(70);
  eval.Evaluate();

  EditorForm form;
  form.show();
  ScriptedDialogs dialogs;
  expectWindow(dialogs, [](TClsErrorsForm& w) {
    EXPECT_EQ(rows(w.Errors),
              QStringList({"[Erro] - < USUARIO > - Falta digitar o usuário",
                           "[Erro] - < USUARIO > - Falta digitar o primeiro nome",
                           "[Erro] - < USUARIO > - Falta digitar o último nome"}));
    EXPECT_EQ(w.bbtNo->text(), "&Fechar");
    w.Errors->setCurrentRow(1);
    QTest::keyClick(w.Errors, Qt::Key_Return);
  });
  EXPECT_FALSE(TClsErrorsForm::AcceptFindings(eval, &form));
  EXPECT_EQ(form.focusWidget(), form.edtPrimeiroNome);
  EXPECT_EQ(form.pgcDados->currentWidget(), form.tabNomes);
  delete TClsErrorsForm::Existing();
}

TEST(ErrorsForm, PlacedOnTheOwnersVerticalCentreAndTheScreensHorizontalOne) {
  struct Case {
    int ownerTop;
    int ownerHeight;
  } cases[] = {{50, 501}, {300, 101}, {0, 260}};
  for (const Case& c : cases) {
    QWidget owner;
    owner.setGeometry(120, c.ownerTop, 500, c.ownerHeight);
    owner.show();
    TClsErrorsForm w;
    w.AddFinding(finding(0, "dica"));
    ScriptedDialogs dialogs;
    QRect placed;
    expectWindow(dialogs, [&placed](TClsErrorsForm& w) { placed = w.frameGeometry(); });
    w.ShowFor(&owner);
    const QRect ownerFrame = owner.frameGeometry();
    const int ownHeight = placed.height();
    EXPECT_EQ(placed.top(), ownerFrame.top() + (ownerFrame.height() - ownHeight) / 2)
        << c.ownerHeight;
    const QRect screen = w.screen()->availableGeometry();
    EXPECT_LE(std::abs(placed.center().x() - screen.center().x()), 1);
  }
}

TEST(ErrorsForm, EachKindIsDrawnWithItsPicture) {
  TClsErrorsForm w;
  w.AddFinding(finding(0, "dica"));
  w.AddFinding(finding(1, "aviso"));
  w.AddFinding(finding(2, "erro"));
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  w.Errors->setCurrentRow(-1);
  const QImage image = w.Errors->viewport()->grab().toImage();
  const qreal ratio = image.devicePixelRatio();
  auto colourAt = [&](int row, int x, int y) {
    const QRect r = w.Errors->visualItemRect(w.Errors->item(row));
    return image.pixelColor(QPoint(r.left() + x, r.top() + y) * ratio);
  };
  const QColor error = colourAt(0, 2 + 3, 8);
  const QColor warning = colourAt(1, 2 + 5, 12);
  const QColor hint = colourAt(2, 2 + 3, 8);
  EXPECT_GT(error.red(), 150);
  EXPECT_LT(error.blue(), 100);
  EXPECT_GT(warning.red(), 150);
  EXPECT_GT(warning.green(), 120);
  EXPECT_LT(warning.blue(), 100);
  EXPECT_GT(hint.blue(), 150);
  EXPECT_LT(hint.red(), 100);
  // Nothing is drawn left of the picture.
  EXPECT_EQ(colourAt(0, 0, 8), w.Errors->palette().base().color());
}
