#include "setup/main/ErrorLog.h"

#include <cstdio>

#include "setup/main/InstallForm.h"

namespace quarvel::setup {

namespace {
constexpr const char* kEntryEnd = "\r\n\r\n";
}

std::string FormatLogTime(const platform::controls::LocalDateTime& time) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day,
                time.hour, time.minute, time.second);
  return text;
}

ErrorLog::ErrorLog(InstallForm& form, platform::controls::WindowServices& services)
    : form_(form), services_(services) {}

std::string ErrorLog::Timestamp() { return FormatLogTime(services_.Now()); }

void ErrorLog::LogError(const std::string& source, const platform::PlatformError& error) {
  LogError(source, error.Number(), error.Description());
}

void ErrorLog::LogError(const std::string& source, std::int32_t number,
                        const std::string& description) {
  Prepend(source + " - ERROR: " + std::to_string(number) + " " + description);
}

void ErrorLog::LogMessage(const std::string& text) { Prepend(text); }

void ErrorLog::Prepend(const std::string& line) {
  const std::string entry = "[" + Timestamp() + "] " + line;
  form_.txtErr.SetText(entry + kEntryEnd + form_.txtErr.Text());
  ++entriesWritten_;
  if (echo_ != nullptr) *echo_ << entry << '\n' << std::flush;
}

bool ErrorLog::IsEmpty() const { return form_.txtErr.Text().empty(); }

void ErrorLog::Clear() { form_.txtErr.SetText(""); }

void ErrorLog::ShowOrHide() {
  const bool show = !IsEmpty();
  form_.txtErr.SetVisible(show);
  form_.Command3.SetVisible(show);
}

void ErrorLog::ClearErrorLog() {
  form_.Command3.SetVisible(false);
  form_.txtErr.SetText("");
  form_.txtErr.SetVisible(false);
}

}  // namespace quarvel::setup
