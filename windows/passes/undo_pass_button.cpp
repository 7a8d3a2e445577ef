#include "windows/passes/undo_pass_button.h"

#include <QApplication>

#include "passes/journal.h"
#include "platform/file_names.h"
#include "widgets/dialogs.h"
#include "widgets/qt_text.h"

namespace vq {
namespace {

using ui::Q;

// The files left alone, for the closing message (the first twenty by name).
class WindowUndo : public UndoReporter {
 public:
  void Skipped(const std::string& path, const std::u16string& why) override {
    if (++count_ <= kNamed) text_ += u"\r\n" + DecodePath(path) + u"\r\n  " + why;
  }
  void ReportUpdateError(const std::u16string&, const std::u16string&) override {}
  void ReportError(const std::u16string&) override {}
  void Yield() override { ui::Dialogs::Yield(); }
  std::u16string Text() const {
    std::u16string text = text_;
    if (count_ > kNamed) text += u"\r\n…";
    return text;
  }

 private:
  static constexpr std::size_t kNamed = 20;
  std::size_t count_ = 0;
  std::u16string text_;
};

}  // namespace

UndoPassButton::UndoPassButton(QWidget* parent) : QPushButton(QStringLiteral("直前の処理を元に戻す(&U)"), parent) {
  setObjectName(QStringLiteral("undoButton"));
  setAccessibleName(QStringLiteral("直前の処理を元に戻す"));
  setAutoDefault(false);
  connect(this, &QPushButton::clicked, this, [this] { Offer(); });
  Refresh();
}

void UndoPassButton::Refresh() {
  const std::optional<PassInfo> last = LastPass(JournalFolder());
  setEnabled(last && !last->undone && last->files > 0);
  setToolTip(last ? Q(PassText(*last)) : QString());
}

bool UndoPassButton::Offer() {
  const std::optional<PassInfo> last = LastPass(JournalFolder());
  if (!last || last->undone || last->files == 0) {
    Refresh();
    return false;
  }
  const std::u16string question = u"直前の処理を元に戻しますか?\r\n\r\n" + PassText(*last) +
                                  u"\r\n\r\n処理の後に変更されたファイルはそのままにします。";
  if (ui::Dialogs::Message(window(), Q(question), ui::MsgButtons::YesNo, QString::fromUtf16(ui::kDefaultCaption),
                           ui::MsgIcon::Question) != ui::MsgAnswer::Yes)
    return false;
  WindowUndo reporter;
  std::u16string text;
  try {
    const UndoResult result = UndoPass(last->path, reporter);
    text = UndoResultText(result) + reporter.Text();
    undone_ = undone_ || result.restored > 0;
  } catch (const Error& e) {
    text = u"処理の記録を読めません。\r\n" + e.description();
  }
  Refresh();
  ui::Dialogs::Message(window(), Q(text));
  return true;
}

}  // namespace vq
