#include "windows/passes/undo_pass_button.h"

#include <QApplication>

#include "passes/journal.h"
#include "passes/journal_reader.h"
#include "passes/undo.h"
#include "platform/file_names.h"
#include "widgets/dialogs.h"
#include "widgets/qt_text.h"

namespace vq {
namespace {

using ui::Q;

// The files left alone, for the closing message (the first twenty by name); the undo
// stops between two files once the program is asked to end.
class WindowUndo : public PassObserver {
 public:
  WindowUndo(const std::vector<PassItem>& items, const bool& endRequested) : items_(items), endRequested_(endRequested) {}
  bool StopRequested() override { return endRequested_; }
  void Skipped(std::size_t item, const std::u16string& why) override { LeftAlone(item, why); }
  void Failed(const ItemFailure& failure) override { LeftAlone(failure.item, failure.error.description()); }
  void Progress(std::size_t, std::size_t) override { ui::Dialogs::Yield(); }
  void Yield() override { ui::Dialogs::Yield(); }
  std::u16string Text() const {
    std::u16string text = text_;
    if (count_ > kNamed) text += u"\r\n…";
    return text;
  }

 private:
  void LeftAlone(std::size_t item, const std::u16string& why) {
    if (++count_ <= kNamed) text_ += u"\r\n" + items_[item].shownFolder + items_[item].shownName + u"\r\n  " + why;
  }
  static constexpr std::size_t kNamed = 20;
  const std::vector<PassItem>& items_;
  const bool& endRequested_;
  std::size_t count_ = 0;
  std::u16string text_;
};

}  // namespace

UndoPassButton::UndoPassButton(QWidget* parent, const bool& endRequested)
    : QPushButton(QStringLiteral("直前の処理を元に戻す(&U)"), parent), endRequested_(endRequested) {
  setObjectName(QStringLiteral("undoButton"));
  setAccessibleName(QStringLiteral("直前の処理を元に戻す"));
  setAutoDefault(false);
  connect(this, &QPushButton::clicked, this, [this] { Offer(); });
  Refresh();
}

void UndoPassButton::Refresh() {
  const std::optional<PassInfo> last = LastPass(JournalFolder());
  setEnabled(last && !last->undone && !last->running && last->files > 0);
  setToolTip(last ? Q(PassText(*last)) : QString());
}

bool UndoPassButton::Offer() {
  const std::optional<PassInfo> last = LastPass(JournalFolder());
  if (!last || last->undone || last->running || last->files == 0) {
    Refresh();
    return false;
  }
  const std::u16string question = u"直前の処理を元に戻しますか?\r\n\r\n" + PassText(*last) +
                                  u"\r\n\r\n処理の後に変更されたファイルはそのままにします。";
  if (ui::Dialogs::Message(window(), Q(question), ui::MsgButtons::YesNo, QString::fromUtf16(ui::kDefaultCaption),
                           ui::MsgIcon::Question) != ui::MsgAnswer::Yes)
    return false;
  std::u16string text;
  try {
    PassUndo undo(last->path);
    WindowUndo reporter(undo.items(), endRequested_);
    const UndoResult result = undo.Run(reporter);
    text = UndoResultText(result) + reporter.Text();
    if (result.stopped) text = StoppedPassText(PassKind::Undo, result.done, undo.items().size()) + u"\r\n" + text;
    undone_ = undone_ || result.restored > 0;
  } catch (const Error& e) {
    text = (e.kind() == ErrorKind::InUse ? u"元に戻せません。\r\n" : u"処理の記録を読めません。\r\n") + e.description();
  }
  Refresh();
  // The session is ending: no message waits for an answer.
  if (!endRequested_) ui::Dialogs::Message(window(), Q(text));
  return true;
}

}  // namespace vq
