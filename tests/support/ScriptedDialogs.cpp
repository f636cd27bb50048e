#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace testing_support {

ScriptedDialogs::ScriptedDialogs() { pf::setDialogService(this); }

ScriptedDialogs::~ScriptedDialogs() {
  pf::setDialogService(nullptr);
  for (const Step& s : script_)
    ADD_FAILURE() << "expected " << (s.isDialog ? "dialog " : "message ") << s.match.toStdString()
                  << " was never shown";
}

ScriptedDialogs& ScriptedDialogs::expectMessage(const QString& textPart, pf::MsgButton answer) {
  script_.push_back({false, textPart, answer, {}});
  return *this;
}

ScriptedDialogs& ScriptedDialogs::expectDialog(const QString& objectName,
                                               std::function<int(QDialog&)> drive) {
  script_.push_back({true, objectName, pf::MsgButton::None, std::move(drive)});
  return *this;
}

QStringList ScriptedDialogs::shownTexts() const {
  QStringList out;
  for (const auto& r : shown_) out << r.text;
  return out;
}

pf::MsgButton ScriptedDialogs::message(const pf::MessageRequest& request) {
  shown_.push_back(request);
  if (script_.empty() || script_.front().isDialog) {
    ADD_FAILURE() << "unexpected message: " << request.text.toStdString();
    return pf::MsgButton::Cancel;
  }
  Step step = script_.front();
  script_.pop_front();
  if (!request.text.contains(step.match))
    ADD_FAILURE() << "message \"" << request.text.toStdString() << "\" where \""
                  << step.match.toStdString() << "\" was expected";
  return step.answer;
}

int ScriptedDialogs::execDialog(QDialog& dialog) {
  if (script_.empty() || !script_.front().isDialog) {
    ADD_FAILURE() << "unexpected dialog: " << dialog.objectName().toStdString();
    return QDialog::Rejected;
  }
  Step step = script_.front();
  script_.pop_front();
  if (!step.match.isEmpty() && dialog.objectName() != step.match)
    ADD_FAILURE() << "dialog " << dialog.objectName().toStdString() << " shown instead of "
                  << step.match.toStdString();
  return step.drive ? step.drive(dialog) : QDialog::Rejected;
}

}  // namespace testing_support
