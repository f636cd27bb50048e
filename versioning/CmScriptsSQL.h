#pragma once

#include "CmCustomVersion.h"

#include <QObject>

// A container of script versions.
class TCmScriptsSQL : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  TVersionList& Versions() { return versions_; }
  const TVersionList& Versions() const { return versions_; }
  void setVersions(const TVersionList& versions) { versions_ = versions; }

 private:
  TVersionList versions_;
};
