// TagEditorDialog: the track and disc numbers (TRCK, TPOS) and the sort readings of
// title, artist and album (TSOT, TSOP, TSOA), in a column right of the design's
// controls, which keep their places; the window is widened by the column.
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "widgets/focus.h"
#include "widgets/qt_text.h"
#include "widgets/twips.h"
#include "windows/editor/tag_editor.h"

namespace vq {

namespace {

constexpr int kColumnLeft = 14880;         // right of the kept frames' list (it ends at 14655)
constexpr int kColumnWidth = 3975;
constexpr int kWidenedClientWidth = 18975;  // the column and a margin of 120
constexpr int kCaptionHeight = 375;
constexpr int kFieldHeight = 495;
constexpr int kCaptionToField = 360;

// Caption (with its mnemonic), accessible name and place of each field, in ExtraField order.
struct ExtraFieldSpec {
  const char16_t* caption;
  const char16_t* name;
  int left, top, width;  // the caption's top; the field lies kCaptionToField below it
};
constexpr ExtraFieldSpec kExtraFields[kExtraFieldCount] = {
    {u"曲番号(&N)", u"曲番号", kColumnLeft, 120, 1875},
    {u"ディスク(&D)", u"ディスク", kColumnLeft + 2100, 120, 1875},
    {u"曲名の読み(&Y)", u"曲名の読み", kColumnLeft, 1200, kColumnWidth},
    {u"アーティストの読み(&R)", u"アーティストの読み", kColumnLeft, 2280, kColumnWidth},
    {u"アルバムの読み(&L)", u"アルバムの読み", kColumnLeft, 3360, kColumnWidth},
};

// A single-line field whose keys go to the window first (the commands' function keys,
// Enter to the next field) and whose caret goes after the text when it is entered.
class ExtraFieldBox : public QLineEdit {
 public:
  ExtraFieldBox(TagEditorDialog& owner, int index, QWidget* parent) : QLineEdit(parent), owner_(owner), index_(index) {}

 protected:
  void focusInEvent(QFocusEvent* e) override {
    QLineEdit::focusInEvent(e);
    if (ui::MovesBetweenControls(e) && e->reason() != Qt::MouseFocusReason) {
      deselect();
      end(false);
    }
  }
  void keyPressEvent(QKeyEvent* e) override {
    if (owner_.ExtraFieldKeyDown(index_, e)) {
      e->accept();
      return;
    }
    QLineEdit::keyPressEvent(e);
  }

 private:
  TagEditorDialog& owner_;
  int index_;
};

}  // namespace

void TagEditorDialog::BuildExtraFields() {
  setFixedSize(ui::Twips(kWidenedClientWidth), height());
  QWidget* previous = keptFramesList;
  for (int k = 0; k < kExtraFieldCount; ++k) {
    const ExtraFieldSpec& s = kExtraFields[k];
    const auto idx = static_cast<std::size_t>(k);
    const QString name = QString::fromUtf16(s.name);
    auto* caption = ui::PlaceTwips(new QLabel(QString::fromUtf16(s.caption), this),
                                   QStringLiteral("numberAndReadingCaptions(%1)").arg(k), s.left, s.top, s.width,
                                   kCaptionHeight);
    caption->setAccessibleName(name);
    auto* field = ui::PlaceTwips(new ExtraFieldBox(*this, k, this), QStringLiteral("numberAndReadingFields(%1)").arg(k),
                                 s.left, s.top + kCaptionToField, s.width, kFieldHeight);
    field->setAccessibleName(name);
    caption->setBuddy(field);
    numberAndReadingCaptions[idx] = caption;
    numberAndReadingFields[idx] = field;
    // After the design's fields and the list, before the tab order comes round again.
    setTabOrder(previous, field);
    previous = field;
  }
}

void TagEditorDialog::LoadExtraFields() {
  for (int k = 0; k < kExtraFieldCount; ++k)
    numberAndReadingFields[static_cast<std::size_t>(k)]->setText(ui::Q(model_.extraLoaded[static_cast<std::size_t>(k)]));
}

void TagEditorDialog::RestoreExtraFields() { LoadExtraFields(); }

ExtraFields TagEditorDialog::ExtraFieldTexts() const {
  ExtraFields texts;
  for (int k = 0; k < kExtraFieldCount; ++k)
    texts[static_cast<std::size_t>(k)] = ui::U16(numberAndReadingFields[static_cast<std::size_t>(k)]->text());
  return texts;
}

bool TagEditorDialog::ExtraFieldKeyDown(int index, QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && mods == Qt::NoModifier) {
    // Enter goes on through the column, and from its last field back to the title.
    QWidget* next = index + 1 < kExtraFieldCount ? static_cast<QWidget*>(numberAndReadingFields[static_cast<std::size_t>(index) + 1])
                                                 : tagFields[0];
    next->setFocus(Qt::TabFocusReason);
    return true;
  }
  for (const CommandSpec& c : kCommands) {
    if (c.key == Qt::Key_unknown || c.key != event->key()) continue;
    RunCommand(c.command);
    return true;
  }
  return false;
}

}  // namespace vq
