// The command line's one parser: what each mode accepts, in every form, and every
// refusal with its Japanese line, the usage it concerns and status 2.
#include "app/cli/command_line.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>

#include "test_util.h"

namespace vq {
// What a failed comparison shows.
void PrintTo(const CommandLineAnswer& answer, std::ostream* os) {
  *os << "status " << answer.status << ", out \"" << answer.out << "\", err \"" << answer.err << "\"";
}
void PrintTo(const BatchCommandOptions& o, std::ostream* os) {
  *os << "--batch " << o.folder << " file-names " << o.fileNames << " no-v1 " << o.noV1 << " no-v2 " << o.noV2
      << " new-only " << o.newOnly << " keep-date " << o.keepDate << " unicode " << o.unicode << " dry-run " << o.dryRun
      << " track-numbers " << o.trackNumbers << " number-in-order " << o.numberInOrder << " pattern " << o.pattern;
}
}  // namespace vq

using namespace vq;
using vqtest::TempDir;

namespace {

const ModeRow& ModeOf(const std::string& flag) {
  for (const ModeRow& mode : CommandModes())
    if (!mode.flags.empty() && mode.flags.front() == flag) return mode;
  throw std::runtime_error("no mode " + flag);
}

// The parser's refusal: the line, then the usage of `mode` (every mode's for "").
CommandLine Refusal(const std::string& line, const std::string& mode) {
  return CommandLineAnswer{2, {}, "velquist: " + line + "\n" + (mode.empty() ? FullUsage(CommandModes()) : ModeUsage(ModeOf(mode)))};
}

// Runs in a folder of its own, where a relative folder name such as "-live" exists.
class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.MakeDir("Band/Disc");
    dir.MakeDir("-live");
    ASSERT_NE(::getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  }
  void TearDown() override { ASSERT_EQ(::chdir(old), 0); }

  TempDir dir;
  const std::string band = dir / "Band";
  char old[4096] = {};
};

}  // namespace

TEST_F(CommandLineTest, EveryModeAcceptsItsOptionsInEveryForm) {
  BatchCommandOptions all{band, true, true, true, true, true, true, true};
  const std::vector<std::pair<std::vector<std::string>, CommandLine>> cases = {
      {{}, WindowsOptions{}},
      {{"--batch", band}, BatchCommandOptions{.folder = band}},
      // Options before or after the folder, the mode flag anywhere, a flag twice.
      {{band, "--no-v1", "--batch", "--unicode"}, BatchCommandOptions{.folder = band, .noV1 = true, .unicode = true}},
      {{"--batch", "--keep-date", "--keep-date", band}, BatchCommandOptions{.folder = band, .keepDate = true}},
      {{"--batch", "--file-names", "--no-v1", "--no-v2", "--new-only", "--keep-date", "--unicode", "--dry-run", band},
       all},
      // The folder made absolute and clean; after "--" a folder may start with "-".
      {{"--batch", "Band/./Disc/../"}, BatchCommandOptions{.folder = band}},
      {{"--batch", "--track-numbers", "--number-in-order", "--pattern", "%artist% - %title%", band},
       BatchCommandOptions{.folder = band, .trackNumbers = true, .numberInOrder = true, .pattern = "%artist% - %title%"}},
      {{"--batch", "--dry-run", "--", "-live"}, BatchCommandOptions{.folder = dir / "-live", .dryRun = true}},
      {{"--to-unicode", band}, ToUnicodeCommandOptions{.folder = band}},
      {{"--to-unicode", "--keep-date", band, "--dry-run"},
       ToUnicodeCommandOptions{.folder = band, .dryRun = true, .keepDate = true}},
      // The pattern, then the folder.
      {{"--rename", "%artist%/%title%", band}, RenameCommandOptions{"%artist%/%title%", band}},
      {{"--dry-run", "--rename", "%title%", "Band"}, RenameCommandOptions{"%title%", band, true}},
      {{"--readings", band}, ReadingsCommandOptions{.folder = band}},
      {{"--accept-suggestions", band, "--readings", "--replace", "--dry-run", "--keep-date", "--unicode"},
       ReadingsCommandOptions{band, true, true, true, true, true}},
      {{"--undo"}, UndoCommandOptions{}},
      {{"--undo", "--dry-run"}, UndoCommandOptions{"", true}},
      {{"--undo", "20261207-184512-4242", "--dry-run"}, UndoCommandOptions{"20261207-184512-4242", true}},
      {{"--dry-run", "--undo", "--", "-named"}, UndoCommandOptions{"-named", true}},
      {{"--list-passes"}, ListPassesCommandOptions{}},
      {{"--batch", "--embed-cover", band}, BatchCommandOptions{.folder = band, .embedCover = true}},
      {{"--cover", band}, CoverCommandOptions{.folder = band}},
      {{"--cover", "--max-size=600", "--replace", band, "--dry-run"},
       CoverCommandOptions{.folder = band, .replace = true, .maxSize = 600, .dryRun = true}},
      {{"--cover", "--max-size", "10000", band}, CoverCommandOptions{.folder = band, .maxSize = 10000}},
      {{"--extract-covers", "--dry-run", band}, ExtractCoversCommandOptions{.folder = band, .dryRun = true}},
  };
  for (const auto& [args, expected] : cases) {
    std::string shown;
    for (const std::string& arg : args) shown += " " + arg;
    EXPECT_EQ(ParseCommandLine(args), expected) << shown;
  }
}

TEST_F(CommandLineTest, RefusalsSayWhyAndShowTheUsageBeforeAnythingRuns) {
  const std::vector<std::tuple<std::vector<std::string>, std::string, std::string>> cases = {
      // Options no mode has.
      {{"--undo", "--frobnicate"}, "不明なオプションです: --frobnicate", "--undo"},
      {{"--list-passes", "--frobnicate"}, "不明なオプションです: --frobnicate", "--list-passes"},
      {{"--batch", "-x", band}, "不明なオプションです: -x", "--batch"},
      {{"--frobnicate=1"}, "不明なオプションです: --frobnicate=1", ""},
      {{"--help", "--frobnicate"}, "不明なオプションです: --frobnicate", ""},
      // Options of another mode.
      {{"--to-unicode", "--no-v1", band}, "オプション --no-v1 は --to-unicode では使えません。", "--to-unicode"},
      {{"--undo", "--keep-date"}, "オプション --keep-date は --undo では使えません。", "--undo"},
      {{"--version", "--dry-run"}, "オプション --dry-run は --version では使えません。", "--version"},
      {{"--dry-run"}, "オプション --dry-run は --batch、--to-unicode、--rename、--readings、--cover、--extract-covers、--undo のどれかと一緒に指定してください。", ""},
      {{"--unicode", band}, "オプション --unicode は --batch、--readings のどれかと一緒に指定してください。", ""},
      {{"--replace", band}, "オプション --replace は --readings、--cover のどれかと一緒に指定してください。", ""},
      {{"--readings", "--new-only", band}, "オプション --new-only は --readings では使えません。", "--readings"},
      {{"--batch", "--replace", band}, "オプション --replace は --batch では使えません。", "--batch"},
      {{"--extract-covers", "--max-size", "600", band}, "オプション --max-size は --extract-covers では使えません。",
       "--extract-covers"},
      // A size is a whole number of pixels, up to the largest picture read.
      {{"--cover", "--max-size", "0", band}, "オプション --max-size には 1 から 10000 までの整数を指定してください: 0", "--cover"},
      {{"--cover", "--max-size=10001", band}, "オプション --max-size には 1 から 10000 までの整数を指定してください: 10001",
       "--cover"},
      {{"--cover", "--max-size", "600px", band}, "オプション --max-size には 1 から 10000 までの整数を指定してください: 600px",
       "--cover"},
      {{"--cover", "--max-size=-5", band}, "オプション --max-size には 1 から 10000 までの整数を指定してください: -5", "--cover"},
      {{"--cover", band, "--max-size"}, "オプション --max-size の後にピクセル数を指定してください。", "--cover"},
      // Flags take no value.
      {{"--batch=yes", band}, "オプション --batch には値を付けられません。", "--batch"},
      {{"--batch", "--dry-run=no", band}, "オプション --dry-run には値を付けられません。", "--batch"},
      // A pattern the batch cannot use, before the folder is looked at.
      {{"--batch", "--pattern", "%artist% - %titel%", dir / "missing"},
       "「%titel%」はパターンに使えない項目です。使える項目: %artist% %album% %title% %track% %disc% %year% %genre% "
       "%comment% %skip%",
       "--batch"},
      {{"--batch", "--pattern=\x82%title%", band}, "パターンをUTF-8の文字列として読めません。", "--batch"},
      {{"--to-unicode", "--pattern", "%title%", band}, "オプション --pattern は --to-unicode では使えません。", "--to-unicode"},
      // Two modes at once, in the order given.
      {{"--batch", "--undo", band}, "--batch と --undo は一緒に指定できません。一度に一つだけ指定してください。", ""},
      {{"--version", "--list-passes"}, "--version と --list-passes は一緒に指定できません。一度に一つだけ指定してください。", ""},
      // Missing, extra or absent folders and arguments.
      {{"--batch"}, "フォルダを指定してください。", "--batch"},
      {{"--to-unicode", "--dry-run"}, "フォルダを指定してください。", "--to-unicode"},
      {{"--batch", band, band}, "フォルダは一つだけ指定してください。", "--batch"},
      {{"--batch", dir / "missing"}, "フォルダがありません: " + dir / "missing", "--batch"},
      {{"--to-unicode", "--", "--no-v1"}, "フォルダがありません: --no-v1", "--to-unicode"},
      {{"--undo", "a", "b"}, "ジャーナルは一つだけ指定してください。", "--undo"},
      {{"--rename", "%title%"}, "フォルダを指定してください。", "--rename"},
      {{"--rename", "%title%", band, band}, "余分な引数です: " + band, "--rename"},
      // An empty argument is not the working folder, nor the last pass.
      {{"--batch", ""}, "フォルダの名前が空です。", "--batch"},
      {{"--undo", ""}, "ジャーナルの名前が空です。", "--undo"},
      {{"--list-passes", "x"}, "余分な引数です: x", "--list-passes"},
      {{band}, "余分な引数です: " + band, ""},
  };
  for (const auto& [args, line, mode] : cases) {
    std::string shown;
    for (const std::string& arg : args) shown += " " + arg;
    EXPECT_EQ(ParseCommandLine(args), Refusal(line, mode)) << shown;
  }
}

TEST_F(CommandLineTest, HelpPrintsTheUsageAndVersionTheVersion) {
  const CommandLine help = CommandLineAnswer{0, FullUsage(CommandModes()), {}};
  EXPECT_EQ(ParseCommandLine({"--help"}), help);
  EXPECT_EQ(ParseCommandLine({"-h"}), help);
  // With a mode, that mode's usage.
  EXPECT_EQ(ParseCommandLine({"--batch", "--no-v1", "--help"}),
            CommandLine(CommandLineAnswer{0, ModeUsage(ModeOf("--batch")), {}}));
  // The whole usage shows every mode, each with the line tests and users look for.
  const std::string usage = std::get<CommandLineAnswer>(help).out;
  for (const char* line : {"使い方: velquist\n", "使い方: velquist --batch [オプション] フォルダ\n",
                           "使い方: velquist --to-unicode [オプション] フォルダ\n",
                           "使い方: velquist --undo [オプション] [ジャーナル]\n",
                           "使い方: velquist --cover [オプション] フォルダ\n",
                           "使い方: velquist --extract-covers [オプション] フォルダ\n", "使い方: velquist --list-passes\n",
                           "使い方: velquist --help\n", "使い方: velquist --version\n"})
    EXPECT_NE(usage.find(line), std::string::npos) << line;
  // Each option on a line of its own, its help lined up after it.
  EXPECT_TRUE(std::regex_search(usage, std::regex("\n  --file-names +ファイル名モード"))) << usage;

  const CommandLine version = ParseCommandLine({"--version"});
  ASSERT_TRUE(std::holds_alternative<CommandLineAnswer>(version));
  EXPECT_EQ(std::get<CommandLineAnswer>(version).status, 0);
  EXPECT_TRUE(std::regex_match(std::get<CommandLineAnswer>(version).out, std::regex("velquist [0-9]+\\.[0-9]+\\.[0-9]+\n")))
      << std::get<CommandLineAnswer>(version).out;
}

// An option that takes a value ("--comment コメント", as --pattern is): one entry of
// its mode's row, read after a space or "=", refused without its value or twice.
TEST_F(CommandLineTest, AnOptionWithAValueIsOneEntryOfItsRow) {
  std::vector<ModeRow> modes = CommandModes();
  std::string comment;
  for (ModeRow& mode : modes)
    if (!mode.flags.empty() && mode.flags.front() == "--batch")
      mode.options.push_back({"--comment", "コメント", "書き込むコメント", [&comment](CommandLine&, const std::string& text) { comment = text; }});
  const ModeRow& batch = *std::find_if(modes.begin(), modes.end(), [](const ModeRow& m) { return !m.flags.empty() && m.flags.front() == "--batch"; });
  EXPECT_NE(ModeUsage(batch).find("\n  --comment コメント   書き込むコメント\n"), std::string::npos) << ModeUsage(batch);

  for (const auto& [args, value] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"--batch", "--comment", "%n %t", band}, "%n %t"},
           {{"--batch", band, "--comment=%t"}, "%t"},
           {{"--batch", "--comment", "-%t-", band}, "-%t-"}}) {
    comment = "unset";
    EXPECT_EQ(ParseCommandLine(modes, args), CommandLine(BatchCommandOptions{.folder = band})) << args[2];
    EXPECT_EQ(comment, value);
  }
  const auto refusal = [&](const std::string& line) {
    return CommandLine(CommandLineAnswer{2, {}, "velquist: " + line + "\n" + ModeUsage(batch)});
  };
  EXPECT_EQ(ParseCommandLine(modes, {"--batch", band, "--comment"}), refusal("オプション --comment の後にコメントを指定してください。"));
  EXPECT_EQ(ParseCommandLine(modes, {"--batch", "--comment", "a", "--comment=b", band}),
            refusal("オプション --comment は一度だけ指定してください。"));
  EXPECT_EQ(ParseCommandLine(modes, {"--to-unicode", "--comment", "a", band}),
            CommandLine(CommandLineAnswer{2, {}, "velquist: オプション --comment は --to-unicode では使えません。\n" + ModeUsage(ModeOf("--to-unicode"))}));
}
