// The texts of the messages the windows and the command-line batch show for the tag
// writers' failures and for the batch pass.
#pragma once

#include <cstddef>
#include <string>

namespace vq {

// The caption of the read-only message.
inline constexpr char16_t kUpdateErrorCaption[] = u"更新エラー";

// "ファイルの属性が読み取り専用になっていませんか?" CR LF, the folder prefix, CR LF, the
// file name: what a file that may not be written shows.
std::u16string UpdateErrorText(const std::u16string& folderPrefix, const std::u16string& fileName);

// Any other failure of a file in a pass: its description CR LF, the folder prefix,
// CR LF, the file name, so that the message names the file as the update error does.
std::u16string NamedErrorText(const std::u16string& description, const std::u16string& folderPrefix,
                              const std::u16string& fileName);

// "k / n" with thousands separators: the batch's progress.
std::u16string ProgressText(std::size_t done, std::size_t count);

// "自動処理を中断しました。" CR LF "k / n 曲を処理しました。": a pass that was ended early.
std::u16string InterruptedPassText(std::size_t done, std::size_t count);

}  // namespace vq
