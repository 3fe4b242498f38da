// The one way this system puts files on disk so that no reader and no crash
// ever sees half of one: a whole file replaced at once, a new file that
// appears under its name only when complete and never over another, a
// rename that never replaces, and a removal that stays removed. Callers hold a FileWriter& so that
// tests can fail any of these calls (FailingFileWriter); SystemFiles() is the real one.
//
// Every call is durable when it returns: the content is flushed and so is
// the directory entry. A failed call leaves the target as it was and removes
// whatever it had made. Failures throw FileWriteError, which says which step
// failed and why; each caller words it for its own users.
//
// Safe to call from several threads at once; two writers of one file must
// coordinate themselves (the last whole replacement wins).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quarvel {

// The step of a file write that failed.
enum class FileWriteStep : std::uint8_t {
  kCreate,       // making the temporary or unnamed file
  kPermissions,  // setting its permissions
  kWrite,        // writing the content
  kFlush,        // flushing it to disk
  kClose,        // closing it
  kName,         // renaming or linking it to its final name
  kRemove,       // removing a file
};

// The step as error messages name it: "create temporary file", "set
// permissions", "write", "flush", "close", "rename", "remove".
[[nodiscard]] std::string_view StepName(FileWriteStep step);

class FileWriteError : public std::runtime_error {
 public:
  // `temporaryPath` is the file being written, when it had a name yet.
  FileWriteError(FileWriteStep step, int error, std::string temporaryPath);

  [[nodiscard]] FileWriteStep Step() const { return step_; }
  // The errno of the failure.
  [[nodiscard]] int Error() const { return error_; }
  [[nodiscard]] const std::string& TemporaryPath() const { return temporaryPath_; }

 private:
  FileWriteStep step_;
  int error_;
  std::string temporaryPath_;
};

// Permissions and owner of a file being written.
struct FileAccess {
  // The permission bits, whatever the umask; nullopt: 0666 less the umask,
  // as for any other new file.
  std::optional<unsigned> mode{};
  // Owner and group to carry over where the process may set them; never a
  // failure when it may not.
  std::optional<unsigned> owner{};
  std::optional<unsigned> group{};
};

class FileWriter {
 public:
  // The name to try on `attempt` (from 0).
  using NameSource = std::function<std::string(int attempt)>;

  virtual ~FileWriter() = default;

  // Creates or replaces `path` with `content` at once: a temporary file in
  // the same directory, written, flushed and renamed over `path`.
  virtual void ReplaceWholeFile(const std::string& path, std::string_view content,
                                const FileAccess& access) = 0;

  // Writes `content` into a file that has no name yet and names it with the
  // first of `nameFor(0)` ... `nameFor(attempts - 1)` that is free; all names
  // lie in one directory. Returns the name taken, or nullopt when every one
  // was taken. A crash before the naming leaves nothing behind.
  [[nodiscard]] virtual std::optional<std::string> CreateNewFile(std::string_view content,
                                                                 const NameSource& nameFor,
                                                                 int attempts,
                                                                 const FileAccess& access) = 0;

  // Renames `from` to `to` unless `to` exists; false when it does.
  [[nodiscard]] virtual bool RenameNoReplace(const std::string& from, const std::string& to) = 0;

  // Removes `path` for good, so that it cannot come back after a crash;
  // false when there was no such file.
  virtual bool RemoveFile(const std::string& path) = 0;
};

// The real file system. Stateless; lives as long as the program.
[[nodiscard]] FileWriter& SystemFiles();

}  // namespace quarvel
