#include "app/cli/undo_command.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "passes/journal.h"
#include "app/cli/terminal_output.h"
#include "platform/file_names.h"
#include "platform/fileio.h"

namespace vq {
namespace {

// Standard error names each file left alone and why.
class TerminalUndo : public UndoReporter {
 public:
  void Skipped(const std::string& path, const std::u16string& why) override {
    PrintUtf8(stderr, u"元に戻しませんでした: " + DecodePath(path) + u"\n  " + why + u"\n");
  }
  void ReportUpdateError(const std::u16string&, const std::u16string&) override {}
  void ReportError(const std::u16string&) override {}
};

int ListPassesCommand(const std::string& folder) {
  const std::vector<PassInfo> passes = ListPasses(folder);
  if (passes.empty()) PrintUtf8(stderr, u"元に戻せる処理の記録はありません。\n");
  for (const PassInfo& pass : passes) {
    std::u16string line = DecodePath(pass.name) + u"  " + PassText(pass);
    if (pass.undone) line += u"  (元に戻し済み)";
    PrintUtf8(stdout, line + u"\n");
  }
  return 0;
}

}  // namespace

bool IsUndoCommand(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--undo") == 0 || std::strcmp(argv[i], "--list-passes") == 0) return true;
  return false;
}

int RunUndoCommand(int argc, char** argv) {
  const std::string folder = JournalFolder();
  std::string named;
  bool list = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--list-passes") == 0)
      list = true;
    else if (std::strcmp(argv[i], "--undo") == 0 && i + 1 < argc && argv[i + 1][0] != '-')
      named = argv[++i];
  }
  if (list) return ListPassesCommand(folder);

  std::string path;
  if (named.empty()) {
    const std::optional<PassInfo> last = LastPass(folder);
    if (!last) {
      PrintUtf8(stderr, u"元に戻せる処理の記録はありません。\n");
      return 1;
    }
    path = last->path;
  } else {
    path = named.find('/') != std::string::npos ? named : folder + "/" + named + ".journal";
  }
  try {
    const PassInfo pass = ReadPassInfo(path);
    PrintUtf8(stderr, u"元に戻す処理: " + PassText(pass) + u"\n");
    TerminalUndo reporter;
    const UndoResult result = UndoPass(path, reporter);
    PrintUtf8(stderr, UndoResultText(result) + u"\n");
    return result.skipped == 0 ? 0 : 1;
  } catch (const Error& e) {
    PrintUtf8(stderr, u"処理の記録を読めません: " + DecodePath(named.empty() ? path : named) + u"\n  " +
                          e.description() + u"\n");
    return 1;
  }
}

}  // namespace vq
