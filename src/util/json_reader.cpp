#include "util/json_reader.h"

#include <cmath>
#include <exception>
#include <nlohmann/json.hpp>

#include "util/utf8.h"

namespace tidewick {

// Takes the parser's events into the flat node array, checking the limits at each one; an event that breaks one
// stops the parser at once.
class TJsonBuilder {
 public:
  using json = nlohmann::json;

  TJsonBuilder(std::vector<TJsonDocument::TNode>& nodes, const TJsonLimits& limits, std::string& error)
      : m_nodes(nodes), m_limits(limits), m_error(error) {}

  bool null() { return Add({}); }
  bool boolean(bool value) {
    TJsonDocument::TNode node{.Kind = TJsonKind::Bool};
    node.Flag = value;
    return Add(std::move(node));
  }
  bool number_integer(json::number_integer_t value) {
    return Add({.Kind = TJsonKind::Number, .Integral = true, .Int = value, .Real = static_cast<double>(value)});
  }
  bool number_unsigned(json::number_unsigned_t value) {
    if (value <= static_cast<json::number_unsigned_t>(INT64_MAX)) {
      return number_integer(static_cast<int64_t>(value));
    }
    return Add({.Kind = TJsonKind::Number, .Real = static_cast<double>(value)});
  }
  bool number_float(json::number_float_t value, const std::string& /*text*/) {
    if (!std::isfinite(value)) {
      return Fail("a number out of range");
    }
    return Add({.Kind = TJsonKind::Number, .Real = value});
  }
  bool string(std::string& value) {
    if (value.size() > m_limits.MaxStringBytes) {
      return Fail("a string longer than the limit");
    }
    return Add({.Kind = TJsonKind::String, .Text = std::move(value)});
  }
  bool binary(json::binary_t& /*value*/) { return Fail("binary data"); }
  bool start_object(size_t /*elements*/) { return Open(TJsonKind::Object); }
  bool key(std::string& name) {
    if (name.size() > m_limits.MaxStringBytes) {
      return Fail("a member name longer than the limit");
    }
    m_key = std::move(name);
    return true;
  }
  bool end_object() { return Close(); }
  bool start_array(size_t /*elements*/) { return Open(TJsonKind::Array); }
  bool end_array() { return Close(); }
  bool parse_error(size_t position, const std::string& /*token*/, const nlohmann::detail::exception& /*error*/) {
    return Fail("not JSON (at byte " + std::to_string(position) + ")");
  }

 private:
  bool Fail(std::string reason) {
    if (m_error.empty()) {
      m_error = std::move(reason);
    }
    return false;
  }

  bool Add(TJsonDocument::TNode node) {
    if (m_nodes.size() >= m_limits.MaxValues) {
      return Fail("more values than the limit");
    }
    const auto index = static_cast<uint32_t>(m_nodes.size());
    if (!m_open.empty()) {
      TJsonDocument::TNode& parent = m_nodes[m_open.back()];
      if (parent.Kind == TJsonKind::Object) {
        node.Key = std::move(m_key);
        m_key.clear();
      }
      if (parent.LastChild == TJsonDocument::kNone) {
        parent.FirstChild = index;
      } else {
        m_nodes[parent.LastChild].Next = index;
      }
      parent.LastChild = index;
    }
    m_nodes.push_back(std::move(node));
    return true;
  }

  bool Open(TJsonKind kind) {
    if (static_cast<int>(m_open.size()) >= m_limits.MaxDepth) {
      return Fail("nested deeper than the limit");
    }
    if (!Add({.Kind = kind})) {
      return false;
    }
    m_open.push_back(static_cast<uint32_t>(m_nodes.size() - 1));
    return true;
  }

  bool Close() {
    m_open.pop_back();
    return true;
  }

  std::vector<TJsonDocument::TNode>& m_nodes;
  const TJsonLimits& m_limits;
  std::string& m_error;
  std::vector<uint32_t> m_open;
  std::string m_key;
};

bool TJsonDocument::Parse(std::string_view text, const TJsonLimits& limits) {
  m_nodes.clear();
  m_error.clear();
  if (text.size() > limits.MaxBytes) {
    m_error = "larger than the limit";
    return false;
  }
  TJsonBuilder builder(m_nodes, limits, m_error);
  bool ok = false;
  try {
    ok = nlohmann::json::sax_parse(text.begin(), text.end(), &builder);
  } catch (const std::exception& error) {
    m_error = error.what();
  }
  if (!ok || m_nodes.empty()) {
    if (m_error.empty()) {
      m_error = "not JSON";
    }
    m_nodes.clear();
    m_nodes.shrink_to_fit();
    return false;
  }
  return true;
}

TJsonValue TJsonDocument::Root() const {
  return m_nodes.empty() ? TJsonValue() : TJsonValue(this, 0);
}

TJsonKind TJsonValue::Kind() const {
  return m_document == nullptr ? TJsonKind::Absent : m_document->m_nodes[m_index].Kind;
}

TJsonValue TJsonValue::operator[](std::string_view key) const {
  if (!IsObject()) {
    return {};
  }
  const auto& nodes = m_document->m_nodes;
  for (uint32_t child = nodes[m_index].FirstChild; child != TJsonDocument::kNone; child = nodes[child].Next) {
    if (nodes[child].Key == key) {
      return {m_document, child};
    }
  }
  return {};
}

std::vector<TJsonValue> TJsonValue::Items() const {
  std::vector<TJsonValue> items;
  if (IsArray() || IsObject()) {
    const auto& nodes = m_document->m_nodes;
    for (uint32_t child = nodes[m_index].FirstChild; child != TJsonDocument::kNone; child = nodes[child].Next) {
      items.push_back({m_document, child});
    }
  }
  return items;
}

std::string_view TJsonValue::Key() const {
  return m_document == nullptr ? std::string_view() : std::string_view(m_document->m_nodes[m_index].Key);
}

std::optional<bool> TJsonValue::Bool() const {
  return Kind() == TJsonKind::Bool ? std::optional<bool>(m_document->m_nodes[m_index].Flag) : std::nullopt;
}

std::optional<int64_t> TJsonValue::Int() const {
  if (Kind() != TJsonKind::Number || !m_document->m_nodes[m_index].Integral) {
    return std::nullopt;
  }
  return m_document->m_nodes[m_index].Int;
}

std::optional<double> TJsonValue::Number() const {
  return Kind() == TJsonKind::Number ? std::optional<double>(m_document->m_nodes[m_index].Real) : std::nullopt;
}

std::optional<std::string_view> TJsonValue::String() const {
  if (Kind() != TJsonKind::String) {
    return std::nullopt;
  }
  return std::string_view(m_document->m_nodes[m_index].Text);
}

std::string JsonQuoted(std::string_view text) {
  const std::string repaired = IsValidUtf8(text) ? std::string() : RepairUtf8(text);
  const std::string_view valid = repaired.empty() ? text : std::string_view(repaired);
  std::string quoted = "\"";
  quoted.reserve(valid.size() + 2);
  for (const char c : valid) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20) {
      static constexpr char kHex[] = "0123456789abcdef";
      quoted += "\\u00";
      quoted += kHex[byte >> 4];
      quoted += kHex[byte & 0xF];
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

}  // namespace tidewick
