#include "common/FailingFileWriter.h"

namespace quarvel {

FailingFileWriter::FailingFileWriter(FileWriter& inner, int failOn, FileWriteStep step, int error)
    : inner_(inner), failOn_(failOn), step_(step), error_(error) {}

void FailingFileWriter::Tick() {
  if (++calls_ == failOn_) throw FileWriteError(step_, error_, "");
}

void FailingFileWriter::ReplaceWholeFile(const std::string& path, std::string_view content,
                                         const FileAccess& access) {
  Tick();
  inner_.ReplaceWholeFile(path, content, access);
}

std::optional<std::string> FailingFileWriter::CreateNewFile(std::string_view content,
                                                            const NameSource& nameFor, int attempts,
                                                            const FileAccess& access) {
  Tick();
  return inner_.CreateNewFile(content, nameFor, attempts, access);
}

bool FailingFileWriter::RenameNoReplace(const std::string& from, const std::string& to) {
  Tick();
  return inner_.RenameNoReplace(from, to);
}

bool FailingFileWriter::RemoveFile(const std::string& path) {
  Tick();
  return inner_.RemoveFile(path);
}

}  // namespace quarvel
