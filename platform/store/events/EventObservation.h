// What a sink did to the item during one save, as the store sees it: the
// record and the message objects handed to the sink are thin wrappers that
// note deletes, moves and saved message files before passing each call on.
// One observation serves one save on one thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ado/Record.h"
#include "platform/com/IObjectFactory.h"

namespace quarvel::platform::store {

struct EventObservation {
  bool deleted = false;
  std::string movedTo;                  // destination URL of the last move
  std::vector<std::string> savedFiles;  // message files written by the sinks
  bool vetoed = false;
};

// Passes every call to `inner`, noting deletes and moves.
class ObservedRecord : public ado::Record {
 public:
  ObservedRecord(ado::Record& inner, EventObservation& observation)
      : inner_(inner), observation_(observation) {}

  ado::Fields& GetFields() override { return inner_.GetFields(); }
  std::string ParentURL() override { return inner_.ParentURL(); }
  void Open(const std::string& source, ado::Connection* activeConnection, ado::ConnectMode mode,
            ado::RecordCreateOptions createOptions, ado::RecordOpenOptions options,
            const std::string& userName, const std::string& password) override {
    inner_.Open(source, activeConnection, mode, createOptions, options, userName, password);
  }
  void Close() override { inner_.Close(); }
  void DeleteRecord(const std::string& source, bool async) override {
    inner_.DeleteRecord(source, async);
    observation_.deleted = true;
  }
  std::string MoveRecord(const std::string& source, const std::string& destination,
                         const std::string& userName, const std::string& password,
                         ado::MoveRecordOptions options, bool async) override {
    auto moved = inner_.MoveRecord(source, destination, userName, password, options, async);
    observation_.movedTo = destination;
    return moved;
  }

 private:
  ado::Record& inner_;
  EventObservation& observation_;
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
