#include "settings.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>

namespace kvn {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }
bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view StripMatchingQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// Splits text into lines at CR, LF or CR LF; calls visit(line) for each until
// it returns false.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && !IsLineEnd(text[end])) ++end;
    if (!visit(text.substr(start, end - start))) return;
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
}

// Name of a "[name]" line, or nothing for any other line.
bool SectionName(std::string_view line, std::string_view &name) {
  if (line.empty() || line.front() != '[') return false;
  line.remove_prefix(1);
  const std::size_t close = line.find(']');
  name = TrimBlanks(close == std::string_view::npos ? line : line.substr(0, close));
  return true;
}

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Keeps at most 259 bytes, never ending inside a UTF-8 sequence.
SettingText ToSettingText(std::string_view value) {
  SettingText out{};
  std::size_t n = value.size();
  if (n > kSettingTextBytes - 1) {
    n = kSettingTextBytes - 1;
    while (n > 0 && IsUtf8Continuation(value[n])) --n;
  }
  std::memcpy(out.data(), value.data(), n);
  return out;
}

}  // namespace

SettingText FindProfileValue(std::string_view text, std::string_view section, std::string_view key) {
  if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) text.remove_prefix(kUtf8Bom.size());
  bool inside = false;
  std::string_view found;
  bool haveValue = false;
  ForEachLine(text, [&](std::string_view rawLine) {
    const std::string_view line = TrimBlanks(rawLine);
    std::string_view name;
    if (SectionName(line, name)) {
      if (inside) return false;  // the first section of that name ended
      inside = EqualIgnoringAsciiCase(name, section);
      return true;
    }
    if (!inside || line.empty() || line.front() == ';') return true;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return true;
    if (!EqualIgnoringAsciiCase(TrimBlanks(line.substr(0, equals)), key)) return true;
    found = StripMatchingQuotes(TrimBlanks(line.substr(equals + 1)));
    haveValue = true;
    return false;
  });
  return haveValue ? ToSettingText(found) : SettingText{};
}

SettingText ReadLibrarySettingsFrom(const char *path) {
  if (path == nullptr || *path == '\0') return {};
  std::FILE *file = std::fopen(path, "rb");
  if (file == nullptr) return {};
  std::string content;
  char chunk[4096];
  bool tooLarge = false;
  for (;;) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
    if (got == 0) break;
    if (content.size() + got > kMaxSettingsFileBytes) {
      tooLarge = true;
      break;
    }
    content.append(chunk, got);
  }
  std::fclose(file);
  if (tooLarge) return {};
  return FindProfileValue(content, kSettingsSection, kCheckDeviceCmdKey);
}

std::string SettingsFilePath() {
  char exe[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof exe) return {};
  std::string folder(exe, static_cast<std::size_t>(n));
  const std::size_t slash = folder.rfind('/');
  if (slash == std::string::npos) return {};
  folder.resize(slash + 1);
  return folder + kSettingsFileName;
}

SettingText ReadLibrarySettings() {
  const std::string path = SettingsFilePath();
  return ReadLibrarySettingsFrom(path.c_str());
}

}  // namespace kvn
