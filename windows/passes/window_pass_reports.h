// How a pass reports in its window, shared by the batch window and the conversion window:
// progress in a label, failures in message boxes, window events after each file, and an
// end after the file at hand once the window is closed or the desktop session ends.
#pragma once

#include <QLabel>
#include <QWidget>

#include "widgets/dialogs.h"
#include "widgets/qt_text.h"
#include "session/messages.h"

namespace vq {

template <typename Callbacks>
class WindowPassReports : public Callbacks {
 public:
  WindowPassReports(QWidget* window, QLabel* progress, const bool& stopAsked, const bool& endRequested)
      : window_(window), progress_(progress), stopAsked_(stopAsked), endRequested_(endRequested) {}

  bool Progress(std::size_t done, std::size_t count) override {
    progress_->setText(ui::Q(ProgressText(done, count)));
    ui::Dialogs::Yield();
    return !StopRequested();
  }
  bool StopRequested() override { return stopAsked_ || endRequested_; }
  void ReportUpdateError(const std::u16string& prefix, const std::u16string& name) override {
    const UserMessage m = UpdateErrorMessage(prefix, name);
    ui::Dialogs::Notice(window_, m.text, m.caption);
  }
  void ReportError(const std::u16string& description) override {
    ui::Dialogs::Message(window_, ui::Q(description));
  }
  void Yield() override { ui::Dialogs::Yield(); }

 private:
  QWidget* window_;
  QLabel* progress_;
  const bool& stopAsked_;
  const bool& endRequested_;
};

}  // namespace vq
