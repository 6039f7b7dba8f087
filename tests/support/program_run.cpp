#include "support/program_run.h"

#include <cstdlib>
#include <sys/wait.h>

#include "support/temp_dir.h"
#include "util/files.h"

namespace tidewick::test {

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

TProgramOutput RunProgram(const std::string& program, const std::string& arguments,
                          const std::filesystem::path& workingFolder) {
  const TempDir output;
  std::string command = ShellQuoted(program) + " " + arguments + " >" + ShellQuoted(output.File("out")) + " 2>" +
                        ShellQuoted(output.File("err"));
  if (!workingFolder.empty()) {
    command = "cd " + ShellQuoted(workingFolder.string()) + " && " + command;
  }
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFileToString(output.File("out")),
          ReadFileToString(output.File("err"))};
}

}  // namespace tidewick::test
