#pragma once

// A bounded JSON reader for answers from servers we do not trust. Every limit below is checked while reading, so a
// huge, deep or bloated answer is an error, never memory exhaustion or a stack overflow: the grammar is read by
// nlohmann's SAX parser (which keeps its own stack, no recursion), and the values live in one flat array linked by
// index, so neither reading nor destroying a deep document recurses. Text is strict UTF-8 (anything else is an
// error). Accessors never fail: a value of the wrong type, or a missing one, reads as absent.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tidewick {

struct TJsonLimits {
  size_t MaxBytes = size_t{16} * 1024 * 1024;       // the whole text
  int MaxDepth = 64;                                // arrays and objects inside each other
  size_t MaxStringBytes = size_t{4} * 1024 * 1024;  // one string or member name
  size_t MaxValues = 1000000;                       // every value, containers included
};

enum class TJsonKind { Absent, Null, Bool, Number, String, Array, Object };

class TJsonDocument;

// A value inside a document (which must outlive it); cheap to copy.
class TJsonValue {
 public:
  TJsonValue() = default;

  TJsonKind Kind() const;
  bool Exists() const { return Kind() != TJsonKind::Absent; }
  bool IsArray() const { return Kind() == TJsonKind::Array; }
  bool IsObject() const { return Kind() == TJsonKind::Object; }

  // The first member named key; absent when this is no object or has no such member.
  TJsonValue operator[](std::string_view key) const;
  // The elements of an array or the member values of an object, in order; empty for anything else.
  std::vector<TJsonValue> Items() const;
  // The member name of a value inside an object ("" otherwise).
  std::string_view Key() const;

  std::optional<bool> Bool() const;
  // Numbers written without fraction or exponent that fit an int64.
  std::optional<int64_t> Int() const;
  // Any number.
  std::optional<double> Number() const;
  std::optional<std::string_view> String() const;

 private:
  friend class TJsonDocument;
  TJsonValue(const TJsonDocument* document, uint32_t index) : m_document(document), m_index(index) {}

  const TJsonDocument* m_document = nullptr;
  uint32_t m_index = 0;
};

class TJsonDocument {
 public:
  // Reads text; false (and an empty document) when it is not one JSON value within the limits.
  bool Parse(std::string_view text, const TJsonLimits& limits = {});
  // Why Parse failed, in English.
  const std::string& Error() const { return m_error; }
  TJsonValue Root() const;

 private:
  friend class TJsonValue;
  friend class TJsonBuilder;
  static constexpr uint32_t kNone = UINT32_MAX;

  struct TNode {
    TJsonKind Kind = TJsonKind::Null;
    bool Integral = false;  // Int holds the number exactly
    bool Flag = false;
    int64_t Int = 0;
    double Real = 0;
    std::string Text{};  // a string's value
    std::string Key{};   // the member name inside an object
    uint32_t FirstChild = kNone;
    uint32_t LastChild = kNone;
    uint32_t Next = kNone;
  };

  std::vector<TNode> m_nodes;
  std::string m_error;
};

// text as a JSON string literal, quotes included, for request bodies. Text that is not valid UTF-8 is repaired
// first (a stray byte reads as its Windows-1252 character), so the body always parses on the other side.
std::string JsonQuoted(std::string_view text);

}  // namespace tidewick
