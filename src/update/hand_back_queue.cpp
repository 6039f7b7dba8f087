#include "update/hand_back_queue.h"

#include <utility>

namespace tidewick {

THandBackQueue::~THandBackQueue() {
  Close();
}

bool THandBackQueue::RunOnMainThread(TTask task) {
  auto pending = std::make_shared<TPending>();
  pending->Task = std::move(task);
  TWakeHook hook;
  std::unique_lock lock(m_mutex);
  if (m_closed) {
    return false;
  }
  m_pending.push_back(pending);
  hook = m_wakeHook;
  m_posted.notify_all();
  lock.unlock();
  if (hook) {
    hook();
  }
  lock.lock();
  m_finished.wait(lock, [&pending] { return pending->Finished; });
  return pending->Ran;
}

size_t THandBackQueue::Drain() {
  std::deque<std::shared_ptr<TPending>> batch;
  {
    const std::scoped_lock lock(m_mutex);
    batch.swap(m_pending);
  }
  for (const auto& pending : batch) {
    try {
      pending->Task();
    } catch (...) {
      // A failing hand-back must not keep its worker waiting for ever.
    }
    const std::scoped_lock lock(m_mutex);
    pending->Finished = true;
    pending->Ran = true;
    m_finished.notify_all();
  }
  return batch.size();
}

bool THandBackQueue::WaitForTask(std::chrono::milliseconds timeout) {
  std::unique_lock lock(m_mutex);
  return m_posted.wait_for(lock, timeout, [this] { return !m_pending.empty(); });
}

void THandBackQueue::SetWakeHook(TWakeHook hook) {
  const std::scoped_lock lock(m_mutex);
  m_wakeHook = std::move(hook);
}

void THandBackQueue::Close() {
  const std::scoped_lock lock(m_mutex);
  m_closed = true;
  for (const auto& pending : m_pending) {
    pending->Finished = true;
  }
  m_pending.clear();
  m_finished.notify_all();
}

void THandBackQueue::Open() {
  const std::scoped_lock lock(m_mutex);
  m_closed = false;
}

size_t THandBackQueue::PendingCount() const {
  const std::scoped_lock lock(m_mutex);
  return m_pending.size();
}

}  // namespace tidewick
