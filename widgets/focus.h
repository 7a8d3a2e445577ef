// Which focus changes are a change of field. A window losing or regaining the
// activation (switching to the reference viewer, a modal window closing), or a
// context menu opening over a field, leaves the user in the same field: the fields'
// focus handlers do not run for it.
#pragma once

#include <QFocusEvent>

namespace vq::ui {

inline bool MovesBetweenControls(const QFocusEvent* e) {
  return e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason;
}

}  // namespace vq::ui
