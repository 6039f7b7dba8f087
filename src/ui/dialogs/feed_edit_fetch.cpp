#include "ui/dialogs/feed_edit_fetch.h"

#include <QMetaObject>

#include "formats/feed_document.h"
#include "ui/rules/feed_edit_rules.h"
#include "update/refresh_failure.h"

namespace tidewick {
namespace {

TFeedFetchOutcome FetchAndRead(const std::string& address, TFetchOptions options, const std::atomic<bool>& stop) {
  TFeedFetchOutcome outcome;
  outcome.Address = address;
  options.StopFlag = &stop;
  std::string content;
  const TFetchResult fetched = FetchUrl(address, content, kFeedEditFetchTimeoutMs, options);
  outcome.Downloaded = fetched.Ok();
  outcome.FailureCode = FetchFailureCode(fetched);
  outcome.HttpCode = fetched.HttpCode;
  if (outcome.Downloaded && !stop.load())
    outcome.Recognised = ReadFeedDocument(content, outcome.Document, address);
  if (outcome.Downloaded && !outcome.Recognised && !stop.load())
    outcome.Discovered = DiscoverFeeds(content, address);
  return outcome;
}

}  // namespace

TFeedEditFetcher::TFeedEditFetcher() = default;

TFeedEditFetcher::~TFeedEditFetcher() {
  Abandon();
  m_jobs.clear();  // joins; nothing can post to the context afterwards
}

void TFeedEditFetcher::Start(const std::string& address, const TFetchOptions& options, TDelivery deliver) {
  Abandon();
  ReapFinished();
  const uint64_t ticket = m_nextTicket++;
  m_current = ticket;
  auto& job = m_jobs.emplace_back(std::make_unique<TJob>());
  TJob* const running = job.get();
  running->Thread = std::jthread([this, running, ticket, address, options, deliver = std::move(deliver)] {
    TFeedFetchOutcome outcome = FetchAndRead(address, options, running->Stop);
    if (!running->Stop.load()) {
      QMetaObject::invokeMethod(
          &m_mainThreadContext,
          [this, ticket, outcome = std::move(outcome), deliver]() mutable {
            Deliver(ticket, std::move(outcome), deliver);
          },
          Qt::QueuedConnection);
    }
    running->Finished.store(true);
  });
}

void TFeedEditFetcher::Abandon() {
  m_current = 0;
  for (const auto& job : m_jobs)
    job->Stop.store(true);
}

void TFeedEditFetcher::Deliver(uint64_t ticket, TFeedFetchOutcome outcome, const TDelivery& deliver) {
  ReapFinished();
  if (ticket != m_current)
    return;  // abandoned meanwhile: a newer address or a closed dialog
  m_current = 0;
  deliver(std::move(outcome));
}

void TFeedEditFetcher::ReapFinished() {
  m_jobs.remove_if([](const std::unique_ptr<TJob>& job) { return job->Finished.load(); });
}

}  // namespace tidewick
