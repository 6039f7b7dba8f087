// The yardstick for refresh benchmarks: fetches every URL of a list with threads of plain libcurl and nothing else
// (no parsing, no store). With options it gives the floor under any refresh on this machine, the least a reader
// that reads every feed and saves what it read safely must spend:
//   --parse         parses each body in place with pugixml, the fastest DOM parse at hand, and builds nothing from it;
//   --save FILE N   appends the bodies, as they arrive, to FILE until N bytes are there (the size of the store the
//                   refresh wrote) through the store save's own writer: synced every 4 MiB while it grows, then fsync.
// Nothing else: no entries, no escaping, no store format, so a refresh can come near the floor but not below it.
// Usage: bare_curl_fetch URLS_FILE [THREADS [--parse] [--save FILE BYTES]]
// Build: g++ -O2 -std=c++20 -I src bench/bare_curl_fetch.cpp src/platform/synced_file.cpp src/platform/file_io.cpp
//        -lcurl -lpugixml -pthread

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <curl/curl.h>
#include <fstream>
#include <memory>
#include <mutex>
#include <pugixml.hpp>
#include <string>
#include <thread>
#include <vector>

#include "platform/synced_file.h"

namespace {

size_t Collect(char* data, size_t size, size_t count, void* userData) {
  static_cast<std::string*>(userData)->append(data, size * count);
  return size * count;
}

// The store save's own synced writer behind a lock, taking bodies until the byte budget is spent.
class TSyncedSink {
 public:
  TSyncedSink(const char* path, size_t budget) : m_file(path, std::nullopt), m_left(budget) {}

  void Append(const std::string& body) {
    const std::lock_guard lock(m_mutex);
    const size_t count = std::min(body.size(), m_left);
    if (count > 0 && m_file.Write(std::string_view(body).substr(0, count))) {
      m_left -= count;
    }
  }

  // Makes the whole file durable; false when a write or the sync failed, or the budget was not reached.
  bool Finish() {
    int error = 0;
    return m_file.Close(error) >= 0 && m_left == 0;
  }

 private:
  std::mutex m_mutex;
  tidewick::TSyncedFileWriter m_file;
  size_t m_left;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: bare_curl_fetch URLS_FILE [THREADS [--parse] [--save FILE BYTES]]\n", stderr);
    return 2;
  }
  std::vector<std::string> urls;
  std::ifstream file(argv[1]);
  for (std::string line; std::getline(file, line);) {
    if (!line.empty()) {
      urls.push_back(line);
    }
  }
  const int threads = argc > 2 ? std::stoi(argv[2]) : 16;
  bool parse = false;
  const char* savePath = nullptr;
  size_t saveBytes = 0;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--parse") == 0) {
      parse = true;
    } else if (std::strcmp(argv[i], "--save") == 0 && i + 2 < argc) {
      savePath = argv[++i];
      saveBytes = std::stoull(argv[++i]);
    } else {
      std::fprintf(stderr, "bare_curl_fetch: unknown argument %s\n", argv[i]);
      return 2;
    }
  }
  std::unique_ptr<TSyncedSink> sink = savePath ? std::make_unique<TSyncedSink>(savePath, saveBytes) : nullptr;
  curl_global_init(CURL_GLOBAL_DEFAULT);
  std::atomic<size_t> next{0};
  std::atomic<size_t> bytes{0};
  std::atomic<int> failed{0};
  std::atomic<int> unreadable{0};
  {
    std::vector<std::jthread> pool;
    for (int t = 0; t < threads; ++t) {
      pool.emplace_back([&] {
        for (size_t i = next++; i < urls.size(); i = next++) {
          CURL* easy = curl_easy_init();
          std::string body;
          curl_easy_setopt(easy, CURLOPT_URL, urls[i].c_str());
          curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
          curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Collect);
          curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
          if (curl_easy_perform(easy) != CURLE_OK) {
            ++failed;
          }
          curl_easy_cleanup(easy);
          bytes += body.size();
          if (parse) {
            pugi::xml_document doc;
            unreadable += doc.load_buffer_inplace(body.data(), body.size()) ? 0 : 1;
          }
          if (sink) {
            sink->Append(body);  // what was read goes to disk; which bytes those are makes no difference here
          }
        }
      });
    }
  }
  const bool saved = !sink || sink->Finish();
  std::printf("%zu URLs, %zu bytes, %d failed, %d unreadable%s\n", urls.size(), bytes.load(), failed.load(),
              unreadable.load(), saved ? "" : ", save failed");
  curl_global_cleanup();
  return failed.load() == 0 && unreadable.load() == 0 && saved ? 0 : 1;
}
