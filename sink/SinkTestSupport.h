// Shared by the sink's tests and benchmarks: a public folder tree in an
// in-memory store, rule lists put straight into this thread's module state,
// and scripted services.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/RuleFileReader.h"
#include "platform/PlatformError.h"
#include "sink/DryRunStore.h"
#include "sink/ItemProperties.h"
#include "sink/ModuleState.h"
#include "sink/SinkServices.h"
#include "sink/StoreAccess.h"

namespace quarvel::sink::testing {

inline const std::string kStoreRoot = "file://./backofficestorage/example.com/Public Folders";
inline const std::string kInbox = kStoreRoot + "/Inbox";
inline const std::string kInboxAddress = "inbox@example.com";
inline const std::string kJunk = kStoreRoot + "/Junk Mail";
inline const std::string kJunkListed = "http://mail.example.com/Public/Junk Mail";
inline const std::string kItem = kInbox + "/offer.eml";
inline const std::string kPickup = "/pickup";

inline const std::string kHeaders =
    "Received: from mx.example.net\r\n"
    "From: Sender <sender@example.net>\r\n"
    "Subject: Spam: cheap offer\r\n"
    "X-Spam-Flag: YES\r\n"
    "X-Spam-Status: Yes, score=7.1 required=5.0 tests=BAYES_99\r\n\r\n";
inline const std::string kMessage = kHeaders + "Buy now.\r\n";

// Loads rules into this thread's state as the rule file would.
inline void SetRules(const std::vector<Rule>& rules, const std::string& pickupPath = kPickup) {
  auto& state = ThreadState();
  state = ModuleState{};
  for (const auto& rule : rules) {
    state.TargetList.push_back(rule.target);
    state.HeaderList.push_back(rule.header);
    state.ValueList.push_back(rule.value);
    state.ActionList.push_back(rule.action);
  }
  if (!rules.empty()) {
    for (auto* list : {&state.TargetList, &state.HeaderList, &state.ValueList, &state.ActionList}) {
      list->emplace_back();
    }
  }
  state.LastRuleIndex = static_cast<std::int16_t>(static_cast<int>(state.TargetList.size()) - 1);
  state.PickupPath = pickupPath;
}

// A delivered note in the inbox with the usual spam headers.
inline DryRunStore::Item DeliveredItem(const std::string& itemClass = "IPM.Note") {
  DryRunStore::Item item;
  item.properties[std::string(kMessageClassRead)] = itemClass;
  item.properties[std::string(kTransportHeaders)] = kHeaders;
  item.properties[std::string(kSubject)] = "Spam: cheap offer";
  item.properties[std::string(kSpamConfidenceLevel)] = "7";
  item.properties[std::string(kFromEmail)] = "sender@example.net";
  item.message = kMessage;
  return item;
}

// Passes every call to the record it wraps; tests override the calls they
// want to go wrong.
class DelegatingStoreAccess : public StoreAccess {
 public:
  explicit DelegatingStoreAccess(std::unique_ptr<StoreAccess> inner) : inner_(std::move(inner)) {}

  std::string ReadProperty(const std::string& name) override { return inner_->ReadProperty(name); }
  void AppendProperty(const std::string& name, const std::string& value) override {
    inner_->AppendProperty(name, value);
  }
  void SetProperty(const std::string& name, const std::string& value) override {
    inner_->SetProperty(name, value);
  }
  void DeleteProperty(const std::string& name) override { inner_->DeleteProperty(name); }
  void UpdateFields() override { inner_->UpdateFields(); }
  std::string ParentURL() override { return inner_->ParentURL(); }
  void Close() override { inner_->Close(); }
  void OpenReadWrite(const std::string& url) override { inner_->OpenReadWrite(url); }
  void DeleteRecord() override { inner_->DeleteRecord(); }
  void MoveRecord(const std::string& from, const std::string& to) override {
    inner_->MoveRecord(from, to);
  }
  std::string FolderEmailAddress(const std::string& url) override {
    return inner_->FolderEmailAddress(url);
  }
  std::unique_ptr<MessageStream> OpenMessageStream(const std::string& url) override {
    return inner_->OpenMessageStream(url);
  }

 private:
  std::unique_ptr<StoreAccess> inner_;
};

inline void AddFolders(DryRunStore& store) {
  store.AddFolder(kInbox, kInboxAddress);
  store.AddFolder(kJunk, "junk@example.com");
}

// Services with a fixed clock (6 Dec 2026, 09:05) and counting random numbers
// and GUIDs.
inline SinkServices MemoryServices() {
  SinkServices services;
  services.localTime = [] {
    std::tm time{};
    time.tm_mday = 6;
    time.tm_mon = 11;
    time.tm_year = 126;
    time.tm_hour = 9;
    time.tm_min = 5;
    return time;
  };
  services.randomNumber = [next = std::uint64_t{4710}]() mutable { return ++next; };
  services.newGuid = [next = std::uint32_t{0}]() mutable {
    Guid guid;
    guid.data1 = ++next;
    guid.data4[7] = 0xAB;
    return std::optional<Guid>(guid);
  };
  return services;
}

}  // namespace quarvel::sink::testing
