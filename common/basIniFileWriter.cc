#include "common/basIniFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <span>
#include <system_error>
#include <utility>

#include "common/FileWriter.h"
#include "common/IniSyntax.h"

namespace quarvel {

using namespace ini_syntax;

namespace {

// ---------------------------------------------------------------------------
// File access

std::string ErrnoText(int err) { return std::generic_category().message(err); }

[[noreturn]] void Fail(const std::string& filePath, const std::string& what) {
  throw IniError("INI file '" + filePath + "': " + what);
}

enum class ReadResult : std::uint8_t { kOk, kMissing, kFailed };

struct FileContent {
  ReadResult result = ReadResult::kFailed;
  int error = 0;
  std::string bytes;
  struct stat st {};  // when kOk
};

// Reads the file into `bytes`, keeping the string's capacity from earlier
// reads. Returns 0, or the errno of the failure (bytes are then unspecified).
int ReadWholeFileInto(const std::string& filePath, std::string& bytes, struct stat& st) {
  const int fd = ::open(filePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  if (::fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    return error;
  }
  std::size_t used = 0;
  // One byte more than the file holds: a read that comes back short has met
  // the end, so a file that did not grow meanwhile takes a single read.
  bytes.resize(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 4096);
  for (;;) {
    if (used == bytes.size()) bytes.resize(used + 4096);  // grew meanwhile, or /proc
    const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      return error;
    }
    used += static_cast<std::size_t>(n);
    if (n == 0 || used < bytes.size()) break;
  }
  ::close(fd);
  bytes.resize(used);
  return 0;
}

FileContent ReadWholeFile(const std::string& filePath) {
  FileContent out;
  out.error = ReadWholeFileInto(filePath, out.bytes, out.st);
  if (out.error == 0) {
    out.result = ReadResult::kOk;
  } else {
    out.result = out.error == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
    out.bytes.clear();
  }
  return out;
}

// The file a path names, so that writing through a symbolic link updates the
// file it points to instead of replacing the link.
std::string ResolveLink(const std::string& filePath) {
  struct stat st {};
  if (::lstat(filePath.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return filePath;
  char* real = ::realpath(filePath.c_str(), nullptr);
  if (real == nullptr) return filePath;  // dangling: the link itself gets replaced
  std::string resolved(real);
  std::free(real);
  return resolved;
}

// Replaces the target at once, so readers never see a half-written file.
void ReplaceFile(FileWriter& files, const std::string& filePath, std::string_view content,
                 const struct stat* existing) {
  FileAccess access;
  if (existing != nullptr) {
    // Ownership carries over where the process may set it; permissions always.
    access.mode = existing->st_mode & 07777;
    access.owner = existing->st_uid;
    access.group = existing->st_gid;
  }
  try {
    files.ReplaceWholeFile(filePath, content, access);
  } catch (const FileWriteError& failure) {
    const std::string temp = "'" + failure.TemporaryPath() + "'";
    std::string what;
    switch (failure.Step()) {
      case FileWriteStep::kCreate:
        what = "cannot create temporary file " + temp;
        break;
      case FileWriteStep::kPermissions:
        what = "cannot set permissions";
        break;
      case FileWriteStep::kWrite:
        what = "cannot write temporary file " + temp;
        break;
      case FileWriteStep::kFlush:
        what = "cannot flush temporary file " + temp;
        break;
      case FileWriteStep::kClose:
        what = "cannot close temporary file " + temp;
        break;
      case FileWriteStep::kName:
      case FileWriteStep::kRemove:
        what = "cannot replace the file";
        break;
    }
    Fail(filePath, what + ": " + ErrnoText(failure.Error()));
  }
}

// ---------------------------------------------------------------------------
// Editing

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != npos; }

void CheckSection(std::string_view section, const std::string& filePath) {
  if (HasLineBreak(section)) Fail(filePath, "refused: section name holds a line break");
  const std::string_view name = TrimBlanks(section);
  if (name.empty()) Fail(filePath, "refused: empty section name");
  if (name.find(']') != npos) Fail(filePath, "refused: section name holds \"]\"");
}

void CheckWrite(std::string_view section, std::string_view key, std::string_view value,
                const std::string& filePath) {
  CheckSection(section, filePath);
  if (HasLineBreak(key)) Fail(filePath, "refused: key name holds a line break");
  if (HasLineBreak(value)) Fail(filePath, "refused: value holds a line break");
  const std::string_view name = TrimBlanks(key);
  if (name.empty()) Fail(filePath, "refused: empty key name");
  if (name.find('=') != npos) Fail(filePath, "refused: key name holds \"=\"");
  if (name.front() == '[') Fail(filePath, "refused: key name starts with \"[\"");
}

// The file as lines, each keeping its own line end, so that untouched lines
// come back byte for byte.
class Document {
 public:
  explicit Document(std::string_view text) {
    if (text.starts_with(kBom)) {
      bom_ = true;
      text.remove_prefix(kBom.size());
    }
    // CR LF, LF or a lone CR ends a line, as for the reader.
    while (!text.empty()) {
      const std::size_t brk = text.find_first_of("\r\n");
      std::string_view end;
      std::size_t used = text.size();
      if (brk != npos) {
        const bool crlf = text[brk] == '\r' && brk + 1 < text.size() && text[brk + 1] == '\n';
        end = crlf ? "\r\n" : text[brk] == '\r' ? "\r" : "\n";
        used = brk + end.size();
      }
      lines_.push_back(MakeLine(std::string(text.substr(0, brk)), end));
      text.remove_prefix(used);
    }
    eol_ = !lines_.empty() && !lines_.front().end.empty() ? lines_.front().end : "\n";
  }

  void Write(std::string_view section, std::string_view key, std::string_view value) {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    std::size_t i = 0;
    while (i < lines_.size() && !IsHeaderNamed(lines_[i], section)) ++i;
    if (i == lines_.size()) {
      EndLastLine();
      lines_.push_back(MakeLine("[" + std::string(section) + "]", eol_));
      lines_.push_back(MakeLine(std::string(key) + "=" + std::string(value), eol_));
      return;
    }
    std::size_t last = i;  // the header, or the section's last key line
    for (std::size_t j = i + 1; j < lines_.size() && lines_[j].kind != LineKind::kHeader; ++j) {
      Line& line = lines_[j];
      if (line.kind != LineKind::kKey) continue;
      if (SameName(NameOf(line), key)) {
        // Keeps the key as spelled and the blanks after "=".
        std::size_t keep = line.valueBegin;
        while (keep < line.body.size() && IsBlankOrTab(line.body[keep])) ++keep;
        line.body.replace(keep, npos, value);
        return;
      }
      last = j;
    }
    if (lines_[last].end.empty()) EndLine(lines_[last]);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(last + 1),
                  MakeLine(std::string(key) + "=" + std::string(value), eol_));
  }

  void DeleteSection(std::string_view section) {
    section = TrimBlanks(section);
    bool dropping = false;
    std::erase_if(lines_, [&](const Line& line) {
      if (line.kind == LineKind::kHeader) dropping = IsHeaderNamed(line, section);
      return dropping;
    });
  }

  [[nodiscard]] std::string Text() const {
    std::size_t size = bom_ ? kBom.size() : 0;
    for (const Line& line : lines_) size += line.body.size() + line.end.size();
    std::string out;
    out.reserve(size);
    if (bom_) out.append(kBom);
    for (const Line& line : lines_) {
      out.append(line.body);
      out.append(line.end);
    }
    return out;
  }

 private:
  struct Line {
    std::string body;
    std::string_view end;  // "", "\r", "\n" or "\r\n"; "" on the last line only
    LineKind kind;
    std::size_t nameBegin, nameLength, valueBegin;
  };

  static Line MakeLine(std::string body, std::string_view end) {
    const LineShape shape = Classify(body);
    const std::size_t nameBegin = shape.kind == LineKind::kOther
                                      ? 0
                                      : static_cast<std::size_t>(shape.name.data() - body.data());
    return {std::move(body), end, shape.kind, nameBegin, shape.name.size(), shape.valueBegin};
  }

  static std::string_view NameOf(const Line& line) {
    return std::string_view(line.body).substr(line.nameBegin, line.nameLength);
  }

  static bool IsHeaderNamed(const Line& line, std::string_view name) {
    return line.kind == LineKind::kHeader && SameName(NameOf(line), name);
  }

  void EndLine(Line& line) const { line.end = eol_; }

  void EndLastLine() {
    if (!lines_.empty() && lines_.back().end.empty()) EndLine(lines_.back());
  }

  bool bom_ = false;
  std::string_view eol_;
  std::vector<Line> lines_;
};

struct Edit {
  bool deleteSection;
  std::string_view section, key, value;
};

void Apply(FileWriter& files, const std::string& filePath, std::span<const Edit> edits) {
  if (filePath.empty()) Fail(filePath, "no file name");
  const std::string target = ResolveLink(filePath);
  FileContent file = ReadWholeFile(target);
  if (file.result == ReadResult::kFailed) {
    Fail(filePath, "cannot read it: " + ErrnoText(file.error));
  }
  Document doc(file.bytes);
  for (const Edit& c : edits) {
    if (c.deleteSection) {
      doc.DeleteSection(c.section);
    } else {
      doc.Write(c.section, c.key, c.value);
    }
  }
  const std::string updated = doc.Text();
  if (updated == file.bytes) return;  // also keeps a missing file missing
  // A file made read-only stays as it is, as the profile functions leave it.
  // The rename below needs only the directory's permission, and root passes
  // every permission check, so the file's own write bits are asked too.
  if (file.result == ReadResult::kOk &&
      ((file.st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)) {
    Fail(filePath, "cannot write it: the file is read-only");
  }
  ReplaceFile(files, target, updated, file.result == ReadResult::kOk ? &file.st : nullptr);
}

}  // namespace

// ---------------------------------------------------------------------------

void WriteIniValue(std::string_view section, std::string_view key, std::string_view value,
                   const std::string& filePath) {
  CheckWrite(section, key, value, filePath);
  const Edit edit{false, section, key, value};
  Apply(SystemFiles(), filePath, {&edit, 1});
}

void DeleteIniSection(std::string_view section, const std::string& filePath) {
  CheckSection(section, filePath);
  const Edit edit{true, section, {}, {}};
  Apply(SystemFiles(), filePath, {&edit, 1});
}

IniBatch::IniBatch(std::string filePath, FileWriter& files)
    : filePath_(std::move(filePath)), files_(files) {}

IniBatch& IniBatch::Write(std::string_view section, std::string_view key, std::string_view value) {
  CheckWrite(section, key, value, filePath_);
  changes_.push_back({false, std::string(section), std::string(key), std::string(value)});
  return *this;
}

IniBatch& IniBatch::DeleteSection(std::string_view section) {
  CheckSection(section, filePath_);
  changes_.push_back({true, std::string(section), {}, {}});
  return *this;
}

void IniBatch::Commit() {
  std::vector<Edit> edits;
  edits.reserve(changes_.size());
  for (const Change& c : changes_) edits.push_back({c.deleteSection, c.section, c.key, c.value});
  Apply(files_, filePath_, edits);
  changes_.clear();
}

// ---------------------------------------------------------------------------

}  // namespace quarvel
