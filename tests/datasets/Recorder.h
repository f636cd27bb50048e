#pragma once
// A data link that writes down what it is told.

#include "platform/DataSource.h"

#include <QStringList>

namespace testing_support {

class RecordingLink : public pf::DataLink {
 public:
  QStringList events;
  std::function<void()> onUpdateData;
  pf::Field* focusTarget = nullptr;

  void clear() { events.clear(); }

 protected:
  void activeChanged() override { events << (active() ? "active" : "inactive"); }
  void dataSetChanged() override { events << "dataset"; }
  void dataSetScrolled(int distance) override {
    events << QStringLiteral("scroll %1").arg(distance);
  }
  void layoutChanged() override { events << "layout"; }
  void recordChanged(pf::Field* field) override {
    events << (field ? "record " + field->fieldName() : QStringLiteral("record"));
  }
  void editingChanged() override { events << (editing() ? "editing" : "not editing"); }
  void updateData() override {
    events << "update";
    if (onUpdateData) onUpdateData();
  }
  void focusControl(pf::Field*& field) override {
    if (field == focusTarget) {
      events << "focus " + field->fieldName();
      field = nullptr;
    }
  }
};

}  // namespace testing_support
