// The ID3v2 editor's write with the file layer failing at the k-th operation, for every
// k and each kind of failure: the file ends exactly as before or completely rewritten
// with its audio unchanged, no temporary file stays, the user gets the program's message
// once, and selecting the file again reads it anew.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "tag_editor_test_support.h"
#include "formats/id3v2_writer.h"
#include "platform/fileio.h"

using namespace vq;
using namespace editortest;
namespace fs = std::filesystem;

namespace {

bool AnyTempFile(const std::string& root) { return !vqtest::TemporaryFilesIn(root).empty(); }

}  // namespace

TEST(EditorFaults, EachFailingOperationLeavesTheFileWholeAndTheProgramWorking) {
  // A file without a tag is rebuilt; one with a large tag is written in place.
  const char* fixtures[] = {"14_notag_lame_mpeg1_l3_128k.mp3", "02_v23_latin1_mutagen_mpeg1_l3_32k.mp3"};
  const int kinds[] = {EACCES, ENOSPC, EIO};
  for (const char* fixture : fixtures) {
    for (int err : kinds) {
      long k = 1;
      for (;; ++k) {
        SCOPED_TRACE(std::string(fixture) + ", errno " + std::to_string(err) + ", operation " + std::to_string(k));
        Editing e(fixture);
        e.h.messages.Clear();
        RunEditor(e.form(), [&](TagEditorDialog& w) {
          Retype(w, 0, QStringLiteral("新しい曲名"));
          FaultInjection::FailAt(k, err);
          Key(Qt::Key_F9);
        });
        const bool fired = FaultInjection::Fired();
        FaultInjection::Reset();
        const std::string now = vqtest::ReadBytes(e.path);
        EXPECT_FALSE(AnyTempFile(e.h.music.path()));
        EXPECT_TRUE(vqtest::AudioOf(now) == vqtest::AudioOf(e.before));
        if (!fired) {
          EXPECT_TRUE(e.h.messages.requests.empty());
          break;
        }
        // The message the program gives for this failure, once.
        ASSERT_EQ(e.h.messages.requests.size(), 1u);
        const auto& m = e.h.messages.requests[0];
        if (KindFromErrno(err) == ErrorKind::PathFileAccess) {
          EXPECT_EQ(m.caption, QStringLiteral("更新エラー"));
        } else {
          EXPECT_EQ(m.caption, QStringLiteral("Velquist"));
          EXPECT_EQ(m.text, ui::Q(ErrorDescription(KindFromErrno(err))));
        }
        // Exactly as before, or completely rewritten.
        const bool unchanged = now == e.before;
        // Selecting the file again reads what is in it.
        e.form().SelectFile(vqtest::CurrentRow(e.form().fileList));
        const bool titleInFile = e.listing().contains(QStringLiteral("TIT2(0) 新しい曲名\r\n"));
        EXPECT_NE(unchanged, titleInFile);
      }
      EXPECT_GT(k, 3);
    }
  }
}
