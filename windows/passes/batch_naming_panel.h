// The batch window's naming options, in the free space under its design's controls:
// "曲番号" (track numbers from the names, disc folders), "番号を振る" (numbering in name
// order) and a naming pattern, with a preview of what the selected file gets that
// follows every change.
#pragma once

#include <QWidget>
#include <optional>
#include <string>

#include "passes/batch_values.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;

namespace vq {

struct Session;

class BatchNamingPanel : public QWidget {
  Q_OBJECT

 public:
  // Takes the options from the session (Path.dat's) and previews the session's
  // selected row (its first row when none is selected).
  BatchNamingPanel(const Session& session, QWidget* parent);

  // Height in twips under the design's controls.
  static constexpr int kHeightTwips = 2880;

  // The naming the controls say; nullopt when the pattern cannot be used, with why in
  // `error`.
  std::optional<BatchNaming> Naming(std::u16string& error) const;
  // Keeps the options in the session, for the next opening and Path.dat.
  void Keep(Session& session) const;
  // Shows what the previewed row gets with the options as they are.
  void UpdatePreview();

  QFrame* separatorLine = nullptr;
  QCheckBox* trackNumbersBox = nullptr;    // "曲番号"
  QCheckBox* numberInOrderBox = nullptr;   // "番号を振る", with 曲番号 only
  QLabel* patternLabel = nullptr;          // "パターン(P):"
  QLineEdit* patternBox = nullptr;         // empty: the names from the folder tree
  QLabel* previewLabel = nullptr;          // the previewed file and its values

 private:
  const Session& session_;
  int previewRow_ = -1;
};

}  // namespace vq
