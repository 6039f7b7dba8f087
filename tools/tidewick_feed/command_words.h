#pragma once

// The words of a store command's command line, parsed alike for every command.

#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tidewick {

struct TCommandWords {
  std::set<std::string, std::less<>> Flags;                 // the known flags given
  std::map<std::string, std::string, std::less<>> Options;  // the known options given, with their values
  std::vector<std::string> Files;                           // every other word, in order ("-" is one)

  bool Has(std::string_view flag) const { return Flags.contains(flag); }
  std::string Option(std::string_view name) const;  // empty when not given
};

// Takes out "--lang FILE" (loading it), then sorts the words. False (a usage error) for any other word that starts
// with "-", an option without its value, an option given twice, or a count of files outside [minFiles, maxFiles].
bool ParseCommandWords(std::vector<std::string> args, std::initializer_list<std::string_view> flags,
                       std::initializer_list<std::string_view> options, size_t minFiles, size_t maxFiles,
                       TCommandWords& parsed);

}  // namespace tidewick
