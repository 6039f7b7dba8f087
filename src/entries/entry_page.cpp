#include "entries/entry_page.h"

#include <array>
#include <utility>

#include "entries/font_css.h"
#include "lang/lang_text.h"
#include "util/case_fold.h"
#include "util/utf8.h"

namespace tidewick {
namespace {

constexpr std::string_view kCrLf = "\r\n";

// Applied in this order; the last rule adds back the target the two before it removed.
constexpr std::array<std::pair<std::string_view, std::string_view>, 13> kSanitizeRules = {{
    {"<iframe", "<NOTSUPPORTED_iframe"},
    {"</iframe>", "</NOTSUPPORTED_iframe>"},
    {"<embed", "<DISABLED_embed"},
    {"</embed>", "</DISABLED_embed>"},
    {"<object", "<DISABLED_object"},
    {"</object>", "</DISABLED_object>"},
    {"<param", "<DISABLED_param"},
    {"</param>", "</DISABLED_param>"},
    {"<script", "<DISABLED_script"},
    {"</script>", "</DISABLED_script>"},
    {"target=\"blank\"", ""},
    {"target=\"_blank\"", ""},
    {"<a ", "<a target=\"blank\" "},
}};

// Every occurrence of `find` (lower-case ASCII) replaced, comparing ASCII letters ignoring case. `lower` is the
// ASCII lower-case twin of `text` and is kept in step, so no rule lower-cases the whole text again.
void ReplaceIgnoringCase(std::string& text, std::string& lower, std::string_view find, std::string_view replacement) {
  size_t found = lower.find(find);
  if (found == std::string::npos) {
    return;
  }
  const std::string lowerReplacement = LowerAscii(replacement);
  std::string newText;
  std::string newLower;
  newText.reserve(text.size());
  newLower.reserve(text.size());
  size_t from = 0;
  while (found != std::string::npos) {
    newText.append(text, from, found - from).append(replacement);
    newLower.append(lower, from, found - from).append(lowerReplacement);
    from = found + find.size();
    found = lower.find(find, from);
  }
  newText.append(text, from, std::string::npos);
  newLower.append(lower, from, std::string::npos);
  text = std::move(newText);
  lower = std::move(newLower);
}

std::string EscapeHtml(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

}  // namespace

std::string BuildEntryPage(const TFontRecord& font, std::string_view content) {
  std::string page = "<html><head><title></title>";
  page.append(kCrLf).append("<style type=\"text/css\">").append(kCrLf);
  page.append("  body {margin:3px;}").append(kCrLf);
  page.append(FontCssRule("body", font)).append(kCrLf).append("</style>").append("</head><body>");
  page.append(content);
  page.append("</body></html>");
  return page;
}

std::string SanitizeEntryHtml(std::string_view html) {
  std::string text(html);
  std::string lower = LowerAscii(html);
  for (const auto& [find, replacement] : kSanitizeRules) {
    ReplaceIgnoringCase(text, lower, find, replacement);
  }
  return text;
}

std::string EntryDocumentText(std::string_view html) {
  std::string document;
  document.reserve(html.size() + html.size() / 32 + 2);
  size_t lineStart = 0;
  while (lineStart < html.size()) {
    const size_t lineEnd = html.find_first_of("\r\n", lineStart);
    if (lineEnd == std::string_view::npos) {
      document.append(html.substr(lineStart)).append(kCrLf);
      break;
    }
    document.append(html.substr(lineStart, lineEnd - lineStart)).append(kCrLf);
    lineStart = lineEnd + ((html[lineEnd] == '\r' && lineEnd + 1 < html.size() && html[lineEnd + 1] == '\n') ? 2 : 1);
  }
  return document;
}

TLimitedContent LimitEntryContent(std::string_view content, const TEntryLimits& limits) {
  if (content.size() <= limits.MaxBytes) {
    return {std::string(content), false};
  }
  size_t cut = Utf8Prefix(content, limits.MaxBytes).size();
  // A tag still open at the limit goes as a whole.
  if (const size_t open = content.rfind('<', cut - 1);
      open != std::string_view::npos && cut > 0 &&
      content.substr(open, cut - open).find('>') == std::string_view::npos) {
    cut = open;
  }
  return {std::string(content.substr(0, cut)), true};
}

std::string ViewableEntryContent(std::string_view content, const TEntryLimits& limits) {
  const TLimitedContent limited = LimitEntryContent(content, limits);
  std::string viewable = BoundedHtml(limited.Text, limits.Html);
  if (limited.Truncated) {
    viewable += "<p><i>" +
                EscapeHtml(GetLangText("Main|EntryTruncatedNote",
                                       "Dieser Eintrag ist sehr groß und wird hier nur gekürzt angezeigt.")) +
                "</i></p>";
  }
  return viewable;
}

}  // namespace tidewick
