#include "tools/exsim/Delivery.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iostream>
#include <mutex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "platform/PlatformError.h"
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
// item again; a name already taken gets a number.
class ItemNames {
 public:
  ItemNames(store::PublicStore& store, store::StorePath folder)
      : store_(store), folder_(std::move(folder)) {}

  store::StorePath Reserve(const std::string& wanted) {
    std::string stem = fs::path(wanted).stem().string();
    // The store refuses hidden or odd names; a safe stem always exists.
    std::replace_if(stem.begin(), stem.end(), [](char c) { return c == '/' || c == '\\' || c < 0x20; }, '_');
    while (!stem.empty() && stem.front() == '.') stem.erase(stem.begin());
    if (stem.empty()) stem = "message";
    std::lock_guard lock(mutex_);
    for (int n = 1;; ++n) {
      const auto name = n == 1 ? stem + ".eml" : stem + "-" + std::to_string(n) + ".eml";
      const auto path = folder_.Child(name);
      if (taken_.contains(name) || store_.ItemExists(path)) continue;
      taken_.insert(name);
      return path;
    }
  }

 private:
  store::PublicStore& store_;
  store::StorePath folder_;
  std::mutex mutex_;
  std::set<std::string> taken_;
};

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
  summary.entries.push_back(result.entry);
}

store::SaveResult Save(SimulatedServer& server, const store::StorePath& item,
                       const std::string& message, const DeliveryOptions& options) {
  store::DeliveryFacts facts;
  facts.messageClass = options.messageClass;
  facts.spamConfidenceLevel = options.spamConfidenceLevel;
  store::SaveRequest request;
  request.item = item;
  request.message = message;
  request.properties = store::DeriveMessageProperties(message, facts);
  request.kind = options.kind;
  return server.Events().Save(request);
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
                                 const DeliveryOptions& options) {
  ItemNames names(server.Store(), folder);
  return Save(server, names.Reserve(name), message, options);
}

DeliverySummary Deliver(SimulatedServer& server, const std::vector<fs::path>& files,
                        const DeliveryOptions& options, std::ostream& log) {
  const auto folder = server.ResolveFolder(options.to);
  ItemNames names(server.Store(), folder);
  DeliverySummary summary;
  std::mutex mutex;  // guards summary and log
  std::atomic<std::size_t> next = 0;
  const bool interactive = options.showProgress && ::isatty(STDERR_FILENO) && &log == &std::cerr;
  const std::size_t step = std::max<std::size_t>(1, files.size() / 10);

  const auto work = [&] {
    for (std::size_t i; (i = next++) < files.size();) {
      const auto& file = files[i];
      std::optional<store::SaveResult> result;
      std::string error;
      if (const auto message = ReadFile(file)) {
        try {
          result = Save(server, names.Reserve(file.filename().string()), *message, options);
        } catch (const platform::PlatformError& failure) {
          error = failure.Description();
        }
      } else {
        error = "cannot read the file";
      }
      std::lock_guard lock(mutex);
      if (result) {
        Count(summary, *result);
      } else {
        ++summary.failed;
        log << "exsim: " << file.string() << ": " << error << '\n';
      }
      const auto done = static_cast<std::size_t>(summary.saved + summary.failed);
      if (options.showProgress && files.size() > 1 && (interactive || done % step == 0)) {
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
  if (interactive && files.size() > 1) log << '\n';
  return summary;
}

std::string DescribeSummary(const DeliverySummary& summary) {
  return "Saved " + std::to_string(summary.saved) + ": " + std::to_string(summary.stayed) +
         " stayed, " + std::to_string(summary.deleted) + " deleted, " +
         std::to_string(summary.moved) + " moved, " + std::to_string(summary.forwarded) +
         " forwarded; " + std::to_string(summary.failed) + " failed.";
}

}  // namespace quarvel::exsim
