#include "entries/entry_export.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/feed_builder.h"
#include "support/table_file.h"
#include "support/temp_dir.h"
#include "util/colors.h"
#include "util/files.h"

namespace tidewick {
namespace {

TEntry Entry(std::string title, std::string link, std::string description) {
  return test::MakeEntry(std::move(title), std::move(link), {}, std::move(description));
}

TEST(EntryExport, TextFileHoldsTheLabelledLinesAndTheSummary) {
  const TEntry item = Entry("Hello <b>World</b>", "http://example.org/a",
                            "Summary text" + std::string(kContentMarker) + "<p>Full content</p>");
  EXPECT_EQ(EntryExportText(item, "05.12.2006 21:30:00"),
            "Titel: Hello World\r\nLink:  http://example.org/a\r\nDatum: 05.12.2006 21:30:00\r\n\r\n"
            "Summary text\r\n");
}

// Regression: feed texts went through the placeholder expansion a second time, so "%w%" in a title became a line
// break and "%s2%" pulled in the link.
TEST(EntryExport, TextFileKeepsPlaceholdersOfTheEntryAsWritten) {
  const TEntry item = Entry("100% sure %w% %s2% $%$ a\x01z", "http://example.org/%s1%", "%t%");
  EXPECT_EQ(EntryExportText(item, ""),
            "Titel: 100% sure %w% %s2% $%$ a\x01z\r\nLink:  http://example.org/%s1%\r\nDatum: \r\n\r\n%t%\r\n");
}

TEST(EntryExport, HtmlPageHasTheFixedLayout) {
  TFontRecord font{"Arial", 10, RgbColor(255, 0, 0)};
  font.Bold = true;
  const TEntry item = Entry("A & <b>B</b>", "https://example.org/?a=1&b=2",
                            "sum" + std::string(kContentMarker) + "<p>Body <i>text</i></p>");
  EXPECT_EQ(EntryExportHtml(item, "05.12.2006", font),
            "<html><head><meta charset=\"utf-8\"><meta http-equiv=\"Content-Security-Policy\" "
            "content=\"default-src 'none'; img-src http: https: data:; style-src 'unsafe-inline'\">"
            "<title>A &amp; B</title>\r\n"
            "<style type=\"text/css\">\r\n"
            "  body {margin:3px;}\r\n"
            "  body,td {font-family:\"Arial\";font-size:10pt;color:#FF0000;font-weight:bold;}\r\n"
            "</style></head><body>\r\n"
            "<table border=0>\r\n"
            "<tr><td>Titel:</td><td>A &amp; &lt;b&gt;B&lt;/b&gt;</td></tr>\r\n"
            "<tr><td>Link:</td><td><a href=\"https://example.org/?a=1&amp;b=2\">https://example.org/?a=1&amp;b=2</a>"
            "</td></tr>\r\n"
            "<tr><td>Datum:</td><td>05.12.2006</td></tr>\r\n"
            "</table><br>\r\n"
            "<p>Body <i>text</i></p>\r\n"
            "</body></html>\r\n");
}

// Opening an exported entry must never run a feed's script, leave the page or load a frame.
TEST(EntryExport, HostileEntryKeepsNoActiveContent) {
  const TEntry item =
      Entry("</title><script>alert(1)</script>", "javascript:alert(document.cookie)",
            "<img src=x onerror=alert(1)><svg onload=alert(2)></svg><a href=\"&#106;avascript:alert(3)\">a</a>"
            "<meta http-equiv=\"refresh\" content=\"0;url=http://evil.example\"><base href=\"http://evil.example/\">"
            "<iframe src=\"http://evil.example\"></iframe><a href=\"data:text/html,<script>alert(4)</script>\">d</a>"
            "<p>visible</p>");
  const std::string page = EntryExportHtml(item, "", TFontRecord{"Evil\";}</style><script>x()</script>", 8, 0});
  for (const char* forbidden : {"<script", "onerror", "onload", "<svg", "javascript:alert(3)", "http-equiv=\"refresh",
                                "<base", "<iframe", "data:text/html", "href=\"javascript", "</style><script"})
    EXPECT_EQ(page.find(forbidden), std::string::npos) << forbidden;
  EXPECT_NE(page.find("<p>visible</p>"), std::string::npos);
  EXPECT_NE(page.find("javascript:alert(document.cookie)"), std::string::npos) << "the link is shown as text";
}

TEST(EntryExport, ProposesFileNamesAndAppendsTheExtensionUnlessItIsExactlyThere) {
  test::CheckTableFile("entries/export_names.tsv", 2, [](const std::vector<std::string>& in) {
    if (in[0] == "name") {
      return ProposedExportFileName(Entry(in[1], "", ""));
    }
    return WithExportExtension(in[1], in[0] == "txt" ? TEntryExportFormat::Text : TEntryExportFormat::Html);
  });
  EXPECT_EQ(ProposedExportFileName(Entry(std::string(300, 'y'), "", "")), std::string(200, 'y'));
}

TEST(EntryExport, WritesTheFileOrSaysWhyNot) {
  const test::TempDir dir;
  const std::string target = dir.File("entry.html");
  const TEntry item = Entry("T", "http://example.org", "d");
  const TFontRecord font{"A", 8, 0};
  const TFileWriteResult written = ExportEntryFile(target, TEntryExportFormat::Html, item, "", font);
  EXPECT_TRUE(written.Ok);
  EXPECT_EQ(ReadFileToString(target), EntryExportHtml(item, "", font));

  const TFileWriteResult failed =
      ExportEntryFile(dir.File("missing/entry.txt"), TEntryExportFormat::Text, item, "", font);
  EXPECT_FALSE(failed.Ok);
  EXPECT_EQ(failed.Reason, "No such file or directory");
  EXPECT_EQ(ExportWriteErrorText("/tmp/100%s2%.txt", failed),
            "Die Datei \"/tmp/100%s2%.txt\" konnte nicht geschrieben werden:\r\nNo such file or directory");
}

}  // namespace
}  // namespace tidewick
