// The benchmark's one table: our figures, TagLib's, the ratios and the targets.
#pragma once

#include <optional>
#include <string>

namespace vqbench {

// Milliseconds; per file where the name says so. Unset: not measured in this run.
struct Results {
  std::optional<double> listingEngineMs, listingWindowMs;
  std::optional<double> readMs, readTagLibMs;            // per file
  std::optional<double> inPlaceMs, inPlaceTagLibMs;      // per file
  std::optional<double> inPlaceFloorMs;                  // per file, tag read and written back
  std::optional<double> inPlaceJournalMs;                // per file, with the undo journal
  std::optional<double> undoInPlaceMs;                   // per file, undo of that pass
  std::optional<double> rebuildMs, rebuildTagLibMs;      // per file, TagLib's with its flush
  std::optional<double> copyFlushMs;                     // per file
  std::optional<double> copyFlushReplaceMs;              // per file, the copy renamed over the file
  // The whole "velquist --batch" process over 1,000 files, and TagLib's in-process
  // work on the same files (its rebuild with the flush).
  std::optional<double> commandInPlaceMs, commandInPlaceTagLibMs;
  std::optional<double> commandRebuildMs, commandRebuildTagLibMs;
  std::optional<double> commandCopySyncMs;  // "cp -r" of the same untagged tree, then "sync"
  // The program started on 10,000 and on 100,000 rows until the first file is shown, as
  // a process of its own: processor milliseconds and peak memory in MB.
  std::optional<double> startupSmallCpuMs, startupSmallPeakMb;
  std::optional<double> startupBigCpuMs, startupBigPeakMb;
  std::optional<double> listingEngineBigMs;  // processor time, 100,000 rows, in process
  // The whole "velquist --to-unicode" process over 1,000 code page 932 tagged files, and
  // "velquist --batch" in place on the same files.
  std::optional<double> unicodeMs, unicodeBatchMs;
  // The whole "velquist --batch --track-numbers" process over 1,000 typically tagged
  // files named "Track 001.mp3" (in place), and the plain "velquist --batch" on them:
  // each process's processor time.
  std::optional<double> tracksMs, tracksBatchMs;
  // 1,000 files named from their tags on the pass engine (journal and flushes included),
  // a plain loop of rename() over the same files, and the plan (tags read) once.
  std::optional<double> renamePassMs, renamePlainMs, renamePlanMs;
  // The whole "velquist --readings" process over 1,000 typically tagged files (in place),
  // "velquist --batch" in place on the same files, and "velquist --undo" of a readings
  // pass (which must give back every byte).
  std::optional<double> readingsMs, readingsBatchMs, readingsUndoMs;
  // "velquist --cover --max-size 600" over 1,000 files in 100 album folders with 300-600 KB
  // cover.jpg files, "cp -r" of the same tree then "sync", "velquist --batch" on the same
  // tree (the same rebuilds without covers); "--extract-covers" and
  // "--undo" of the cover pass on that tree, once each.
  std::optional<double> coverMs, coverCopySyncMs, coverBatchMs, extractCoversMs, coverUndoMs;
};

// A Markdown table, ready for the README, with a verdict per row.
std::string Table(const Results& r, const std::string& tagLibName);

}  // namespace vqbench
