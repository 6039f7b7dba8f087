#include "support/table_file.h"

#include <fstream>
#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace tidewick::test {
namespace {

std::string Unescaped(const std::string& cell) {
  if (cell == "\\e") {
    return {};
  }
  std::string out;
  for (size_t i = 0; i < cell.size(); ++i) {
    if (cell[i] != '\\' || i + 1 == cell.size()) {
      out.push_back(cell[i]);
    } else if (const char code = cell[++i]; code == 'x' && i + 2 < cell.size()) {
      out.push_back(static_cast<char>(std::stoi(cell.substr(i + 1, 2), nullptr, 16)));
      i += 2;
    } else {
      out.push_back(code == 't' ? '\t' : code == 'n' ? '\n' : code == 'r' ? '\r' : code);
    }
  }
  return out;
}

std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  for (size_t start = 0;;) {
    const size_t tab = line.find('\t', start);
    cells.push_back(Unescaped(line.substr(start, tab - start)));
    if (tab == std::string::npos) {
      return cells;
    }
    start = tab + 1;
  }
}

}  // namespace

void CheckTableFile(const std::string& relative, size_t inputCells,
                    const std::function<std::string(const std::vector<std::string>&)>& answer) {
  std::ifstream in(DataPath(relative), std::ios::binary);
  std::string line;
  int lineNumber = 0;
  int rows = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    if (line.empty() || line[0] == '#') {
      continue;
    }
    ++rows;
    std::vector<std::string> cells = Cells(line);
    if (cells.size() <= inputCells) {
      ADD_FAILURE() << relative << ":" << lineNumber << ": too few cells";
      continue;
    }
    std::string expected;
    for (size_t i = inputCells; i < cells.size(); ++i) {
      expected += (i > inputCells ? "\t" : "") + cells[i];
    }
    cells.resize(inputCells);
    EXPECT_EQ(answer(cells), expected) << relative << ":" << lineNumber;
  }
  EXPECT_GT(rows, 0) << "no rows in " << relative;
}

}  // namespace tidewick::test
