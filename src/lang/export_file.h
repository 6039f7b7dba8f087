#pragma once

// What every export shares: the file written atomically with the reason of a failure, and translated texts that
// carry values taken from feeds or file names.

#include <initializer_list>
#include <string>
#include <string_view>

namespace tidewick {

struct TFileWriteResult {
  bool Ok = false;
  std::string Reason;  // the system's reason when the file could not be written
};

// Replaces the file atomically (WriteStringToFile); a failure leaves any old file as it was.
TFileWriteResult WriteExportedFile(const std::string& fileName, std::string_view text);

// "Main|MsgExportWriteErrText": the file and the reason it could not be written.
std::string ExportWriteErrorText(const std::string& fileName, const TFileWriteResult& result);

// GetLangText(key, defaultText) with values for %s1%, %s2% ... inserted as they are: a value holding "%w%",
// "%s2%", "$%$" or the parameter separator is never expanded or split.
std::string LangTextWithValues(std::string_view key, std::string_view defaultText,
                               std::initializer_list<std::string_view> values);

}  // namespace tidewick
