#include "common/basIniFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/IniSyntax.h"
#include "common/Text.h"

namespace quarvel {

using namespace ini_syntax;

namespace {

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
    c = text::AsciiLower(c);
    h = (h ^ c) * 16777619u;
  }
  return h;
}

}  // namespace

// ---------------------------------------------------------------------------

std::string ReadIniValue(std::string_view section, std::string_view key,
                         std::string_view defaultValue, const std::string& filePath) {
  return IniSnapshot::Load(filePath).Read(section, key, defaultValue);
}

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
