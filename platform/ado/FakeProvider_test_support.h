// An in-memory provider for the data layer's own tests: it answers every
// command with fixed rows and notes what it was asked.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/PlatformError.h"
#include "platform/ado/ProviderRegistry.h"
#include "platform/ado/ProviderSession.h"

namespace quarvel::platform::ado::testing {

struct ProviderLog {
  std::vector<std::string> calls;  // "Begin", "Commit", "Rollback", "Execute <text>", ...
  Properties lastProperties;
  ConnectionInfo lastInfo;
};

// A record that answers ParentURL with its source and counts Close.
class FakeRecord : public Record {
 public:
  FakeRecord(std::string source, ProviderLog& log) : source_(std::move(source)), log_(log) {}
  Fields& GetFields() override { throw PlatformError(kErrFail, "no fields"); }
  std::string ParentURL() override { return "parent of " + source_; }
  void Open(const std::string&, Connection*, ConnectMode, RecordCreateOptions, RecordOpenOptions,
            const std::string&, const std::string&) override {}
  void Close() override { log_.calls.push_back("Close " + source_); }
  void DeleteRecord(const std::string& source, bool) override {
    log_.calls.push_back("Delete " + source);
  }
  std::string MoveRecord(const std::string& source, const std::string& destination,
                         const std::string&, const std::string&, MoveRecordOptions, bool) override {
    log_.calls.push_back("Move " + source + " " + destination);
    return destination;
  }

 private:
  std::string source_;
  ProviderLog& log_;
};

class FakeSession : public ProviderSession {
 public:
  FakeSession(ProviderLog& log, Rowset answer) : log_(log), answer_(std::move(answer)) {}

  std::unique_ptr<Record> OpenRecord(const std::string& source, Connection&, ConnectMode,
                                     RecordCreateOptions, RecordOpenOptions, const std::string&,
                                     const std::string&) override {
    log_.calls.push_back("OpenRecord " + source);
    if (source == "missing") throw PlatformError(kErrNotFound, "no such record");
    return std::make_unique<FakeRecord>(source, log_);
  }
  Rowset Execute(const std::string& commandText, const Properties& properties) override {
    log_.calls.push_back("Execute " + commandText);
    log_.lastProperties = properties;
    if (commandText == "bad") throw PlatformError(kErrInvalidArgument, "bad query");
    return answer_;
  }
  void BeginTrans() override { log_.calls.push_back("Begin"); }
  void CommitTrans() override { log_.calls.push_back("Commit"); }
  void RollbackTrans() override { log_.calls.push_back("Rollback"); }

 private:
  ProviderLog& log_;
  Rowset answer_;
};

// A registry holding "Fake.Provider", which answers with `answer`.
inline ProviderRegistry FakeRegistry(ProviderLog& log, Rowset answer = {}) {
  ProviderRegistry registry;
  registry.Register("Fake.Provider", [&log, answer](const ConnectionInfo& info) {
    log.lastInfo = info;
    if (info.connectionString == "refuse") throw PlatformError(kErrAccessDenied, "refused");
    return std::make_unique<FakeSession>(log, answer);
  });
  return registry;
}

}  // namespace quarvel::platform::ado::testing
