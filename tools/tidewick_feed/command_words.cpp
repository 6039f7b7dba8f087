#include "command_words.h"

#include <algorithm>

#include "commands.h"

namespace tidewick {

std::string TCommandWords::Option(std::string_view name) const {
  const auto found = Options.find(name);
  return found == Options.end() ? std::string() : found->second;
}

bool ParseCommandWords(std::vector<std::string> args, std::initializer_list<std::string_view> flags,
                       std::initializer_list<std::string_view> options, size_t minFiles, size_t maxFiles,
                       TCommandWords& parsed) {
  if (!TakeLangOption(args)) {
    return false;
  }
  const auto known = [](std::initializer_list<std::string_view> names, const std::string& word) {
    return std::find(names.begin(), names.end(), word) != names.end();
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (known(flags, word)) {
      parsed.Flags.insert(word);
    } else if (known(options, word)) {
      if (i + 1 >= args.size() || !parsed.Options.emplace(word, args[i + 1]).second) {
        return false;
      }
      ++i;
    } else if (!word.empty() && (word[0] != '-' || word == "-")) {
      parsed.Files.push_back(word);
    } else {
      return false;
    }
  }
  return parsed.Files.size() >= minFiles && parsed.Files.size() <= maxFiles;
}

}  // namespace tidewick
