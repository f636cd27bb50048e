// acessos-db: creates, inspects and upgrades the suite's database from the command line.

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <map>
#include <vector>

#include "data/CmIBSQL.h"
#include "dtmUserVersion.h"
#include "login/KelvoHash.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "versioning/CmCreateDataBase.h"
#include "versioning/UpgradeConsent.h"
#include "versioning/UpgradeGuard.h"

namespace {

void out(const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void err(const QString& text) {
  std::fputs(("acessos-db: " + text).toLocal8Bit().constData(), stderr);
  std::fputc('\n', stderr);
}

QString errorText(const std::exception& e) {
  if (auto* d = dynamic_cast<const pf::DatabaseError*>(&e)) return d->message();
  if (auto* p = dynamic_cast<const pf::Error*>(&e)) return p->message();
  if (auto* s = dynamic_cast<const EISQLException*>(&e))
    return s->Message() + (s->Statement().isEmpty() ? QString() : "\n" + s->Statement());
  return QString::fromLocal8Bit(e.what());
}

// Messages go to the terminal; questions are answered yes: the command line is the consent.
class ConsoleDialogs final : public pf::DialogService {
 public:
  pf::MsgButton message(const pf::MessageRequest& request) override {
    QString text = request.text;
    text.remove(u'\r');
    out(text);
    for (pf::MsgButton b : request.buttons)
      if (b == pf::MsgButton::Yes || b == pf::MsgButton::Ok) return b;
    return request.buttons.empty() ? pf::MsgButton::Ok : request.buttons.front();
  }
  int execDialog(QDialog&) override { return 0; }
};

// The backup the command line asked for, then the usual check for other connections.
class ToolConsent final : public UpgradeConsent {
 public:
  explicit ToolConsent(QString backupFile) : backupFile_(std::move(backupFile)) {}
  bool AskBackup() override { return !backupFile_.isEmpty(); }
  bool ConfirmUpgrade(TCmDatabase& database, bool skipBackup) override {
    QString made;
    if (!skipBackup) {
      try {
        UpgradeGuardRules::RunBackup(database.databaseName(), backupFile_, {});
        made = backupFile_;
        out(QStringLiteral("Backup gravado em %1").arg(made));
      } catch (const std::exception& e) {
        err(QStringLiteral("backup falhou: %1").arg(errorText(e)));
      }
    }
    return UpgradeGuardRules(&database).CanUpgrade(made, skipBackup);
  }

 private:
  QString backupFile_;
};

// ---- Demonstration set --------------------------------------------------------

struct Routine {
  int index;
  int owner;  // CTRL_INDEX of the parent, 0 at the top
  const char* name;
  int active = 1;
};

struct DemoModule {
  int id;
  const char* name;
  std::vector<Routine> routines;
};

const std::vector<DemoModule>& demoModules() {
  static const std::vector<DemoModule> modules = {
      {1,
       "CAIXA",
       {{1, 0, "Cadastros"},
        {2, 1, "Clientes"},
        {3, 2, "Incluir cliente"},
        {4, 2, "Alterar limite de crédito"},
        {5, 1, "Formas de pagamento"},
        {6, 0, "Movimento"},
        {7, 6, "Abertura de caixa"},
        {8, 6, "Fechamento de caixa"},
        {9, 8, "Sangria"},
        {10, 8, "Suprimento"},
        {11, 0, "Relatórios"},
        {12, 11, "Vendas do dia"},
        {13, 11, "Resumo por operador", 0}}},
      {8,
       "BALANÇO",
       {{1, 0, "Plano de contas"},
        {2, 1, "Contas"},
        {3, 2, "Incluir conta"},
        {4, 2, "Excluir conta"},
        {5, 0, "Lançamentos"},
        {6, 5, "Diário"},
        {7, 6, "Estornar lançamento"},
        {8, 5, "Razão"},
        {9, 0, "Demonstrativos"},
        {10, 9, "Balancete"},
        {11, 9, "DRE"},
        {12, 10, "Balancete comparativo"}}},
      {9,
       "TRÂMITE FREE",
       {{1, 0, "Processos"},
        {2, 1, "Abertura"},
        {3, 2, "Anexar documentos"},
        {4, 1, "Tramitação"},
        {5, 4, "Encaminhar"},
        {6, 4, "Arquivar"},
        {7, 0, "Consultas"},
        {8, 7, "Por interessado"},
        {9, 8, "Histórico completo"}}},
      {10,
       "TRÂMITE MÓVEL",
       {{1, 0, "Sincronização"},
        {2, 1, "Enviar"},
        {3, 1, "Receber"},
        {4, 3, "Reenviar pendentes"},
        {5, 0, "Dispositivos"},
        {6, 5, "Cadastrar"},
        {7, 6, "Bloquear dispositivo"}}},
      {12,
       "AGENDA",
       {{1, 0, "Compromissos"},
        {2, 1, "Agenda pessoal"},
        {3, 2, "Compartilhar"},
        {4, 1, "Agenda da equipe"},
        {5, 4, "Reservar sala"},
        {6, 0, "Contatos"},
        {7, 6, "Importar contatos"},
        {8, 7, "Mesclar duplicados"}}},
      {13,
       "NOTAS",
       {{1, 0, "Notas fiscais"},
        {2, 1, "Emissão"},
        {3, 2, "Cancelar nota"},
        {4, 2, "Carta de correção"},
        {5, 1, "Consulta"},
        {6, 0, "Configuração"},
        {7, 6, "Certificado digital"},
        {8, 7, "Renovar certificado"},
        {9, 6, "Séries", 0}}},
  };
  return modules;
}

struct Person {
  const char* login;
  const char* first;
  const char* last;
};

constexpr Person kSupervisors[] = {
    {"MARCIA", "Márcia", "Albuquerque"},   {"ROBERTO", "Roberto", "Nogueira"},
    {"JULIANA", "Juliana", "Conceição"},   {"CARLOS", "Carlos", "Magalhães"},
    {"FERNANDA", "Fernanda", "Guimarães"},
};

constexpr Person kCollaborators[] = {
    {"JOAO", "João", "Silva"},
    {"JOSE", "José", "Santos"},
    {"ANA", "Ana", "Oliveira"},
    {"PAULO", "Paulo", "Souza"},
    {"LUCIA", "Lúcia", "Pereira"},
    {"ANTONIO", "Antônio", "Lima"},
    {"FRANCISCA", "Francisca", "Costa"},
    {"MARCOS", "Marcos", "Ribeiro"},
    {"PATRICIA", "Patrícia", "Almeida"},
    {"RAFAEL", "Rafael", "Carvalho"},
    {"ALINE", "Aline", "Gomes"},
    {"BRUNO", "Bruno", "Martins"},
    {"CAMILA", "Camila", "Rocha"},
    {"DIEGO", "Diego", "Barbosa"},
    {"ELAINE", "Elaine", "Araújo"},
    {"FABIO", "Fábio", "Cardoso"},
    {"GABRIELA", "Gabriela", "Teixeira"},
    {"HELIO", "Hélio", "Correia"},
    {"IRENE", "Irene", "Mendes"},
    {"JORGE", "Jorge", "Pinto"},
    {"KATIA", "Kátia", "Moreira"},
    {"LEANDRO", "Leandro", "Freitas"},
    {"MONICA", "Mônica", "Dias"},
    {"NELSON", "Nelson", "Castro"},
    {"OTAVIO", "Otávio", "Campos"},
    {"PRISCILA", "Priscila", "Vieira"},
    {"RENATO", "Renato", "Fernandes"},
    {"SANDRA", "Sandra", "Lopes"},
    {"TIAGO", "Tiago", "Monteiro"},
    {"VANESSA", "Vanessa", "Duarte"},
    {"WAGNER", "Wagner", "Batista"},
    {"ADRIANA", "Adriana", "Farias"},
    {"CESAR", "César", "Cavalcanti"},
    {"DEBORA", "Débora", "Rezende"},
    {"EDUARDO", "Eduardo", "Sampaio"},
    {"FLAVIA", "Flávia", "Macedo"},
    {"GUSTAVO", "Gustavo", "Antunes"},
    {"HELENA", "Helena", "Brandão"},
    {"IGOR", "Igor", "Peixoto"},
    {"JANAINA", "Janaína", "Queiroz"},
};

constexpr const char* kDemoPassword = "1234";

class DemoWriter {
 public:
  explicit DemoWriter(const QString& databaseName) {
    db_.setDatabaseName(databaseName);
    db_.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=hushvault")});
    tr_.setParams(pf::Transaction::readCommittedParams());
    tr_.setDefaultDatabase(&db_);
    db_.setDefaultTransaction(&tr_);
    db_.open();
    sql_.setDatabase(&db_);
    sql_.setTransaction(&tr_);
  }

  int nextId(const QString& generator) {
    sql_.ExecSQL(QStringLiteral("select gen_id(%1, 1) from rdb$database").arg(generator));
    return sql_.field(0).asInteger();
  }

  void exec(const QString& text, const QVariantList& values) {
    sql_.close();
    sql_.setSql(text);
    for (int i = 0; i < values.size(); ++i) sql_.param(i).setValue(values[i]);
    sql_.prepare();
    sql_.execQuery();
    sql_.close();
  }

  void fill() {
    // Module rows and their routines; routine ids by module and CTRL_INDEX.
    std::map<std::pair<int, int>, int> routineIds;
    for (const DemoModule& m : demoModules()) {
      exec(QStringLiteral("update or insert into MODULO (ID, MODULO) values (:ID, :MODULO)"),
           {m.id, QString::fromUtf8(m.name)});
      for (const Routine& r : m.routines) {
        const int id = nextId(QStringLiteral("GEN_ROTINA_ID"));
        routineIds[{m.id, r.index}] = id;
        exec(QStringLiteral("insert into ROTINA (ID, MODULOID, CTRL_INDEX, CTRL_INDEX_OWNER, "
                            "NOME, ATIVO, STATUS) values (:ID, :MODULOID, :CTRL_INDEX, "
                            ":CTRL_INDEX_OWNER, :NOME, :ATIVO, 0)"),
             {id, m.id, r.index, r.owner, QString::fromUtf8(r.name), r.active});
      }
    }
    const QString hash = PasswordHash(QString::fromLatin1(kDemoPassword));
    auto addUser = [&](const Person& p, bool supervisor, int supervisorId, bool deactivated,
                       bool withPassword) {
      const int id = nextId(QStringLiteral("GEN_USUARIO_ID"));
      exec(
          QStringLiteral("insert into USUARIO (ID, USUARIO, SENHA, PRIMEIRO_NOME, ULTIMO_NOME, "
                         "OBSERVACAO, SUPERVISOR, SUPERVISORID, EMAIL, DESATIVADO) values (:ID, "
                         ":USUARIO, :SENHA, :PRIMEIRO_NOME, :ULTIMO_NOME, :OBSERVACAO, "
                         ":SUPERVISOR, :SUPERVISORID, :EMAIL, :DESATIVADO)"),
          {id, QString::fromLatin1(p.login), withPassword ? QVariant(hash) : QVariant(),
           QString::fromUtf8(p.first), QString::fromUtf8(p.last),
           deactivated ? QStringLiteral("Desligado da empresa") : QString(), supervisor ? "T" : "F",
           supervisorId, QString::fromLatin1(p.login).toLower() + QStringLiteral("@exemplo.com.br"),
           deactivated ? "T" : "F"});
      return id;
    };
    auto grantModule = [&](int user, int module, const char* tudo) {
      exec(QStringLiteral("insert into USUARIO_MODULO (USUARIOID, MODULOID, TUDO) "
                          "values (:USUARIOID, :MODULOID, :TUDO)"),
           {user, module, tudo ? QVariant(QString::fromLatin1(tudo)) : QVariant()});
    };
    auto grantRoutine = [&](int user, int module, int index, int status) {
      exec(QStringLiteral("insert into USUARIO_ROTINA (USUARIOID, ROTINAID, STATUS) "
                          "values (:USUARIOID, :ROTINAID, :STATUS)"),
           {user, routineIds.at({module, index}), status});
    };
    // The first top routine, and the second one in part with its first child.
    auto topRoutines = [](const DemoModule& m) {
      std::vector<const Routine*> tops;
      for (const Routine& r : m.routines)
        if (r.owner == 0) tops.push_back(&r);
      return tops;
    };
    auto firstChild = [](const DemoModule& m, int owner) -> const Routine* {
      for (const Routine& r : m.routines)
        if (r.owner == owner) return &r;
      return nullptr;
    };

    const auto& modules = demoModules();
    int collaborator = 0;
    for (int s = 0; s < 5; ++s) {
      const int sup = addUser(kSupervisors[s], true, 1, false, true);
      grantModule(sup, 3, nullptr);  // supervisors use the user manager
      std::map<int, bool> whole;     // module -> held whole
      for (size_t m = 0; m < modules.size(); ++m) {
        const DemoModule& mod = modules[m];
        const int pattern = static_cast<int>((m + static_cast<size_t>(s)) % 3);
        if (pattern == 0) continue;
        whole[mod.id] = pattern == 1;
        grantModule(sup, mod.id, pattern == 1 ? "S" : "N");
        if (pattern == 2) {
          const auto tops = topRoutines(mod);
          grantRoutine(sup, mod.id, tops[0]->index, 1);
          if (tops.size() > 1) {
            grantRoutine(sup, mod.id, tops[1]->index, 2);
            if (const Routine* child = firstChild(mod, tops[1]->index))
              grantRoutine(sup, mod.id, child->index, 1);
          }
        }
      }
      for (int c = 0; c < 8; ++c, ++collaborator) {
        const bool deactivated = collaborator % 7 == 3;
        const int user =
            addUser(kCollaborators[collaborator], false, sup, deactivated, collaborator % 5 != 4);
        for (size_t m = 0; m < modules.size(); ++m) {
          const DemoModule& mod = modules[m];
          if (!whole.count(mod.id) || (c + static_cast<int>(m)) % 2 == 0) continue;
          if (whole[mod.id] && c % 3 == 0) {
            grantModule(user, mod.id, "S");
          } else {
            grantModule(user, mod.id, "N");
            grantRoutine(user, mod.id, topRoutines(mod)[0]->index, 1);
          }
        }
      }
    }
    tr_.commit();
  }

 private:
  TCmDatabase db_;
  TCmTransaction tr_;
  TCmIBSQL sql_;
};

// ---- Commands ------------------------------------------------------------------

bool isLocal(const QString& name) {
  const qsizetype colon = name.indexOf(u':');
  return colon < 0 || (colon == 1 && name.size() > 2);  // "C:\..." is a local path
}

int createCommand(const QString& name, bool demo) {
  if (isLocal(name) && QFileInfo::exists(name)) {
    err(QStringLiteral("o arquivo %1 já existe").arg(name));
    return 1;
  }
  try {
    if (!CreateNewDatabase(name, CreateUserVersion)) {
      err(QStringLiteral("não foi possível criar o banco de dados %1").arg(name));
      return 1;
    }
  } catch (const std::exception& e) {
    err(QStringLiteral("não foi possível criar o banco de dados %1: %2").arg(name, errorText(e)));
    return 1;
  }
  out(QStringLiteral("Banco de dados criado: %1 (COMMON.SQL %2)")
          .arg(name, TdmUserVersion::CommonLevel()));
  if (!demo) return 0;
  try {
    DemoWriter(name).fill();
  } catch (const std::exception& e) {
    err(QStringLiteral("falha ao gravar os dados de demonstração: %1").arg(errorText(e)));
    return 1;
  }
  out(QStringLiteral("Dados de demonstração gravados: 5 supervisores, %1 colaboradores, %2 "
                     "módulos. Senha dos usuários de demonstração: %3 (ADMIN e alguns "
                     "colaboradores escolhem a senha no primeiro acesso).")
          .arg(std::size(kCollaborators))
          .arg(demoModules().size())
          .arg(QString::fromLatin1(kDemoPassword)));
  return 0;
}

int levelCommand(const QString& name) {
  try {
    TdmUserVersion version;
    const auto rows = version.ReadVersionRows(name);
    if (rows.empty()) out(QStringLiteral("VERSAO está vazia"));
    for (const TVersionRow& r : rows) out(r.Script + u' ' + r.Numero);
    return 0;
  } catch (const std::exception& e) {
    err(QStringLiteral("não foi possível ler VERSAO de %1: %2").arg(name, errorText(e)));
    return 1;
  }
}

int upgradeCommand(const QString& name, const QString& backupFile) {
  TdmUserVersion version;
  ToolConsent consent(backupFile);
  version.setUpgradeConsent(&consent);
  bool current = false;
  try {
    const auto rows = version.ReadVersionRows(name);
    current = rows.size() == 1 && rows[0].Script == u"COMMON.SQL" &&
              rows[0].Numero == TdmUserVersion::CommonLevel();
  } catch (const std::exception& e) {
    err(QStringLiteral("não foi possível ler VERSAO de %1: %2").arg(name, errorText(e)));
    return 1;
  }
  bool ok = false;
  try {
    ok = version.CheckVersion(name);
  } catch (const std::exception& e) {
    err(errorText(e));
    return 1;
  }
  if (!ok) {
    err(version.LastError().isEmpty() ? QStringLiteral("o banco de dados não foi atualizado")
                                      : version.LastError());
    return 1;
  }
  if (current)
    out(QStringLiteral("O banco de dados já está na versão %1.")
            .arg(TdmUserVersion::CommonLevel()));
  return 0;
}

void usage() {
  err(
      QStringLiteral("uso:\n  acessos-db create NOME [--demo]\n  acessos-db level NOME\n"
                     "  acessos-db upgrade NOME [--backup ARQUIVO]\n"
                     "NOME é um caminho local (servidor embutido) ou \"servidor:caminho\"."));
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  ConsoleDialogs console;
  pf::setDialogService(&console);
  QStringList args = QCoreApplication::arguments().mid(1);
  int rc = 2;
  const QString command = args.value(0);
  if (command == u"create" && (args.size() == 2 || (args.size() == 3 && args[2] == u"--demo")))
    rc = createCommand(args[1], args.size() == 3);
  else if (command == u"level" && args.size() == 2)
    rc = levelCommand(args[1]);
  else if (command == u"upgrade" && args.size() == 2)
    rc = upgradeCommand(args[1], QString());
  else if (command == u"upgrade" && args.size() == 4 && args[2] == u"--backup")
    rc = upgradeCommand(args[1], args[3]);
  else
    usage();
  pf::setDialogService(nullptr);
  return rc;
}
