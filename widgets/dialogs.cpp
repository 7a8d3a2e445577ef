#include "widgets/dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace vq::ui {

namespace {

struct SeamState {
  Dialogs::Answerer answerer;
  Dialogs::ModalHook modalHook;
  Dialogs::FileAnswerer fileAnswerer;
  int beeps = 0;
};

SeamState& State() {
  static SeamState s;
  return s;
}

QMessageBox::Icon ToQt(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

void Dialogs::Notice(QWidget* parent, const std::u16string& text, const std::u16string& caption) {
  Message(parent, QString::fromStdU16String(text), MsgButtons::Ok,
          QString::fromStdU16String(caption.empty() ? std::u16string(kDefaultCaption) : caption));
}

MsgAnswer Dialogs::Message(QWidget* parent, const QString& text, MsgButtons buttons, const QString& caption,
                           MsgIcon icon) {
  MessageRequest request{caption, text, buttons, icon};
  if (State().answerer) return State().answerer(request);

  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(ToQt(icon), caption, shown,
                  buttons == MsgButtons::YesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  // The buttons of a Japanese system's message boxes.
  if (auto* b = box.button(QMessageBox::Yes)) b->setText(QStringLiteral("はい(&Y)"));
  if (auto* b = box.button(QMessageBox::No)) b->setText(QStringLiteral("いいえ(&N)"));
  if (auto* b = box.button(QMessageBox::Ok)) b->setText(QStringLiteral("OK"));
  if (buttons == MsgButtons::YesNo) {
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
  }
  int r = box.exec();
  if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
  return r == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

int Dialogs::Exec(QDialog* dialog) {
  if (State().modalHook) {
    ModalHook hook = State().modalHook;
    QPointer<QDialog> guard(dialog);
    QTimer::singleShot(0, dialog, [hook, guard] {
      if (!guard) return;
      hook(guard.data());
      if (guard && guard->isVisible()) guard->reject();
    });
  }
  return dialog->exec();
}

QString Dialogs::AskFile(QWidget* parent, const FileRequest& request) {
  if (State().fileAnswerer) return State().fileAnswerer(request);
  QFileDialog dialog(parent, request.caption);
  const bool save = request.kind == FileRequest::Kind::Save;
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!request.filter.isEmpty()) dialog.setNameFilter(request.filter);
  if (!request.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(request.defaultSuffix);
  if (save) {
    dialog.selectFile(request.path);
  } else {
    dialog.setDirectory(request.path);
  }
  if (Exec(&dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

Dialogs::FileAnswerer Dialogs::SetFileAnswerer(FileAnswerer answerer) {
  FileAnswerer previous = std::move(State().fileAnswerer);
  State().fileAnswerer = std::move(answerer);
  return previous;
}

Dialogs::Answerer Dialogs::SetAnswerer(Answerer answerer) {
  Answerer previous = std::move(State().answerer);
  State().answerer = std::move(answerer);
  return previous;
}

Dialogs::ModalHook Dialogs::SetModalHook(ModalHook hook) {
  ModalHook previous = std::move(State().modalHook);
  State().modalHook = std::move(hook);
  return previous;
}

void Dialogs::Beep() {
  ++State().beeps;
  QApplication::beep();
}

int Dialogs::BeepCount() { return State().beeps; }
void Dialogs::ResetBeepCount() { State().beeps = 0; }

void Dialogs::Yield() { QCoreApplication::processEvents(); }

}  // namespace vq::ui
