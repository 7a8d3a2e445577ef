#include "bench_table.h"

#include <cstdio>
#include <vector>

namespace vqbench {

namespace {

std::string Ms(const std::optional<double>& v) {
  if (!v) return "–";
  char buf[32];
  if (*v < 1)
    std::snprintf(buf, sizeof buf, "%.3f ms", *v);
  else if (*v < 100)
    std::snprintf(buf, sizeof buf, "%.1f ms", *v);
  else
    std::snprintf(buf, sizeof buf, "%.0f ms", *v);
  return buf;
}

std::string Mb(const std::optional<double>& v) {
  if (!v) return "–";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f MB", *v);
  return buf;
}

std::optional<double> Ratio(const std::optional<double>& a, const std::optional<double>& b) {
  if (!a || !b || *b <= 0) return std::nullopt;
  return *a / *b;
}

std::string Times(const std::optional<double>& ratio) {
  if (!ratio) return "–";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", *ratio);
  return buf;
}

// "yes", "NO", or "–" when a figure is missing.
std::string Verdict(std::initializer_list<std::optional<bool>> checks) {
  for (const auto& c : checks)
    if (!c) return "–";
  for (const auto& c : checks)
    if (!*c) return "NO";
  return "yes";
}

std::optional<bool> Below(const std::optional<double>& v, double limit) {
  if (!v) return std::nullopt;
  return *v < limit;
}

std::optional<bool> AtMost(const std::optional<double>& v, double limit) {
  if (!v) return std::nullopt;
  return *v <= limit;
}

}  // namespace

std::string Table(const Results& r, const std::string& tagLibName) {
  auto readRatio = Ratio(r.readMs, r.readTagLibMs);
  auto inPlaceRatio = Ratio(r.inPlaceMs, r.inPlaceTagLibMs);
  auto floorRatio = Ratio(r.inPlaceMs, r.inPlaceFloorMs);
  auto journalRatio = Ratio(r.inPlaceJournalMs, r.inPlaceMs);
  auto undoRatio = Ratio(r.undoInPlaceMs, r.inPlaceFloorMs);
  auto rebuildRatio = Ratio(r.rebuildMs, r.rebuildTagLibMs);
  auto copyRatio = Ratio(r.rebuildMs, r.copyFlushMs);
  auto replaceRatio = Ratio(r.rebuildMs, r.copyFlushReplaceMs);
  auto commandInPlaceRatio = Ratio(r.commandInPlaceMs, r.commandInPlaceTagLibMs);
  auto commandRebuildRatio = Ratio(r.commandRebuildMs, r.commandRebuildTagLibMs);
  auto commandCopyRatio = Ratio(r.commandRebuildMs, r.commandCopySyncMs);
  auto unicodeRatio = Ratio(r.unicodeMs, r.unicodeBatchMs);
  auto tracksRatio = Ratio(r.tracksMs, r.tracksBatchMs);
  auto renameRatio = Ratio(r.renamePassMs, r.renamePlainMs);
  auto readingsRatio = Ratio(r.readingsMs, r.readingsBatchMs);
  auto coverRatio = Ratio(r.coverMs, r.coverCopySyncMs);
  auto coverBatchRatio = Ratio(r.coverMs, r.coverBatchMs);
  std::vector<std::vector<std::string>> rows = {
      {"Work", "Velquist", tagLibName, "Ratio", "Target", "Met"},
      {"Listing engine, 100 folders x 100 files (10,000 rows)", Ms(r.listingEngineMs), "–", "–", "< 50 ms",
       Verdict({Below(r.listingEngineMs, 50)})},
      {"Listing with the file list filled (offscreen)", Ms(r.listingWindowMs), "–", "–", "< 250 ms",
       Verdict({Below(r.listingWindowMs, 250)})},
      {"Start to first file shown, 10,000 rows (whole process, offscreen): processor time", Ms(r.startupSmallCpuMs),
       "–", "–", "< 250 ms", Verdict({Below(r.startupSmallCpuMs, 250)})},
      {"Start to first file shown, 10,000 rows: peak memory", Mb(r.startupSmallPeakMb), "–", "–", "reference", "–"},
      {"Start to first file shown, 100,000 rows (100 folders x 1,000 files): processor time",
       Ms(r.startupBigCpuMs), "–", "–", "< 1000 ms", Verdict({Below(r.startupBigCpuMs, 1000)})},
      {"Start to first file shown, 100,000 rows: peak memory", Mb(r.startupBigPeakMb), "–", "–", "< 80 MB",
       Verdict({Below(r.startupBigPeakMb, 80)})},
      {"Listing engine alone, 100,000 rows (processor time)", Ms(r.listingEngineBigMs), "–", "–", "reference", "–"},
      {"Selection read, per file (tag with 50 KB picture)", Ms(r.readMs), Ms(r.readTagLibMs), Times(readRatio),
       "< 0.1 ms; ratio <= 0.5", Verdict({Below(r.readMs, 0.1), AtMost(readRatio, 0.5)})},
      {"Batch in place, per file (both tags)", Ms(r.inPlaceMs), Ms(r.inPlaceTagLibMs), Times(inPlaceRatio),
       "< 0.5 ms; ratio <= 0.5", Verdict({Below(r.inPlaceMs, 0.5), AtMost(inPlaceRatio, 0.5)})},
      {"Batch in place with the undo journal, per file (ratio: with / without)", Ms(r.inPlaceJournalMs), "–",
       Times(journalRatio), "ratio <= 1.5", Verdict({AtMost(journalRatio, 1.5)})},
      {"Undo of the pass in place, per file (ratio: undo / tag read and written back)", Ms(r.undoInPlaceMs), "–",
       Times(undoRatio), "ratio <= 3.0", Verdict({AtMost(undoRatio, 3.0)})},
      {"Tag and ID3v1 read and written back, per file (ratio: in place / this)", Ms(r.inPlaceFloorMs), "–",
       Times(floorRatio), "reference", "–"},
      {"Batch rebuild, per 1 MB file (both tags; TagLib: save + fsync)", Ms(r.rebuildMs), Ms(r.rebuildTagLibMs),
       Times(rebuildRatio), "ratio <= 1.0", Verdict({AtMost(rebuildRatio, 1.0)})},
      {"Copy and flush, per 1 MB file (ratio: rebuild / copy)", Ms(r.copyFlushMs), "–", Times(copyRatio),
       "ratio <= 1.3", Verdict({AtMost(copyRatio, 1.3)})},
      {"Copy, flush and rename over the file (ratio: rebuild / this)", Ms(r.copyFlushReplaceMs), "–",
       Times(replaceRatio), "reference", "–"},
      {"velquist --batch, 1,000 tagged files in place (whole process)", Ms(r.commandInPlaceMs),
       Ms(r.commandInPlaceTagLibMs), Times(commandInPlaceRatio), "ratio <= 1.0", Verdict({AtMost(commandInPlaceRatio, 1.0)})},
      {"velquist --batch, 1,000 untagged 1 MB files rebuilt (whole process)", Ms(r.commandRebuildMs),
       Ms(r.commandRebuildTagLibMs), Times(commandRebuildRatio), "ratio <= 1.0",
       Verdict({AtMost(commandRebuildRatio, 1.0)})},
      {"cp -r of the same 1,000 files, then sync (ratio: velquist --batch rebuilt / this)", Ms(r.commandCopySyncMs),
       "–", Times(commandCopyRatio), "ratio <= 1.5", Verdict({AtMost(commandCopyRatio, 1.5)})},
      {"velquist --to-unicode, 1,000 code page 932 tagged files (whole process; ratio: to --batch)",
       Ms(r.unicodeMs), "–", Times(unicodeRatio), "ratio <= 1.5", Verdict({AtMost(unicodeRatio, 1.5)})},
      {"velquist --batch --track-numbers, 1,000 tagged files in place (processor time; ratio: to --batch)",
       Ms(r.tracksMs), "–", Times(tracksRatio), "ratio <= 1.2", Verdict({AtMost(tracksRatio, 1.2)})},
      {"Renaming 1,000 files from their tags on the pass engine, journal and flushes included (ratio: to rename() loop)",
       Ms(r.renamePassMs), "–", Times(renameRatio), "ratio <= 3", Verdict({AtMost(renameRatio, 3)})},
      {"A plain loop of rename() over the same 1,000 files (mkdir, rename, rmdir)", Ms(r.renamePlainMs), "–", "–",
       "reference", "–"},
      {"Reading the 1,000 files' tags and planning their new names", Ms(r.renamePlanMs), "–", "–", "reference", "–"},
      {"velquist --readings, 1,000 tagged files in place (whole process; ratio: to --batch)", Ms(r.readingsMs), "–",
       Times(readingsRatio), "ratio <= 2.0", Verdict({AtMost(readingsRatio, 2.0)})},
      {"velquist --undo of that readings pass (every byte checked back)", Ms(r.readingsUndoMs), "–", "–", "reference",
       "–"},
      {"velquist --cover --max-size 600, 1,000 files in 100 albums, 300-600 KB cover.jpg (whole process)",
       Ms(r.coverMs), "–", "–", "reference", "–"},
      {"cp -r of the same tree, then sync (ratio: velquist --cover / this)", Ms(r.coverCopySyncMs), "–",
       Times(coverRatio), "ratio <= 1.5", Verdict({AtMost(coverRatio, 1.5)})},
      {"velquist --batch on the same tree: the same rebuilds, no cover (ratio: --cover / this)", Ms(r.coverBatchMs),
       "–", Times(coverBatchRatio), "reference", "–"},
      {"velquist --extract-covers on that tree, covers only in the files (whole process)", Ms(r.extractCoversMs), "–",
       "–", "reference", "–"},
      {"velquist --undo of the cover pass, 1,000 files (whole process)", Ms(r.coverUndoMs), "–", "–", "reference", "–"},
  };
  // Column widths in characters (the dash counts as one).
  auto width = [](const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
  };
  std::vector<std::size_t> w(rows[0].size(), 0);
  for (const auto& row : rows)
    for (std::size_t i = 0; i < row.size(); ++i) w[i] = std::max(w[i], width(row[i]));
  std::string out;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    out += "|";
    for (std::size_t i = 0; i < rows[k].size(); ++i) out += " " + rows[k][i] + std::string(w[i] - width(rows[k][i]), ' ') + " |";
    out += "\n";
    if (k == 0) {
      out += "|";
      for (std::size_t i = 0; i < w.size(); ++i) out += std::string(w[i] + 2, '-') + "|";
      out += "\n";
    }
  }
  return out;
}

}  // namespace vqbench
