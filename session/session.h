// The program-wide state that the windows share and show: the current folder and
// naming mode, the listed rows, the selected row with what was read from its file, the
// keep-date box and the batch window's setting. Qt-free, so that the batch, the tests
// and the benchmarks work on it without a window; the windows are views of it and read
// each other's data from here, never from each other's controls.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "formats/file_summary.h"
#include "formats/id3v2_reader.h"
#include "session/listing.h"

namespace vq {

struct Session {
  // ---------------------------------------------------------------- the listing
  std::string folder;         // the current folder's path (bytes)
  bool fileNameMode = false;  // "ファイル名" mode; else folder-structure mode
  // One record per file list row, in the list's order: the file name's and the
  // subfolder entry's bytes, their shown text, the date recorded when the list was
  // built and the read-only bit.
  std::vector<ListedFile> rows;

  // ---------------------------------------------------------------- the selected file
  int selectedRow = -1;
  // The size field of the last read ID3v2 tag, 0 without a tag.
  std::int32_t v2TagSize = 0;
  // The frames of the last read or written ID3v2 tag: what F8, the editor and the
  // in-place decision read.
  ::vq::V2FrameTable v2Frames;
  // Their rendering for the reference viewer ("TIT2(0) text" CR LF per frame).
  std::u16string FrameListing() const { return FrameListingText(v2Frames); }
  // Whether the file has an ID3v1 record (shown as "v1"): F9 replaces it, else appends.
  bool hasV1 = false;

  // ---------------------------------------------------------------- settings
  bool keepDate = false;   // "ファイルの更新で日付を変更しない"
  // The desktop session asked the program to end (SIGTERM): a running pass ends after the
  // file at hand, without a message, and the program quits without saving Path.dat.
  bool endRequested = false;
  bool unicodeV2 = false;  // "ID3v2をUnicodeで書く": the editor and the batch write UTF-16 text
  bool createNewOnly = false;  // the batch window's "新規作成のみ行う", saved in Path.dat
  // The batch window's "曲番号", "番号を振る" and naming pattern (empty: none), saved in
  // Path.dat with the others.
  bool trackNumbers = false;
  bool numberInOrder = false;
  std::u16string namePattern;

  // The row's record, or nullptr for a row the list does not have.
  const ListedFile* Row(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < rows.size() ? &rows[static_cast<std::size_t>(row)] : nullptr;
  }
  const ListedFile* Selected() const { return Row(selectedRow); }

  // The folder part of a row's path, ending in "/": the current folder, the row's
  // subfolder entry in folder-structure mode, then "/".
  std::string FolderPrefix(int row) const;
  // The folder prefix and the row's file name; "" for a row the list does not have.
  std::string FilePath(int row) const;
  // What the windows show: the folder prefix and file name as messages name them, and
  // the current folder's name ("フォルダ名").
  std::u16string ShownFolderPrefix(int row) const;
  std::u16string ShownFileName(int row) const;
  std::u16string ShownFolderName() const;

  // The selected file's tag state before a read: no ID3v2 tag, no frames, no ID3v1
  // record.
  void ClearSelectedTags();
  // Takes what the read of the selected file found (its frame table is moved here).
  void TakeSummary(FileSummary& summary);
  // The date F9, the editor and the batch put back for a row with keep-date on; 0 when
  // the box is off or the row's date could not be read.
  std::time_t DateToKeep(int row) const;
};

}  // namespace vq
