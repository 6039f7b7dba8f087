#include "support/ttrss_server.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "support/program_run.h"
#include "support/temp_dir.h"
#include "util/files.h"

namespace tidewick::test {
namespace {

// The user's id, for statements that insert rows.
constexpr const char* kUid = "(select id from ttrss_users where login = :'user')";

std::string IdList(const std::vector<int64_t>& ids) {
  std::string list = "'{";
  for (size_t i = 0; i < ids.size(); ++i) {
    list += (i == 0 ? "" : ",") + std::to_string(ids[i]);
  }
  return list + "}'::int[]";
}

}  // namespace

std::optional<TTtrssServer> RunningTtrssServer() {
  const char* path = std::getenv("TIDEWICK_TTRSS_ENV");
  std::ifstream in(path == nullptr ? "" : path);
  if (!in) {
    return std::nullopt;
  }
  std::map<std::string, std::string> values;
  for (std::string line; std::getline(in, line);) {
    const size_t equals = line.find('=');
    values[line.substr(0, equals)] = equals == std::string::npos ? "" : line.substr(equals + 1);
  }
  const TTtrssServer server{values["TTRSS_URL"],    values["TTRSS_USER"],   values["TTRSS_PASSWORD"],
                            values["TTRSS_PGHOST"], values["TTRSS_PGPORT"], values["TTRSS_PGDATABASE"],
                            values["TTRSS_PGUSER"], values["TTRSS_PSQL"]};
  return server.Url.empty() || server.Psql.empty() ? std::nullopt : std::optional(server);
}

TTtrssSeed::TTtrssSeed(TTtrssServer server) : m_server(std::move(server)) {}

std::string TTtrssSeed::Sql(const std::string& sql) const {
  const TempDir folder;
  if (!WriteStringToFile(folder.File("seed.sql"), sql)) {
    throw std::runtime_error("cannot write the seed file");
  }
  const TProgramOutput run =
      RunProgram(m_server.Psql, "-X -q -At -v ON_ERROR_STOP=1 -h " + ShellQuoted(m_server.PgHost) + " -p " +
                                    ShellQuoted(m_server.PgPort) + " -U " + ShellQuoted(m_server.PgUser) + " -d " +
                                    ShellQuoted(m_server.PgDatabase) + " -v user=" + ShellQuoted(m_server.User) +
                                    " -f " + ShellQuoted(folder.File("seed.sql")));
  if (run.Status != 0) {
    throw std::runtime_error("psql failed: " + run.Err);
  }
  return run.Out;
}

std::vector<int64_t> TTtrssSeed::Ids(const std::string& sql) const {
  std::vector<int64_t> ids;
  std::istringstream rows(Sql(sql));
  for (std::string row; std::getline(rows, row);) {
    if (!row.empty()) {
      ids.push_back(std::stoll(row));
    }
  }
  return ids;
}

void TTtrssSeed::Reset() const {
  Sql(
      std::string("delete from ttrss_entries; delete from ttrss_feeds; delete from ttrss_feed_categories;"
                  " delete from ttrss_sessions; delete from ttrss_counters_cache;"
                  " delete from ttrss_cat_counters_cache;"));
  SetApiAccess(true);
}

std::vector<int64_t> TTtrssSeed::AddCategories(const std::vector<std::string>& titles) const {
  std::string values;
  for (size_t i = 0; i < titles.size(); ++i) {
    values += (i == 0 ? "" : ",") + ("(" + std::string(kUid) + ", $t$" + titles[i] + "$t$)");
  }
  return Ids("insert into ttrss_feed_categories (owner_uid, title) values " + values + " returning id;");
}

std::vector<int64_t> TTtrssSeed::AddFeeds(int count, int64_t category, const std::string& prefix) const {
  return Ids("insert into ttrss_feeds (owner_uid, title, cat_id, feed_url) select " + std::string(kUid) + ", $t$" +
             prefix + " $t$ || g, " + (category > 0 ? std::to_string(category) : "null") +
             ", 'http://feeds.invalid/' || md5(random()::text) || '/' || g from generate_series(1, " +
             std::to_string(count) + ") g order by g returning id;");
}

std::vector<int64_t> TTtrssSeed::AddArticles(const std::vector<int64_t>& feeds, int perFeed) const {
  // One row per feed and number, with a guid unique to this call and dates a second apart in id order.
  return Ids(
      "create temporary table seed as select f, g, n, 'seed:' || token || ':' || n guid from (select f, g, "
      "row_number() over (order by f, g) n from unnest(" +
      IdList(feeds) + ") f, generate_series(1, " + std::to_string(perFeed) +
      ") g) rows, (select md5(random()::text) token) t;\n"
      "create temporary table made as with e as (insert into ttrss_entries (title, guid, link, updated, "
      "content, content_hash, date_entered, date_updated) select 'Article ' || f || '-' || g, guid, "
      "'http://feeds.invalid/' || f || '/' || g, (select coalesce(max(updated), '2024-01-01') from "
      "ttrss_entries) + n * interval '1 second', '<p>Text ' || g || '</p>', '', now(), now() from seed "
      "order by n returning id, guid) select e.id, seed.f from e join seed using (guid);\n"
      "insert into ttrss_user_entries (ref_id, uuid, feed_id, owner_uid, tag_cache, label_cache) "
      "select id, '', f, " +
      std::string(kUid) + ", '', '' from made;\nselect id from made order by id;");
}

void TTtrssSeed::SetMark(const std::vector<int64_t>& articles, const std::string& field, bool value) const {
  Sql("update ttrss_user_entries set " + field + " = " + (value ? "true" : "false") + " where ref_id = any(" +
      IdList(articles) + ");");
}

std::vector<int64_t> TTtrssSeed::MarkedIds(const std::string& field) const {
  return Ids("select ref_id from ttrss_user_entries where " + field + " order by ref_id;");
}

void TTtrssSeed::SetApiAccess(bool on) const {
  Sql(std::string("delete from ttrss_user_prefs where pref_name = 'ENABLE_API_ACCESS';"
                  " insert into ttrss_user_prefs (owner_uid, pref_name, value) values (") +
      kUid + ", 'ENABLE_API_ACCESS', '" + (on ? "true" : "false") + "');");
}

void TTtrssSeed::EndSessions() const {
  Sql("delete from ttrss_sessions;");
}

}  // namespace tidewick::test
