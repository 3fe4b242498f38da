#include "common/basIniFile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <system_error>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/Text.h"

namespace quarvel {
namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Hand-edited files indent with either; the platform's reader drops both
// around names and values.
inline bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

inline std::string_view TrimBlanks(std::string_view s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && IsBlankOrTab(s[b])) ++b;
  while (e > b && IsBlankOrTab(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// What a line (without its line end) is. Reading and writing share this, so a
// writer finds exactly the section and key a reader would.
enum class LineKind : std::uint8_t { kOther, kHeader, kKey };

struct LineShape {
  LineKind kind = LineKind::kOther;
  std::string_view name;       // section or key name, trimmed
  std::size_t valueBegin = 0;  // key lines: offset just past the "="
};

// `eq` is the offset of the line's first "=", or npos; the reader finds it
// while it looks for the line end. A blank is no "=", so the first "=" of the
// line is the first one after the leading blanks too.
LineShape Classify(std::string_view line, std::size_t eq) {
  std::size_t b = 0;
  while (b < line.size() && IsBlankOrTab(line[b])) ++b;
  if (b == line.size()) return {};
  if (line[b] == '[') {
    const std::size_t close = line.find(']', b + 1);
    if (close != npos) {
      return {LineKind::kHeader, TrimBlanks(line.substr(b + 1, close - b - 1)), 0};
    }
  }
  if (eq == npos) return {};
  std::string_view name = line.substr(b, eq - b);
  while (!name.empty() && IsBlankOrTab(name.back())) name.remove_suffix(1);
  return {LineKind::kKey, name, eq + 1};
}

LineShape Classify(std::string_view line) { return Classify(line, line.find('=')); }

// The slow part of CutToMaxChars, for values longer than the limit in bytes.
std::string_view CutLongToMaxChars(std::string_view s) {
  // A character takes one to four bytes: the characters that stay lie within
  // the first 4 * kIniValueMaxChars bytes.
  constexpr std::size_t kMaxBytes = 4 * kIniValueMaxChars;
  const std::u32string chars = text::DecodeUtf8(s.substr(0, kMaxBytes));
  if (chars.size() <= kIniValueMaxChars && s.size() <= kMaxBytes) return s;
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < kIniValueMaxChars && i < chars.size(); ++i) {
    const char32_t c = chars[i];
    bytes += (c < 0x80 || (c >= 0xDC80 && c <= 0xDCFF)) ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
  }
  return s.substr(0, bytes);
}

// Short texts need no count of their characters.
inline std::string_view CutToMaxChars(std::string_view s) {
  return s.size() <= kIniValueMaxChars ? s : CutLongToMaxChars(s);
}

inline std::string_view ValueAsRead(std::string_view raw) {
  std::string_view v = TrimBlanks(raw);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    v = v.substr(1, v.size() - 2);
  }
  return CutToMaxChars(v);
}

// FNV-1a over the ASCII-lowered name; names with other bytes get 0 ("unknown")
// because their folding needs ICU. It lets a lookup skip most sections cheaply.
std::uint32_t NameHash(std::string_view name) {
  std::uint32_t h = 2166136261u;
  for (char ch : name) {
    auto c = static_cast<unsigned char>(ch);
    if (c >= 0x80) return 0;
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + ('a' - 'A'));
    h = (h ^ c) * 16777619u;
  }
  return h;
}

bool SameName(std::string_view a, std::string_view b) { return text::EqualsIgnoreCase(a, b); }

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
  ReplaceFile(target, updated, file.result == ReadResult::kOk ? &file.st : nullptr);
}

}  // namespace

// ---------------------------------------------------------------------------

std::string ReadIniValue(std::string_view section, std::string_view key,
                         std::string_view defaultValue, const std::string& filePath) {
  return IniSnapshot::Load(filePath).Read(section, key, defaultValue);
}

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

// Reads the file with open, read and close alone: the buffer kept from earlier
// loads usually holds the whole file, and a read that comes back short has met
// the end, so the file's size need not be asked first.
// A file seldom changes between two loads: comparing it with the text parsed
// before costs far less than parsing it again.
bool IniReader::Load(const std::string& filePath) {
  std::size_t used = 0;
  const int fd = ::open(filePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    for (;;) {
      if (used == spare_.Room()) spare_.Grow(used, used + used / 2 + 16384);
      const ssize_t n = ::read(fd, spare_.bytes.get() + used, spare_.Room() - used);
      if (n < 0) {
        if (errno == EINTR) continue;
        used = 0;  // unreadable: read as empty
        break;
      }
      used += static_cast<std::size_t>(n);
      if (n == 0 || used < spare_.Room()) break;
    }
    ::close(fd);
  }
  if (parsed_ && used == text_.size() &&
      (used == 0 || std::memcmp(spare_.bytes.get(), text_.data(), used) == 0)) {
    return false;
  }
  if (spare_.bytes == nullptr) spare_.Grow(0, 0);
  std::swap(buffer_, spare_);
  text_ = std::string_view(buffer_.bytes.get(), used);
  ParseOwnText();
  return true;
}

void IniReader::Parse(std::string_view text) {
  if (text.size() > buffer_.Room() || buffer_.bytes == nullptr) buffer_.Grow(0, text.size());
  if (!text.empty()) std::memcpy(buffer_.bytes.get(), text.data(), text.size());
  text_ = std::string_view(buffer_.bytes.get(), text.size());
  ParseOwnText();
}

void IniReader::Buffer::Grow(std::size_t keep, std::size_t room) {
  auto bigger = std::make_unique_for_overwrite<char[]>(room + kPadding);
  if (keep > 0) std::memcpy(bigger.get(), bytes.get(), keep);
  bytes = std::move(bigger);
  capacity = room + kPadding;
}

namespace {

struct LineBounds {
  const char* equals;  // the first "=", nullptr when the line has none
  const char* end;     // the CR or LF that ends the line
};

// The bounds of the line that starts at `p`. A "\n" must follow, and 15
// readable bytes after it. Sixteen bytes per step, as most lines are short.
LineBounds ScanLine(const char* p) {
  const char* equals = nullptr;
#if defined(__SSE2__)
  const __m128i newlines = _mm_set1_epi8('\n');
  const __m128i returns = _mm_set1_epi8('\r');
  const __m128i equalSigns = _mm_set1_epi8('=');
  for (;; p += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const auto ends = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_or_si128(_mm_cmpeq_epi8(chunk, newlines), _mm_cmpeq_epi8(chunk, returns))));
    if (equals == nullptr) {
      auto eq = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, equalSigns)));
      if (ends != 0) eq &= ends ^ (ends - 1);  // none after the line end
      if (eq != 0) equals = p + std::countr_zero(eq);
    }
    if (ends != 0) return {equals, p + std::countr_zero(ends)};
  }
#else
  for (;; ++p) {
    if (*p == '\n' || *p == '\r') return {equals, p};
    if (*p == '=' && equals == nullptr) equals = p;
  }
#endif
}

}  // namespace

void IniReader::ParseOwnText() {
  entries_.clear();
  sections_.clear();
  std::string_view rest = text_;
  if (rest.starts_with(kBom)) rest.remove_prefix(kBom.size());
  // Enough for lines of 16 bytes on average (rule lines are longer), so entries
  // rarely move; untouched capacity costs no memory pages.
  entries_.reserve(rest.size() / 16 + 4);
  const char* p = rest.data();
  const char* const end = p + rest.size();
  // The "\n" that ends the last line when the text does not, and the bytes
  // ScanLine may read past it.
  std::memset(buffer_.bytes.get() + text_.size(), '\n', kPadding);
  parsed_ = true;
  while (p < end) {
    const char* const begin = p;
    // CR LF, LF or a lone CR ends a line, as for the platform's reader. The
    // byte after a CR is readable: the text or the padding's first "\n".
    const LineBounds bounds = ScanLine(begin);
    const char* const lineEnd = bounds.end;
    p = lineEnd + 1;
    if (*lineEnd == '\r' && *p == '\n') ++p;
    const char* const equals = bounds.equals;
    if (equals != nullptr && equals > begin && !IsBlankOrTab(*begin) && *begin != '[' &&
        !IsBlankOrTab(equals[-1])) {
      // The usual key line, taken as Classify takes it but without the call:
      // there are no blanks or TABs around the name. Keys before the first
      // header belong to no section.
      if (!sections_.empty()) {
        entries_.emplace_back(std::string_view(begin, static_cast<std::size_t>(equals - begin)),
                              ValueAsRead(std::string_view(
                                  equals + 1, static_cast<std::size_t>(lineEnd - equals - 1))));
      }
      continue;
    }
    const std::string_view line(begin, static_cast<std::size_t>(lineEnd - begin));
    const LineShape shape =
        Classify(line, equals != nullptr ? static_cast<std::size_t>(equals - begin) : npos);
    if (shape.kind == LineKind::kHeader) {
      sections_.push_back({shape.name, NameHash(shape.name), {}, entries_.size()});
    } else if (shape.kind == LineKind::kKey && !sections_.empty()) {
      entries_.emplace_back(shape.name, ValueAsRead(line.substr(shape.valueBegin)));
    }
  }
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    const std::size_t next =
        i + 1 < sections_.size() ? sections_[i + 1].firstEntry : entries_.size();
    sections_[i].entries =
        EntryList(entries_).subspan(sections_[i].firstEntry, next - sections_[i].firstEntry);
  }
}

const IniReader::Section* IniReader::FindSection(std::string_view section) const {
  section = TrimBlanks(section);
  const std::uint32_t hash = NameHash(section);
  for (const Section& s : sections_) {
    if ((hash == 0 || s.nameHash == 0 || s.nameHash == hash) && SameName(s.name, section)) {
      return &s;
    }
  }
  return nullptr;
}

const IniReader::EntryList* IniReader::Entries(std::string_view section) const {
  const Section* s = FindSection(section);
  return s != nullptr ? &s->entries : nullptr;
}

std::string_view IniReader::Read(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
  if (const Section* s = FindSection(section)) {
    key = TrimBlanks(key);
    for (const auto& [name, value] : s->entries) {
      if (SameName(name, key)) return value;
    }
  }
  return CutToMaxChars(defaultValue);
}

IniSnapshot IniSnapshot::Load(const std::string& filePath) {
  auto reader = std::make_shared<IniReader>();
  reader->Load(filePath);
  IniSnapshot snapshot;
  snapshot.reader_ = std::move(reader);
  return snapshot;
}

IniSnapshot IniSnapshot::Parse(std::string_view text) {
  auto reader = std::make_shared<IniReader>();
  reader->Parse(text);
  IniSnapshot snapshot;
  snapshot.reader_ = std::move(reader);
  return snapshot;
}

const IniSnapshot::EntryList* IniSnapshot::Entries(std::string_view section) const {
  return reader_ ? reader_->Entries(section) : nullptr;
}

std::string IniSnapshot::Read(std::string_view section, std::string_view key,
                              std::string_view defaultValue) const {
  return std::string(reader_ ? reader_->Read(section, key, defaultValue)
                             : CutToMaxChars(defaultValue));
}

}  // namespace quarvel
