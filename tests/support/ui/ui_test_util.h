// Helpers of the window tests: a message-box answerer that records every message, a
// driver for modal windows, and a harness that starts the main window with its own
// program folder.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QListWidget>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <deque>
#include <ostream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "session/session.h"
#include "windows/main/main_window.h"
#include "widgets/dialogs.h"
#include "test_util.h"

// Readable QString values in test failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace vqtest {

// Answers every message box while it lives: the queued answers first, then Ok for an
// Ok box and `yesNoDefault` for a Yes/No box. Every request is recorded.
class MessageLog {
 public:
  MessageLog();
  ~MessageLog();
  MessageLog(const MessageLog&) = delete;
  MessageLog& operator=(const MessageLog&) = delete;

  std::vector<vq::ui::MessageRequest> requests;
  std::deque<vq::ui::MsgAnswer> answers;
  vq::ui::MsgAnswer yesNoDefault = vq::ui::MsgAnswer::No;
  // Runs inside the message box, before the answer is returned.
  std::function<void(const vq::ui::MessageRequest&)> onMessage;

  int Count(const QString& text) const;  // requests whose text is exactly `text`
  void Clear() { requests.clear(); }

 private:
  vq::ui::Dialogs::Answerer previous_;
};

// Runs `drive` inside every modal window's exec() while it lives.
class ModalDriver {
 public:
  explicit ModalDriver(std::function<void(QDialog*)> drive);
  ~ModalDriver();

 private:
  vq::ui::Dialogs::ModalHook previous_;
};

// A main window on a program folder of its own (for "Path.dat" and "id3 tag.txt").
class MainWindowHarness {
 public:
  MainWindowHarness();
  ~MainWindowHarness();

  TempDir programDir;  // the program's folder
  TempDir music;       // a place for test folders
  // The passes' journals, this window's own: tests running side by side must never see
  // (and undo) each other's passes as the newest.
  TempDir stateHome;
  ScopedEnv stateEnv{"XDG_STATE_HOME", stateHome.path().c_str()};
  vq::Session session;
  MessageLog messages;
  std::unique_ptr<vq::MainWindow> form;
  bool ended = false;
  // Runs after the window is created, right before Start.
  std::function<void()> beforeLoad;

  std::string PathDat() const { return programDir / "Path.dat"; }
  // Writes "Path.dat" in code page 932 from UTF-8 text, lines joined with CR LF.
  void WritePathDat(const std::vector<std::string>& lines, bool finalLineEnd = true) const;

  // Creates the window (start folder: `startFolder`, default the music folder), runs
  // Start and waits until the window is shown and active.
  vq::MainWindow& Start(const std::string& startFolder = {});

  // Clicks the close box path: the quit question is answered with `answer`.
  void CloseAnswering(vq::ui::MsgAnswer answer);
};

// A list as the user sees it, through its model: the number of rows, a row's text, the
// highlighted row (-1 for none), and all rows' texts.
int RowCount(const QAbstractItemView* list);
QString RowText(const QAbstractItemView* list, int row);
int CurrentRow(const QAbstractItemView* list);
QStringList Rows(const QAbstractItemView* list);
// Highlights a row as a click or an arrow key does (-1: none).
void SelectRow(QAbstractItemView* list, int row);

// Gives a main-window tag field the focus, and checks that it has it.
QLineEdit* Focus(QLineEdit* field);
// Presses a key in a field, which gets the focus first.
void Press(QLineEdit* field, Qt::Key key);
// Types text into a field the way a user does: entering a field selects its whole text
// (a field that has the focus already gets Ctrl+A), so the typed characters replace it.
// Characters outside ASCII arrive as key events with text.
void Type(QLineEdit* field, const QString& text);
QString Utf8(const std::string& s);
std::string Utf8(const QString& s);

}  // namespace vqtest
