#pragma once

// An HTTP/1.1 server on 127.0.0.1 with an ephemeral port, run inside the test process. Every path answers with a
// scripted response; each connection carries one request and is closed after the answer.

#include <atomic>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tidewick::test {

struct TTestResponse {
  int Status = 200;
  std::vector<std::pair<std::string, std::string>> Headers{};  // {} lets a test name only the fields it sets
  std::string Body{};
  std::string Location{};  // sent as the Location header (redirects)
  int DelayMs = 0;         // pause before the answer starts
  bool Stall = false;      // send nothing at all until the server stops
  int DripIntervalMs = 0;  // send the body one byte at a time with this pause
  bool SendLength = true;  // send Content-Length (false: the body ends when the connection closes)
  bool Raw = false;        // the body is the whole answer, sent as it is: no status line, no header is added
};

// What the server saw of one request.
struct TTestRequest {
  std::string Method;
  std::string Target;   // as sent: "/path", or "http://host:port/path" through a proxy
  std::string Headers;  // the raw header lines
  std::string Body;     // as long as its Content-Length said
};

class THttpTestServer {
 public:
  using THandler = std::function<TTestResponse(const TTestRequest& request)>;

  THttpTestServer();
  ~THttpTestServer();
  THttpTestServer(const THttpTestServer&) = delete;
  THttpTestServer& operator=(const THttpTestServer&) = delete;

  int Port() const { return m_port; }
  // "http://127.0.0.1:<port>" + path.
  std::string Url(const std::string& path) const;

  // The answer for one path ("/feed.xml"); unknown paths answer 404.
  void SetResponse(const std::string& path, TTestResponse response);
  // Answers every request the handler's way (overrides SetResponse). Called on the connection's thread.
  void SetHandler(THandler handler);

  int RequestCount() const { return m_requestCount.load(); }
  // The most requests being answered at the same moment.
  int PeakConcurrent() const { return m_peakActive.load(); }
  std::vector<TTestRequest> Requests() const;

 private:
  struct TConnection {
    std::atomic<bool> Finished{false};
    std::jthread Thread;  // declared last: joined before Finished goes away
  };

  void AcceptLoop(const std::stop_token& token);
  void Serve(int socket, const std::stop_token& token);
  TTestResponse ResponseFor(const TTestRequest& request);
  void ReapFinished();

  int m_listenSocket = -1;
  int m_port = 0;
  mutable std::mutex m_mutex;
  std::map<std::string, TTestResponse> m_responses;
  THandler m_handler;
  std::vector<TTestRequest> m_requests;
  std::atomic<int> m_requestCount{0};
  std::atomic<int> m_active{0};
  std::atomic<int> m_peakActive{0};
  std::list<TConnection> m_connections;  // touched by the accept thread only
  std::jthread m_acceptThread;           // last member: stopped and joined first
};

// A forwarding proxy on 127.0.0.1: requests in absolute form ("GET http://host:port/path") are passed to their
// server, CONNECT opens a tunnel. Counts what it forwarded.
class TTestProxy {
 public:
  TTestProxy();
  ~TTestProxy();
  TTestProxy(const TTestProxy&) = delete;
  TTestProxy& operator=(const TTestProxy&) = delete;

  int Port() const { return m_port; }
  int ForwardedCount() const { return m_forwarded.load(); }

 private:
  void AcceptLoop(const std::stop_token& token);
  void Relay(int client, const std::stop_token& token);

  int m_listenSocket = -1;
  int m_port = 0;
  std::atomic<int> m_forwarded{0};
  std::mutex m_mutex;
  std::list<std::jthread> m_connections;
  std::jthread m_acceptThread;
};

// The value of the request's header name (matched ignoring case), trimmed; empty when it was not sent.
std::string HeaderValue(const TTestRequest& request, const std::string& name);

// A server that knows its validators: 304 when the request sends etag back in If-None-Match, else body; both answers
// carry the ETag and Last-Modified (when given).
inline TTestResponse ConditionalAnswer(const TTestRequest& request, const std::string& etag, std::string body,
                                       const std::string& lastModified = "") {
  TTestResponse response{.Headers = {{"ETag", etag}}};
  if (!lastModified.empty()) {
    response.Headers.emplace_back("Last-Modified", lastModified);
  }
  if (HeaderValue(request, "If-None-Match") == etag) {
    response.Status = 304;
  } else {
    response.Body = std::move(body);
  }
  return response;
}

}  // namespace tidewick::test
