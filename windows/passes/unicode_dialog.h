// "タグをUnicodeに変換": the conversion of the listed files' ID3v2 tags to Unicode, with
// its preview, over the main window's current listing (either mode).
#pragma once

#include <optional>
#include <vector>

#include "windows/passes/stoppable_pass_dialog.h"
#include "passes/to_unicode.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRect;
class QWidget;

namespace vq {

struct Session;
class UndoPassButton;

class UnicodeConversionDialog : public StoppablePassDialog {
  Q_OBJECT

 public:
  // Reads every listed file's tag and shows the preview; nothing is written until start.
  UnicodeConversionDialog(Session& session, QWidget* parent = nullptr);

  // "開始": converts, reports the counts (or the failure, as the batch does), closes.
  void Start();

  // What the run did; nullopt when the window closed without one.
  const std::optional<UnicodeResult>& result() const { return result_; }

  QLabel* summaryLabel = nullptr;         // the preview's counts
  QPlainTextEdit* previewText = nullptr;  // the preview
  QLabel* progressLabel = nullptr;        // "12 / 300" during the run
  QPushButton* startButton = nullptr;
  QPushButton* cancelButton = nullptr;
  UndoPassButton* undoButton = nullptr;   // takes the last pass back

 private:
  void LoadPreview();

  Session& session_;
  std::vector<PassItem> files_;
  std::optional<UnicodeResult> result_;
};

// The button "ﾕﾆｺｰﾄﾞ(F2)" at `twipsPlace` in the main window; the main window connects
// it, and F2, to opening the window.
QPushButton* MakeUnicodeConversionButton(QWidget* mainWindow, const QRect& twipsPlace);

}  // namespace vq
