#include "entries/entry_link.h"

#include <array>
#include <vector>

#include "util/case_fold.h"
#include "util/strings.h"
#include "web/feed_address.h"
#include "web/web_address.h"

namespace tidewick {
namespace {

// Schemes that make a link absolute even without "://".
constexpr std::array<std::string_view, 24> kKnownSchemes = {
    "http", "https", "ftp", "ftps", "mailto", "news", "nntp", "snews",  "feed", "file", "javascript", "vbscript",
    "data", "about", "tel", "sms",  "irc",    "ircs", "xmpp", "magnet", "sip",  "ssh",  "telnet",     "webcal"};

bool HasKnownScheme(std::string_view link) {
  const std::optional<std::string> scheme = AddressScheme(link);
  if (!scheme) {
    return false;
  }
  for (const std::string_view known : kKnownSchemes) {
    if (*scheme == known) {
      return true;
    }
  }
  return false;
}

// The path of an address, without query and fragment.
std::string_view PathPart(std::string_view url) {
  return url.substr(0, url.find_first_of("?#"));
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  const char lower = AsciiLower(c);
  return (lower >= 'a' && lower <= 'f') ? lower - 'a' + 10 : -1;
}

std::string PercentDecode(std::string_view text) {
  std::string decoded;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

// "mailto:" with its address and only the fields a mail program fills in harmlessly; attachments and hidden
// recipients are dropped.
std::string FilterMailto(std::string_view url) {
  const std::string_view rest = url.substr(url.find(':') + 1);
  const size_t query = rest.find('?');
  std::string result = "mailto:" + std::string(rest.substr(0, query));
  if (query == std::string_view::npos) {
    return result;
  }
  std::vector<std::string> kept;
  for (const std::string& field : SplitToList(rest.substr(query + 1), "&")) {
    const std::string name = LowerAscii(PercentDecode(field.substr(0, field.find('='))));
    if (name == "to" || name == "cc" || name == "subject" || name == "body") {
      kept.push_back(field);
    }
  }
  if (!kept.empty()) {
    result.append("?").append(JoinStrings(kept, "&"));  // appended: GCC 12 at -O3 warns falsely of "?" + text
  }
  return result;
}

}  // namespace

bool IsRelativeLink(std::string_view link) {
  if (HasKnownScheme(link)) {
    return false;
  }
  const size_t separator = link.find("://");
  return separator == std::string_view::npos || separator >= 10;
}

std::string CompleteRelativeLink(std::string_view link, std::optional<std::string_view> feedUrl) {
  if (!IsRelativeLink(link) || !feedUrl) {
    return std::string(link);
  }
  const size_t separator = feedUrl->find("://");
  if (separator == std::string_view::npos) {
    return std::string(link);
  }
  if (link.substr(0, 2) == "//") {
    return std::string(feedUrl->substr(0, separator + 1)) + std::string(link);
  }
  // The host ends at the first "/" after "://"; an address with nothing after the host ends there too.
  const size_t hostEnd = feedUrl->find_first_of("/?#", separator + 3);
  std::string completed(feedUrl->substr(0, hostEnd));  // appended piece by piece, as for "?" above
  if (link.substr(0, 1) != "/") {
    completed += '/';
  }
  completed += link;
  return completed;
}

TLinkDecision CheckLinkToOpen(std::string_view url) {
  const std::string trimmed = Trim(url);
  if (trimmed.empty()) {
    return {TLinkVerdict::Empty, {}};
  }
  const TLinkDecision refused{TLinkVerdict::Refused, trimmed};
  if (trimmed[0] == '-' || HasControlCharacter(trimmed)) {
    return refused;
  }
  std::string address = trimmed;
  if (AddressScheme(address) == "feed") {
    address = NormalizeFeedAddress(address);
  }
  const std::optional<std::string> scheme = AddressScheme(address);
  if (!scheme || LowerAscii(PathPart(address)).ends_with(".desktop")) {
    return refused;
  }
  if (IsSafeWebAddress(address)) {
    return {TLinkVerdict::Open, address};
  }
  if (*scheme == "mailto") {
    return {TLinkVerdict::Open, FilterMailto(address)};
  }
  return refused;
}

TLinkDecision DecideEntryLink(std::string_view link, std::optional<std::string_view> feedUrl) {
  const std::string_view trimmed = TrimView(link);
  if (trimmed.empty()) {
    return {TLinkVerdict::Empty, {}};
  }
  return CheckLinkToOpen(CompleteRelativeLink(trimmed, feedUrl));
}

}  // namespace tidewick
