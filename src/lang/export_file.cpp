#include "lang/export_file.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <vector>

#include "lang/lang_text.h"
#include "util/files.h"

namespace tidewick {
namespace {

// Stand-ins for the values while the text is expanded: control characters no translation contains.
constexpr char kMarkerStart = '\x02';
constexpr char kMarkerEnd = '\x03';

// Built by appending: GCC 12 at -O3 warns falsely of overlapping copies in the equivalent string sum.
std::string Marker(size_t index) {
  std::string marker(1, kMarkerStart);
  marker += std::to_string(index);
  marker += kMarkerEnd;
  return marker;
}

}  // namespace

TFileWriteResult WriteExportedFile(const std::string& fileName, std::string_view text) {
  errno = 0;
  if (WriteStringToFile(fileName, text)) {
    return {true, {}};
  }
  const int error = errno;
  return {false, error != 0 ? std::string(std::strerror(error)) : std::string("write error")};
}

std::string ExportWriteErrorText(const std::string& fileName, const TFileWriteResult& result) {
  return LangTextWithValues("Main|MsgExportWriteErrText", "Die Datei \"%s1%\" konnte nicht geschrieben werden:%w%%s2%",
                            {fileName, result.Reason});
}

std::string LangTextWithValues(std::string_view key, std::string_view defaultText,
                               std::initializer_list<std::string_view> values) {
  const std::vector<std::string_view> valueList(values);
  std::string params;
  for (size_t i = 0; i < valueList.size(); ++i) {
    if (i > 0) {
      params += kParamSeparator;
    }
    params += Marker(i);
  }
  const std::string expanded = GetLangText(key, defaultText, valueList.empty() ? kNoParams : params);
  std::string result;
  result.reserve(expanded.size());
  for (size_t pos = 0; pos < expanded.size(); ++pos) {
    const size_t end = expanded[pos] == kMarkerStart ? expanded.find(kMarkerEnd, pos) : std::string::npos;
    if (end != std::string::npos) {
      size_t index = valueList.size();
      const auto [last, error] = std::from_chars(expanded.data() + pos + 1, expanded.data() + end, index);
      if (error == std::errc() && last == expanded.data() + end && index < valueList.size()) {
        result += valueList[index];
        pos = end;
        continue;
      }
    }
    result += expanded[pos];
  }
  return result;
}

}  // namespace tidewick
