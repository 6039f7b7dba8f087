// Refresh workers look texts up while the user switches the language on the main thread.

#include <atomic>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

#include "lang/lang_text.h"
#include "support/temp_dir.h"

namespace tidewick {
namespace {

constexpr int kKeyCount = 200;

std::string Key(int i) {
  return "Main|Key" + std::to_string(i);
}

// Every value names its file, so a reader can tell which table answered.
std::string WriteLanguage(const test::TempDir& dir, const std::string& name) {
  std::string text = "# " + name + "\n";
  for (int i = 0; i < kKeyCount; ++i) {
    text += Key(i) + "=" + name + " " + std::to_string(i) + " %s1%%w%\n";
  }
  const std::string path = dir.File(name + ".lng");
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

TEST(LanguageSwitch, ReadersSeeOneWholeTableWhileTheLanguageChanges) {
  test::TempDir dir;
  const std::string paths[] = {WriteLanguage(dir, "Alpha"), WriteLanguage(dir, "Beta"), dir.File("Missing.lng")};
  LoadLanguageFile(paths[0]);

  std::atomic<bool> stop{false};
  std::atomic<int> wrongAnswers{0};
  std::atomic<long> passes{0};
  std::vector<std::thread> readers;
  for (int r = 0; r < 4; ++r) {
    readers.emplace_back([&, r] {
      do {
        for (int i = r; i < kKeyCount; i += 7) {
          const std::string text = GetLangText(Key(i), "Vorgabe " + std::to_string(i) + " %s1%", "x");
          const std::string number = " " + std::to_string(i) + " x";
          if (text != "Alpha" + number + "\r\n" && text != "Beta" + number + "\r\n" && text != "Vorgabe" + number) {
            wrongAnswers.fetch_add(1);
          }
        }
        passes.fetch_add(1);
      } while (!stop.load(std::memory_order_relaxed));
    });
  }

  // Keep switching until the readers have had time to overlap many switches, however the threads are scheduled.
  for (int round = 0; round < 300 || passes.load() < 200; ++round) {
    LoadLanguageFile(paths[round % 3]);
  }
  stop = true;
  for (std::thread& reader : readers) {
    reader.join();
  }
  LoadLanguageFile("");

  EXPECT_EQ(wrongAnswers.load(), 0);
}

}  // namespace
}  // namespace tidewick
