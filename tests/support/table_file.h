#pragma once

// String-in, string-out cases kept as data files under tests/data, so a table grows without growing the code.

#include <functional>
#include <string>
#include <vector>

namespace tidewick::test {

// Checks every row of tests/data/<relative>: `answer` gets the first `inputCells` cells and must give the remaining
// cells joined by tabs. One case a line, cells separated by tabs; blank lines and lines starting with '#' are
// skipped. Escapes in a cell: \t \n \r \\, \xHH for any byte, and \e alone for an empty cell. A failure names the
// file and line; a missing or empty file fails too.
void CheckTableFile(const std::string& relative, size_t inputCells,
                    const std::function<std::string(const std::vector<std::string>&)>& answer);

}  // namespace tidewick::test
