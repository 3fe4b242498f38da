#include "common/basIniFileWriter.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <system_error>
#include <utility>

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

std::uint64_t Nonce(int attempt) {
  std::uint64_t n = 0;
  if (::getrandom(&n, sizeof n, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof n)) {
    // O_EXCL keeps names unique anyway; randomness only avoids retries.
    n = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<std::uint64_t>(::getpid()) << 32) ^ static_cast<std::uint64_t>(attempt);
  }
  return n;
}

std::string TempPathFor(const std::string& filePath, std::uint64_t nonce) {
  const std::size_t slash = filePath.rfind('/');
  const std::string dir = slash == npos ? std::string() : filePath.substr(0, slash + 1);
  const std::string base = slash == npos ? filePath : filePath.substr(slash + 1);
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(nonce));
  return dir + "." + base + suffix;
}

// Writes `content` to a new file beside the target and renames it over the
// target, so readers never see a half-written file.
void ReplaceFile(const std::string& filePath, std::string_view content,
                 const struct stat* existing) {
  std::string tempPath;
  int fd = -1;
  for (int attempt = 0; attempt < 64 && fd < 0; ++attempt) {
    tempPath = TempPathFor(filePath, Nonce(attempt));
    // 0666 lets the umask decide for a new file, as for any other created file.
    fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) {
      Fail(filePath, "cannot create temporary file '" + tempPath + "': " + ErrnoText(errno));
    }
  }
  if (fd < 0) Fail(filePath, "cannot create a temporary file beside it");

  auto abandon = [&](const std::string& what) {
    const int err = errno;
    if (fd >= 0) ::close(fd);
    ::unlink(tempPath.c_str());
    Fail(filePath, what + ": " + ErrnoText(err));
  };
  if (existing != nullptr) {
    // Ownership carries over where the process may set it; permissions always.
    (void)!::fchown(fd, existing->st_uid, existing->st_gid);
    if (::fchmod(fd, existing->st_mode & 07777) != 0) abandon("cannot set permissions");
  }
  for (std::size_t done = 0; done < content.size();) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      if (n == 0) errno = EIO;
      abandon("cannot write temporary file '" + tempPath + "'");
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) abandon("cannot flush temporary file '" + tempPath + "'");
  const int closed = ::close(fd);
  fd = -1;
  if (closed != 0) abandon("cannot close temporary file '" + tempPath + "'");
  if (::rename(tempPath.c_str(), filePath.c_str()) != 0) abandon("cannot replace the file");

  // Makes the rename itself durable; the new content is in place either way.
  const std::size_t slash = filePath.rfind('/');
  const std::string dir = slash == npos ? "." : slash == 0 ? "/" : filePath.substr(0, slash);
  const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
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

void Apply(const std::string& filePath, std::span<const Edit> edits) {
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
  ReplaceFile(target, updated, file.result == ReadResult::kOk ? &file.st : nullptr);
}

}  // namespace

// ---------------------------------------------------------------------------

void WriteIniValue(std::string_view section, std::string_view key, std::string_view value,
                   const std::string& filePath) {
  CheckWrite(section, key, value, filePath);
  const Edit edit{false, section, key, value};
  Apply(filePath, {&edit, 1});
}

void DeleteIniSection(std::string_view section, const std::string& filePath) {
  CheckSection(section, filePath);
  const Edit edit{true, section, {}, {}};
  Apply(filePath, {&edit, 1});
}

IniBatch::IniBatch(std::string filePath) : filePath_(std::move(filePath)) {}

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
  Apply(filePath_, edits);
  changes_.clear();
}

// ---------------------------------------------------------------------------

}  // namespace quarvel
