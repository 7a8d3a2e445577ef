// TagEditorDialog: the window's arrangement and placement, Load, the fields' texts and closing.
#include "windows/editor/tag_editor.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <type_traits>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

#include "widgets/focus.h"
#include "widgets/fonts.h"
#include "widgets/qt_text.h"
#include "widgets/twips.h"
#include "widgets/window_frame.h"

namespace vq {

namespace {

constexpr int kClientWidthTwips = 14700;
constexpr int kClientHeightTwips = 6975;

QString Indexed(const char* name, int index) { return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index); }

// A field of the editor: its focus and key events go to the window's field handlers.
template <class Base>
class FieldBox : public Base {
 public:
  FieldBox(TagEditorDialog& owner, int index, QWidget* parent) : Base(parent), owner_(owner), index_(index) {}

 protected:
  void focusInEvent(QFocusEvent* e) override {
    Base::focusInEvent(e);
    if (ui::MovesBetweenControls(e)) owner_.FieldEntered(index_);
    clickedInto_ = e->reason() == Qt::MouseFocusReason;
  }
  void focusOutEvent(QFocusEvent* e) override {
    Base::focusOutEvent(e);
    if (ui::MovesBetweenControls(e)) owner_.FieldLeft(index_);
    clickedInto_ = false;
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    Base::mouseReleaseEvent(e);
    // The click that gave the field the focus placed the caret: it goes after the last
    // character, as on entering with Enter (a text dragged over stays selected).
    if (clickedInto_) {
      clickedInto_ = false;
      if (!HasSelection()) owner_.FieldEntered(index_);
    }
  }
  void keyPressEvent(QKeyEvent* e) override {
    if (owner_.FieldKeyDown(index_, e)) {
      e->accept();
      return;
    }
    Base::keyPressEvent(e);
  }

 private:
  bool HasSelection() const {
    if constexpr (std::is_same_v<Base, QLineEdit>)
      return this->hasSelectedText();
    else
      return this->textCursor().hasSelection();
  }

  TagEditorDialog& owner_;
  int index_;
  bool clickedInto_ = false;  // a mouse press has just given the field the focus
};

// Placement and caption of one field: its caption, stored-value and field rectangles.
struct FieldSpec {
  int labelIndex;
  const char16_t* caption;
  int captionLeft, captionTop, captionWidth;
  int left, labelTop, labelHeight, fieldTop, width, fieldHeight;
};

constexpr FieldSpec kFields[kEditorFieldCount] = {
    {3, u"曲  名", 120, 120, 855, 1200, 0, 735, 720, 6015, 855},
    {0, u"ｱﾙﾊﾞﾑ名", 7440, 120, 1095, 8640, 0, 735, 720, 6015, 855},
    {1, u"作者名", 120, 1920, 855, 1200, 1680, 735, 2400, 6015, 855},
    {2, u"作曲者名", 7440, 1800, 1095, 8640, 1680, 735, 2400, 6015, 855},
    {4, u"コメント", 120, 3480, 855, 1200, 3360, 735, 4080, 6015, 855},
    {5, u"年", 120, 5160, 855, 1200, 5040, 495, 5520, 1935, 495},
    {6, u"ジャンル", 3480, 5160, 975, 4560, 5040, 495, 5520, 1935, 495},
};

}  // namespace

TagEditorDialog::TagEditorDialog(Session& session, TagEditorLink link, QWidget* parent)
    : QDialog(parent), session_(session), link_(std::move(link)) {
  BuildLayout();
  Load();
}

TagEditorDialog::~TagEditorDialog() = default;

void TagEditorDialog::BuildLayout() {
  setObjectName(QStringLiteral("TagEditorDialog"));
  setWindowTitle(QStringLiteral("v2 Edit"));
  setModal(true);
  setFont(ui::ProportionalFont());
  setFixedSize(ui::Twips(kClientWidthTwips), ui::Twips(kClientHeightTwips));

  // Created in tab order, so that overlapping edges stack as they do there.
  for (int k = 0; k < kEditorFieldCount; ++k) {
    const FieldSpec& f = kFields[k];
    const auto idx = static_cast<std::size_t>(k);
    QString caption = QString::fromUtf16(f.caption);
    auto* captionLabel = ui::PlaceTwips(new QLabel(caption, this), Indexed("captionLabels", f.labelIndex), f.captionLeft, f.captionTop,
                         f.captionWidth, 375);
    captionLabel->setAccessibleName(caption);
    captionLabels[static_cast<std::size_t>(f.labelIndex)] = captionLabel;

    auto* valueLabel = ui::PlaceTwips(new QLabel(this), Indexed("storedValueLabels", k), f.left, f.labelTop, f.width, f.labelHeight);
    valueLabel->setTextFormat(Qt::PlainText);
    valueLabel->setWordWrap(true);
    valueLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    valueLabel->setFrameShape(QFrame::Box);
    valueLabel->setFrameShadow(QFrame::Plain);
    valueLabel->setLineWidth(1);
    valueLabel->setAutoFillBackground(true);
    QPalette p = valueLabel->palette();
    p.setColor(QPalette::Window, ui::kStoredValueYellow);
    p.setColor(QPalette::WindowText, Qt::black);
    valueLabel->setPalette(p);
    storedValueLabels[idx] = valueLabel;

    QWidget* field;
    if (k < 5) {
      auto* box = new FieldBox<QPlainTextEdit>(*this, k, this);
      box->setTabChangesFocus(true);
      box->setLineWrapMode(QPlainTextEdit::NoWrap);
      box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      connect(box, &QPlainTextEdit::textChanged, this, [this, idx] {
        if (!settingText_) exactValid_[idx] = false;
      });
      field = box;
    } else {
      field = new FieldBox<QLineEdit>(*this, k, this);
    }
    ui::PlaceTwips(field, Indexed("tagFields", k), f.left, f.fieldTop, f.width, f.fieldHeight);
    field->setAccessibleName(caption);
    tagFields[idx] = field;

    // The buttons take their places in the tab order after the title field.
    if (k == 0)
      for (Command c : {Command::WriteTag, Command::FillFromNames, Command::FillFromV1, Command::Close}) MakeButton(c);
  }

  keptFramesList = ui::PlaceTwips(new QListWidget(this), QStringLiteral("keptFramesList"), 8640, 3360, 6015, 2760);
  keptFramesList->setAccessibleName(QStringLiteral("フレーム"));
  keptFramesList->setFont(ui::FixedFont());
  keptFramesList->setSelectionMode(QAbstractItemView::SingleSelection);
  keptFramesList->setEditTriggers(QAbstractItemView::NoEditTriggers);

  MakeButton(Command::RestoreLoaded);
  MakeButton(Command::DeleteTag);
  // "v2削除" has no function and is never enabled.
  commandButtons[5]->setEnabled(false);

  QWidget* order[] = {tagFields[0], tagFields[1], tagFields[2], tagFields[3], tagFields[4], tagFields[5], tagFields[6], keptFramesList};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  BuildExtraFields();
  BuildCoverPanel();
}

void TagEditorDialog::Load() {
  model_ = LoadEditorModel(session_.v2Frames);
  for (int k = 0; k < kEditorFieldCount; ++k) {
    SetStoredValue(k, ui::Q(model_.loaded[static_cast<std::size_t>(k)]));
    setFieldText(k, ui::Q(model_.loaded[static_cast<std::size_t>(k)]));
  }
  loadedKept_ = model_.kept;
  ShowKeptLines();
  LoadExtraFields();
  ShowCover();

  PlaceWindow();
  ui::PlaceAgainWhenFramed(this, [this] { PlaceWindow(); });

  tagFields[0]->setFocus(Qt::OtherFocusReason);
  FieldEntered(0);
}

void TagEditorDialog::PlaceWindow() {
  // Outer sizes: left = main window width + reference viewer width - own width, top =
  // main window height - own height; a place partly off the work area is moved onto it.
  // Until the window manager has framed the window, its frame is taken to be the main
  // window's.
  const QSize extra = ui::FrameExtraOr(this, link_.decoration);
  const QSize size = this->size() + extra;
  QRect outer(QPoint(link_.mainOuter.width() + link_.viewerOuter.width() - size.width(),
                     link_.mainOuter.height() - size.height()),
              size);
  if (link_.workArea.isValid()) outer.moveTopLeft(ui::MovedInside(outer, link_.workArea));
  ui::SetOuterGeometry(this, outer, extra);
}

QString TagEditorDialog::storedValue(int index) const { return ui::Q(model_.loaded[static_cast<std::size_t>(index)]); }

void TagEditorDialog::SetStoredValue(int index, const QString& text) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  storedValueLabels[static_cast<std::size_t>(index)]->setText(shown);
}

QString TagEditorDialog::fieldText(int index) const {
  const auto idx = static_cast<std::size_t>(index);
  if (auto* line = qobject_cast<QLineEdit*>(tagFields[idx])) return line->text();
  if (exactValid_[idx]) return exact_[idx];
  // Every line break of an edited text is CR LF.
  QString text = static_cast<QPlainTextEdit*>(tagFields[idx])->document()->toRawText();
  text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
  return text;
}

void TagEditorDialog::setFieldText(int index, const QString& text) {
  const auto idx = static_cast<std::size_t>(index);
  settingText_ = true;
  if (auto* line = qobject_cast<QLineEdit*>(tagFields[idx])) {
    line->setText(text);
  } else {
    // CR LF, and a lone CR or LF, each show as a line break.
    static_cast<QPlainTextEdit*>(tagFields[idx])->setPlainText(text);
    exact_[idx] = text;
    exactValid_[idx] = true;
  }
  settingText_ = false;
}

void TagEditorDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The modal window takes the keyboard from the main window.
  activateWindow();
}

void TagEditorDialog::keyPressEvent(QKeyEvent* event) {
  // Esc does not close the window: only "終了(F12)" and the close box do.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TagEditorDialog::closeEvent(QCloseEvent* event) {
  // The close box writes nothing; it waits while a command runs.
  if (running_) {
    event->ignore();
    return;
  }
  finished_ = true;
  QDialog::closeEvent(event);
}

}  // namespace vq
