// The one seam through which every window shows message boxes, runs modal windows,
// beeps and lets pending events run. Tests install an answerer for message boxes and a
// hook that drives a modal window while its exec() runs.
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

class Dialogs {
 public:
  using Answerer = std::function<MsgAnswer(const MessageRequest&)>;
  using ModalHook = std::function<void(QDialog*)>;

  // Shows a message box (QMessageBox) and returns the answer; with an answerer installed
  // the answerer gets the request instead and its answer is returned.
  static MsgAnswer Message(QWidget* parent, const QString& text, MsgButtons buttons = MsgButtons::Ok,
                           const QString& caption = QString::fromUtf16(kDefaultCaption),
                           MsgIcon icon = MsgIcon::None);

  // An OK message whose text and caption come from the Qt-free side; an empty caption
  // is the program's name.
  static void Notice(QWidget* parent, const std::u16string& text, const std::u16string& caption);

  // Runs a modal window: dialog->exec(). With a modal hook installed, the hook runs
  // inside exec() once the window is open; a window still open when the hook returns is
  // rejected, so a test never hangs.
  static int Exec(QDialog* dialog);

  // Test hooks; an empty function restores the real behaviour. Both return the previous one.
  static Answerer SetAnswerer(Answerer answerer);
  static ModalHook SetModalHook(ModalHook hook);

  // The system beep; every beep is counted.
  static void Beep();
  static int BeepCount();
  static void ResetBeepCount();

  // Lets pending window events run once (the event-loop yield).
  static void Yield();
};

}  // namespace vq::ui
