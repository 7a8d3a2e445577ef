// An observer of a pass for tests: what it reported, and a stop after a number of files.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "passes/pass_engine.h"

namespace vqtest {

class PassRecorder : public vq::PassObserver {
 public:
  std::vector<std::pair<std::size_t, std::size_t>> progress;  // (done, count) after each file
  std::vector<std::u16string> updateErrors;  // "更新エラー": folder prefix + "|" + name
  std::vector<std::u16string> errors;        // any other failure: its message (description, folder, name)
  std::vector<std::string> failedPaths;
  std::vector<std::string> skippedPaths;
  std::vector<std::size_t> changed;          // items written, in the order heard
  int stopAfter = -1;                        // asks to stop once this many files are done

  bool StopRequested() override {
    return stopAfter >= 0 && !progress.empty() && static_cast<int>(progress.back().first) >= stopAfter;
  }
  void Progress(std::size_t done, std::size_t count) override { progress.emplace_back(done, count); }
  void Finished(std::size_t item, vq::ItemOutcome outcome) override {
    if (outcome == vq::ItemOutcome::Changed) changed.push_back(item);
  }
  void Skipped(std::size_t, const std::u16string&) override {}
  void Failed(const vq::ItemFailure& f) override {
    failedPaths.push_back(f.file.path);
    if (f.error.kind() == vq::ErrorKind::PathFileAccess)
      updateErrors.push_back(f.file.shownFolder + u"|" + f.file.shownName);
    else
      errors.push_back(f.message.text);
  }
  // Every failure, as one list of texts.
  std::vector<std::u16string> Failures() const {
    std::vector<std::u16string> all = updateErrors;
    all.insert(all.end(), errors.begin(), errors.end());
    return all;
  }
};

// Also records the paths of the items an undo left alone.
class UndoRecorder : public PassRecorder {
 public:
  void Started(const std::vector<vq::PassItem>& items) override { items_ = &items; }
  void Skipped(std::size_t item, const std::u16string&) override { skippedPaths.push_back((*items_)[item].path); }
  void Failed(const vq::ItemFailure& f) override {
    PassRecorder::Failed(f);
    skippedPaths.push_back(f.file.path);
  }

 private:
  const std::vector<vq::PassItem>* items_ = nullptr;
};

}  // namespace vqtest
