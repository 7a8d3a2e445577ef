// The one seam through which every window shows message boxes and file dialogs, runs
// modal windows, beeps and lets pending events run. Tests install an answerer for
// message boxes, one for file dialogs, and a hook that drives a modal window while its
// exec() runs.
#pragma once

#include <QString>
#include <functional>
#include <string>

class QDialog;
class QWidget;

namespace vq::ui {

// The caption of a message box that names none.
inline const char16_t kDefaultCaption[] = u"Velquist";

enum class MsgButtons { Ok, YesNo };
enum class MsgIcon { None, Information, Warning, Critical, Question };
enum class MsgAnswer { Ok, Yes, No };

struct MessageRequest {
  QString caption;
  QString text;  // as the program wrote it (CR LF line breaks included)
  MsgButtons buttons = MsgButtons::Ok;
  MsgIcon icon = MsgIcon::None;
};

// A file dialog: which file to open, or under which name to save.
struct FileRequest {
  enum class Kind { Open, Save };
  Kind kind = Kind::Open;
  QString caption;
  QString path;           // the folder it starts in, or the file name it suggests
  QString filter;         // e.g. "画像 (*.jpg *.jpeg *.png)"
  QString defaultSuffix;  // added to a name typed without one (Save)
};

class Dialogs {
 public:
  using Answerer = std::function<MsgAnswer(const MessageRequest&)>;
  using ModalHook = std::function<void(QDialog*)>;
  using FileAnswerer = std::function<QString(const FileRequest&)>;

  // Shows a message box (QMessageBox) and returns the answer; with an answerer installed
  // the answerer gets the request instead and its answer is returned.
  static MsgAnswer Message(QWidget* parent, const QString& text, MsgButtons buttons = MsgButtons::Ok,
                           const QString& caption = QString::fromUtf16(kDefaultCaption),
                           MsgIcon icon = MsgIcon::None);

  // An OK message whose text and caption come from the Qt-free side; an empty caption
  // is the program's name.
  static void Notice(QWidget* parent, const std::u16string& text, const std::u16string& caption);

  // Asks for a file (QFileDialog; saving under a name that is taken asks first); an
  // empty string when the user cancels. With a file answerer installed, the answerer
  // gets the request instead and its answer is returned.
  static QString AskFile(QWidget* parent, const FileRequest& request);

  // Runs a modal window: dialog->exec(). With a modal hook installed, the hook runs
  // inside exec() once the window is open; a window still open when the hook returns is
  // rejected, so a test never hangs.
  static int Exec(QDialog* dialog);

  // Test hooks; an empty function restores the real behaviour. Both return the previous one.
  static Answerer SetAnswerer(Answerer answerer);
  static ModalHook SetModalHook(ModalHook hook);
  static FileAnswerer SetFileAnswerer(FileAnswerer answerer);

  // The system beep; every beep is counted.
  static void Beep();
  static int BeepCount();
  static void ResetBeepCount();

  // Lets pending window events run once (the event-loop yield).
  static void Yield();
};

}  // namespace vq::ui
