// The error log: the main window's only report of failures, the text of
// txtErr, newest entry first. Each entry reads
//   "[" + date and time + "] " + source + " - ERROR: " + number + " " +
//   description + CR LF + CR LF
// with the date and time from the window services' clock as
// "YYYY-MM-DD HH:MM:SS" (one form for every locale, so entries sort and read
// alike everywhere) and the number in signed decimal, as the platform prints
// its HRESULT-like codes (0x80040E19 prints as -2147217895).
//
// The log is never written to a file and never trimmed. An echo stream (set
// for unattended runs) receives every entry as it is written, one line each,
// without the blank line. EntriesWritten counts every entry since the program
// started, whatever was cleared since, so that an unattended run can tell
// that something failed even after a pass emptied the log.
//
// Window thread only.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "platform/PlatformError.h"
#include "platform/controls/WindowServices.h"

namespace quarvel::setup {

class InstallForm;

class ErrorLog {
 public:
  ErrorLog(InstallForm& form, platform::controls::WindowServices& services);

  // Not owned; null for none.
  void EchoTo(std::ostream* stream) { echo_ = stream; }

  // Prepends the entry for a failure of `source` (a routine's name or a URL).
  void LogError(const std::string& source, const platform::PlatformError& error);
  void LogError(const std::string& source, std::int32_t number, const std::string& description);
  // Prepends "[" + date and time + "] " + text + CR LF + CR LF, for the few
  // fixed messages that are no platform error.
  void LogMessage(const std::string& text);

  // The date and time as an entry prints it, read from the clock now.
  [[nodiscard]] std::string Timestamp();

  [[nodiscard]] bool IsEmpty() const;
  [[nodiscard]] int EntriesWritten() const { return entriesWritten_; }

  // Empties the log; the controls' visibility stays as it is.
  void Clear();
  // Shows txtErr and Command3 exactly when the log is not empty.
  void ShowOrHide();
  // "Clear Error Log" (Command3): hides the button, empties and hides the log.
  void ClearErrorLog();

 private:
  void Prepend(const std::string& line);

  InstallForm& form_;
  platform::controls::WindowServices& services_;
  std::ostream* echo_ = nullptr;
  int entriesWritten_ = 0;
};

// "YYYY-MM-DD HH:MM:SS".
[[nodiscard]] std::string FormatLogTime(const platform::controls::LocalDateTime& time);

}  // namespace quarvel::setup
