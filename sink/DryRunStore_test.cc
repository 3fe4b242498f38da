// The in-memory store stands in for the real one in every sink test, so it
// must refuse what the real store refuses.
#include "sink/DryRunStore.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/ErrorOf_test_support.h"
#include "platform/PlatformError.h"
#include "sink/ItemProperties.h"

namespace quarvel::sink {
namespace {

const std::string kUrl = "file://./backofficestorage/example.com/Public Folders/Inbox/1.eml";
const std::string kMark(kMoveTo);

using platform::ErrorOf;

std::string Chars(std::size_t count, const std::string& one) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += one;
  return text;
}

TEST(DryRunStoreSizeTest, CustomPropertyRefusesMoreThanItsDefinedSizeAndKeepsItsValue) {
  DryRunStore store;
  store.PutItem(kUrl, {});
  auto record = store.OpenRecord(kUrl);
  EXPECT_EQ(ErrorOf([&] { record->AppendProperty(kMark, Chars(257, "a")); }), kErrDataOverflow);
  // Characters count, not bytes.
  EXPECT_EQ(ErrorOf([&] { record->AppendProperty(kMark, Chars(256, "\u00E4")); }), 0);
  EXPECT_EQ(ErrorOf([&] { record->SetProperty(kMark, Chars(257, "b")); }), kErrDataOverflow);
  record->UpdateFields();
  EXPECT_EQ(store.Property(kUrl, kMark), Chars(256, "\u00E4"));

  // The size stays with the property after the save, and with the item when
  // it moves.
  auto again = store.OpenRecord(kUrl);
  EXPECT_EQ(ErrorOf([&] { again->SetProperty(kMark, Chars(300, "c")); }), kErrDataOverflow);
  EXPECT_EQ(ErrorOf([&] { again->SetProperty(kMark, "short"); }), 0);
  again->UpdateFields();
  EXPECT_EQ(store.Property(kUrl, kMark), "short");
  EXPECT_EQ(store.FindItem(kUrl)->definedSizes.at(kMark), kCustomPropertySize);
}

TEST(DryRunStoreSizeTest, PropertiesWithoutADefinedSizeTakeAnyLength) {
  DryRunStore store;
  DryRunStore::Item item;
  item.properties[kMark] = "old";
  item.definedSizes[kMark] = kCustomPropertySize;
  store.PutItem(kUrl, item);
  auto record = store.OpenRecord(kUrl);
  EXPECT_EQ(ErrorOf([&] { record->SetProperty(kMark, Chars(257, "a")); }), kErrDataOverflow);
  EXPECT_EQ(ErrorOf([&] { record->SetProperty(std::string(kSubject), Chars(5000, "s")); }), 0);
  // A deleted property loses its size; appended again, it has it again.
  record->DeleteProperty(kMark);
  record->UpdateFields();
  EXPECT_EQ(store.FindItem(kUrl)->definedSizes.count(kMark), 0u);
  EXPECT_EQ(ErrorOf([&] { record->AppendProperty(kMark, Chars(257, "a")); }), kErrDataOverflow);
}

}  // namespace
}  // namespace quarvel::sink
