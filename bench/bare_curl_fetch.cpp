// The yardstick for refresh benchmarks: fetches every URL of a list with 16 threads of plain libcurl and nothing
// else (no parsing, no store). Usage: bare_curl_fetch URLS_FILE [THREADS]

#include <atomic>
#include <cstdio>
#include <curl/curl.h>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

size_t Collect(char* data, size_t size, size_t count, void* userData) {
  static_cast<std::string*>(userData)->append(data, size * count);
  return size * count;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: bare_curl_fetch URLS_FILE [THREADS]\n", stderr);
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
  curl_global_init(CURL_GLOBAL_DEFAULT);
  std::atomic<size_t> next{0};
  std::atomic<size_t> bytes{0};
  std::atomic<int> failed{0};
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
          bytes += body.size();
          curl_easy_cleanup(easy);
        }
      });
    }
  }
  std::printf("%zu URLs, %zu bytes, %d failed\n", urls.size(), bytes.load(), failed.load());
  curl_global_cleanup();
  return failed.load() == 0 ? 0 : 1;
}
