#pragma once

// Brackets a change of the feed tree so its view hears about it once, around the outermost change, and learns of a
// selection moved meanwhile only afterwards (when its indexes are valid again).

#include "tree/feed_tree.h"

namespace tidewick {

class TFeedTree::TChangeScope {
 public:
  enum class TKind { Reset, Layout };

  TChangeScope(TFeedTree& tree, TKind kind) : m_tree(tree), m_kind(kind), m_outer(tree.m_changeDepth == 0) {
    if (m_outer) {
      m_tree.m_selectionMoved = false;
      m_tree.Notify(m_kind == TKind::Reset ? m_tree.m_hooks.BeforeReset : m_tree.m_hooks.BeforeLayoutChange);
    }
    ++m_tree.m_changeDepth;
  }

  ~TChangeScope() {
    --m_tree.m_changeDepth;
    if (m_outer) {
      m_tree.Notify(m_kind == TKind::Reset ? m_tree.m_hooks.AfterReset : m_tree.m_hooks.AfterLayoutChange);
      if (m_tree.m_selectionMoved) {
        m_tree.m_selectionMoved = false;
        m_tree.Notify(m_tree.m_hooks.SelectionChanged);
      }
    }
  }

  TChangeScope(const TChangeScope&) = delete;
  TChangeScope& operator=(const TChangeScope&) = delete;

 private:
  TFeedTree& m_tree;
  TKind m_kind;
  bool m_outer;
};

}  // namespace tidewick
