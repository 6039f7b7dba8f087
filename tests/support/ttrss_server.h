#pragma once

// The private Tiny Tiny RSS server of the ctest fixture "ttrss" (scripts/ttrss_server.sh), and seeding its database
// directly (tt-rss refuses to fetch feeds from loopback). A suite that uses it carries FIXTURES_REQUIRED ttrss and
// the label "server"; the fixture names its env file in TIDEWICK_TTRSS_ENV (KEY=value lines: TTRSS_URL,
// TTRSS_USER, TTRSS_PASSWORD, TTRSS_PGHOST, TTRSS_PGPORT, TTRSS_PGDATABASE, TTRSS_PGUSER, TTRSS_PSQL).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tidewick::test {

struct TTtrssServer {
  std::string Url;  // "http://127.0.0.1:<port>/", the API below it at api/
  std::string User;
  std::string Password;
  std::string PgHost, PgPort, PgDatabase, PgUser, Psql;
};

// The server the fixture started; nullopt when TIDEWICK_TTRSS_ENV names no readable env file.
std::optional<TTtrssServer> RunningTtrssServer();

// Seeds and reads the server's database for its user, through psql. Failures throw std::runtime_error with psql's
// message (a test that cannot seed must stop, not go on against a half-seeded server).
class TTtrssSeed {
 public:
  explicit TTtrssSeed(TTtrssServer server);

  // Runs SQL (any number of statements) and gives psql's unaligned output: rows by line, fields by tab.
  std::string Sql(const std::string& sql) const;
  // Removes every category, feed and article of the user, ends every session and turns API access on.
  void Reset() const;

  std::vector<int64_t> AddCategories(const std::vector<std::string>& titles) const;
  // count feeds "<prefix> 1".. in category (0: uncategorised), with addresses unique to this call.
  std::vector<int64_t> AddFeeds(int count, int64_t category, const std::string& prefix = "Feed") const;
  // perFeed articles in each feed, unread and not starred, one statement for all; their `updated` dates rise with
  // their ids, so the server's oldest-first order is the order of the ids returned.
  std::vector<int64_t> AddArticles(const std::vector<int64_t>& feeds, int perFeed) const;

  // Marks as the server keeps them: field "unread" or "marked" (starred).
  void SetMark(const std::vector<int64_t>& articles, const std::string& field, bool value) const;
  // The user's articles with field = true, sorted.
  std::vector<int64_t> MarkedIds(const std::string& field) const;

  void SetApiAccess(bool on) const;
  // Forgets every login session, as the server does when they expire.
  void EndSessions() const;

 private:
  std::vector<int64_t> Ids(const std::string& sql) const;

  TTtrssServer m_server;
};

}  // namespace tidewick::test
