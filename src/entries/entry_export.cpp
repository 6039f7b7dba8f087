#include "entries/entry_export.h"

#include "entries/font_css.h"
#include "entries/html_sanitizer.h"
#include "feeds/entry_title.h"
#include "lang/lang_text.h"
#include "util/html_text.h"
#include "util/strings.h"
#include "util/utf8.h"

namespace tidewick {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kPageHead =
    "<html><head><meta charset=\"utf-8\"><meta http-equiv=\"Content-Security-Policy\" content=\"default-src "
    "'none'; img-src http: https: data:; style-src 'unsafe-inline'\"><title>";

bool IsControl(unsigned char byte) {
  return byte < 0x20 || byte == 0x7F;
}

std::string TableRow(std::string_view label, std::string_view cellHtml) {
  return "<tr><td>" + EscapeHtml(label) + "</td><td>" + std::string(cellHtml) + "</td></tr>" + std::string(kCrLf);
}

// The link as a clickable anchor only when it leads to a web or mail address.
std::string LinkCell(std::string_view link) {
  const std::string text = EscapeHtml(link);
  if (!IsSafeLinkUrl(link)) {
    return text;
  }
  return "<a href=\"" + EscapeHtml(Trim(link)) + "\">" + text + "</a>";
}

}  // namespace

std::string ProposedExportFileName(const TEntry& item) {
  std::string name;
  for (const char c : HtmlToText(ItemDisplayTitle(item))) {
    name += (c == '/' || c == '\\' || IsControl(static_cast<unsigned char>(c))) ? '_' : c;
  }
  std::string_view trimmed = TrimView(name);
  while (trimmed.starts_with('.')) {
    trimmed.remove_prefix(1);  // no hidden file, no "." or ".."
  }
  return std::string(TrimView(Utf8Prefix(trimmed, kMaxProposedFileNameBytes)));
}

std::string WithExportExtension(std::string_view fileName, TEntryExportFormat format) {
  const std::string_view extension = format == TEntryExportFormat::Html ? ".html" : ".txt";
  std::string result(fileName);
  if (!fileName.ends_with(extension)) {
    result += extension;
  }
  return result;
}

std::string EntryExportText(const TEntry& item, std::string_view dateText) {
  return LangTextWithValues(
      "Main|ExportText", "Titel: %s1%%w%Link:  %s2%%w%Datum: %s3%%w%%w%%s4%%w%",
      {HtmlToText(ItemDisplayTitle(item)), HtmlToText(item.Link), dateText, HtmlToText(ItemSummary(item.Description))});
}

std::string EntryExportHtml(const TEntry& item, std::string_view dateText, const TFontRecord& font) {
  const std::string title = ItemDisplayTitle(item);
  std::string page(kPageHead);
  page += EscapeHtml(HtmlToText(title));
  page += "</title>";
  page += kCrLf;
  page += "<style type=\"text/css\">";
  page += kCrLf;
  page += "  body {margin:3px;}";
  page += kCrLf;
  page += FontCssRule("body,td", font);
  page += kCrLf;
  page += "</style></head><body>";
  page += kCrLf;
  page += "<table border=0>";
  page += kCrLf;
  page += TableRow(GetLangText("Main|ExportHtmlTitle", "Titel:"), EscapeHtml(title));
  page += TableRow(GetLangText("Main|ExportHtmlLink", "Link:"), LinkCell(item.Link));
  page += TableRow(GetLangText("Main|ExportHtmlDate", "Datum:"), EscapeHtml(dateText));
  page += "</table><br>";
  page += kCrLf;
  page += SanitizeHtml(ItemContent(item.Description));
  page += kCrLf;
  page += "</body></html>";
  page += kCrLf;
  return page;
}

TFileWriteResult ExportEntryFile(const std::string& fileName, TEntryExportFormat format, const TEntry& item,
                                 std::string_view dateText, const TFontRecord& font) {
  const std::string content =
      format == TEntryExportFormat::Html ? EntryExportHtml(item, dateText, font) : EntryExportText(item, dateText);
  return WriteExportedFile(fileName, content);
}

}  // namespace tidewick
