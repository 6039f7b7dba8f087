// Entry view benchmark: how long showing one hostile entry blocks the window. Each entry is listed, shown in the
// real entry view (heading, text page and HTML page), laid out and painted once, offscreen, in CPU time; the goal is
// under 500 ms each. The 256 KB entries sit at the view's size limit: every element kind nested as deep as the size
// allows, and nested to the depth limit over and over, many attributes, many tiny elements.
//
//   QT_QPA_PLATFORM=offscreen entry_render_bench [part of a case name]

#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTreeView>

#include "entries/entry_page.h"
#include "feeds/feed_records.h"
#include "ui/main/entry_browser.h"
#include "ui/main/entry_list_model.h"
#include "ui/main/entry_view.h"

using namespace tidewick;

namespace {

constexpr size_t kEntryBytes = 256 * 1024;

double CpuNowMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

std::string Repeated(std::string_view piece, size_t bytes) {
  std::string html;
  while (html.size() + piece.size() <= bytes) {
    html += piece;
  }
  return html;
}

// The end tags of the start tags in open, innermost first.
std::string ClosingTags(std::string_view open) {
  std::string close;
  while (!open.empty()) {
    const size_t end = open.find('>');
    const std::string_view tag = open.substr(1, end - 1);
    close.insert(0, "</" + std::string(tag.substr(0, tag.find(' '))) + ">");
    open.remove_prefix(end + 1);
  }
  return close;
}

std::string NestedTables(int depth) {
  return Repeated("<table><tr><td>cell", depth * 19) + Repeated("</td></tr></table>", depth * 18);
}

// Start tags until the entry is full.
std::string NestedToTheSize(std::string_view open) {
  return Repeated(open, kEntryBytes - 4) + "deep";
}

// Nested exactly to the view's depth limit, closed, and again, until the entry is full.
std::string NestedToTheLimit(std::string_view open) {
  const int depth = TEntryLimits{}.Html.MaxDepth;
  const std::string block =
      Repeated(open, open.size() * depth) + "x" + Repeated(ClosingTags(open), ClosingTags(open).size() * depth);
  return Repeated(block, kEntryBytes);
}

std::string ManyAttributes(int count) {
  std::string html = "<p";
  for (int i = 0; i < count; ++i) {
    html += " data-a" + std::to_string(i) + "=\"v\"";
  }
  return html + ">text</p>";
}

std::string LargeDescription(size_t bytes) {
  return Repeated(
      "<p>A paragraph of an entry that goes on and on, with <b>markup</b> and <a href=\"x\">links</a>.</p>\n", bytes);
}

std::string LargeDataImage(size_t bytes) {
  return "<img src=\"data:image/png;base64," + std::string(bytes, 'A') + "\">";
}

struct TCase {
  std::string Name;
  std::string Description;
  std::string Title = "Hostile";
};

std::vector<TCase> Cases() {
  const std::string marker(kContentMarker);
  std::vector<TCase> cases = {
      {"5,000 nested tables", NestedTables(5000)},
      {"250 KB of text in 8 nested tables", NestedTables(8) + Repeated("cell ", 250 * 1024)},
      {"20,000 nested <ul> (100 KB)", Repeated("<ul>", 80000) + "deep"},
      {"100,000 nested <div>, each with text", Repeated("<div>x", 600000)},
      {"50,000 lines", Repeated("x<br>", 250000)},
      {"50,000 lines in a table cell", "<table><tr><td>" + Repeated("x<br>", 250000)},
      {"10,000 attributes", ManyAttributes(10000)},
      {"50,000 tiny elements", Repeated("<b>x</b>", 50000 * 8)},
      {"37,000 empty paragraphs", Repeated("<p></p>", kEntryBytes)},
      {"scripts and styles", Repeated("<script>document.write('<h1>x</h1>')</script><style>p{}</style>", kEntryBytes)},
      {"10 MB description (summary and content)", LargeDescription(10 * 1024 * 1024)},
      {"10 MB plain-text summary, 1 line", std::string(10 * 1024 * 1024, 'x') + marker + "<p>x</p>"},
      {"50 MB data: image", LargeDataImage(50 * 1024 * 1024)},
      {"16 MB title", "<p>x</p>", std::string(16 * 1024 * 1024, 't')},
  };
  for (const char* open :
       {"<ul><li>", "<ol><li>", "<dl><dd>", "<div>", "<blockquote>", "<table><tr><td>", "<span>", "<b class=\"x\">",
        "<p>", "<pre>", "<font size=\"2\">", "<a href=\"http://x/\">", "<li>", "<h1>", "<center>", "<q>"}) {
    cases.push_back({"256 KB nested " + std::string(open), NestedToTheSize(open)});
    cases.push_back({std::string(open) + " to the depth limit, repeated", NestedToTheLimit(open)});
  }
  return cases;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::string_view filter = argc > 1 ? argv[1] : "";
  QWidget host;
  QTreeView list(&host);
  QLabel title(&host);
  QLineEdit date(&host);
  QLabel byline(&host);
  QPlainTextEdit text(&host);
  TEntryBrowser page(&host);
  TEntryListModel model;
  list.setModel(&model);
  list.setGeometry(0, 0, 600, 100);
  title.setGeometry(0, 100, 600, 20);
  text.setGeometry(0, 120, 600, 240);
  page.setGeometry(0, 360, 600, 240);
  host.resize(600, 600);
  host.show();
  TEntryView view({&title, &date, &byline, &text, &page}, &host);

  // One entry shown with the HTML page hidden (the text page in front) and then with it shown; CPU time of this
  // thread, milliseconds.
  auto measure = [&](const TEntry& item, bool htmlPage) {
    page.setVisible(htmlPage);
    const double cpuStart = CpuNowMs();
    list.repaint();
    view.Show(item);
    page.document()->size();  // layout
    title.repaint();
    text.repaint();
    if (htmlPage) {
      page.repaint();
    }
    const double cpu = CpuNowMs() - cpuStart;
    view.Clear();
    return cpu;
  };
  std::printf("%-48s %14s %14s\n", "entry", "text page", "both pages");
  bool ok = true;
  for (const TCase& c : Cases()) {
    if (c.Name.find(filter) == std::string::npos) {
      continue;
    }
    Feeds.clear();
    TFeed feed;
    feed.Name = "Hostile";
    feed.Entries.resize(1);
    feed.Entries[0].Title = c.Title;
    feed.Entries[0].Description = c.Description;
    const uint64_t id = Feeds[AddFeed(std::move(feed))].Id;
    model.Fill({TListNodeKind::Feed, {id}});
    const double textPage = measure(Feeds[0].Entries[0], false);
    const double bothPages = measure(Feeds[0].Entries[0], true);
    const bool fast = bothPages < 500;
    ok &= fast;
    std::printf("%-48s %11.1f ms %11.1f ms  %s\n", c.Name.c_str(), textPage, bothPages, fast ? "ok" : "TOO SLOW");
    std::fflush(stdout);
    model.Clear();
  }
  return ok ? 0 : 1;
}
