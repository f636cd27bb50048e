#include "PermTreeFixture.h"

#include <QDir>
#include <QTest>

namespace permtree_test {
namespace {

// A [A1, A2 disabled, A3 [A31, A32]], B held in part [B1, B2], C [C1 disabled and
// checked], D disabled, F held in part.
class CheckTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QStandardItem* a = add(nullptr, "A", 1);
    add(a, "A1", 1);
    add(a, "A2", 0);
    QStandardItem* a3 = add(a, "A3", 1);
    add(a3, "A31", 1);
    add(a3, "A32", 1);
    QStandardItem* b = add(nullptr, "B", 2);
    add(b, "B1", 1);
    add(b, "B2", 1);
    QStandardItem* c = add(nullptr, "C", 1);
    add(c, "C1", 0, Qt::Checked);
    add(nullptr, "D", 0);
    add(nullptr, "F", 2);
  }
  QStandardItem* add(QStandardItem* parent, const char* name, int grant,
                     Qt::CheckState state = Qt::Unchecked) {
    QStandardItem* n = tree_.appendNode(parent, QString::fromLatin1(name), state, grant, 0, 0);
    nodes_[name] = n;
    return n;
  }
  QString shape() const {
    QStringList out;
    tree_.forEachNode([&](QStandardItem& n) {
      const Qt::CheckState s = n.checkState();
      out << n.text() + (s == Qt::Checked ? u'+' : s == Qt::PartiallyChecked ? u'~' : u'-');
    });
    return out.join(u' ');
  }

  TPermissionCheckTree tree_;
  std::map<std::string, QStandardItem*> nodes_;
};

TEST_F(CheckTreeTest, TogglesFollowTheRowsBelowAndSkipDisabledOnes) {
  struct Step {
    const char* toggle;
    const char* shape;
  } steps[] = {
      // Checking a branch leaves the disabled row under it, so it shows mixed.
      {"A", "A~ A1+ A2- A3+ A31+ A32+ B- B1- B2- C- C1+ D- F-"},
      // Checking it again would change nothing: it clears instead.
      {"A", "A- A1- A2- A3- A31- A32- B- B1- B2- C- C1+ D- F-"},
      {"A31", "A~ A1- A2- A3~ A31+ A32- B- B1- B2- C- C1+ D- F-"},
      {"A32", "A~ A1- A2- A3+ A31+ A32+ B- B1- B2- C- C1+ D- F-"},
      {"A3", "A- A1- A2- A3- A31- A32- B- B1- B2- C- C1+ D- F-"},
      // A row held in part by the granter never shows checked.
      {"B", "A- A1- A2- A3- A31- A32- B~ B1+ B2+ C- C1+ D- F-"},
      {"B", "A- A1- A2- A3- A31- A32- B- B1- B2- C- C1+ D- F-"},
      {"B1", "A- A1- A2- A3- A31- A32- B~ B1+ B2- C- C1+ D- F-"},
      {"F", "A- A1- A2- A3- A31- A32- B~ B1+ B2- C- C1+ D- F~"},
      {"F", "A- A1- A2- A3- A31- A32- B~ B1+ B2- C- C1+ D- F-"},
      // With only disabled rows under it, a row is granted as a whole.
      {"C", "A- A1- A2- A3- A31- A32- B~ B1+ B2- C+ C1+ D- F-"},
      {"C", "A- A1- A2- A3- A31- A32- B~ B1+ B2- C- C1+ D- F-"},
      // Disabled rows can't be toggled.
      {"D", "A- A1- A2- A3- A31- A32- B~ B1+ B2- C- C1+ D- F-"},
      {"A2", "A- A1- A2- A3- A31- A32- B~ B1+ B2- C- C1+ D- F-"},
  };
  for (const Step& s : steps) {
    tree_.toggle(nodes_.at(s.toggle));
    EXPECT_EQ(shape(), QString::fromLatin1(s.shape)) << "after " << s.toggle;
  }
}

TEST_F(CheckTreeTest, TheViewsOwnFlipsGoThroughTheSameRules) {
  // The view flips a box through the model, as a click does.
  QStandardItemModel& m = tree_.nodes();
  m.setData(nodes_.at("A3")->index(), Qt::Checked, Qt::CheckStateRole);
  EXPECT_EQ(shape(), "A~ A1- A2- A3+ A31+ A32+ B- B1- B2- C- C1+ D- F-");
  // A mixed box flipped to checked by the view, when checking changes nothing, clears.
  m.setData(nodes_.at("B")->index(), Qt::Checked, Qt::CheckStateRole);
  m.setData(nodes_.at("B")->index(), Qt::Checked, Qt::CheckStateRole);
  EXPECT_EQ(nodes_.at("B")->checkState(), Qt::Unchecked);
  // The space bar on the current row.
  tree_.setCurrentIndex(nodes_.at("A")->index());
  QTest::keyClick(&tree_, Qt::Key_Space);
  EXPECT_EQ(shape(), "A~ A1+ A2- A3+ A31+ A32+ B- B1- B2- C- C1+ D- F-");
  QTest::keyClick(&tree_, Qt::Key_Space);
  EXPECT_EQ(shape(), "A- A1- A2- A3- A31- A32- B- B1- B2- C- C1+ D- F-");
  QTest::keyClick(&tree_, Qt::Key_Space);
  EXPECT_EQ(shape(), "A~ A1+ A2- A3+ A31+ A32+ B- B1- B2- C- C1+ D- F-");
  // A click on A1's check box.
  tree_.resize(300, 400);
  tree_.expandAll();
  tree_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree_));
  QStyleOptionViewItem option;
  option.initFrom(&tree_);
  option.rect = tree_.visualRect(nodes_.at("A1")->index());
  option.features |= QStyleOptionViewItem::HasCheckIndicator;
  const QRect box =
      tree_.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &tree_);
  QTest::mouseClick(tree_.viewport(), Qt::LeftButton, {}, box.center());
  EXPECT_EQ(shape(), "A~ A1- A2- A3+ A31+ A32+ B- B1- B2- C- C1+ D- F-");
  // The double-click event itself changes nothing; its presses toggle.
  QTest::mouseDClick(tree_.viewport(), Qt::LeftButton, {}, box.center());
  EXPECT_EQ(nodes_.at("A1")->checkState(), Qt::Unchecked);
  // Beside the box a click only selects.
  QTest::mouseClick(tree_.viewport(), Qt::LeftButton, {}, box.center() + QPoint(60, 0));
  EXPECT_EQ(nodes_.at("A1")->checkState(), Qt::Unchecked);
  // A disabled row's box does nothing.
  option.rect = tree_.visualRect(nodes_.at("A2")->index());
  const QRect a2 =
      tree_.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &tree_);
  QTest::mouseClick(tree_.viewport(), Qt::LeftButton, {}, a2.center());
  EXPECT_EQ(nodes_.at("A2")->checkState(), Qt::Unchecked);
}

TEST_F(CheckTreeTest, ClearingTheNodesDropsThemWithoutRules) {
  tree_.clearNodes();
  EXPECT_EQ(tree_.topCount(), 0);
  QStandardItem* n = tree_.appendNode(nullptr, "M", Qt::PartiallyChecked, 2, 7, 9);
  EXPECT_EQ(n->checkState(), Qt::PartiallyChecked);
  EXPECT_EQ(TPermissionCheckTree::routineId(*n), 7);
  EXPECT_EQ(TPermissionCheckTree::moduleId(*n), 9);
  EXPECT_EQ(TPermissionCheckTree::grant(*n), 2);
}

// Writes the check tree of a supervisor editing a subordinate to ACESSOS_SHOTS.
TEST_F(PermTreeTest, Screenshot) {
  const QString folder = qEnvironmentVariable("ACESSOS_SHOTS");
  if (folder.isEmpty()) GTEST_SKIP() << "ACESSOS_SHOTS not set";
  open(2, 3);
  view_->toggle(node("1:1"));
  view_->resize(360, 300);
  view_->expandAll();
  view_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
  QDir().mkpath(folder);
  const QString file = QDir(folder).filePath(QStringLiteral("permission_tree.png"));
  EXPECT_TRUE(view_->grab().save(file)) << file.toStdString();
}

}  // namespace
}  // namespace permtree_test
