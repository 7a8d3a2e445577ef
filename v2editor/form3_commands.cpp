// Form3: the command table and Command1_Click, reached by click or by the fields'
// function keys.
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "platform/ui/dialogs.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/twips.h"
#include "session/messages.h"
#include "v2editor/form3.h"

namespace vq {

namespace {

constexpr int kButtonTop = 6360;
constexpr int kButtonWidth = 1575;
constexpr int kButtonHeight = 495;

// The write reaches the user through the editor: the main window's marks, message boxes
// and the event-loop yield.
class EditorReporter : public WriteReporter {
 public:
  EditorReporter(QWidget& window, const Form3Link& link) : window_(window), link_(link) {}

  void ShowV2Marks() override {
    if (link_.showV2Marks) link_.showV2Marks();
  }
  void ReportUpdateError(const std::u16string& folderPrefix, const std::u16string& fileName) override {
    ui::Dialogs::Message(&window_, ui::Q(UpdateErrorText(folderPrefix, fileName)), ui::MsgButtons::Ok,
                         QString::fromUtf16(kUpdateErrorCaption));
  }
  void ReportError(const std::u16string& description) override {
    ui::Dialogs::Message(&window_, ui::Q(description));
  }
  void Yield() override { ui::Dialogs::Yield(); }

 private:
  QWidget& window_;
  const Form3Link& link_;
};

}  // namespace

const Form3::CommandSpec Form3::kCommands[6] = {
    {0, Qt::Key_F9, true, u"v2更新(F9)", 3480, &Form3::WriteTag, true},
    {1, Qt::Key_F7, false, u"ﾌｧｲﾙ参照(F7)", 120, &Form3::FillFromNames, false},
    {2, Qt::Key_F8, false, u"v1参照(F8)", 1800, &Form3::FillFromV1, false},
    {3, Qt::Key_F12, false, u"終了(F12)", 8640, nullptr, true},  // nothing is written
    {4, Qt::Key_unknown, false, u"やり直し(F4)", 5160, &Form3::Redo, false},
    {5, Qt::Key_unknown, false, u"v2削除", 6840, nullptr, false},  // never enabled
};

QPushButton* Form3::MakeButton(int index) {
  const CommandSpec& c = kCommands[index];
  const QString caption = QString::fromUtf16(c.caption);
  auto* button = ui::PlaceTwips(new QPushButton(caption, this), QStringLiteral("Command1(%1)").arg(index), c.left,
                                kButtonTop, kButtonWidth, kButtonHeight);
  button->setAccessibleName(caption);
  button->setAutoDefault(false);
  button->setDefault(false);
  // Reached with the mouse or the function keys, never with Tab.
  button->setFocusPolicy(Qt::ClickFocus);
  connect(button, &QPushButton::clicked, this, [this, index] { Command1_Click(index); });
  Command1[static_cast<std::size_t>(index)] = button;
  return button;
}

void Form3::EnableCommands(bool enabled) {
  for (int i = 0; i < 4; ++i) Command1[static_cast<std::size_t>(i)]->setEnabled(enabled);
}

void Form3::Command1_Click(int index) {
  // One command at a time: a function key pressed while the write lets events run, or
  // after the window was closed, starts nothing.
  if (running_ || finished_ || index < 0 || index >= static_cast<int>(std::size(kCommands))) return;
  const CommandSpec& c = kCommands[index];
  running_ = true;
  EnableCommands(false);
  if (c.action) (this->*c.action)();
  if (c.closes) {
    running_ = false;
    finished_ = true;
    done(index == 0 ? QDialog::Accepted : QDialog::Rejected);
    return;
  }
  if (c.action) Text2[0]->setFocus(Qt::OtherFocusReason);
  EnableCommands(true);
  running_ = false;
}

EditorFields Form3::Fields() const {
  EditorFields fields;
  for (int k = 0; k < kEditorFieldCount; ++k) fields[static_cast<std::size_t>(k)] = ui::U16(text2(k));
  return fields;
}

void Form3::ShowFields(const EditorFields& fields) {
  for (int k = 0; k < kEditorFieldCount; ++k) {
    const QString text = ui::Q(fields[static_cast<std::size_t>(k)]);
    // A field that keeps its text keeps its caret and its exact line breaks.
    if (text2(k) != text) setText2(k, text);
  }
}

void Form3::WriteTag() {
  // A failure is reported through the reporter; the table and listing are rebuilt anyway.
  EditorReporter reporter(*this, link_);
  WriteEditorTag(model_, Fields(), session_, reporter);
  for (int i = 0; i < List1->count() && static_cast<std::size_t>(i) < model_.kept.size(); ++i)
    List1->item(i)->setText(ui::Q(model_.kept[static_cast<std::size_t>(i)].ListText()));
  if (link_.showFrameListing) link_.showFrameListing();
}

void Form3::FillFromNames() {
  EditorFields fields = Fields();
  vq::FillFromNames(fields, link_.main);
  ShowFields(fields);
}

void Form3::FillFromV1() {
  EditorFields fields = Fields();
  vq::FillFromV1(fields, link_.main);
  ShowFields(fields);
}

void Form3::Redo() {
  for (int k = 0; k < kEditorFieldCount; ++k) setText2(k, label2(k));
}

}  // namespace vq
