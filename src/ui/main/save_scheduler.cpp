#include "ui/main/save_scheduler.h"

#include <algorithm>
#include <utility>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "feeds/feed_store.h"

namespace tidewick {

TSaveSnapshot TakeSaveSnapshot(bool writeStore) {
  const TSettings& settings = Settings();
  TSaveSnapshot snapshot;
  snapshot.Values = settings;
  if (settings.SettingsDoc) {
    settings.SettingsDoc->SaveToStream(snapshot.SettingsDocText, 2, true);
  }
  snapshot.WriteStore = writeStore && !settings.FeedsFileName.empty();
  snapshot.FeedsFileName = settings.FeedsFileName;
  if (snapshot.WriteStore) {
    snapshot.Feeds = Feeds;
    snapshot.SyncAccounts = SyncAccounts;
  }
  return snapshot;
}

TSaveOutcome WriteSaveSnapshot(const TSaveSnapshot& snapshot) {
  TSettings settings;
  static_cast<TSettingsValues&>(settings) = snapshot.Values;
  settings.SettingsDoc = std::make_unique<TXmlDoc>();
  if (!snapshot.SettingsDocText.empty()) {
    settings.SettingsDoc->LoadFromString(snapshot.SettingsDocText);
  }
  TSaveOutcome outcome;
  outcome.SettingsFileName = settings.SettingsFileName;
  outcome.SettingsError = SaveSettingsFile(settings).Error;
  outcome.FeedsFileName = snapshot.FeedsFileName;
  if (snapshot.WriteStore) {
    outcome.StoreError =
        SaveFeedStore(snapshot.FeedsFileName, snapshot.Feeds, snapshot.SyncAccounts, snapshot.StoreChanges).Error;
  }
  return outcome;
}

TSaveScheduler::TSaveScheduler(TPrepare prepare, QObject* parent, int readMarksDelayMs)
    : QObject(parent), m_prepare(std::move(prepare)), m_timer(new QTimer(this)), m_readMarksDelayMs(readMarksDelayMs) {
  m_timer->setSingleShot(true);
  connect(m_timer, &QTimer::timeout, this, &TSaveScheduler::StartBackgroundSave);
  m_writer = std::jthread([this](const std::stop_token& stop) { WriterLoop(stop); });
}

TSaveScheduler::~TSaveScheduler() {
  m_writer.request_stop();
  m_wake.notify_all();
  // jthread joins here; a snapshot still queued is written before the thread ends, so nothing is lost.
}

void TSaveScheduler::Schedule(TSaveDelay delay, TStoreChanges changes) {
  if (changes == TStoreChanges::All) {
    ++m_storeChanges;
  }
  const int delayMs = delay == TSaveDelay::Soon ? kSaveSoonMs : m_readMarksDelayMs;
  // A pending save that comes sooner covers this request as well; a later one is brought forward.
  if (!m_timer->isActive() || m_timer->remainingTime() > delayMs) {
    m_timer->start(delayMs);
  }
}

bool TSaveScheduler::IsPending() const {
  const std::lock_guard lock(m_mutex);
  return m_timer->isActive() || m_building.has_value() || m_queued.has_value() || m_writing;
}

void TSaveScheduler::StartBackgroundSave() {
  if (m_prepare) {
    m_prepare();
  }
  m_building = TakeSaveSnapshot(false);
  m_building->WriteStore = m_storeMaySave && !m_building->FeedsFileName.empty();
  // A change made while the feeds are copied counts as not saved: it may come too late for the copy.
  m_building->StoreChanges =
      m_storeChanges == m_storeChangesSaved ? TStoreChanges::RefreshStateOnly : TStoreChanges::All;
  m_buildingChanges = m_storeChanges;
  m_feedsToCopy.clear();
  m_nextFeed = 0;
  if (m_building->WriteStore) {
    m_feedsToCopy.reserve(Feeds.size());
    for (const TFeed& feed : Feeds) {
      m_feedsToCopy.push_back({feed.Id, feed.Name});
    }
    m_building->Feeds.reserve(Feeds.size());
    m_building->SyncAccounts = SyncAccounts;  // a few records: copied at once
  }
  CopyNextFeeds();
}

void TSaveScheduler::CopyNextFeeds() {
  if (!m_building) {
    return;  // SaveNow took over
  }
  if (m_nextFeed > 0 && m_betweenSlices) {
    m_betweenSlices();
  }
  QElapsedTimer clock;
  clock.start();
  const size_t total = m_feedsToCopy.size();
  const size_t sliceEnd = m_feedsPerSlice == 0 ? total : std::min(total, m_nextFeed + m_feedsPerSlice);
  while (m_nextFeed < sliceEnd && !clock.hasExpired(kSnapshotSliceMs)) {
    const TFeedToCopy& wanted = m_feedsToCopy[m_nextFeed];
    const size_t guess = m_nextFeed++;
    // Positions only move when feeds are removed; look the feed up by its Id then. A removed feed is not saved.
    const int position =
        guess < Feeds.size() && Feeds[guess].Id == wanted.Id ? static_cast<int>(guess) : FindFeedById(wanted.Id);
    if (position >= 0) {
      m_building->Feeds.push_back(Feeds[static_cast<size_t>(position)]);
      m_building->Feeds.back().Name = wanted.Name;
    }
  }
  if (m_nextFeed < total) {
    QTimer::singleShot(0, this, &TSaveScheduler::CopyNextFeeds);
    return;
  }
  FinishSnapshot();
}

void TSaveScheduler::FinishSnapshot() {
  {
    const std::lock_guard lock(m_mutex);
    m_queued = std::move(m_building);  // replaces an older one not yet started: the newer state wins
    m_queuedChanges = m_buildingChanges;
  }
  m_building.reset();
  m_feedsToCopy.clear();
  m_wake.notify_all();
}

void TSaveScheduler::WriterLoop(const std::stop_token& stop) {
  while (true) {
    TSaveSnapshot snapshot;
    uint64_t changes = 0;
    {
      std::unique_lock lock(m_mutex);
      m_wake.wait(lock, stop, [this] { return m_queued.has_value(); });
      if (!m_queued) {
        return;  // stopped with nothing left to write
      }
      snapshot = std::move(*m_queued);
      changes = m_queuedChanges;
      m_queued.reset();
      m_writing = true;
    }
    const TSaveOutcome outcome = WriteSaveSnapshot(snapshot);
    const bool storeWritten = snapshot.WriteStore && outcome.StoreWritten();
    // Posted before the writer counts as idle, so whoever waits for idle finds the report already queued.
    QMetaObject::invokeMethod(
        this,
        [this, outcome, storeWritten, changes] {
          ++m_completed;
          if (storeWritten) {
            m_storeChangesSaved = std::max(m_storeChangesSaved, changes);
          }
          Report(outcome);
        },
        Qt::QueuedConnection);
    {
      const std::lock_guard lock(m_mutex);
      m_writing = false;
    }
    m_idle.notify_all();
  }
}

void TSaveScheduler::WaitForWriter() {
  std::unique_lock lock(m_mutex);
  m_idle.wait(lock, [this] { return !m_queued && !m_writing; });
}

void TSaveScheduler::WaitUntilIdle() {
  if (m_timer->isActive()) {
    m_timer->stop();
    StartBackgroundSave();
  }
  while (m_building) {
    CopyNextFeeds();
  }
  WaitForWriter();
  QCoreApplication::sendPostedEvents(this);
}

void TSaveScheduler::Report(const TSaveOutcome& outcome) {
  m_last = outcome;
  if (!outcome.AllWritten()) {
    Schedule(TSaveDelay::ReadMarks, TStoreChanges::RefreshStateOnly);  // whatever is not saved yet still counts
  }
  emit Saved(outcome);
}

TSaveOutcome TSaveScheduler::SaveNow() {
  m_timer->stop();
  m_building.reset();
  m_feedsToCopy.clear();
  {
    // A snapshot not yet started is older than what is saved now.
    const std::lock_guard lock(m_mutex);
    m_queued.reset();
  }
  WaitForWriter();
  if (m_prepare) {
    m_prepare();
  }
  const TSettings& settings = Settings();
  TSaveOutcome outcome;
  outcome.SettingsFileName = settings.SettingsFileName;
  outcome.SettingsError = SaveSettingsFile(Settings()).Error;
  outcome.FeedsFileName = settings.FeedsFileName;
  // Written whole: a run stopped by the exit merges what it already downloaded without announcing it.
  if (m_storeMaySave && !settings.FeedsFileName.empty()) {
    outcome.StoreError = SaveFeedStore(settings.FeedsFileName, Feeds, SyncAccounts).Error;
    if (outcome.StoreWritten()) {
      m_storeChangesSaved = m_storeChanges;
    }
  }
  Report(outcome);
  return outcome;
}

}  // namespace tidewick
