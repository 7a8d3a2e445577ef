#include "windows/passes/batch_naming_panel.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>

#include "passes/name_pattern.h"
#include "platform/file_names.h"
#include "session/session.h"
#include "widgets/qt_text.h"
#include "widgets/twips.h"

namespace vq {

using ui::Q;

BatchNamingPanel::BatchNamingPanel(const Session& session, QWidget* parent) : QWidget(parent), session_(session) {
  setObjectName(QStringLiteral("namingPanel"));
  separatorLine = new QFrame(this);
  separatorLine->setObjectName(QStringLiteral("namingSeparatorLine"));
  separatorLine->setGeometry(ui::Twips(120), 0, ui::Twips(3240) - ui::Twips(120), 1);
  separatorLine->setFrameShape(QFrame::HLine);

  trackNumbersBox = ui::PlaceTwips(new QCheckBox(QStringLiteral("曲番号(&T)"), this), QStringLiteral("trackNumbersBox"),
                                   240, 90, 1260, 375);
  trackNumbersBox->setAccessibleName(QStringLiteral("曲番号をファイル名から取る"));
  trackNumbersBox->setToolTip(QStringLiteral("「01 曲名.mp3」の 01 を曲番号に、CD1 などのフォルダをディスク番号にします"));
  numberInOrderBox = ui::PlaceTwips(new QCheckBox(QStringLiteral("番号を振る(&O)"), this),
                                    QStringLiteral("numberInOrderBox"), 1560, 90, 1680, 375);
  numberInOrderBox->setAccessibleName(QStringLiteral("アルバムの曲に名前の順で番号を振る"));
  numberInOrderBox->setToolTip(QStringLiteral("番号のない曲も含めて、アルバムの曲に名前の順で曲番号を付けます"));

  patternLabel = ui::PlaceTwips(new QLabel(QStringLiteral("パターン(&P):"), this), QStringLiteral("patternLabel"), 240,
                                540, 2895, 270);
  patternBox = ui::PlaceTwips(new QLineEdit(this), QStringLiteral("patternBox"), 240, 840, 2895, 345);
  patternBox->setAccessibleName(QStringLiteral("名前のパターン"));
  patternBox->setPlaceholderText(QStringLiteral("例: %artist% - %title%"));
  patternBox->setToolTip(QStringLiteral("空のときはフォルダ名とファイル名から取ります。使える項目: %artist% %album% "
                                        "%title% %track% %disc% %year% %genre% %comment% %skip%。「/」はフォルダです。"));
  patternLabel->setBuddy(patternBox);

  previewLabel = ui::PlaceTwips(new QLabel(this), QStringLiteral("previewLabel"), 240, 1260, 2895, 1560);
  previewLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  previewLabel->setWordWrap(true);
  previewLabel->setTextFormat(Qt::PlainText);
  previewLabel->setAccessibleName(QStringLiteral("選んだ曲に書き込む内容"));

  trackNumbersBox->setChecked(session.trackNumbers || session.numberInOrder);
  numberInOrderBox->setChecked(session.numberInOrder);
  numberInOrderBox->setEnabled(trackNumbersBox->isChecked());
  patternBox->setText(Q(session.namePattern));

  connect(trackNumbersBox, &QCheckBox::toggled, this, [this](bool checked) {
    numberInOrderBox->setEnabled(checked);
    UpdatePreview();
  });
  connect(numberInOrderBox, &QCheckBox::toggled, this, &BatchNamingPanel::UpdatePreview);
  connect(patternBox, &QLineEdit::textChanged, this, &BatchNamingPanel::UpdatePreview);

  setTabOrder(trackNumbersBox, numberInOrderBox);
  setTabOrder(numberInOrderBox, patternBox);
  previewRow_ = session.Selected() ? session.selectedRow : 0;
  UpdatePreview();
}

std::optional<BatchNaming> BatchNamingPanel::Naming(std::u16string& error) const {
  BatchNaming naming;
  naming.trackNumbers = trackNumbersBox->isChecked();
  naming.numberInOrder = naming.trackNumbers && numberInOrderBox->isChecked();
  const std::u16string text = patternBox->text().toStdU16String();
  if (!text.empty()) {
    ParsedPattern parsed = ParseNamePattern(text);
    if (!parsed.pattern) {
      error = std::move(parsed.error);
      return std::nullopt;
    }
    naming.pattern = std::move(parsed.pattern);
  }
  return naming;
}

void BatchNamingPanel::Keep(Session& session) const {
  session.trackNumbers = trackNumbersBox->isChecked();
  session.numberInOrder = session.trackNumbers && numberInOrderBox->isChecked();
  session.namePattern = patternBox->text().toStdU16String();
}

void BatchNamingPanel::UpdatePreview() {
  const ListedFile* row = session_.Row(previewRow_);
  if (!row) {
    previewLabel->setText(QStringLiteral("一覧に曲がありません。"));
    return;
  }
  std::u16string text = session_.ShownFileName(previewRow_) + u"\n";
  std::u16string error;
  if (const std::optional<BatchNaming> naming = Naming(error)) {
    // The whole listing: a track says how many tracks its album has.
    text += PreviewText(PreviewRow(DecodePath(session_.folder), session_.rows,
                                   static_cast<std::size_t>(previewRow_), *naming));
  } else {
    text += error;
  }
  previewLabel->setText(Q(text));
}

}  // namespace vq
