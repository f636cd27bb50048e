#include "platform/SqlParams.h"

#include <gtest/gtest.h>

TEST(NamedParams, Rewriting) {
  struct Case {
    const char* sql;
    const char* text;
    QStringList positions;
    QStringList names;
  } cases[] = {
      {"select * from T where ID = :id", "select * from T where ID = ?", {"ID"}, {"ID"}},
      {"update T set A = :A where A = :a or B = :Old_A", "update T set A = ? where A = ? or B = ?",
       {"A", "A", "OLD_A"}, {"A", "OLD_A"}},
      {"select ':X' from T where Y = :Y", "select ':X' from T where Y = ?", {"Y"}, {"Y"}},
      {"select 'it''s :X' , :Z from T", "select 'it''s :X' , ? from T", {"Z"}, {"Z"}},
      {"select \"A:B\" from T -- :C\nwhere D=:D /* :E */",
       "select \"A:B\" from T -- :C\nwhere D=? /* :E */", {"D"}, {"D"}},
      {"select :1 from T", "select :1 from T", {}, {}},
      {"select 'open :X", "select 'open :X", {}, {}},
      {"select /* open :X", "select /* open :X", {}, {}},
      {"insert into T values (:USU$1, :_X)", "insert into T values (?, ?)", {"USU$1", "_X"},
       {"USU$1", "_X"}},
  };
  for (const Case& c : cases) {
    const pf::ParsedSql p = pf::parseNamedParams(QString::fromUtf8(c.sql));
    EXPECT_EQ(p.text, QString::fromUtf8(c.text)) << c.sql;
    EXPECT_EQ(p.positions, c.positions) << c.sql;
    EXPECT_EQ(p.names, c.names) << c.sql;
  }
}
