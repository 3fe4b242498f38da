#include "tools/exsim/Delivery.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "platform/PlatformError.h"
#include "platform/store/GroupCommit.h"
#include "platform/store/MessageProperties.h"

namespace quarvel::exsim {

namespace store = platform::store;
namespace fs = std::filesystem;

namespace {

std::optional<std::string> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return bytes.str();
}

// Item names follow the message file's name, so that a person can find the
// item again; the store gives a name already taken a number.
std::string ItemName(const std::string& wanted) {
  std::string stem = fs::path(wanted).stem().string();
  // The store refuses hidden or odd names; a safe stem always exists.
  std::replace_if(
      stem.begin(), stem.end(), [](char c) { return c == '/' || c == '\\' || c < 0x20; }, '_');
  while (!stem.empty() && stem.front() == '.') stem.erase(stem.begin());
  if (stem.empty()) stem = "message";
  return stem + ".eml";
}

store::SaveRequest Request(const store::StorePath& folder, const std::string& name,
                           std::string message, const DeliveryOptions& options) {
  store::DeliveryFacts facts;
  facts.messageClass = options.messageClass;
  facts.spamConfidenceLevel = options.spamConfidenceLevel;
  store::SaveRequest request;
  request.item = folder.Child(ItemName(name));
  request.properties = store::DeriveMessageProperties(message, facts);
  request.message = std::move(message);
  request.kind = options.kind;
  return request;
}

void Count(DeliverySummary& summary, const store::SaveResult& result) {
  ++summary.saved;
  const auto& outcome = result.entry.outcome;
  if (outcome.starts_with("moved")) {
    ++summary.moved;
  } else if (outcome.starts_with("removed after forward")) {
    ++summary.forwarded;
  } else if (outcome.starts_with("deleted")) {
    ++summary.deleted;
  } else {
    ++summary.stayed;
  }
  summary.warnings.insert(result.warnings.begin(), result.warnings.end());
  summary.entries.push_back(result.entry);
}

}  // namespace

std::vector<fs::path> CollectMessageFiles(const std::vector<fs::path>& inputs) {
  std::vector<fs::path> files;
  for (const auto& input : inputs) {
    std::error_code error;
    if (fs::is_directory(input, error)) {
      std::vector<fs::path> found;
      for (const auto& entry : fs::directory_iterator(input)) {
        const auto name = entry.path().filename().string();
        if (entry.is_regular_file() && !name.starts_with(".")) found.push_back(entry.path());
      }
      std::sort(found.begin(), found.end());
      files.insert(files.end(), found.begin(), found.end());
    } else if (fs::exists(input, error)) {
      files.push_back(input);
    } else {
      throw std::runtime_error("no such file or directory: " + input.string());
    }
  }
  return files;
}

store::SaveResult DeliverMessage(SimulatedServer& server, const store::StorePath& folder,
                                 const std::string& name, const std::string& message,
                                 const DeliveryOptions& options,
                                 std::optional<store::DeliveryReceipt> receipt) {
  auto request = Request(folder, name, message, options);
  request.receipt = std::move(receipt);
  return server.Events().Save(std::move(request));
}

store::RecoverySummary RecoverSaves(SimulatedServer& server, std::ostream& log) {
  auto summary = server.Events().Recover();
  if (summary.finished + summary.alreadyGone > 0) {
    log << "exsim: finished " << summary.finished + summary.alreadyGone
        << " saves that a stopped process left without their commit phase:\n";
    for (const auto& note : summary.notes) log << "  " << note << '\n';
  }
  return summary;
}

DeliverySummary Deliver(SimulatedServer& server, const std::vector<fs::path>& files,
                        const DeliveryOptions& options, std::ostream& log) {
  const auto folder = server.ResolveDeliveryFolder(options.to);
  DeliverySummary summary;
  std::mutex mutex;  // guards summary and log
  std::atomic<std::size_t> next = 0;
  const bool interactive = options.showProgress && ::isatty(STDERR_FILENO) && &log == &std::cerr;
  const std::size_t step = std::max<std::size_t>(1, files.size() / 10);
  std::size_t reported = 0;

  const auto work = [&] {
    for (std::size_t first; (first = next.fetch_add(kDeliveryBatch)) < files.size();) {
      const auto last = std::min(files.size(), first + kDeliveryBatch);
      std::vector<store::SaveRequest> requests;
      std::vector<std::size_t> fileOf;
      std::vector<std::string> errors;
      for (std::size_t i = first; i < last; ++i) {
        if (auto message = ReadFile(files[i])) {
          requests.push_back(
              Request(folder, files[i].filename().string(), std::move(*message), options));
          fileOf.push_back(i);
        } else {
          errors.push_back(files[i].string() + ": cannot read the file");
        }
      }
      auto outcomes = server.Events().SaveAll(std::move(requests));
      std::lock_guard lock(mutex);
      summary.failed += static_cast<int>(errors.size());
      for (std::size_t k = 0; k < outcomes.size(); ++k) {
        if (outcomes[k].result) {
          Count(summary, *outcomes[k].result);
        } else {
          ++summary.failed;
          errors.push_back(files[fileOf[k]].string() + ": " + outcomes[k].error->Description());
        }
      }
      for (const auto& error : errors) log << "exsim: " << error << '\n';
      const auto done = static_cast<std::size_t>(summary.saved + summary.failed);
      if (options.showProgress && files.size() > 1 && (interactive || done >= reported + step)) {
        reported = done;
        log << (interactive ? "\r" : "") << "  " << done << " of " << files.size() << " messages"
            << (interactive ? "" : "\n") << std::flush;
      }
    }
  };

  const int threads = std::clamp(options.threads, 1, 64);
  std::vector<std::thread> workers;
  for (int t = 1; t < threads; ++t) workers.emplace_back(work);
  work();
  for (auto& worker : workers) worker.join();
  // What the commit phases did is durable too before the summary is shown.
  server.Store().Database().Commits().Sync();
  if (interactive && files.size() > 1) log << '\n';
  return summary;
}

std::string DescribeSummary(const DeliverySummary& summary) {
  std::string text =
      "Saved " + std::to_string(summary.saved) + ": " + std::to_string(summary.stayed) +
      " stayed, " + std::to_string(summary.deleted) + " deleted, " + std::to_string(summary.moved) +
      " moved, " + std::to_string(summary.forwarded) + " forwarded; " +
      std::to_string(summary.failed) + " failed.";
  for (const auto& warning : summary.warnings) text += "\nWarning: " + warning;
  return text;
}

}  // namespace quarvel::exsim
