#pragma once

#include "DataSet.h"

namespace pf {

// An in-memory table: define the fields, open, then append and post records.
// Closing empties it.
class MemoryData : public DataSet {
  Q_OBJECT
 public:
  using DataSet::DataSet;

  // Removes every record; the dataset stays open.
  void emptyTable();
  // Orders the records by the fields named (";"-separated); nulls come first
  // ascending and last descending. The first record becomes current.
  void sortOnFields(const QString& fieldNames, bool caseInsensitive = true,
                    bool descending = false);

 protected:
  void internalOpen() override;
  void internalRefresh() override {}
};

}  // namespace pf
