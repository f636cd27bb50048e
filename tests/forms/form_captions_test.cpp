#include "FormsTestSupport.h"

#include "forms/CmCustomDialog.h"
#include "forms/CmSpockForm.h"

#include "controls/CmCommon.h"
#include "controls/CmStatusBar.h"
#include "data/CmSQLGlobals.h"
#include "platform/FormMessages.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

namespace {

QDateTime day(int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0)); }

// A published session for the length of a test.
struct Session {
  Session() { TCmSQLGlobals::Publish(&globals); }
  ~Session() { TCmSQLGlobals::Publish(nullptr); }
  TCmSQLGlobals globals;
};

}  // namespace

TEST(FormCaptions, CaptionBaseIsTheTextBeforeTheFirstDash) {
  struct Case {
    const char* caption;
    const char* base;
  } cases[] = {
      {"Cadastro de Usuários", "Cadastro de Usuários"},
      {"A - B - C", "A"},
      {"Consistências - (07/03/2026)", "Consistências"},
      {"Sem-espaço -junto", "Sem-espaço -junto"},
      {" - só sufixo", ""},
      {"", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TClsForm::CaptionBase(QString::fromUtf8(c.caption)), QString::fromUtf8(c.base))
        << c.caption;
}

TEST(FormCaptions, SetCaptionsUsesPrefixPluralAndTheSessionSuffix) {
  Session session;
  session.globals.DataAtual().setData(day(2026, 3, 7));
  TClsSpockForm form;
  EXPECT_EQ(form.CaptionPrefix, QStringLiteral("Cadastro de "));
  form.SetCaptions(QStringLiteral("Usuário"), QStringLiteral("Usuários"), TKelvoGender::gnMale);
  EXPECT_EQ(form.Caption(), QStringLiteral("Cadastro de Usuários - (07/03/2026)"));
  EXPECT_EQ(form.CaptionSing, QStringLiteral("Usuário"));
  EXPECT_EQ(form.GenderCad, TKelvoGender::gnMale);
  EXPECT_EQ(ControlHint(form.bbtClose),
            QStringLiteral("Abandonar|Sai do Cadastro de Usuários <Ctrl+R>"));
  EXPECT_EQ(form.bbtClose->toolTip(), QStringLiteral("Abandonar"));

  form.CaptionPrefix = QStringLiteral("Consulta de ");
  form.SetCaptions(QStringLiteral("Rotina"), QStringLiteral("Rotinas"), TKelvoGender::gnFemale);
  EXPECT_EQ(form.Caption(), QStringLiteral("Consulta de Rotinas - (07/03/2026)"));
  EXPECT_EQ(form.GenderCad, TKelvoGender::gnFemale);
}

TEST(FormCaptions, WithoutASessionThereIsNoSuffix) {
  TClsForm form;
  form.SetCaptions(QStringLiteral("Item"), QStringLiteral("Itens"), TKelvoGender::gnMale);
  EXPECT_EQ(form.Caption(), QStringLiteral("Cadastro de Itens"));
  QEvent refresh(pf::kCaptionRefresh);
  QCoreApplication::sendEvent(&form, &refresh);
  EXPECT_EQ(form.Caption(), QStringLiteral("Cadastro de Itens"));
}

TEST(FormCaptions, ADateChangeRefreshesEveryFormButThoseTaggedOne) {
  Session session;
  session.globals.DataAtual().setData(day(2026, 3, 7));
  TClsForm dated, fixed, plain;
  dated.SetCaption(QStringLiteral("Cadastro de Usuários - (07/03/2026)"));
  fixed.SetCaption(QStringLiteral("Fixa - (07/03/2026)"));
  fixed.SetTag(1);
  plain.SetCaption(QStringLiteral("Sem data"));
  QStringList seen;
  dated.OnAlterCaption = [&](QObject* sender) {
    seen << static_cast<TClsForm*>(sender)->Caption();
  };

  session.globals.DataAtual().setData(day(2026, 4, 1));
  QCoreApplication::processEvents();
  EXPECT_EQ(dated.Caption(), QStringLiteral("Cadastro de Usuários - (01/04/2026)"));
  EXPECT_EQ(fixed.Caption(), QStringLiteral("Fixa - (07/03/2026)"));
  EXPECT_EQ(plain.Caption(), QStringLiteral("Sem data - (01/04/2026)"));
  EXPECT_EQ(seen, QStringList{QStringLiteral("Cadastro de Usuários - (01/04/2026)")});

  // A date at the zero date leaves only the base.
  session.globals.DataAtual().setData(day(1899, 12, 30));
  QCoreApplication::processEvents();
  EXPECT_EQ(dated.Caption(), QStringLiteral("Cadastro de Usuários"));
  EXPECT_EQ(plain.Caption(), QStringLiteral("Sem data"));
}

TEST(FormCaptions, MainFormComesFromTheRegisteredReference) {
  QWidget main;
  QWidget* variable = &main;
  {
    TClsForm before;
    EXPECT_EQ(before.MainForm, nullptr);
  }
  MainFormReference = &variable;
  TClsForm form;
  EXPECT_EQ(form.MainForm, &main);
  MainFormReference = nullptr;
}

TEST(HintForm, StatusBarShowsTodayWithTheWorkingDateMask) {
  Session session;
  TClsHintForm form;
  ASSERT_EQ(form.Info->PanelCount(), 2);
  EXPECT_EQ(form.Info->PanelText(0), QStringLiteral("Hoje: 99/99/9999"));
  EXPECT_EQ(form.Info->HintPanelIndex(), 1);
  form.show();
  const QDate today = QDate::currentDate();
  EXPECT_EQ(form.Info->PanelText(0),
            QStringLiteral("Hoje: ") + today.toString(QStringLiteral("dd/MM/yyyy")));
  form.hide();
  session.globals.DataAtual().setMascara(QStringLiteral("yyyy-mm-dd"));
  form.show();
  EXPECT_EQ(form.Info->PanelText(0),
            QStringLiteral("Hoje: ") + today.toString(QStringLiteral("yyyy-MM-dd")));
}

TEST(HintForm, OnlyTheActiveFormsStatusBarShowsTheFocusedControlsHint) {
  TCmFocusController::Instance().SetTracking(true);
  TClsHintForm first, second;
  auto* a = new QLineEdit(first.ClientArea());
  SetControlHint(a, QStringLiteral("Nome|Nome completo do usuário"));
  auto* b = new QLineEdit(second.ClientArea());
  SetControlHint(b, QStringLiteral("Sem barra"));
  auto* c = new QLineEdit(second.ClientArea());
  c->move(0, 30);
  for (TClsHintForm* f : {&first, &second}) {
    f->show();
    QApplication::setActiveWindow(f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
  }
  first.Info->SetPanelText(1, QString());
  c->setFocus();
  b->setFocus();
  EXPECT_EQ(second.Info->PanelText(1), QStringLiteral("Sem barra"));
  EXPECT_EQ(first.Info->PanelText(1), QString());

  QApplication::setActiveWindow(&first);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&first));
  a->setFocus();
  EXPECT_EQ(first.Info->PanelText(1), QStringLiteral("Nome completo do usuário"));
  EXPECT_EQ(second.Info->PanelText(1), QStringLiteral("Sem barra"));

  // No hint panel: nothing shown.
  second.Info->SetHintPanelIndex(-1);
  QApplication::setActiveWindow(&second);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&second));
  c->setFocus();
  SetControlHint(b, QStringLiteral("Outra"));
  b->setFocus();
  EXPECT_EQ(second.Info->PanelText(1), QStringLiteral("Sem barra"));

  // Simple-panel mode: the long hint goes to the simple text.
  second.Info->SetHintPanelIndex(1);
  second.Info->SetSimplePanel(true);
  SetControlHint(c, QStringLiteral("Curta|Longa"));
  c->setFocus();
  EXPECT_EQ(second.Info->SimpleText(), QStringLiteral("Longa"));
  EXPECT_EQ(second.Info->PanelText(1), QStringLiteral("Sem barra"));
  TCmFocusController::Instance().SetTracking(false);
}

TEST(CustomDialog, HasItsButtonsAndRunsModalThroughTheSeam) {
  TClsCustomDialog dialog;
  dialog.setObjectName(QStringLiteral("dlgTeste"));
  EXPECT_EQ(dialog.btnOK->text(), QStringLiteral("&OK"));
  EXPECT_EQ(dialog.btnCancel->text(), QStringLiteral("&Cancelar"));
  EXPECT_EQ(dialog.btnOK->size(), QSize(86, 24));
  EXPECT_EQ(dialog.pnlButtons->width(), 172);
  EXPECT_TRUE(dialog.findChild<QWidget*>(QStringLiteral("pnArea")));
  EXPECT_TRUE(dialog.findChild<TCmStatusBar*>(QStringLiteral("Info")));
}
