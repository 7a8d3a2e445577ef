// Form1: focus and key handling of the six tag fields (Text2).
#include <QKeyEvent>

#include "mainwindow/form1.h"

namespace vq {

// Stub: the fields' behaviour (select on focus, byte limits, Enter and list keys,
// function keys) comes with the tag input fields issue.
void Form1::Text2_GotFocus(int index) {}

void Form1::Text2_LostFocus(int index) {}

bool Form1::Text2_KeyDown(int index, QKeyEvent* event) { return false; }

}  // namespace vq
