#include "util/json_reader.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <tuple>

#include "support/table_file.h"

namespace tidewick {
namespace {

// The value written back compactly: integers plain, other numbers with a "d" before them.
std::string Written(const TJsonValue& value) {
  switch (value.Kind()) {
    case TJsonKind::Absent:
      return "absent";
    case TJsonKind::Null:
      return "null";
    case TJsonKind::Bool:
      return *value.Bool() ? "true" : "false";
    case TJsonKind::Number: {
      if (value.Int()) {
        return std::to_string(*value.Int());
      }
      std::array<char, 32> text{};
      std::snprintf(text.data(), text.size(), "d%g", *value.Number());
      return text.data();
    }
    case TJsonKind::String:
      return JsonQuoted(*value.String());
    case TJsonKind::Array:
    case TJsonKind::Object:
      break;
  }
  std::string out;
  for (const TJsonValue& item : value.Items()) {
    out += (out.empty() ? "" : ",") + (value.IsObject() ? JsonQuoted(item.Key()) + ":" : "") + Written(item);
  }
  return value.IsObject() ? "{" + out + "}" : "[" + out + "]";
}

TEST(JsonReader, ReadsAndQuotesAsTheTableSays) {
  test::CheckTableFile("util/json_reader.tsv", 2, [](const std::vector<std::string>& cells) {
    if (cells[0] == "quote") {
      return JsonQuoted(cells[1]);
    }
    TJsonDocument document;
    return document.Parse(cells[1]) ? Written(document.Root()) : "error";
  });
}

TEST(JsonReader, EveryLimitIsAnErrorOneStepPastIt) {
  const auto nested = [](int depth) { return std::string(depth, '[') + std::string(depth, ']'); };
  std::string list = "[0";
  for (int i = 1; i < 10; ++i) {
    list += ",0";
  }
  list += "]";  // ten numbers, eleven values
  // The text, the limits, whether it reads.
  const std::tuple<std::string, TJsonLimits, bool> cases[] = {
      {nested(64), {}, true},
      {nested(65), {}, false},
      {nested(1000000), {}, false},  // no stack overflow, neither reading nor cleaning up
      {"\"" + std::string(100, 'x') + "\"", {.MaxStringBytes = 100}, true},
      {"\"" + std::string(101, 'x') + "\"", {.MaxStringBytes = 100}, false},
      {"{\"" + std::string(101, 'k') + "\":1}", {.MaxStringBytes = 100}, false},
      {list, {.MaxValues = 11}, true},
      {list, {.MaxValues = 10}, false},
      {"[1]  ", {.MaxBytes = 5}, true},
      {"[1]   ", {.MaxBytes = 5}, false},
  };
  for (const auto& [text, limits, reads] : cases) {
    SCOPED_TRACE(text.substr(0, 40));
    TJsonDocument document;
    EXPECT_EQ(document.Parse(text, limits), reads) << document.Error();
    EXPECT_EQ(document.Root().Exists(), reads);
    EXPECT_EQ(document.Error().empty(), reads);
  }
}

TEST(JsonReader, AValueOfTheWrongTypeReadsAsAbsent) {
  TJsonDocument document;
  ASSERT_TRUE(document.Parse(R"({"id":"12","n":1.5,"s":7,"list":{"a":1},"flag":1,"obj":[1]})"));
  const TJsonValue root = document.Root();
  EXPECT_FALSE(root["id"].Int());
  EXPECT_FALSE(root["n"].Int());
  EXPECT_EQ(root["n"].Number(), 1.5);
  EXPECT_FALSE(root["s"].String());
  EXPECT_FALSE(root["flag"].Bool());
  EXPECT_FALSE(root["obj"]["a"].Exists());
  EXPECT_FALSE(root["missing"]["deeper"]["still"].Int());
  EXPECT_FALSE(root["id"]["x"].Exists());
  EXPECT_TRUE(root["s"].Items().empty());
  EXPECT_FALSE(TJsonValue()["x"].Exists());
  EXPECT_FALSE(TJsonValue().String());
}

}  // namespace
}  // namespace tidewick
