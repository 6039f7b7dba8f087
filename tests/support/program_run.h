#pragma once

// Runs a command-line program of ours through the shell and collects what it printed.

#include <filesystem>
#include <string>

namespace tidewick::test {

struct TProgramOutput {
  int Status = -1;  // the exit status, -1 when it did not exit normally
  std::string Out;
  std::string Err;
};

// The text in single quotes for the shell.
std::string ShellQuoted(const std::string& text);

// Runs program with arguments (already quoted where needed), in workingFolder when one is given.
TProgramOutput RunProgram(const std::string& program, const std::string& arguments,
                          const std::filesystem::path& workingFolder = {});

}  // namespace tidewick::test
