#include "platform/autostart.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/file_io.h"
#include "platform/paths.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tidewick {
namespace {

constexpr const char* kMinSwitch = " /MIN";
constexpr const char* kUserFolderSwitch = " /APPDATA";

#ifndef _WIN32

namespace fs = std::filesystem;

// Quotes one Exec argument: inside double quotes '"', '`', '$' and '\' take a backslash; '%' is doubled (field
// codes). The Exec value is a desktop-file string, so every backslash is then escaped once more.
std::string QuoteExecArgument(const std::string& argument) {
  std::string quoted = "\"";
  for (const char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') {
      quoted.push_back('\\');
    }
    quoted.push_back(c);
    if (c == '%') {
      quoted.push_back('%');
    }
  }
  quoted.push_back('"');
  std::string escaped;
  for (const char c : quoted) {
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '\n') {
      escaped += "\\n";
    } else if (c == '\r') {
      escaped += "\\r";
    } else if (c == '\t') {
      escaped += "\\t";
    } else {
      escaped.push_back(c);
    }
  }
  return escaped;
}

// Undoes the desktop-file string escapes (\s \n \t \r \\).
std::string UnescapeValue(std::string_view value) {
  std::string plain;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      plain.push_back(value[i]);
      continue;
    }
    const char next = value[++i];
    plain.push_back(next == 's' ? ' ' : next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next);
  }
  return plain;
}

// Undoes the Exec quoting (backslash escapes inside quotes, "%%"), keeping the quotes themselves.
std::string UnquoteExec(std::string_view exec) {
  std::string plain;
  bool quoted = false;
  for (size_t i = 0; i < exec.size(); ++i) {
    const char c = exec[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (quoted && c == '\\' && i + 1 < exec.size()) {
      plain.push_back(exec[++i]);
      continue;
    } else if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') {
      ++i;
    }
    plain.push_back(c);
  }
  return plain;
}

std::string_view TrimLine(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
    line.remove_suffix(1);
  }
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
    line.remove_prefix(1);
  }
  return line;
}

// The value of `key` in the [Desktop Entry] group, without the blanks around "=".
std::optional<std::string> DesktopEntryValue(std::string_view content, std::string_view key) {
  bool inEntry = false;
  while (!content.empty()) {
    const size_t end = content.find('\n');
    const std::string_view line = TrimLine(content.substr(0, end));
    content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
    if (line.starts_with("[")) {
      inEntry = line == "[Desktop Entry]";
      continue;
    }
    const size_t equals = line.find('=');
    if (inEntry && equals != std::string_view::npos && TrimLine(line.substr(0, equals)) == key) {
      return std::string(TrimLine(line.substr(equals + 1)));
    }
  }
  return std::nullopt;
}

#endif

}  // namespace

#ifndef _WIN32

std::string AutostartFilePath() {
  // The config root is the user data folder's parent: $XDG_CONFIG_HOME or ~/.config.
  return (fs::path(UserDataFolder()).parent_path() / "autostart" / "tidewick.desktop").string();
}

std::string ReadAutostartCommand() {
  const std::optional<std::string> content = ReadWholeFile(AutostartFilePath());
  if (!content) {
    return {};
  }
  // Desktops switch an entry off without deleting it.
  if (DesktopEntryValue(*content, "Hidden").value_or("") == "true" ||
      DesktopEntryValue(*content, "X-GNOME-Autostart-enabled").value_or("") == "false") {
    return {};
  }
  return UnquoteExec(UnescapeValue(DesktopEntryValue(*content, "Exec").value_or("")));
}

bool WriteAutostartEntry(const std::string& programPath, bool useUserFolder) {
  const fs::path file = AutostartFilePath();
  if (!EnsureFolder(file.parent_path().string())) {
    return false;
  }
  const std::string content =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Tidewick\n"
      "Exec=" +
      QuoteExecArgument(programPath) + kMinSwitch + (useUserFolder ? kUserFolderSwitch : "") +
      "\n"
      "Terminal=false\n"
      "X-GNOME-Autostart-enabled=true\n";
  return AtomicWriteFile(file.string(), content);
}

bool RemoveAutostartEntry() {
  std::error_code error;
  fs::remove(AutostartFilePath(), error);
  return !fs::exists(AutostartFilePath(), error);
}

#else

namespace {
constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kValueName = L"Tidewick";

std::wstring Widen(const std::string& utf8) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

std::string Narrow(const std::wstring& wide) {
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr, nullptr);
  return utf8;
}
}  // namespace

std::string AutostartFilePath() {
  return {};
}

std::string ReadAutostartCommand() {
  DWORD size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, kValueName, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS) {
    return {};
  }
  std::wstring value(size / sizeof(wchar_t), L'\0');
  if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, kValueName, RRF_RT_REG_SZ, nullptr, value.data(), &size) !=
      ERROR_SUCCESS) {
    return {};
  }
  value.resize(wcsnlen(value.c_str(), value.size()));
  return Narrow(value);
}

bool WriteAutostartEntry(const std::string& programPath, bool useUserFolder) {
  const std::wstring value = Widen("\"" + programPath + "\"" + kMinSwitch + (useUserFolder ? kUserFolderSwitch : ""));
  return RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, kValueName, REG_SZ, value.c_str(),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool RemoveAutostartEntry() {
  const LSTATUS status = RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, kValueName);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

#endif

}  // namespace tidewick
