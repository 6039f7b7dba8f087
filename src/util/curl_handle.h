#pragma once

// Move-only owners of libcurl handles.

#include <curl/curl.h>
#include <memory>

namespace tidewick {

struct TCurlEasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct TCurlMultiDeleter {
  void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct TCurlListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

using TCurlEasy = std::unique_ptr<CURL, TCurlEasyDeleter>;
using TCurlMulti = std::unique_ptr<CURLM, TCurlMultiDeleter>;
using TCurlList = std::unique_ptr<curl_slist, TCurlListDeleter>;

// Adds one line to a header list, keeping ownership in list. False when libcurl is out of memory.
inline bool AppendCurlList(TCurlList& list, const char* line) {
  curl_slist* grown = curl_slist_append(list.get(), line);
  if (grown == nullptr) {
    return false;
  }
  // grown is the whole list: the old head with the new line at its end, or the new line alone. Handing the old
  // head over without freeing it is the point of this release.
  static_cast<void>(list.release());
  list.reset(grown);
  return true;
}

// An easy handle attached to a multi handle for the life of this object.
class TCurlMultiAttachment {
 public:
  TCurlMultiAttachment(CURLM* multi, CURL* easy) : m_multi(multi), m_easy(easy) {
    m_attached = curl_multi_add_handle(multi, easy) == CURLM_OK;
  }
  ~TCurlMultiAttachment() {
    if (m_attached) {
      curl_multi_remove_handle(m_multi, m_easy);
    }
  }
  TCurlMultiAttachment(const TCurlMultiAttachment&) = delete;
  TCurlMultiAttachment& operator=(const TCurlMultiAttachment&) = delete;

  bool Attached() const { return m_attached; }

 private:
  CURLM* m_multi;
  CURL* m_easy;
  bool m_attached = false;
};

}  // namespace tidewick
