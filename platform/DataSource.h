#pragma once

#include "DataSet.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

namespace pf {

// Connects one dataset to the links of the controls that show it.
class DataSource : public QObject {
  Q_OBJECT
 public:
  explicit DataSource(QObject* owner = nullptr);
  ~DataSource() override;

  DataSet* dataSet() const { return dataSet_.data(); }
  void setDataSet(DataSet* dataSet);
  bool enabled() const { return enabled_; }
  void setEnabled(bool value);
  // Typing into a control puts the dataset into edit state.
  bool autoEdit() const { return autoEdit_; }
  void setAutoEdit(bool value) { autoEdit_ = value; }
  DataSetState state() const;

  // Puts a browsing dataset into edit state, when autoEdit allows.
  void edit();

  const std::vector<DataLink*>& links() const { return links_; }

  std::function<void(DataSource&)> onStateChange;
  std::function<void(DataSource&, Field*)> onDataChange;
  std::function<void(DataSource&)> onUpdateData;

 private:
  friend class DataSet;
  friend class DataLink;
  void notify(DataEvent event, Field* field, int info, bool controlsDisabled);
  void updateLinkStates();

  QPointer<DataSet> dataSet_;
  bool enabled_ = true;
  bool autoEdit_ = true;
  DataSetState lastState_ = DataSetState::Inactive;
  std::vector<DataLink*> links_;
};

// The binding of one control (or other client) to a data source. The virtual steps
// are the notifications; the defaults pass scroll and layout on as dataset changes,
// and dataset changes on as a change of the whole record.
class DataLink {
 public:
  DataLink() = default;
  DataLink(const DataLink&) = delete;
  DataLink& operator=(const DataLink&) = delete;
  virtual ~DataLink();

  DataSource* dataSource() const { return source_.data(); }
  void setDataSource(DataSource* source);
  DataSet* dataSet() const;
  bool active() const { return active_; }
  bool editing() const { return editing_; }
  bool readOnly() const { return readOnly_; }
  void setReadOnly(bool value);
  // A control link hears nothing while the dataset's controls are disabled.
  bool visualControl() const { return visualControl_; }
  void setVisualControl(bool value) { visualControl_ = value; }

  // Asks the data source to edit; true when the dataset is now editing.
  bool edit();
  // Runs updateData now, as a post would.
  void updateRecord();
  bool updating() const { return updating_; }

 protected:
  virtual void activeChanged() {}
  virtual void dataSetChanged() { recordChanged(nullptr); }
  virtual void dataSetScrolled(int distance) {
    (void)distance;
    dataSetChanged();
  }
  virtual void layoutChanged() { dataSetChanged(); }
  // For one field, or for all of them when field is null.
  virtual void recordChanged(Field* field) { (void)field; }
  virtual void editingChanged() {}
  // Write the control's value back before the record is posted.
  virtual void updateData() {}
  // A request to focus the control of `field`; set it to null once handled.
  virtual void focusControl(Field*& field) { (void)field; }
  virtual void checkBrowseMode() {}

 private:
  friend class DataSource;
  friend class DataSet;
  void notify(DataEvent event, Field* field, int info);
  void updateState();
  void sourceGone();

  QPointer<DataSource> source_;
  bool active_ = false;
  bool editing_ = false;
  bool readOnly_ = false;
  bool visualControl_ = false;
  bool updating_ = false;
};

}  // namespace pf
