#pragma once

// The one way the window saves while it runs. Requests are coalesced: the first request starts a short delay,
// later ones join it. When the delay ends the window's state goes into the settings record (the prepare hook), a
// snapshot of the settings and the store is taken on the main thread, and a writer thread writes both files
// atomically, so the window never waits for the disk. SaveNow() writes at once on the calling thread (exit).
//
// A large store is copied a few feeds at a time between events, so the copy never holds the window up either. A feed
// changed after its copy was taken asks for a save of its own (every change does), so the next save carries it.
// Each feed keeps the name it had when the snapshot began: the arrangement taken then names the feeds, and a name
// given meanwhile (perhaps one another feed had) comes with the next save, together with its arrangement.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <QObject>

#include "feeds/feed_records.h"
#include "feeds/feed_store.h"
#include "settings/settings.h"

class QTimer;

namespace tidewick {

enum class TSaveDelay {
  Soon,       // an arrangement, a feed or a refresh changed: within a few seconds
  ReadMarks,  // read marks changed: within a minute, so clicking through entries does not save each time
};

inline constexpr int kSaveSoonMs = 2000;
inline constexpr int kSaveReadMarksMs = 30000;

// Everything one save writes, copied on the main thread.
struct TSaveSnapshot {
  TSettingsValues Values;
  std::string SettingsDocText;  // the settings document as loaded, so unknown elements are written back
  bool WriteStore = true;
  std::string FeedsFileName;
  TFeeds Feeds;
  TSyncAccounts SyncAccounts;
  TStoreChanges StoreChanges = TStoreChanges::All;  // refresh state only: the state file beside the store takes it
};

// Takes the snapshot of Settings() and, when writeStore, every feed of Feeds.
TSaveSnapshot TakeSaveSnapshot(bool writeStore);

// Main thread: one event-loop step's worth of copying, at most this long (a single feed is always copied whole).
inline constexpr int kSnapshotSliceMs = 8;

struct TSaveOutcome {
  std::string SettingsFileName;
  int SettingsError = 0;  // errno of a failed settings save; 0 when written
  std::string FeedsFileName;
  int StoreError = 0;  // errno of a failed store save; 0 when written or not to be written
  bool SettingsWritten() const { return SettingsError == 0; }
  bool StoreWritten() const { return StoreError == 0; }
  bool AllWritten() const { return SettingsWritten() && StoreWritten(); }
};

// Writes a snapshot: the settings file first, then the store. Any thread.
TSaveOutcome WriteSaveSnapshot(const TSaveSnapshot& snapshot);

class TSaveScheduler : public QObject {
  Q_OBJECT

 public:
  using TPrepare = std::function<void()>;

  // prepare runs on the main thread right before each snapshot: it puts the window's state into Settings().
  TSaveScheduler(TPrepare prepare, QObject* parent, int readMarksDelayMs = kSaveReadMarksMs);
  ~TSaveScheduler() override;

  // changes: what changed in the store. Refresh state alone (a run answered by 304s) is saved into the state file
  // beside the store, until anything else changes: then the whole store is written again.
  void Schedule(TSaveDelay delay = TSaveDelay::Soon, TStoreChanges changes = TStoreChanges::All);
  // The store changed beyond its refresh state (entries merged during a run); the save comes later.
  void NoteStoreChanged() { ++m_storeChanges; }
  // Cancels the pending delay, waits for a running write, then prepares and writes on this thread (the whole store).
  TSaveOutcome SaveNow();

  // False after the store could not be read at start: the store file is then never written over.
  void SetStoreMaySave(bool maySave) { m_storeMaySave = maySave; }

  bool IsPending() const;
  // Waits until no save is delayed, queued or being written (tests, benchmarks).
  void WaitUntilIdle();
  int CompletedSaves() const { return m_completed; }
  // The outcome of the save that ended last, background or not.
  const TSaveOutcome& LastOutcome() const { return m_last; }
  // Test seam: at most feedsPerSlice feeds are copied per slice, and betweenSlices runs before each slice after the
  // first (a test changes the store there, as the user may).
  void SetSlicingForTests(size_t feedsPerSlice, std::function<void()> betweenSlices) {
    m_feedsPerSlice = feedsPerSlice;
    m_betweenSlices = std::move(betweenSlices);
  }

 signals:
  // Main thread, after each save. A failed one is tried again after the read-mark delay, also when nothing changed.
  void Saved(const tidewick::TSaveOutcome& outcome);

 private:
  void Report(const TSaveOutcome& outcome);
  void StartBackgroundSave();
  // Copies feeds into the snapshot being built until the slice's time is used; queues it for the writer when done.
  void CopyNextFeeds();
  void FinishSnapshot();
  void WriterLoop(const std::stop_token& stop);
  void WaitForWriter();

  TPrepare m_prepare;
  QTimer* m_timer;
  int m_readMarksDelayMs;
  bool m_storeMaySave = true;
  int m_completed = 0;
  // Changes beyond refresh state asked for, and how many of them the last complete store written holds.
  uint64_t m_storeChanges = 0;
  uint64_t m_storeChangesSaved = 0;
  uint64_t m_buildingChanges = 0;  // m_storeChanges when the snapshot being built began
  uint64_t m_queuedChanges = 0;    // the same for the queued one (guarded by m_mutex)
  TSaveOutcome m_last;
  std::optional<TSaveSnapshot> m_building;  // main thread: the snapshot whose feeds are being copied
  // The feeds to copy, in store order, with their names as the arrangement in the same snapshot knows them.
  struct TFeedToCopy {
    uint64_t Id = 0;
    std::string Name;
  };
  std::vector<TFeedToCopy> m_feedsToCopy;
  size_t m_nextFeed = 0;
  size_t m_feedsPerSlice = 0;  // 0: as many as the slice's time allows
  std::function<void()> m_betweenSlices;

  mutable std::mutex m_mutex;
  std::condition_variable_any m_wake;
  std::condition_variable m_idle;
  std::optional<TSaveSnapshot> m_queued;
  bool m_writing = false;
  std::jthread m_writer;  // last: stopped and joined first
};

}  // namespace tidewick
