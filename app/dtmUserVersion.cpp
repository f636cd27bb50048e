#include "dtmUserVersion.h"

#include "versioning/CmScriptsSQL.h"

// The generated resource initialiser of sql/common.qrc: a static library's resources
// register only when something calls it.
static void initCommonScripts() { Q_INIT_RESOURCE(common); }

namespace {

struct Level {
  const char* version;
  const char* file;
};

constexpr Level kCommon[] = {
    {"1.00", "COMMON_1_00.SQL"}, {"1.01", "COMMON_1_01.SQL"}, {"1.02", "COMMON_1_02.SQL"},
    {"1.03", "COMMON_1_03.SQL"}, {"1.04", "COMMON_1_04.SQL"}, {"1.05", "COMMON_1_05.SQL"},
    {"1.06", "COMMON_1_06.SQL"}, {"1.07", "COMMON_1_07.SQL"}, {"1.08", "COMMON_1_08.SQL"},
};

}  // namespace

TdmUserVersion::TdmUserVersion(QObject* owner) : TClsCustomVersion(owner) {
  initCommonScripts();
  setObjectName(QStringLiteral("dmUserVersion"));
  for (const Level& l : kCommon) {
    TVersion& v = ScriptsCommon()->Versions().Add();
    v.Name = QStringLiteral("COMMON.SQL");
    v.Version = QString::fromLatin1(l.version);
    v.Script = QStringList{QStringLiteral("RESOURCEFILE=") + QString::fromLatin1(l.file)};
  }
}

QString TdmUserVersion::CommonLevel() {
  return QString::fromLatin1(std::end(kCommon)[-1].version);
}

TClsCustomVersion* CreateUserVersion(QObject* owner) { return new TdmUserVersion(owner); }
