// A FileWriter that fails on schedule, for fault sweeps: the Nth call (any
// of the operations, counted from 1) throws FileWriteError without
// touching the disk, as a failure at `step` would; every other call goes to
// the wrapped writer. Counting is thread-safe; the wrapped writer is not
// owned and must outlive this one.
#pragma once

#include <atomic>
#include <cerrno>

#include "common/FileWriter.h"

namespace quarvel {

class FailingFileWriter final : public FileWriter {
 public:
  FailingFileWriter(FileWriter& inner, int failOn, FileWriteStep step = FileWriteStep::kWrite,
                    int error = EIO);

  void ReplaceWholeFile(const std::string& path, std::string_view content,
                        const FileAccess& access) override;
  std::optional<std::string> CreateNewFile(std::string_view content, const NameSource& nameFor,
                                           int attempts, const FileAccess& access) override;
  bool RenameNoReplace(const std::string& from, const std::string& to) override;
  bool RemoveFile(const std::string& path) override;

  // How many calls were made so far, the failed one included. A sweep is
  // done once a run makes fewer calls than its failOn.
  [[nodiscard]] int Calls() const { return calls_.load(); }

 private:
  void Tick();

  FileWriter& inner_;
  const int failOn_;
  const FileWriteStep step_;
  const int error_;
  std::atomic<int> calls_{0};
};

}  // namespace quarvel
