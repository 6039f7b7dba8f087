#include "feeds/unknown_xml.h"

#include <utility>

namespace tidewick {

TUnknownXml::TUnknownXml(const TUnknownXml& other)
    : m_parts(other.m_parts ? std::make_unique<TParts>(*other.m_parts) : nullptr) {}

TUnknownXml& TUnknownXml::operator=(const TUnknownXml& other) {
  if (this != &other) {
    m_parts = other.m_parts ? std::make_unique<TParts>(*other.m_parts) : nullptr;
  }
  return *this;
}

std::string_view TUnknownXml::Attributes() const {
  return m_parts ? std::string_view(m_parts->Attributes) : std::string_view();
}

const std::vector<std::string>& TUnknownXml::Elements() const {
  static const std::vector<std::string> kNone;
  return m_parts ? m_parts->Elements : kNone;
}

void TUnknownXml::SetAttributes(std::string_view attributes) {
  if (!attributes.empty() || m_parts) {
    Parts().Attributes.assign(attributes);
  }
}

void TUnknownXml::AddElement(std::string element) {
  Parts().Elements.push_back(std::move(element));
}

bool TUnknownXml::operator==(const TUnknownXml& other) const {
  return Attributes() == other.Attributes() && Elements() == other.Elements();
}

TUnknownXml::TParts& TUnknownXml::Parts() {
  if (!m_parts) {
    m_parts = std::make_unique<TParts>();
  }
  return *m_parts;
}

}  // namespace tidewick
