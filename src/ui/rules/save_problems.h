#pragma once

// Which files fail to be saved, told once per failure episode: from the first failed save of a file to the next
// save of it that succeeds. Saving goes on being tried meanwhile; only the first failure is announced.

#include <string>
#include <vector>

namespace tidewick {

struct TFileSaveProblem {
  std::string FileName;
  int Error = 0;  // errno; 0 when the file was written
};

class TSaveProblems {
 public:
  // One save's result for each file it wrote. The failures that begin an episode, to be told.
  std::vector<TFileSaveProblem> Take(const std::vector<TFileSaveProblem>& results);
  // The files failing now, with their latest reasons.
  const std::vector<TFileSaveProblem>& Failing() const { return m_failing; }

 private:
  std::vector<TFileSaveProblem> m_failing;
};

// For the status bar: each file with its reason.
std::string SaveProblemStatusText(const std::vector<TFileSaveProblem>& problems);
// For the notice: each file with its reason, and what that means until a save succeeds.
std::string SaveProblemNoticeTitle();
std::string SaveProblemNoticeText(const std::vector<TFileSaveProblem>& problems);

}  // namespace tidewick
