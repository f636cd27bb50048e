#pragma once

#include <QEvent>

namespace pf {

// Program-wide window messages, delivered as Qt events of these types.
constexpr int kUserMessageBase = 1024;
inline const QEvent::Type kFormMessage = QEvent::Type(kUserMessageBase + 100);      // 1124
inline const QEvent::Type kCaptionRefresh = QEvent::Type(kUserMessageBase + 101);   // 1125
inline const QEvent::Type kEditCommand = QEvent::Type(kUserMessageBase + 502);      // 1526
inline const QEvent::Type kButtonArrowKey = QEvent::Type(kUserMessageBase + 503);   // 1527

// Posts an event of the given type to every top-level window whose "Tag" property
// is not skipTag.
void postToTopLevelWindows(QEvent::Type type, int skipTag);

}  // namespace pf
