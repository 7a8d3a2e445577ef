// The windows' way to take the last pass back: a button that the batch window and the
// conversion window both show, enabled while the newest journal has not been undone.
#pragma once

#include <QPushButton>

namespace vq {

class UndoPassButton : public QPushButton {
  Q_OBJECT

 public:
  // `endRequested`: the program is asked to end; an undo then stops between two files.
  UndoPassButton(QWidget* parent, const bool& endRequested);

  // Enabled when the newest journal exists and has not been undone.
  void Refresh();
  // Asks, naming the pass's kind, folder and count; on yes puts its files back and says
  // how many were restored and which were left alone. Returns whether it ran.
  bool Offer();
  // Whether files were put back since the window opened.
  bool undone() const { return undone_; }

 private:
  const bool& endRequested_;
  bool undone_ = false;
};

}  // namespace vq
