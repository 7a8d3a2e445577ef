// How a pass reports in its window, shared by the windows that run passes: progress in a
// label, failures in message boxes, window events after each file, and an end before the
// next file once the window is closed or the desktop session ends.
#pragma once

#include <QLabel>
#include <QWidget>

#include "passes/pass_engine.h"
#include "session/messages.h"
#include "widgets/dialogs.h"
#include "widgets/qt_text.h"

namespace vq {

class WindowPassReports : public PassObserver {
 public:
  WindowPassReports(QWidget* window, QLabel* progress, const bool& stopAsked, const bool& endRequested)
      : window_(window), progress_(progress), stopAsked_(stopAsked), endRequested_(endRequested) {}

  void Progress(std::size_t done, std::size_t count) override {
    progress_->setText(ui::Q(ProgressText(done, count)));
    ui::Dialogs::Yield();
  }
  bool StopRequested() override { return stopAsked_ || endRequested_; }
  void Failed(const ItemFailure& failure) override {
    ui::Dialogs::Notice(window_, failure.message.text, failure.message.caption);
  }
  void Yield() override { ui::Dialogs::Yield(); }

 private:
  QWidget* window_;
  QLabel* progress_;
  const bool& stopAsked_;
  const bool& endRequested_;
};

}  // namespace vq
