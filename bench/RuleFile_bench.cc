// Loading the rule file, which the sink does at every saved item, next to a
// plain read of the same file's bytes as the baseline.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/RuleFileReader.h"

namespace {

std::string WriteRuleFile(int rules) {
  const auto path =
      std::filesystem::temp_directory_path() /
      ("quarvel_bench_" + std::to_string(::getpid()) + "_" + std::to_string(rules) + ".ini");
  std::ofstream file(path);
  file << "[Quarvel RuleSet1]\r\n";
  for (int n = 1; n <= rules; ++n) {
    const auto i = std::to_string(n);
    file << "ConditionHeader" << i << "=X-Spam-Status\r\n"
         << "ConditionValue" << i << "=Yes, score={>" << n % 10 << "}{*}\r\n"
         << "Action" << i << "=move to\r\n"
         << "Target" << i << "=http://mail.example.com/Public/Junk Mail/Level " << i << "\r\n"
         << "TargetDisplayName" << i << "=Level " << i << "\r\n";
  }
  file << "[Quarvel PickupDir]\r\nPath=/var/spool/quarvel/pickup\r\n";
  return path.string();
}

void BM_LoadRuleFile(benchmark::State& state) {
  const auto path = WriteRuleFile(static_cast<int>(state.range(0)));
  // As the sink loads it: one reader per thread, reused at every save.
  quarvel::RuleFileReader reader;
  for (auto _ : state) {
    reader.Load(path);
    benchmark::DoNotOptimize(reader.Rules().data());
  }
  if (reader.Rules().size() != static_cast<std::size_t>(state.range(0))) {
    state.SkipWithError("the rules did not all load");
  }
  std::filesystem::remove(path);
}

// The baseline: the file's bytes into memory, nothing more, into a buffer
// kept from one read to the next as the loader keeps its own.
void BM_PlainRead(benchmark::State& state) {
  const auto path = WriteRuleFile(static_cast<int>(state.range(0)));
  std::string bytes;
  for (auto _ : state) {
    bytes.clear();
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
      char buffer[1 << 16];
      std::size_t got;
      while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
      std::fclose(file);
    }
    benchmark::DoNotOptimize(bytes);
  }
  std::filesystem::remove(path);
}

BENCHMARK(BM_PlainRead)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_LoadRuleFile)->Arg(10)->Arg(100)->Arg(1000);

}  // namespace
