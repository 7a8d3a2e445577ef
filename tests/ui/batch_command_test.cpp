// "velquist --batch": the real program, without a display, on trees built from the
// fixtures. It writes what the batch window writes, and answers with 0, 1 or 2.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <QPushButton>
#include <QTest>
#include <csignal>
#include <filesystem>
#include <cstdlib>

#include "windows/passes/batch_dialog.h"
#include "platform/codepage.h"
#include "platform/text.h"
#include "session/messages.h"
#include "support/ui/program_run.h"
#include "support/ui/ui_test_util.h"

using namespace vqtest;

namespace {

using Outcome = ProgramOutcome;

Outcome Velquist(const std::vector<std::string>& args, const std::string& stateHome = "") {
  return RunProgram(args, stateHome);
}

// The same files under two roots: music/<root>/歌手/... in Shift-JIS and UTF-8 names.
std::vector<std::string> MakeTree(MainWindowHarness& h, const std::string& root) {
  const std::string artist = root + "/" + vq::cp932::Encode(u"歌手");
  return {
      h.music.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", artist + "/01 朝.mp3"),
      h.music.CopyFixture("13_v22_handmade_mpeg1_l2_64k.mp3", artist + "/Live/02 v22.mp3"),
      h.music.CopyFixture("04_v24_utf8_japanese_mutagen_mpeg2_l3_64k.mp3", artist + "/Live/03 v24.mp3"),
      h.music.CopyFixture("11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3", artist + "/アルバム/04 both.mp3"),
      h.music.CopyFixture("06_v23_apic_40k_eyed3_mpeg1_l3_32k.mp3", artist + "/アルバム/05 picture.mp3"),
  };
}

}  // namespace

// The command and the batch window tag the same tree into the same bytes, with the
// design's options and with "ID3v2をUnicodeで書く".
TEST(BatchCommand, WritesWhatTheBatchWindowWrites) {
  for (bool unicode : {false, true}) {
    SCOPED_TRACE(unicode);
    MainWindowHarness h;
    const std::vector<std::string> byWindow = MakeTree(h, "window");
    const std::vector<std::string> byCommand = MakeTree(h, "command");
    std::vector<std::string> originals;
    for (const auto& p : byCommand) originals.push_back(ReadBytes(p));
    // The folder's own bytes (Shift-JIS) stand in Path.dat as they are.
    WriteBytes(h.PathDat(), "0\r\n/\r\n" + h.music / ("window/" + vq::cp932::Encode(u"歌手")) + "\r\n 0 \r\n 0 \r\n" +
                                (unicode ? " 1 " : " 0 ") + "\r\n");
    h.Start();
    ASSERT_EQ(RowCount(h.form->fileList), 5);
    ModalDriver driver([](QDialog* d) { QTest::keyClick(static_cast<vq::BatchDialog*>(d)->commandButtons[0], Qt::Key_Return); });
    Press(h.form->tagFields[0], Qt::Key_F10);
    ASSERT_TRUE(h.messages.requests.empty());

    std::vector<std::string> args{"--batch", h.music / ("command/" + vq::cp932::Encode(u"歌手"))};
    if (unicode) args.insert(args.begin() + 1, "--unicode");
    const Outcome r = Velquist(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "5 / 5 曲を処理しました。\n");
    for (std::size_t i = 0; i < byWindow.size(); ++i) {
      const std::string written = ReadBytes(byCommand[i]);
      EXPECT_EQ(written, ReadBytes(byWindow[i])) << byCommand[i];
      EXPECT_NE(written, originals[i]);
    }
  }
}

TEST(BatchCommand, ExitStatusesAndTheReadOnlyMessage) {
  TempDir dir;
  const std::string a = dir.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "Band/Disc/a.mp3");
  const std::string b = dir.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "Band/Disc/b.mp3");
  const std::string c = dir.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "Band/Disc/c.mp3");
  // Bad use: the usage, status 2, nothing written.
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--batch"}, {"--batch", "--nope", dir / "Band"}, {"--batch", dir / "missing"},
           {"--batch", dir / "Band", dir / "Band"}}) {
    const Outcome r = Velquist(args);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_NE(r.err.find("使い方: velquist --batch"), std::string::npos);
  }
  EXPECT_EQ(ReadBytes(a), ReadBytes(DataPath("14_notag_lame_mpeg1_l3_128k.mp3")));

  // A read-only file ends the pass there with the update error: status 1.
  const std::string before = ReadBytes(c);
  ASSERT_EQ(::chmod(b.c_str(), 0444), 0);
  Outcome r = Velquist({"--batch", "--keep-date", dir / "Band"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("更新エラー: ファイルの属性が読み取り専用になっていませんか?\n" + dir.path() + "/Band/Disc/\nb.mp3\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find(" / 3 曲を処理しました。\n"), std::string::npos);
  EXPECT_EQ(ReadBytes(b), ReadBytes(DataPath("14_notag_lame_mpeg1_l3_128k.mp3")));
  // The directory's order decides which files came before it; those are tagged.
  const bool aDone = ReadBytes(a) != before, cDone = ReadBytes(c) != before;
  EXPECT_NE(r.err.find(std::to_string(int(aDone) + int(cDone)) + " / 3 曲を処理しました。"), std::string::npos);

  // Everything writable: status 0.
  ASSERT_EQ(::chmod(b.c_str(), 0644), 0);
  r = Velquist({"--batch", dir / "Band"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "3 / 3 曲を処理しました。\n");
}

// On a terminal the progress line is rewritten in place with the file's name; the
// count line stays.
TEST(BatchCommand, ProgressUpdatesOneLineOnATerminal) {
  if (std::system("command -v script >/dev/null") != 0) GTEST_SKIP() << "script (util-linux) gives the terminal";
  TempDir dir;
  dir.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "Band/Disc/曲.mp3");
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" + std::string(VQ_VELQUIST_EXE) +
                              "' --batch '" + dir / "Band" + "'";
  const std::string run = "script -qec \"" + command + "\" /dev/null >'" + (dir / "tty") + "' 2>&1";
  ASSERT_EQ(std::system(run.c_str()), 0);
  const std::string tty = ReadBytes(dir / "tty");
  EXPECT_NE(tty.find("\r\x1b[K1 / 1  曲.mp3"), std::string::npos) << tty;
  EXPECT_NE(tty.find("\r\x1b[K1 / 1 曲を処理しました。"), std::string::npos) << tty;
}

// Two passes over the same untagged files at once, as two users (or the batch window and
// the command line) might start them: every file ends with its own audio and one
// complete tag of each kind, and a process that says it tagged every file did.
TEST(BatchCommand, TwoPassesAtOnceLoseNothing) {
  const std::string original = ReadBytes(DataPath("14_notag_lame_mpeg1_l3_128k.mp3"));
  for (int run = 0; run < 5; ++run) {
    SCOPED_TRACE(run);
    TempDir dir;
    std::vector<std::string> songs;
    for (int i = 0; i < 20; ++i) {
      const std::string name = "song" + std::to_string(100 + i);
      songs.push_back(name);
      WriteBytes(dir / ("Band/Disc/" + name + ".mp3"), original);
    }
    const std::string exe = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" + std::string(VQ_VELQUIST_EXE) +
                            "' --batch '" + dir / "Band" + "'";
    const std::string both = "(" + exe + " 2>'" + dir / "err1" + "'; echo $? >'" + dir / "st1" + "') & (" + exe +
                             " 2>'" + dir / "err2" + "'; echo $? >'" + dir / "st2" + "') & wait";
    ASSERT_EQ(std::system(both.c_str()), 0);
    for (const char* which : {"1", "2"}) {
      const std::string status = ReadBytes(dir / (std::string("st") + which));
      const std::string err = ReadBytes(dir / (std::string("err") + which));
      // 0 only with every file counted; 1 only with a message that names the file.
      if (status == "0\n")
        EXPECT_EQ(err, "20 / 20 曲を処理しました。\n");
      else
        EXPECT_EQ(status, "1\n") << err;
    }
    for (const std::string& name : songs) {
      const std::string bytes = ReadBytes(dir / ("Band/Disc/" + name + ".mp3"));
      EXPECT_EQ(AudioOf(bytes), original) << name;
      const TagLibView view = ReadWithTagLib(dir / ("Band/Disc/" + name + ".mp3"));
      EXPECT_EQ(view.texts.count("TIT2"), 1u) << name;
      EXPECT_EQ(view.texts.find("TIT2")->second, name);
      EXPECT_EQ(view.v1Title, name);
    }
    EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty());
  }
}

// Killed (kill -9) at any moment of a pass that rebuilds: every file is either as it was
// or completely tagged, and the next pass removes what the killed one left and tags the
// rest.
TEST(BatchCommand, AKilledPassLosesNothing) {
  const std::string original = ReadBytes(DataPath("14_notag_lame_mpeg1_l3_128k.mp3"));
  for (int delayMs : {20, 60, 120, 250}) {
    SCOPED_TRACE(delayMs);
    TempDir dir;
    for (int i = 0; i < 150; ++i) WriteBytes(dir / ("Band/Disc/song" + std::to_string(1000 + i) + ".mp3"), original);
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                                std::string(VQ_VELQUIST_EXE) + "' --batch '" + dir / "Band" + "' 2>/dev/null & " +
                                "sleep " + std::to_string(delayMs / 1000.0) + "; kill -9 $! 2>/dev/null; wait";
    std::system(command.c_str());
    int tagged = 0;
    for (int i = 0; i < 150; ++i) {
      const std::string name = "song" + std::to_string(1000 + i);
      const std::string bytes = ReadBytes(dir / ("Band/Disc/" + name + ".mp3"));
      if (bytes == original) continue;
      ++tagged;
      EXPECT_EQ(AudioOf(bytes), original) << name;
      const TagLibView view = ReadWithTagLib(dir / ("Band/Disc/" + name + ".mp3"));
      EXPECT_EQ(view.texts.find("TIT2")->second, name);
      EXPECT_EQ(view.v1Title, name);
    }
    const Outcome again = Velquist({"--batch", dir / "Band"});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty());
    RecordProperty("tagged_before_kill_" + std::to_string(delayMs), tagged);
  }
}

// --dry-run prints what the pass then writes, file by file, and changes no byte and no
// date.
TEST(BatchCommand, ADryRunPrintsWhatThePassThenWritesAndWritesNothing) {
  TempDir dir;
  const std::vector<std::string> files = {
      dir.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "Band/Disc/01 new.mp3"),
      dir.CopyFixture("11_v23_and_v1_differ_eyed3_mpeg1_l3_128k.mp3", "Band/Disc/02 both.mp3"),
      dir.CopyFixture("01_v1only_eyed3_mpeg1_l3_128k.mp3", "Band/03 v1only.mp3"),
  };
  std::vector<std::string> before;
  std::vector<struct stat> dates;
  for (const auto& f : files) {
    before.push_back(ReadBytes(f));
    struct stat st {};
    ::stat(f.c_str(), &st);
    dates.push_back(st);
  }
  const std::string run = "env -u DISPLAY -u QT_QPA_PLATFORM '" + std::string(VQ_VELQUIST_EXE) +
                          "' --batch --new-only --dry-run '" + dir / "Band" + "' >'" + dir / "out" + "' 2>'" +
                          dir / "err" + "'";
  ASSERT_EQ(std::system(run.c_str()), 0) << ReadBytes(dir / "err");
  for (std::size_t i = 0; i < files.size(); ++i) {
    struct stat st {};
    ::stat(files[i].c_str(), &st);
    EXPECT_EQ(ReadBytes(files[i]), before[i]);
    EXPECT_EQ(st.st_mtim.tv_nsec, dates[i].st_mtim.tv_nsec);
    EXPECT_EQ(st.st_mtim.tv_sec, dates[i].st_mtim.tv_sec);
  }
  const std::string out = ReadBytes(dir / "out");
  for (const std::string& line : {dir / "Band/Disc/01 new.mp3\t曲名: 01 new\t作者: Band\tアルバム: Disc\tv1 v2\n",
                                   dir / "Band/Disc/02 both.mp3\t曲名: 02 both\t作者: Band\tアルバム: Disc\t書き込みなし\n",
                                   dir / "Band/03 v1only.mp3\t曲名: 03 v1only\t作者: Band\tアルバム: \tv2\n"})
    EXPECT_NE(out.find(line), std::string::npos) << out;
  EXPECT_EQ(ReadBytes(dir / "err"), "試行: 2 / 3 曲に書き込みます。ファイルは変更していません。\n");

  // The real pass writes what was printed.
  ASSERT_EQ(Velquist({"--batch", "--new-only", dir / "Band"}).status, 0);
  EXPECT_EQ(ReadWithTagLib(files[0]).v1Title, "01 new");
  EXPECT_EQ(ReadWithTagLib(files[0]).texts.find("TALB")->second, "Disc");
  EXPECT_EQ(ReadBytes(files[1]), before[1]);
  EXPECT_EQ(ReadWithTagLib(files[2]).texts.find("TIT2")->second, "03 v1only");
  EXPECT_EQ(ReadWithTagLib(files[2]).v1Title, "v1 Only Title");
}

// SIGINT, SIGTERM and SIGHUP end a pass between two files: each file untouched or
// completely tagged, no temporary file left, the count printed, status 128 + signal;
// then --undo puts the files done back.
TEST(BatchCommand, ASignalEndsThePassBetweenFiles) {
  const std::string original = ReadBytes(DataPath("14_notag_lame_mpeg1_l3_128k.mp3"));
  for (const auto& [signal, status] : std::vector<std::pair<int, int>>{{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}}) {
    SCOPED_TRACE(signal);
    TempDir dir;
    for (int i = 0; i < 2000; ++i) WriteBytes(dir / ("Band/Disc/" + std::to_string(10000 + i) + ".mp3"), original);
    const std::string env = "env -u DISPLAY -u QT_QPA_PLATFORM XDG_STATE_HOME='" + dir / "state" + "' '" +
                            std::string(VQ_VELQUIST_EXE) + "'";
    // The signal comes once the pass is under way (its journal exists), however slowly
    // the program starts.
    const std::string command = env + " --batch '" + dir / "Band" + "' 2>'" + dir / "err" +
                                "' & p=$!; while kill -0 $p 2>/dev/null && ! ls '" + dir / "state" +
                                "'/velquist/*.journal >/dev/null 2>&1; do sleep 0.001; done; sleep 0.05; kill -" +
                                std::to_string(signal) + " $p; wait $p; echo $? >'" + dir / "status" + "'";
    std::system(command.c_str());
    const std::string err = ReadBytes(dir / "err");
    if (ReadBytes(dir / "status") == "0\n") GTEST_SKIP() << "the pass ended before the signal: " << err;
    EXPECT_EQ(ReadBytes(dir / "status"), std::to_string(status) + "\n");
    EXPECT_EQ(err.rfind("自動処理を中断しました。\n", 0), 0u) << err;
    EXPECT_NE(err.find(" / 2,000 曲を処理しました。\n"), std::string::npos) << err;
    int tagged = 0;
    for (int i = 0; i < 2000; ++i) {
      const std::string bytes = ReadBytes(dir / ("Band/Disc/" + std::to_string(10000 + i) + ".mp3"));
      if (bytes == original) continue;
      ++tagged;
      EXPECT_EQ(AudioOf(bytes), original);
      EXPECT_EQ(bytes.compare(bytes.size() - 128, 3, "TAG"), 0);
    }
    EXPECT_NE(err.find(vq::Utf16ToUtf8(vq::ProgressText(static_cast<std::size_t>(tagged), 2000)) + " 曲を処理しました。"),
              std::string::npos)
        << err;
    EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty());

    // --undo puts back the files done.
    const std::string undo = env + " --undo 2>'" + dir / "undo" + "'";
    EXPECT_EQ(std::system(undo.c_str()), 0) << ReadBytes(dir / "undo");
    EXPECT_NE(ReadBytes(dir / "undo").find(vq::Utf16ToUtf8(vq::FormatThousands(tagged)) + " 曲を元に戻しました。\n"),
              std::string::npos)
        << ReadBytes(dir / "undo");
    for (int i = 0; i < 2000; ++i)
      ASSERT_EQ(ReadBytes(dir / ("Band/Disc/" + std::to_string(10000 + i) + ".mp3")), original) << i;
  }
}

// A command line the program cannot read in full is refused before anything is read or
// written: an option no mode has after --undo or --list-passes, two modes at once (once,
// "--batch --undo FOLDER" took the folder for a journal). The last pass stays as it was,
// its journal unmarked, until an --undo that is meant.
TEST(BatchCommand, ARefusedCommandLineWritesAndUndoesNothing) {
  TempDir dir;
  const std::string untagged = ReadBytes(DataPath("14_notag_lame_mpeg1_l3_128k.mp3"));
  const std::string song = dir.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "Band/Disc/a.mp3");
  const std::string other = dir.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "Other/Disc/b.mp3");
  const std::string state = dir / "state";
  ASSERT_EQ(Velquist({"--batch", dir / "Band"}, state).status, 0);
  const std::string tagged = ReadBytes(song);
  ASSERT_NE(tagged, untagged);
  const auto journals = [&] {
    std::string all;
    for (const auto& entry : std::filesystem::directory_iterator(state + "/velquist"))
      all += entry.path().string() + "\n" + ReadBytes(entry.path()) + "\n";
    return all;
  };
  const std::string journalsBefore = journals();

  for (const auto& [args, line] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"--undo", "--frobnicate"}, "velquist: 不明なオプションです: --frobnicate\n使い方: velquist --undo"},
           {{"--list-passes", "--frobnicate"}, "velquist: 不明なオプションです: --frobnicate\n使い方: velquist --list-passes"},
           {{"--batch", "--undo", dir / "Other"}, "velquist: --batch と --undo は一緒に指定できません。"},
           {{"--undo", "--batch", dir / "Other"}, "velquist: --undo と --batch は一緒に指定できません。"},
           {{"--undo", "--no-v1"}, "velquist: オプション --no-v1 は --undo では使えません。"}}) {
    const Outcome r = Velquist(args, state);
    EXPECT_EQ(r.status, 2) << args[1];
    EXPECT_EQ(r.err.rfind(line, 0), 0u) << r.err;
    EXPECT_EQ(ReadBytes(song), tagged) << args[1];
    EXPECT_EQ(ReadBytes(other), untagged) << args[1];
    EXPECT_EQ(journals(), journalsBefore) << args[1];
  }

  // --undo --dry-run names the pass and what it would restore, and restores nothing;
  // --undo restores.
  Outcome r = Velquist({"--undo", "--dry-run"}, state);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.rfind("試行: 元に戻す処理: ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("試行: 1 曲を元に戻します。ファイルは変更していません。\n"), std::string::npos) << r.err;
  EXPECT_EQ(ReadBytes(song), tagged);
  EXPECT_EQ(journals(), journalsBefore);
  r = Velquist({"--undo"}, state);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(song), untagged);
}

// The window program on SIGTERM (the desktop session ending), SIGINT (Ctrl+C in its
// terminal) or SIGHUP (its terminal closing): it quits at once, with status 0, without
// asking and without saving Path.dat.
TEST(WindowProgram, AStopSignalQuitsWithoutAskingOrSavingTheSettings) {
  for (const auto& [name, mask] : std::vector<std::pair<std::string, int>>{{"TERM", 0x4000}, {"INT", 0x2}, {"HUP", 0x1}}) {
    SCOPED_TRACE(name);
    TempDir dir;
    WriteBytes(dir / "bin/velquist", ReadBytes(VQ_VELQUIST_EXE));
    ASSERT_EQ(::chmod((dir / "bin/velquist").c_str(), 0755), 0);
    dir.CopyFixture("14_notag_lame_mpeg1_l3_128k.mp3", "music/a.mp3");
    // The signal goes to the program itself (timeout's child once it runs under its own
    // name) once it catches it (its bit in SigCgt) and its window has had a moment
    // to list the folder. Sent to timeout, it would reach the program twice, the second
    // time from timeout's signal to its process group, which under load can come during
    // the program's teardown.
    const std::string command =
        "cd '" + dir / "bin" + "' && QT_QPA_PLATFORM=offscreen VELQUIST_FIRST_FOLDER='" + dir / "music" +
        "' timeout 60 ./velquist >/dev/null 2>&1 & p=$!; for i in $(seq 200); do c=$(pgrep -x -P $p velquist); "
        "m=$([ -n \"$c\" ] && awk '/^SigCgt/{print $2}' /proc/$c/status 2>/dev/null); "
        "[ -n \"$m\" ] && [ $(( 0x$m & " + std::to_string(mask) + " )) -ne 0 ] && break; sleep 0.1; done; sleep 0.5; kill -" + name + " $c; wait $p";
    const int raw = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << raw;
    EXPECT_FALSE(vq::FileExists(dir / "bin/Path.dat"));
  }
}
