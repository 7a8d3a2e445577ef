// SIGTERM, SIGINT and SIGHUP for the window program: the desktop session ending, Ctrl+C in
// the terminal it was started from, or that terminal closing, ask the program to end.
// The signal only writes a byte into a pipe; the event loop reads it and emits
// requested(), so the handling runs as an ordinary event, between two files of a pass.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace vq::ui {

class TerminationNotifier : public QObject {
  Q_OBJECT
 public:
  explicit TerminationNotifier(QObject* parent = nullptr);
  ~TerminationNotifier() override;

 signals:
  void requested();

 private:
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace vq::ui
