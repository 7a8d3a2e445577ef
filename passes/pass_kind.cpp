#include "passes/pass_kind.h"

#include "session/messages.h"

namespace vq {

std::u16string PassName(PassKind kind) {
  switch (kind) {
    case PassKind::Batch: return u"自動処理";
    case PassKind::Unicode: return u"Unicodeへの変換";
    case PassKind::Undo: return u"元に戻す処理";
    case PassKind::Cover: return u"表紙の埋め込み";
    case PassKind::ExtractCovers: return u"表紙の書き出し";
    case PassKind::Rename: return u"名前の変更";
    case PassKind::Readings: return u"読みの追加";
  }
  return u"処理";
}

std::u16string StoppedPassText(PassKind kind, std::size_t done, std::size_t count) {
  return PassName(kind) + u"を中断しました。\r\n" + ProgressText(done, count) + u" 曲を処理しました。";
}

}  // namespace vq
