#include "support/ui/ui_test_util.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "platform/codepage.h"
#include "platform/text.h"

namespace vqtest {

MessageLog::MessageLog() {
  previous_ = vq::ui::Dialogs::SetAnswerer([this](const vq::ui::MessageRequest& r) {
    requests.push_back(r);
    if (onMessage) onMessage(r);
    if (!answers.empty()) {
      auto a = answers.front();
      answers.pop_front();
      return a;
    }
    return r.buttons == vq::ui::MsgButtons::YesNo ? yesNoDefault : vq::ui::MsgAnswer::Ok;
  });
}

MessageLog::~MessageLog() { vq::ui::Dialogs::SetAnswerer(std::move(previous_)); }

int MessageLog::Count(const QString& text) const {
  int n = 0;
  for (const auto& r : requests)
    if (r.text == text) ++n;
  return n;
}

ModalDriver::ModalDriver(std::function<void(QDialog*)> drive) {
  previous_ = vq::ui::Dialogs::SetModalHook(drive);
}

ModalDriver::~ModalDriver() { vq::ui::Dialogs::SetModalHook(std::move(previous_)); }

MainWindowHarness::MainWindowHarness() = default;

MainWindowHarness::~MainWindowHarness() {
  if (form) {
    // Leave without the quit question.
    form->hide();
    form.reset();
  }
  QApplication::processEvents();
}

void MainWindowHarness::WritePathDat(const std::vector<std::string>& lines, bool finalLineEnd) const {
  std::string bytes;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    bytes += vq::cp932::Encode(vq::Utf8ToUtf16(lines[i]));
    if (i + 1 < lines.size() || finalLineEnd) bytes += "\r\n";
  }
  WriteBytes(PathDat(), bytes);
}

vq::MainWindow& MainWindowHarness::Start(const std::string& startFolder) {
  vq::MainWindowSetup setup;
  setup.programFolder = programDir.path();
  setup.startFolder = startFolder.empty() ? music.path() : startFolder;
  form = std::make_unique<vq::MainWindow>(session, setup);
  QObject::connect(form.get(), &vq::MainWindow::programEnded, [this] { ended = true; });
  if (beforeLoad) beforeLoad();
  form->Start();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  form->activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
  return *form;
}

void MainWindowHarness::CloseAnswering(vq::ui::MsgAnswer answer) {
  messages.answers.push_back(answer);
  form->close();
  QApplication::processEvents();
}

int RowCount(const QAbstractItemView* list) { return list->model()->rowCount(); }

QString RowText(const QAbstractItemView* list, int row) {
  return list->model()->index(row, 0).data().toString();
}

int CurrentRow(const QAbstractItemView* list) {
  const QModelIndex current = list->currentIndex();
  return current.isValid() ? current.row() : -1;
}

void SelectRow(QAbstractItemView* list, int row) { list->setCurrentIndex(list->model()->index(row, 0)); }

QStringList Rows(const QAbstractItemView* list) {
  QStringList out;
  for (int i = 0; i < RowCount(list); ++i) out << RowText(list, i);
  return out;
}

QLineEdit* Focus(QLineEdit* field) {
  field->setFocus();
  EXPECT_EQ(QApplication::focusWidget(), field);
  return field;
}

void Press(QLineEdit* field, Qt::Key key) { QTest::keyClick(Focus(field), key); }

void Type(QLineEdit* field, const QString& text) {
  const bool entering = QApplication::focusWidget() != field;
  QLineEdit* w = Focus(field);
  if (!entering) QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(w->selectedText(), w->text());
  for (QChar c : text) {
    if (c.unicode() < 0x80) {
      QTest::keyClick(w, c.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
  EXPECT_EQ(field->text(), text);
}

QString Utf8(const std::string& s) { return QString::fromStdString(s); }
std::string Utf8(const QString& s) { return s.toStdString(); }


}  // namespace vqtest
