#include "app/cli/command_line.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <map>
#include <optional>

#include "passes/name_pattern.h"
#include "platform/file_names.h"
#include "formats/picture_codec.h"
#include "platform/fileio.h"
#include "platform/text.h"

namespace vq {

namespace {

constexpr char kHelpFlag[] = "--help";

// Columns a text takes on a terminal: wide (2) from U+0800 on, where the kana and kanji
// are, enough to line up the usage's option lines. (wcswidth would need a UTF-8 locale,
// which the program does not set.)
std::size_t Columns(const std::string& text) {
  std::size_t columns = 0;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    columns += length >= 3 ? 2 : 1;
    i += length;
  }
  return columns;
}

std::string OptionColumn(const OptionRow& option) {
  return option.valueName.empty() ? option.name : option.name + " " + option.valueName;
}

std::string Join(const std::vector<std::string>& parts, const std::string& between) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : between) + part;
  return text;
}

// The modes that accept an option, by their flags: "--batch、--to-unicode".
std::vector<std::string> ModesAccepting(const std::vector<ModeRow>& modes, const std::string& name) {
  std::vector<std::string> flags;
  for (const ModeRow& mode : modes)
    for (const OptionRow& option : mode.options)
      if (option.name == name && !mode.flags.empty()) flags.push_back(mode.flags.front());
  return flags;
}

// Reads the command line against one table. CLI11 does the syntax (options, values
// after a space or "=", "--", options it does not know); this class decides what the
// options mean for the chosen mode and says every refusal in Japanese, since CLI11's own
// messages and help are in English.
class Parser {
 public:
  explicit Parser(const std::vector<ModeRow>& modes) : modes_(modes) {
    app_.set_help_flag();  // --help is a mode of the table, answered below
    app_.allow_extras(false);
    for (const ModeRow& mode : modes_) {
      modeFlags_.push_back(mode.flags.empty() ? nullptr : app_.add_flag(Join(mode.flags, ",")));
      for (const OptionRow& option : mode.options) {
        if (options_.count(option.name) != 0) continue;  // the same option of another mode
        CLI::Option* added = option.valueName.empty()
                                 ? app_.add_flag(option.name)
                                 : app_.add_option(option.name)->type_size(1)->expected(1)->multi_option_policy(
                                       CLI::MultiOptionPolicy::TakeAll);
        options_[option.name] = added;
        valueNames_[option.name] = option.valueName;
      }
    }
    arguments_ = app_.add_option("arguments", argumentValues_);  // every argument that is no option
  }

  CommandLine Parse(const std::vector<std::string>& args) {
    std::optional<std::string> syntaxError = ParseSyntax(args);
    std::vector<const ModeRow*> chosen;  // every mode given, in the command line's order, --help apart
    const ModeRow* help = nullptr;
    for (const CLI::Option* given : app_.parse_order()) {
      const auto flag = std::find(modeFlags_.begin(), modeFlags_.end(), given);
      if (flag == modeFlags_.end()) continue;
      const ModeRow* mode = &modes_[static_cast<std::size_t>(flag - modeFlags_.begin())];
      if (mode->flags.front() == kHelpFlag)
        help = mode;
      else if (std::find(chosen.begin(), chosen.end(), mode) == chosen.end())
        chosen.push_back(mode);
    }
    const ModeRow* usageOf = chosen.size() == 1 ? chosen.front() : nullptr;
    if (syntaxError) return Refuse(*syntaxError, usageOf);
    // --help with one mode prints that mode's usage; alone or with several, every mode's.
    if (help != nullptr) return CommandLineAnswer{0, usageOf ? ModeUsage(*usageOf) : FullUsage(modes_), {}};
    if (chosen.size() > 1) {
      std::vector<std::string> flags;
      for (const ModeRow* mode : chosen) flags.push_back(mode->flags.front());
      return Refuse(Join(flags, " と ") + " は一緒に指定できません。一度に一つだけ指定してください。", nullptr);
    }
    const ModeRow* mode = usageOf;
    if (mode == nullptr) {
      const auto windows = std::find_if(modes_.begin(), modes_.end(), [](const ModeRow& m) { return m.flags.empty(); });
      if (windows == modes_.end()) return Refuse("モードを指定してください。", nullptr);
      mode = &*windows;
    }
    return ReadMode(*mode);
  }

 private:
  // CLI11's parse; a refusal line for an argument it cannot read.
  std::optional<std::string> ParseSyntax(const std::vector<std::string>& args) {
    std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them last first
    try {
      app_.parse(reversed);
    } catch (const CLI::ExtrasError&) {
      const std::vector<std::string> unknown = app_.remaining();
      return "不明なオプションです: " + (unknown.empty() ? std::string() : unknown.front());
    } catch (const CLI::ArgumentMismatch& e) {
      // An option that takes a value came last (as getopt, CLI11 takes whatever follows
      // for the value): CLI11's message starts with the option's name.
      const std::string what = e.what();
      for (const auto& [name, valueName] : valueNames_)
        if (!valueName.empty() && what.rfind(name + ":", 0) == 0)
          return "オプション " + name + " の後に" + valueName + "を指定してください。";
      return "オプションの値がありません。";
    } catch (const CLI::ParseError&) {
      return "コマンドラインを読み取れません。";
    }
    return std::nullopt;
  }

  // The chosen mode's options struct from the options and arguments given, or the
  // refusal of the first one that does not fit it.
  CommandLine ReadMode(const ModeRow& mode) {
    CommandLine result = mode.start;
    for (const CLI::Option* given : app_.parse_order()) {
      if (given == arguments_) continue;
      const std::string name = given->get_name();
      const auto flag = std::find(modeFlags_.begin(), modeFlags_.end(), given);
      const bool isModeFlag = flag != modeFlags_.end();
      const OptionRow* option = nullptr;
      for (const OptionRow& o : mode.options)
        if (o.name == name) option = &o;
      if (!isModeFlag && option == nullptr) {
        if (!mode.flags.empty()) return Refuse("オプション " + name + " は " + mode.flags.front() + " では使えません。", &mode);
        const std::vector<std::string> accepting = ModesAccepting(modes_, name);
        return Refuse("オプション " + name + " は " + Join(accepting, "、") +
                          (accepting.size() > 1 ? " のどれかと" : " と") + "一緒に指定してください。",
                      nullptr);
      }
      const bool takesValue = option != nullptr && !option->valueName.empty();
      if (takesValue && given->count() > 1)
        return Refuse("オプション " + name + " は一度だけ指定してください。", &mode);
      if (!takesValue) {
        // A flag written with a value ("--dry-run=no"), which CLI11 would take.
        for (const std::string& value : given->results())
          if (value != "true") return Refuse("オプション " + name + " には値を付けられません。", &mode);
      }
    }
    for (const OptionRow& option : mode.options) {
      const CLI::Option* given = options_.at(option.name);
      if (given->count() == 0) continue;
      const std::string text = option.valueName.empty() ? std::string() : given->results().back();
      if (option.check) {
        const std::string refusal = option.check(text);
        if (!refusal.empty()) return Refuse(refusal, &mode);
      }
      option.set(result, text);
    }

    const std::vector<std::string>& values = argumentValues_;
    const std::vector<ArgumentRow>& wanted = mode.arguments;
    if (values.size() > wanted.size()) {
      if (wanted.size() == 1) return Refuse(wanted.front().name + "は一つだけ指定してください。", &mode);
      return Refuse("余分な引数です: " + values[wanted.size()], &mode);
    }
    for (std::size_t i = 0; i < wanted.size(); ++i) {
      if (i >= values.size()) {
        if (wanted[i].required) return Refuse(wanted[i].name + "を指定してください。", &mode);
        continue;
      }
      // An empty argument (a shell variable that is not set) would be the working folder
      // or the last pass: never what was meant.
      if (values[i].empty()) return Refuse(wanted[i].name + "の名前が空です。", &mode);
      std::string value = values[i];
      if (wanted[i].folder) {
        value = CleanFolderPath(values[i]);
        if (!IsFolder(value)) return Refuse(wanted[i].name + "がありません: " + values[i], &mode);
      }
      wanted[i].set(result, value);
    }
    return result;
  }

  // "velquist: <line>" and the usage of the mode the line concerns (of every mode when
  // none was chosen) on standard error, status 2.
  CommandLine Refuse(const std::string& line, const ModeRow* mode) const {
    const bool chosen = mode != nullptr && !mode->flags.empty();
    return CommandLineAnswer{2, {}, "velquist: " + line + "\n" + (chosen ? ModeUsage(*mode) : FullUsage(modes_))};
  }

  const std::vector<ModeRow>& modes_;
  CLI::App app_{"", "velquist"};
  std::vector<CLI::Option*> modeFlags_;  // one per mode, nullptr for the windows
  std::map<std::string, CLI::Option*> options_;
  std::map<std::string, std::string> valueNames_;
  CLI::Option* arguments_ = nullptr;
  std::vector<std::string> argumentValues_;
};

}  // namespace

std::string ModeUsage(const ModeRow& mode) {
  std::string text = "使い方: velquist";
  if (!mode.flags.empty()) text += " " + mode.flags.front();
  if (!mode.options.empty()) text += " [オプション]";
  for (const ArgumentRow& argument : mode.arguments)
    text += argument.required ? " " + argument.name : " [" + argument.name + "]";
  text += "\n" + mode.description;
  if (mode.options.empty()) return text;
  std::size_t width = 0;
  for (const OptionRow& option : mode.options) width = std::max(width, Columns(OptionColumn(option)));
  text += "\n";
  for (const OptionRow& option : mode.options) {
    const std::string column = OptionColumn(option);
    text += "  " + column + std::string(width + 3 - Columns(column), ' ') + option.help + "\n";
  }
  return text;
}

std::string FullUsage(const std::vector<ModeRow>& modes) {
  std::vector<std::string> blocks;
  for (const ModeRow& mode : modes) blocks.push_back(ModeUsage(mode));
  return Join(blocks, "\n");
}

CommandLine ParseCommandLine(const std::vector<ModeRow>& modes, const std::vector<std::string>& args) {
  return Parser(modes).Parse(args);
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) { return ParseCommandLine(CommandModes(), args); }

namespace {

// Why --batch cannot use a pattern, before anything is read; empty when it can.
std::string BatchPatternRefusal(const std::string& text) {
  if (!IsValidUtf8(text)) return "パターンをUTF-8の文字列として読めません。";
  const ParsedPattern parsed = ParseNamePattern(Utf8ToUtf16(text));
  return parsed.pattern ? std::string() : Utf16ToUtf8(parsed.error);
}

}  // namespace

const std::vector<ModeRow>& CommandModes() {
  using Batch = BatchCommandOptions;
  using ToUnicode = ToUnicodeCommandOptions;
  using Rename = RenameCommandOptions;
  using Undo = UndoCommandOptions;
  using Readings = ReadingsCommandOptions;
  using Cover = CoverCommandOptions;
  using Extract = ExtractCoversCommandOptions;
  static const std::vector<ModeRow> modes = {
      {{}, WindowsOptions{}, {}, {}, "引数を付けずに起動すると、ウィンドウを開きます。\n"},
      {{"--batch"},
       Batch{},
       {Flag("--file-names", "ファイル名モード: フォルダ直下のファイルだけを処理します", &Batch::fileNames),
        Flag("--no-v1", "ID3v1タグを書きません", &Batch::noV1),
        Flag("--no-v2", "ID3v2タグを書きません", &Batch::noV2),
        Flag("--new-only", "新規作成のみ行う: すでにあるタグはそのままにします", &Batch::newOnly),
        Flag("--keep-date", "ファイルの更新で日付を変更しない", &Batch::keepDate),
        Flag("--unicode", "ID3v2をUnicodeで書く", &Batch::unicode),
        Flag("--dry-run", "何も書き込まずに、各ファイルに書き込む内容を表示します", &Batch::dryRun),
        Flag("--track-numbers", "曲番号: ファイル名の先頭の番号を曲番号に、CD1 などのフォルダをディスク番号にします",
             &Batch::trackNumbers),
        Flag("--number-in-order", "番号を振る: アルバムの曲に名前の順で曲番号を付けます", &Batch::numberInOrder),
        ValueOption("--pattern", "パターン", "フォルダ名とファイル名をパターンで読みます (例: \"%artist% - %title%\")",
                    &Batch::pattern, BatchPatternRefusal),
        Flag("--embed-cover", "表紙を埋め込む: フォルダの表紙の画像を、そのフォルダの曲にも書き込みます", &Batch::embedCover)},
       {Argument("フォルダ", true, true, &Batch::folder)},
       "フォルダとその直下のサブフォルダにあるMP3ファイルに、フォルダ名(作者名)、\n"
       "サブフォルダ名(アルバム名)、ファイル名(曲名)をID3v1とID3v2のタグとして書き込みます。\n"},
      {{"--to-unicode"},
       ToUnicode{},
       {Flag("--dry-run", "変換の内容を表示するだけで、ファイルは変更しません", &ToUnicode::dryRun),
        Flag("--keep-date", "ファイルの更新で日付を変更しない", &ToUnicode::keepDate)},
       {Argument("フォルダ", true, true, &ToUnicode::folder)},
       "フォルダとその下のすべてのフォルダにあるMP3ファイルのID3v2タグで、\n"
       "1バイト文字(エンコード0)で書かれた文字列をUnicode(UTF-16)にします。\n"
       "文字列ごとに、コードページ932(Shift-JIS)かISO-8859-1かをバイト列から判定します。\n"},
      {{"--rename"},
       Rename{},
       {Flag("--dry-run", "名前を変えずに、各ファイルの新しい名前を表示します", &Rename::dryRun)},
       {Argument("パターン", true, false, &Rename::pattern), Argument("フォルダ", true, true, &Rename::folder)},
       "フォルダとその下のすべてのフォルダにあるMP3ファイルの名前を、タグからパターンで付け直します。\n"
       "項目: %artist% %album% %title% %track% (2桁、%track:3% で3桁) %disc% %year% %genre% %comment%\n"
       "「/」でフォルダを作ります。例: velquist --rename \"%artist%/%album%/%track% %title%\" ~/Music\n"},
      {{"--readings"},
       Readings{},
       {Flag("--dry-run", "何も書き込まずに、各ファイルに書き込む読みを表示します", &Readings::dryRun),
        Flag("--replace", "すでにある読みも、違っていれば書き換えます", &Readings::replace),
        Flag("--accept-suggestions", "候補の読みも書き込みます", &Readings::acceptSuggestions),
        Flag("--keep-date", "ファイルの更新で日付を変更しない", &Readings::keepDate),
        Flag("--unicode", "読みをUnicode(UTF-16)で書く", &Readings::unicode)},
       {Argument("フォルダ", true, true, &Readings::folder)},
       "フォルダとその下のすべてのフォルダにあるMP3ファイルの曲名・作者名・アルバム名・\n"
       "アルバム作者名に、並べ替え用の読み(カタカナ)をTSOT・TSOP・TSOA・TSO2として入れます。\n"
       "読みは読みファイル(~/.config/velquist/readings.tsv)、フォルダの中の同じ文字列の読み、\n"
       "辞書(MeCab)の順に探します。確定した読みだけを書き込み、候補は一覧にします。\n"},
      {{"--cover"},
       Cover{},
       {Flag("--replace", "すでにある表紙も、フォルダの表紙の画像に置き換えます", &Cover::replace),
        NumberOption("--max-size", "ピクセル数", "画像がこの大きさ(縦横とも)を超えるときは縮小し、JPEG(品質90)で埋め込みます",
                     &Cover::maxSize, 1, kMaxPictureSide),
        Flag("--dry-run", "何も書き込まずに、各ファイルに書き込む内容を表示します", &Cover::dryRun)},
       {Argument("フォルダ", true, true, &Cover::folder)},
       "フォルダとその下のすべてのフォルダで、アルバムのフォルダにある表紙の画像(cover、folder、\n"
       "front、albumart、jacket の .jpg/.jpeg/.png、なければフォルダにただ一つの画像)を、\n"
       "そのフォルダのMP3ファイルに表紙(APIC、種類3)として書き込みます。\n"
       "表紙のある曲はそのままにします(--replace で置き換えます)。\n"},
      {{"--extract-covers"},
       Extract{},
       {Flag("--dry-run", "何も書き込まずに、書き出すファイルを表示します", &Extract::dryRun)},
       {Argument("フォルダ", true, true, &Extract::folder)},
       "フォルダとその下のすべてのフォルダで、表紙の画像のないアルバムのフォルダに、\n"
       "曲の表紙(いちばん多くの曲が持つもの)を cover.jpg か cover.png として書き出します。\n"
       "すでにあるファイルを上書きすることはありません。\n"},
      {{"--undo"},
       Undo{},
       {Flag("--dry-run", "元に戻す内容を表示するだけで、ファイルは変更しません", &Undo::dryRun)},
       {Argument("ジャーナル", false, false, &Undo::journal)},
       "最後の処理(またはジャーナルで指定した処理)で書き換えたファイルのタグと日付を元に戻します。\n"
       "ジャーナルには --list-passes が表示する名前か、ジャーナルのパスを指定します。\n"
       "処理の記録(ジャーナル)は $XDG_STATE_HOME/velquist/ (既定は ~/.local/state/velquist/)\n"
       "に、最近の10回分が保存されます。\n"},
      {{"--list-passes"}, ListPassesCommandOptions{}, {}, {}, "元に戻せる処理を一覧表示します。\n"},
      {{kHelpFlag, "-h"},
       CommandLineAnswer{},
       {},
       {},
       "この説明を表示します(-h も同じです)。--batch などと一緒に指定すると、そのモードの説明を表示します。\n"},
      {{"--version"}, CommandLineAnswer{0, "velquist " VQ_VERSION "\n", {}}, {}, {}, "バージョンを表示します。\n"},
  };
  return modes;
}

}  // namespace vq
