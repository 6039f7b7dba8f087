#pragma once

// The feed dialog's download: the same fetch and reader as a refresh, on a worker thread, so the dialog stays
// responsive. A newer fetch, Cancel or closing the dialog abandons the older ones: their transfers are stopped and
// their results never delivered.

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QObject>

#include "feeds/feed_records.h"
#include "util/http_fetch.h"
#include "web/feed_discovery.h"

namespace tidewick {

struct TFeedFetchOutcome {
  std::string Address;
  bool Downloaded = false;  // the server answered with a body (a 404 or a failed connection is not)
  std::string FailureCode;  // why the download failed (a code of refresh_failure.h)
  long HttpCode = 0;        // the answer's status (0 without one)
  bool Recognised = false;  // the body is a feed document
  TFeed Document;           // FeedType, Info and Items of the document, when recognised
  // The feeds a web page names, when the body is no feed.
  std::vector<TDiscoveredFeed> Discovered;
};

class TFeedEditFetcher {
 public:
  using TDelivery = std::function<void(TFeedFetchOutcome outcome)>;

  TFeedEditFetcher();
  ~TFeedEditFetcher();  // abandons every fetch and waits for the workers (a stopped transfer ends within ~0.1 s)
  TFeedEditFetcher(const TFeedEditFetcher&) = delete;
  TFeedEditFetcher& operator=(const TFeedEditFetcher&) = delete;

  // Abandons any running fetch and starts one; `deliver` runs on the main thread with the outcome, unless the fetch
  // is abandoned first.
  void Start(const std::string& address, const TFetchOptions& options, TDelivery deliver);
  void Abandon();
  bool Busy() const { return m_current != 0; }

 private:
  struct TJob {
    std::atomic<bool> Stop{false};
    std::atomic<bool> Finished{false};
    std::jthread Thread;  // declared last: joined before the flags go away
  };

  void Deliver(uint64_t ticket, TFeedFetchOutcome outcome, const TDelivery& deliver);
  void ReapFinished();

  QObject m_mainThreadContext;  // results are posted to it; pending ones die with it
  uint64_t m_nextTicket = 1;
  uint64_t m_current = 0;  // the ticket whose result is still wanted; 0: none
  std::list<std::unique_ptr<TJob>> m_jobs;
};

}  // namespace tidewick
