// Cost of one condition test per pattern kind; the sink runs every rule's test
// for every message posted to a watched folder.
#include <benchmark/benchmark.h>

#include <string>

#include "common/basParser.h"

namespace quarvel::matching {
namespace {

void BM_ConditionHolds(benchmark::State& state, const std::string& value,
                       const std::string& pattern) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(ConditionHolds(value, pattern));
  }
}

// A realistic long header: the match has to scan all of it.
std::string LongHeader() {
  std::string header = "from mail.example.net (mail.example.net [192.0.2.17]) by mx.example.org";
  while (header.size() < 190) header += " with ESMTPS id";
  header.resize(190);
  return header + " viagra-x";
}

BENCHMARK_CAPTURE(BM_ConditionHolds, LiteralHit, std::string("Spam: cheap offer"),
                  std::string("Spam:"));
BENCHMARK_CAPTURE(BM_ConditionHolds, LiteralMiss, std::string("Re: Spam: cheap offer"),
                  std::string("Spam:"));
BENCHMARK_CAPTURE(BM_ConditionHolds, StarAndQuestionWildcard, std::string("RE: hello world"),
                  std::string("{?}{?}:{*}"));
BENCHMARK_CAPTURE(BM_ConditionHolds, ListWildcard, std::string("Sale now"),
                  std::string("[SPAM]{*}"));
BENCHMARK_CAPTURE(BM_ConditionHolds, ComparisonGroup, std::string("5.2"),
                  std::string("{>3.9 <11.1}"));
BENCHMARK_CAPTURE(BM_ConditionHolds, PrefixAndGroup, std::string("No, hits=2.3"),
                  std::string("No, hits={>-4.9}"));
BENCHMARK_CAPTURE(BM_ConditionHolds, LongHeaderWildcard, LongHeader(), std::string("{*}viagra{*}"));
BENCHMARK_CAPTURE(BM_ConditionHolds, LongHeaderLiteralMiss, LongHeader(),
                  std::string("Received: from"));

// Every message meets every rule, and mostly the rule does not apply: these
// cases, the misses above all, must stay cheap. ("[SPAM]" is a list of letters,
// so "Spam: ..." does match it.)
BENCHMARK_CAPTURE(BM_ConditionHolds, PrefixGroupMissOnPrefix,
                  std::string("Yes, score=7.1 required=5.0 tests=BAYES_99"),
                  std::string("Level 5 {>9}"));
BENCHMARK_CAPTURE(BM_ConditionHolds, PrefixGroupMissShortValue, std::string("YES"),
                  std::string("Level 5 {>9}"));
BENCHMARK_CAPTURE(BM_ConditionHolds, ListWildcardOnSubject, std::string("Spam: cheap offer"),
                  std::string("[SPAM]{*}"));
BENCHMARK_CAPTURE(BM_ConditionHolds, GroupHit, std::string("7"), std::string("{>5}"));
BENCHMARK_CAPTURE(BM_ConditionHolds, GroupMiss, std::string("3"), std::string("{>5}"));
BENCHMARK_CAPTURE(BM_ConditionHolds, PrefixGroupMissOnTail,
                  std::string("No, hits=2.3 required=5.0"), std::string("No, hits={>-4.9}"));

}  // namespace
}  // namespace quarvel::matching
