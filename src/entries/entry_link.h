#pragma once

// Which address an entry's link opens, and whether it may be opened at all. Feed links are hostile input: only
// http, https, ftp and mailto addresses are ever handed to a browser or mail program.

#include <optional>
#include <string>
#include <string_view>

namespace tidewick {

// A link without "://" (or whose first "://" stands at the 11th character or later) is relative, unless it begins
// with a known scheme such as "mailto:" or "news:".
bool IsRelativeLink(std::string_view link);

// A relative link completed with the scheme and host of the feed's address: "page.html" of
// "https://host/dir/feed.xml" becomes "https://host/page.html" (the folder of the feed address is not used);
// "//cdn/x" takes only the scheme. Absolute links, and relative ones without a usable feed address, are returned
// unchanged.
std::string CompleteRelativeLink(std::string_view link, std::optional<std::string_view> feedUrl);

enum class TLinkVerdict {
  Open,     // Url may be opened
  Empty,    // nothing to open
  Refused,  // never opened: a local file, a script, an option for the browser, an unknown scheme
};

struct TLinkDecision {
  TLinkVerdict Verdict = TLinkVerdict::Empty;
  std::string Url;  // the address to open (Open), or the refused text (Refused)
};

// The strict check before anything is opened. "feed:" links become the web address they name; a mailto: address
// keeps only its to, cc, subject and body fields.
TLinkDecision CheckLinkToOpen(std::string_view url);

// The whole decision for a link of an entry or a page: trimmed, completed when relative, then checked.
TLinkDecision DecideEntryLink(std::string_view link, std::optional<std::string_view> feedUrl);

}  // namespace tidewick
