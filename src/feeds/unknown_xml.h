#pragma once

// What a newer version wrote into the feed store that this one does not know: the attribute text of an element's
// start tag and its unknown child elements, each kept as its XML text exactly as read. Written back unchanged, so a
// newer version's data survives an older one's load, merge and save. Almost every record has none: then this is
// one empty pointer.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tidewick {

class TUnknownXml {
 public:
  TUnknownXml() = default;
  TUnknownXml(const TUnknownXml& other);
  TUnknownXml& operator=(const TUnknownXml& other);
  TUnknownXml(TUnknownXml&&) noexcept = default;
  TUnknownXml& operator=(TUnknownXml&&) noexcept = default;
  ~TUnknownXml() = default;

  bool Empty() const { return m_parts == nullptr; }
  // The attributes as written in the start tag ("version=\"99\""), empty when none.
  std::string_view Attributes() const;
  // The unknown child elements in document order, each from its "<" to the end of its closing tag.
  const std::vector<std::string>& Elements() const;

  void SetAttributes(std::string_view attributes);
  void AddElement(std::string element);

  bool operator==(const TUnknownXml& other) const;

 private:
  struct TParts {
    std::string Attributes;
    std::vector<std::string> Elements;
  };
  TParts& Parts();

  std::unique_ptr<TParts> m_parts;
};

}  // namespace tidewick
