// The texts of the messages the windows and the command-line batch show for the tag
// writers' failures and for the batch pass.
#pragma once

#include <cstddef>
#include <string>

#include "platform/fileio.h"

namespace vq {

// The caption of the read-only message.
inline constexpr char16_t kUpdateErrorCaption[] = u"更新エラー";

// A message as the user gets it: a caption ("" for the program's name) and its text.
struct UserMessage {
  std::u16string caption;
  std::u16string text;
};

// What a file that may not be written shows: "更新エラー" and UpdateErrorText.
UserMessage UpdateErrorMessage(const std::u16string& folderPrefix, const std::u16string& fileName);
// A command's failure on a file: a file-access error (read-only, no permission) is the
// update error; any other error shows its own description.
UserMessage FileErrorMessage(const Error& e, const std::u16string& folderPrefix, const std::u16string& fileName);
// The message as one block of text for a terminal or a preview: "更新エラー: " and the
// text, or the text alone without a caption.
std::u16string MessageLine(const UserMessage& m);

// "ファイルの属性が読み取り専用になっていませんか?" CR LF, the folder prefix, CR LF, the
// file name: what a file that may not be written shows.
std::u16string UpdateErrorText(const std::u16string& folderPrefix, const std::u16string& fileName);

// Any other failure of a file in a pass: its description CR LF, the folder prefix,
// CR LF, the file name, so that the message names the file as the update error does.
std::u16string NamedErrorText(const std::u16string& description, const std::u16string& folderPrefix,
                              const std::u16string& fileName);

// "k / n" with thousands separators: the batch's progress.
std::u16string ProgressText(std::size_t done, std::size_t count);

// A pass's failure on a file: the update error for a file that may not be written, else
// the description with the file's folder and name under it.
UserMessage PassFileMessage(const Error& e, const std::u16string& folderPrefix, const std::u16string& fileName);

}  // namespace vq
