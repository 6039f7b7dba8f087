#include "feeds/store_accounts.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "feeds/store_fields.h"
#include "feeds/store_scanner.h"

namespace tidewick {

namespace {

void AssignAccountField(TSyncAccount& account, size_t field, std::string value) {
  std::string* const fields[] = {&account.Key,       &account.Kind,     &account.Title,
                                 &account.ServerUrl, &account.UserName, &account.Position};
  *fields[field] = std::move(value);
}

int FindAccountField(std::string_view name) {
  for (size_t i = 0; i < kAccountFieldNames.size(); ++i) {
    if (SameName(name, kAccountFieldNames[i])) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

bool HasKey(const TSyncAccounts& accounts, const std::string& key) {
  return std::any_of(accounts.begin(), accounts.end(), [&](const TSyncAccount& account) { return account.Key == key; });
}

}  // namespace

std::optional<TSyncAccount> ReadAccountElement(std::string_view elementText) {
  TTagScanner scanner(elementText);
  TScannedTag tag = scanner.NextNodeTag();
  const std::string_view name = ElementName(tag.Text);
  if (tag.Kind != TTagKind::Element || !SameName(name, kAccountElement)) {
    return std::nullopt;
  }
  TSyncAccount account;
  std::string_view attributes = tag.Text.substr(name.size());
  while (!attributes.empty() && static_cast<unsigned char>(attributes.front()) <= 32) {
    attributes.remove_prefix(1);
  }
  account.Unknown.SetAttributes(attributes);
  uint32_t seen = 0;
  int depth = tag.HasContent ? 1 : 0;
  const char* keptStart = nullptr;  // an unknown child being kept: where its text starts
  while (depth > 0) {
    tag = scanner.NextNodeTag();
    if (tag.Kind == TTagKind::End || tag.Broken) {
      break;  // the reader kept only sound elements; this is as far as any reading goes
    }
    const char* const tagEnd = tag.Raw.data() + tag.TagEnd;
    if (tag.Kind == TTagKind::Close) {
      if (--depth == 1 && keptStart != nullptr) {
        account.Unknown.AddElement(std::string(keptStart, tagEnd));
        keptStart = nullptr;
      }
      continue;
    }
    const std::string_view childName = ElementName(tag.Text);
    const bool hasChildren = tag.HasContent && !childName.starts_with('?');
    if (depth == 1) {
      const int field = FindAccountField(childName);
      if (field < 0) {
        keptStart = tag.Raw.data() + tag.TagStart;
        if (!hasChildren) {
          account.Unknown.AddElement(std::string(keptStart, tagEnd));
          keptStart = nullptr;
        }
      } else if ((seen & (1u << field)) == 0) {  // a repeated value is skipped: the first wins
        seen |= 1u << field;
        AssignAccountField(account, static_cast<size_t>(field), DecodeValue(tag));
      }
    }
    depth += hasChildren ? 1 : 0;
  }
  if (account.Key.empty()) {
    return std::nullopt;
  }
  return account;
}

void TakeAccounts(TUnknownXml& storeUnknown, TSyncAccounts& accounts) {
  if (storeUnknown.Empty()) {
    return;
  }
  TUnknownXml rest;
  rest.SetAttributes(storeUnknown.Attributes());
  bool taken = false;
  for (const std::string& element : storeUnknown.Elements()) {
    std::optional<TSyncAccount> account = ReadAccountElement(element);
    if (account && !HasKey(accounts, account->Key)) {
      accounts.push_back(std::move(*account));
      taken = true;
    } else {
      rest.AddElement(element);
    }
  }
  if (taken) {
    storeUnknown = std::move(rest);
  }
}

void RescueAccounts(const TFeeds& rescued, const TSyncAccounts& backup, TSyncAccounts& accounts) {
  std::unordered_set<std::string> named;
  for (const TFeed& feed : rescued) {
    if (feed.Remote.IsAccountFeed()) {
      named.insert(feed.Remote.Account);
    }
  }
  const auto backupPlace = [&backup](const std::string& key) {
    return std::find_if(backup.begin(), backup.end(), [&](const TSyncAccount& saved) { return saved.Key == key; });
  };
  for (auto saved = backup.begin(); saved != backup.end(); ++saved) {
    if (named.contains(saved->Key) && !HasKey(accounts, saved->Key)) {
      // In its place among the others, so the account nodes keep their order.
      const auto before = std::find_if(accounts.begin(), accounts.end(),
                                       [&](const TSyncAccount& account) { return backupPlace(account.Key) > saved; });
      accounts.insert(before, *saved);
    }
  }
}

}  // namespace tidewick
