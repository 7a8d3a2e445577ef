#include "session/messages.h"

#include "platform/text.h"

namespace vq {

std::u16string UpdateErrorText(const std::u16string& folderPrefix, const std::u16string& fileName) {
  return u"ファイルの属性が読み取り専用になっていませんか?\r\n" + folderPrefix + u"\r\n" + fileName;
}

UserMessage UpdateErrorMessage(const std::u16string& folderPrefix, const std::u16string& fileName) {
  return {kUpdateErrorCaption, UpdateErrorText(folderPrefix, fileName)};
}

UserMessage FileErrorMessage(const Error& e, const std::u16string& folderPrefix, const std::u16string& fileName) {
  if (e.kind() == ErrorKind::PathFileAccess) return UpdateErrorMessage(folderPrefix, fileName);
  return {{}, e.description()};
}

std::u16string MessageLine(const UserMessage& m) { return m.caption.empty() ? m.text : m.caption + u": " + m.text; }

std::u16string NamedErrorText(const std::u16string& description, const std::u16string& folderPrefix,
                              const std::u16string& fileName) {
  return description + u"\r\n" + folderPrefix + u"\r\n" + fileName;
}

std::u16string ProgressText(std::size_t done, std::size_t count) {
  return FormatThousands(static_cast<std::int64_t>(done)) + u" / " + FormatThousands(static_cast<std::int64_t>(count));
}

UserMessage PassFileMessage(const Error& e, const std::u16string& folderPrefix, const std::u16string& fileName) {
  if (e.kind() == ErrorKind::PathFileAccess) return UpdateErrorMessage(folderPrefix, fileName);
  return {{}, NamedErrorText(e.description(), folderPrefix, fileName)};
}

}  // namespace vq
