// The program's command line: one table of modes, one parser for all of them.
//
// Each mode has its flag ("--batch"; the windows have none), the options it accepts, its
// arguments (a folder, a journal) and its Japanese usage. The parser reads the arguments
// against that table and answers with the chosen mode's options, or with the text to
// print itself: the usage for --help, the version, or a refusal ("velquist: …" and the
// usage, status 2) before anything is read or written.
//
// A new mode is one row of CommandModes() and its options struct; a new option of a mode
// is one entry of its row and one field of its struct.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vq {

// No argument at all: the windows open.
struct WindowsOptions {
  bool operator==(const WindowsOptions&) const = default;
};

// velquist --batch [options] FOLDER
struct BatchCommandOptions {
  std::string folder;      // an existing folder, made absolute and clean
  bool fileNames = false;  // file-name mode: the folder's own files only
  bool noV1 = false;       // leave the ID3v1 tag out
  bool noV2 = false;       // leave the ID3v2 tag out
  bool newOnly = false;    // tags a file already has stay as they are
  bool keepDate = false;   // each file keeps its modification date
  bool unicode = false;    // ID3v2 texts that are not plain ASCII in UTF-16
  bool dryRun = false;     // write nothing, print what would be written
  bool trackNumbers = false;   // track numbers from the names, disc folders
  bool numberInOrder = false;  // every file of an album numbered in name order
  std::string pattern = {};    // the naming pattern (UTF-8, one the batch can use); empty: none
  bool embedCover = false;     // each album folder's cover image into its files, as they are tagged
  bool operator==(const BatchCommandOptions&) const = default;
};

// velquist --cover [options] FOLDER
struct CoverCommandOptions {
  std::string folder;    // an existing folder, made absolute and clean
  bool replace = false;  // a front cover a file has gives way to the folder's
  int maxSize = 0;       // > 0: a larger image is scaled to fit this many pixels a side
  bool dryRun = false;
  bool operator==(const CoverCommandOptions&) const = default;
};

// velquist --extract-covers [options] FOLDER
struct ExtractCoversCommandOptions {
  std::string folder;  // an existing folder, made absolute and clean
  bool dryRun = false;
  bool operator==(const ExtractCoversCommandOptions&) const = default;
};

// velquist --to-unicode [options] FOLDER
struct ToUnicodeCommandOptions {
  std::string folder;  // an existing folder, made absolute and clean
  bool dryRun = false;
  bool keepDate = false;
  bool operator==(const ToUnicodeCommandOptions&) const = default;
};

// velquist --rename [options] PATTERN FOLDER
struct RenameCommandOptions {
  std::string pattern;  // as given: UTF-8, read by ParseRenamePattern
  std::string folder;   // an existing folder, made absolute and clean
  bool dryRun = false;  // rename nothing, print what would be renamed
  bool operator==(const RenameCommandOptions&) const = default;
};

// velquist --readings [options] FOLDER
struct ReadingsCommandOptions {
  std::string folder;               // an existing folder, made absolute and clean
  bool dryRun = false;              // write nothing, print what would be written
  bool replace = false;             // sort readings the files have are replaced too
  bool acceptSuggestions = false;   // suggested readings (候補) are written too
  bool keepDate = false;            // each file keeps its modification date
  bool unicode = false;             // readings in UTF-16 ("ID3v2をUnicodeで書く")
  bool operator==(const ReadingsCommandOptions&) const = default;
};

// velquist --undo [options] [JOURNAL]
struct UndoCommandOptions {
  std::string journal;  // as given: a name --list-passes prints or a path; empty for the last pass
  bool dryRun = false;  // restore nothing, show what would be restored
  bool operator==(const UndoCommandOptions&) const = default;
};

// velquist --list-passes
struct ListPassesCommandOptions {
  bool operator==(const ListPassesCommandOptions&) const = default;
};

// What the parser answers by itself: the usage (--help), the version, or a refusal. The
// program prints `out` on standard output, `err` on standard error, and exits with
// `status`.
struct CommandLineAnswer {
  int status = 0;
  std::string out;
  std::string err;
  bool operator==(const CommandLineAnswer&) const = default;
};

// The parser's result: what to run, with its options, or the answer to print.
using CommandLine = std::variant<CommandLineAnswer, WindowsOptions, BatchCommandOptions, ToUnicodeCommandOptions,
                                 RenameCommandOptions, UndoCommandOptions, ListPassesCommandOptions, ReadingsCommandOptions,
                                 CoverCommandOptions, ExtractCoversCommandOptions>;

// Sets a field of the mode's options struct, held in the CommandLine, from the text of
// the command line (empty for a flag).
using SetField = std::function<void(CommandLine& options, const std::string& text)>;

// One option of a mode: a flag ("--no-v1") or, with a value name, an option that takes a
// value ("--pattern パターン" or "--pattern=パターン").
struct OptionRow {
  std::string name;       // "--no-v1"
  std::string valueName;  // empty for a flag; what the usage calls its value
  std::string help;       // the usage's line for it
  SetField set;
  // For a value: why the option cannot take it (the refusal's line), empty when it can.
  std::function<std::string(const std::string& text)> check = {};
};

// One argument of a mode, in order: required or not; a folder must exist and is given
// to the mode made absolute and clean.
struct ArgumentRow {
  std::string name;  // what the usage and the refusals call it: "フォルダ"
  bool required = true;
  bool folder = false;
  SetField set;
};

// One mode: a row of the table.
struct ModeRow {
  std::vector<std::string> flags;  // "--batch" (and its aliases); none for the windows
  CommandLine start;               // the mode's options before the command line sets any
  std::vector<OptionRow> options;
  std::vector<ArgumentRow> arguments;
  std::string description;         // the usage's lines under "使い方: velquist …"
};

// Entries of a row for a field of the mode's options struct.
template <class Options>
OptionRow Flag(std::string name, std::string help, bool Options::*field) {
  return {std::move(name), {}, std::move(help),
          [field](CommandLine& options, const std::string&) { std::get<Options>(options).*field = true; }};
}
template <class Options>
OptionRow ValueOption(std::string name, std::string valueName, std::string help, std::string Options::*field) {
  return {std::move(name), std::move(valueName), std::move(help),
          [field](CommandLine& options, const std::string& text) { std::get<Options>(options).*field = text; }};
}
// An option whose value is a whole number from `least` to `most`, written in ASCII digits.
template <class Options>
OptionRow NumberOption(std::string name, std::string valueName, std::string help, int Options::*field, int least,
                       int most) {
  const auto number = [least, most](const std::string& text) -> std::optional<int> {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    const int value = std::stoi(text);
    if (value < least || value > most) return std::nullopt;
    return value;
  };
  std::string refusal = "オプション " + name + " には " + std::to_string(least) + " から " + std::to_string(most) +
                        " までの整数を指定してください: ";
  return {std::move(name), std::move(valueName), std::move(help),
          [field, number](CommandLine& options, const std::string& text) {
            std::get<Options>(options).*field = number(text).value_or(0);
          },
          [number, refusal](const std::string& text) { return number(text) ? std::string() : refusal + text; }};
}
template <class Options>
OptionRow ValueOption(std::string name, std::string valueName, std::string help, std::string Options::*field,
                      std::function<std::string(const std::string& text)> check) {
  OptionRow row = ValueOption(std::move(name), std::move(valueName), std::move(help), field);
  row.check = std::move(check);
  return row;
}
template <class Options>
ArgumentRow Argument(std::string name, bool required, bool folder, std::string Options::*field) {
  return {std::move(name), required, folder,
          [field](CommandLine& options, const std::string& text) { std::get<Options>(options).*field = text; }};
}

// The program's modes: the windows, --batch, --to-unicode, --rename, --readings, --cover,
// --extract-covers, --undo, --list-passes, --help and --version.
const std::vector<ModeRow>& CommandModes();

// Reads the arguments (without the program's name) against the program's table.
CommandLine ParseCommandLine(const std::vector<std::string>& args);
// The same against another table.
CommandLine ParseCommandLine(const std::vector<ModeRow>& modes, const std::vector<std::string>& args);

// "使い方: velquist --batch [オプション] フォルダ", the mode's description and its
// options, one per line.
std::string ModeUsage(const ModeRow& mode);
// Every mode's usage, what --help prints.
std::string FullUsage(const std::vector<ModeRow>& modes);

}  // namespace vq
