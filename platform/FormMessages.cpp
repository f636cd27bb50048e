#include "FormMessages.h"

#include <QApplication>
#include <QWidget>

namespace pf {

void postToTopLevelWindows(QEvent::Type type, int skipTag) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->property("Tag").toInt() == skipTag) continue;
    QCoreApplication::postEvent(w, new QEvent(type));
  }
}

}  // namespace pf
