// Reference resolution for the links feeds carry.

#include "formats/link_resolution.h"

#include <string>
#include <string_view>
#include <vector>

#include "formats/reader_support.h"
#include "util/case_fold.h"
#include "util/strings.h"
#include "util/url_reference.h"
#include "xml/xml_node.h"

namespace tidewick {

bool IsUsableBase(std::string_view address) {
  return IsFetchableUrl(SplitUrl(address));
}

bool IsWebAddress(std::string_view address) {
  const TUrlParts parts = SplitUrl(address);
  return IsFetchableUrl(parts) && !SameAsciiIgnoringCase(parts.Scheme, "ftp");
}

std::string ResolveLink(std::string_view base, std::string_view reference) {
  if (reference.empty() || HasUrlScheme(reference) || !IsUsableBase(base)) {
    return std::string(reference);
  }
  return JoinUrl(ResolveReference(SplitUrl(base), SplitUrl(reference)));
}

std::string BaseAddressAt(const TXmlNode* node, std::string_view documentAddress) {
  std::vector<std::string_view> bases;  // innermost first
  for (; node != nullptr; node = node->Parent()) {
    const std::string_view base = TrimView(AttribValue(node, "xml:base"));
    if (!base.empty()) {
      bases.push_back(base);
    }
  }
  std::string result = IsUsableBase(documentAddress) ? std::string(documentAddress) : std::string();
  for (auto base = bases.rbegin(); base != bases.rend(); ++base) {
    std::string candidate = ResolveLink(result, *base);
    if (IsUsableBase(candidate)) {
      result = std::move(candidate);
    }
  }
  return result;
}

std::string ResolveLinkAt(const TXmlNode* node, std::string link, std::string_view documentAddress) {
  if (link.empty() || HasUrlScheme(link)) {
    return link;
  }
  const std::string base = BaseAddressAt(node, documentAddress);
  return base.empty() ? link : ResolveLink(base, link);
}

}  // namespace tidewick
