#pragma once
// Answers the program's messages and dialogs in the order a test scripts them and
// fails the test on anything it did not expect.

#include "platform/Dialogs.h"

#include <QDialog>
#include <QString>

#include <deque>
#include <functional>
#include <vector>

namespace testing_support {

class ScriptedDialogs final : public pf::DialogService {
 public:
  ScriptedDialogs();   // installs itself
  ~ScriptedDialogs() override;  // uninstalls; fails on answers left unused

  // The next message must contain `textPart` and is answered with `answer`.
  ScriptedDialogs& expectMessage(const QString& textPart, pf::MsgButton answer = pf::MsgButton::Ok);
  // The next modal dialog must have this object name (empty: any); `drive` runs
  // instead of exec() and answers the result code.
  ScriptedDialogs& expectDialog(const QString& objectName, std::function<int(QDialog&)> drive);

  const std::vector<pf::MessageRequest>& shown() const { return shown_; }
  QStringList shownTexts() const;
  bool done() const { return script_.empty(); }

  pf::MsgButton message(const pf::MessageRequest& request) override;
  int execDialog(QDialog& dialog) override;

 private:
  struct Step {
    bool isDialog;
    QString match;
    pf::MsgButton answer;
    std::function<int(QDialog&)> drive;
  };
  std::deque<Step> script_;
  std::vector<pf::MessageRequest> shown_;
};

}  // namespace testing_support
