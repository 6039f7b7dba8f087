#include "ui/rules/save_problems.h"

#include <algorithm>
#include <cstring>

#include "lang/lang_text.h"
#include "util/strings.h"

namespace tidewick {
namespace {

std::string Reason(int error) {
  return std::strerror(error);
}

}  // namespace

std::vector<TFileSaveProblem> TSaveProblems::Take(const std::vector<TFileSaveProblem>& results) {
  std::vector<TFileSaveProblem> begun;
  for (const TFileSaveProblem& result : results) {
    const auto failing = std::find_if(m_failing.begin(), m_failing.end(), [&](const TFileSaveProblem& problem) {
      return problem.FileName == result.FileName;
    });
    if (result.Error == 0) {
      if (failing != m_failing.end()) {
        m_failing.erase(failing);
      }
    } else if (failing != m_failing.end()) {
      failing->Error = result.Error;
    } else {
      m_failing.push_back(result);
      begun.push_back(result);
    }
  }
  return begun;
}

std::string SaveProblemStatusText(const std::vector<TFileSaveProblem>& problems) {
  std::vector<std::string> parts;
  parts.reserve(problems.size());
  for (const TFileSaveProblem& problem : problems) {
    parts.push_back(GetLangText("Main|sbMainSaveFailed", "Nicht gespeichert: \"%s1%\" (%s2%)",
                                JoinLangParams({problem.FileName, Reason(problem.Error)})));
  }
  return JoinStrings(parts, "; ");
}

std::string SaveProblemNoticeTitle() {
  return GetLangText("Main|MsgSaveFailedTitle", "Speichern fehlgeschlagen");
}

std::string SaveProblemNoticeText(const std::vector<TFileSaveProblem>& problems) {
  std::vector<std::string> parts;
  parts.reserve(problems.size() + 1);
  for (const TFileSaveProblem& problem : problems) {
    parts.push_back(GetLangText("Main|MsgSaveFailedFile", "\"%s1%\" konnte nicht gespeichert werden: %s2%.",
                                JoinLangParams({problem.FileName, Reason(problem.Error)})));
  }
  parts.push_back(GetLangText("Main|MsgSaveFailedText",
                              "Tidewick versucht es weiter. Bis es gelingt, sind die letzten Änderungen nicht "
                              "gesichert; beim Beenden gehen sie verloren."));
  return JoinStrings(parts, "\n");
}

}  // namespace tidewick
