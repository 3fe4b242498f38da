// What a sink did to the item during one save, as the store sees it: the
// record, its fields and the message objects handed to the sink are thin
// wrappers that note deletes, moves, saved message files and the changes the
// store refused before passing each call on. The journal says from these
// what became of the item and, when it stayed, why an action did not happen.
// One observation serves one save on one thread.
#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ado/Record.h"
#include "platform/com/IObjectFactory.h"

namespace quarvel::platform::store {

// A message file a sink saved: where, and which file it was, so it can be
// found again after the sink renamed it.
struct SavedFile {
  std::string path;
  dev_t device = 0;
  ino_t inode = 0;
};

struct EventObservation {
  bool deleted = false;
  std::string movedTo;                // destination URL of the last move
  std::vector<SavedFile> savedFiles;  // message files written by the sinks
  std::vector<std::string> refusals;  // what the store refused a sink, and why
  bool vetoed = false;
};

// The path the saved file has now (it may have been renamed within its
// directory), or nullopt when it is gone.
[[nodiscard]] std::optional<std::string> CurrentPath(const SavedFile& file);

// Passes every call to `inner`, noting deletes, moves and refused changes.
class ObservedRecord : public ado::Record {
 public:
  ObservedRecord(ado::Record& inner, EventObservation& observation);
  ~ObservedRecord() override;

  ado::Fields& GetFields() override;
  std::string ParentURL() override { return inner_.ParentURL(); }
  void Open(const std::string& source, ado::Connection* activeConnection, ado::ConnectMode mode,
            ado::RecordCreateOptions createOptions, ado::RecordOpenOptions options,
            const std::string& userName, const std::string& password) override;
  void Close() override { inner_.Close(); }
  void DeleteRecord(const std::string& source, bool async) override;
  std::string MoveRecord(const std::string& source, const std::string& destination,
                         const std::string& userName, const std::string& password,
                         ado::MoveRecordOptions options, bool async) override;

 private:
  class Fields;

  ado::Record& inner_;
  EventObservation& observation_;
  std::unique_ptr<Fields> fields_;
};

// Creates objects through `inner`; message objects come wrapped so that
// saving their stream to a file is noted.
class ObservedObjects : public IObjectFactory {
 public:
  ObservedObjects(IObjectFactory& inner, EventObservation& observation)
      : inner_(inner), observation_(observation) {}

  std::unique_ptr<IUnknown> CreateObject(std::string_view progId) override;

 private:
  IObjectFactory& inner_;
  EventObservation& observation_;
};

}  // namespace quarvel::platform::store
