#pragma once

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

namespace pf {

// The busy cursor for a scope, restored on every way out; nothing without a screen.
class BusyCursor {
 public:
  BusyCursor() : shown_(qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    if (shown_) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  }
  ~BusyCursor() {
    if (shown_) QGuiApplication::restoreOverrideCursor();
  }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  bool shown_;
};

}  // namespace pf
