// Entry view benchmark: how long showing one hostile entry blocks the window. Each entry is shown in the real
// entry view (text page and HTML page), laid out and painted once, offscreen; the goal is under 500 ms each.
//
//   QT_QPA_PLATFORM=offscreen entry_render_bench

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>

#include "feeds/feed_records.h"
#include "ui/main/entry_browser.h"
#include "ui/main/entry_view.h"

using namespace tidewick;

namespace {

double CpuNowMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

std::string NestedTables(int depth) {
  std::string html;
  for (int i = 0; i < depth; ++i) {
    html += "<table><tr><td>cell " + std::to_string(i);
  }
  for (int i = 0; i < depth; ++i) {
    html += "</td></tr></table>";
  }
  return html;
}

std::string LargeDescription(size_t bytes) {
  std::string html;
  while (html.size() < bytes) {
    html += "<p>A paragraph of an entry that goes on and on, with <b>markup</b> and <a href=\"x\">links</a>.</p>\n";
  }
  return html;
}

std::string LargeDataImage(size_t bytes) {
  return "<img src=\"data:image/png;base64," + std::string(bytes, 'A') + "\">";
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget host;
  QLabel title(&host);
  QLineEdit date(&host);
  QPlainTextEdit text(&host);
  TEntryBrowser page(&host);
  text.setGeometry(0, 0, 600, 300);
  page.setGeometry(0, 300, 600, 300);
  host.resize(600, 600);
  host.show();
  TEntryView view({&title, &date, &text, &page}, &host);

  struct TCase {
    const char* Name;
    std::string Description;
  };
  const std::string marker(kContentMarker);
  const std::vector<TCase> cases = {
      {"5,000 nested tables", NestedTables(5000)},
      {"10 MB description (summary and content)", LargeDescription(10 * 1024 * 1024)},
      {"10 MB plain-text summary, 1 line", std::string(10 * 1024 * 1024, 'x') + marker + "<p>x</p>"},
      {"50 MB data: image", LargeDataImage(50 * 1024 * 1024)},
  };
  bool ok = true;
  for (const TCase& c : cases) {
    TEntry item;
    item.Title = "Hostile";
    item.Description = c.Description;
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuNowMs();
    view.Show(item);
    page.document()->size();  // layout
    text.repaint();
    page.repaint();
    const double cpu = CpuNowMs() - cpuStart;
    const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const bool fast = cpu < 500;
    ok &= fast;
    std::printf("%-42s cpu %7.1f ms  wall %7.1f ms  (goal < 500 ms) %s\n", c.Name, cpu, wall, fast ? "ok" : "TOO SLOW");
    view.Clear();
  }
  return ok ? 0 : 1;
}
