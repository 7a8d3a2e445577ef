// TagEditorDialog: the command table and RunCommand, reached by click or by the fields'
// function keys.
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "widgets/dialogs.h"
#include "widgets/qt_text.h"
#include "widgets/twips.h"
#include "session/messages.h"
#include "windows/editor/tag_editor.h"

namespace vq {

namespace {

constexpr int kButtonTop = 6360;
constexpr int kButtonWidth = 1575;
constexpr int kButtonHeight = 495;

// The write reaches the user through the editor: message boxes and the event-loop
// yield; that the header is being written goes into the result.
class EditorReporter : public WriteReporter {
 public:
  EditorReporter(QWidget& window, TagEditorResult& result) : window_(window), result_(result) {}

  void HeaderWriting() override { result_.headerWritten = true; }
  void ReportUpdateError(const std::u16string& folderPrefix, const std::u16string& fileName) override {
    const UserMessage m = UpdateErrorMessage(folderPrefix, fileName);
    ui::Dialogs::Notice(&window_, m.text, m.caption);
  }
  void ReportError(const std::u16string& description) override {
    ui::Dialogs::Message(&window_, ui::Q(description));
  }
  void Yield() override { ui::Dialogs::Yield(); }

 private:
  QWidget& window_;
  TagEditorResult& result_;
};

}  // namespace

const TagEditorDialog::CommandSpec TagEditorDialog::kCommands[6] = {
    {Command::WriteTag, Qt::Key_F9, true, u"v2更新(F9)", 3480, &TagEditorDialog::WriteTag, true},
    {Command::FillFromNames, Qt::Key_F7, false, u"ﾌｧｲﾙ参照(F7)", 120, &TagEditorDialog::FillFromNames, false},
    {Command::FillFromV1, Qt::Key_F8, false, u"v1参照(F8)", 1800, &TagEditorDialog::FillFromV1, false},
    {Command::Close, Qt::Key_F12, false, u"終了(F12)", 8640, nullptr, true},  // nothing is written
    {Command::RestoreLoaded, Qt::Key_unknown, false, u"やり直し(F4)", 5160, &TagEditorDialog::RestoreLoadedValues, false},
    {Command::DeleteTag, Qt::Key_unknown, false, u"v2削除", 6840, nullptr, false},  // never enabled
};

QPushButton* TagEditorDialog::MakeButton(Command command) {
  const int index = static_cast<int>(command);
  const CommandSpec& c = kCommands[index];
  const QString caption = QString::fromUtf16(c.caption);
  auto* button = ui::PlaceTwips(new QPushButton(caption, this), QStringLiteral("commandButtons(%1)").arg(index), c.left,
                                kButtonTop, kButtonWidth, kButtonHeight);
  button->setAccessibleName(caption);
  button->setAutoDefault(false);
  button->setDefault(false);
  // Reached with the mouse or the function keys, never with Tab.
  button->setFocusPolicy(Qt::ClickFocus);
  connect(button, &QPushButton::clicked, this, [this, command] { RunCommand(command); });
  commandButtons[static_cast<std::size_t>(index)] = button;
  return button;
}

void TagEditorDialog::EnableCommands(bool enabled) {
  for (int i = 0; i < 4; ++i) commandButtons[static_cast<std::size_t>(i)]->setEnabled(enabled);
}

void TagEditorDialog::RunCommand(Command command) {
  // One command at a time: a function key pressed while the write lets events run, or
  // after the window was closed, starts nothing.
  const int index = static_cast<int>(command);
  if (running_ || finished_ || index < 0 || index >= static_cast<int>(std::size(kCommands))) return;
  const CommandSpec& c = kCommands[index];
  running_ = true;
  EnableCommands(false);
  if (c.action) (this->*c.action)();
  if (c.closes) {
    running_ = false;
    finished_ = true;
    done(command == Command::WriteTag ? QDialog::Accepted : QDialog::Rejected);
    return;
  }
  if (c.action) tagFields[0]->setFocus(Qt::OtherFocusReason);
  EnableCommands(true);
  running_ = false;
}

EditorFields TagEditorDialog::Fields() const {
  EditorFields fields;
  for (int k = 0; k < kEditorFieldCount; ++k) fields[static_cast<std::size_t>(k)] = ui::U16(fieldText(k));
  return fields;
}

void TagEditorDialog::ShowFields(const EditorFields& fields) {
  for (int k = 0; k < kEditorFieldCount; ++k) {
    const QString text = ui::Q(fields[static_cast<std::size_t>(k)]);
    // A field that keeps its text keeps its caret and its exact line breaks.
    if (fieldText(k) != text) setFieldText(k, text);
  }
}

void TagEditorDialog::WriteTag() {
  // A failure is reported through the reporter; the table and listing are rebuilt anyway.
  EditorReporter reporter(*this, result_);
  WriteEditorTag(model_, Fields(), ExtraFieldTexts(), session_, reporter);
  for (int i = 0; i < keptFramesList->count() && static_cast<std::size_t>(i) < model_.kept.size(); ++i)
    keptFramesList->item(i)->setText(ui::Q(model_.kept[static_cast<std::size_t>(i)].ListText()));
  result_.tableRebuilt = true;
}

void TagEditorDialog::FillFromNames() {
  EditorFields fields = Fields();
  vq::FillFromNames(fields, link_.main);
  ShowFields(fields);
}

void TagEditorDialog::FillFromV1() {
  EditorFields fields = Fields();
  vq::FillFromV1(fields, link_.main);
  ShowFields(fields);
}

void TagEditorDialog::RestoreLoadedValues() {
  for (int k = 0; k < kEditorFieldCount; ++k) setFieldText(k, storedValue(k));
  RestoreExtraFields();
  RestoreLoadedCover();
}

}  // namespace vq
