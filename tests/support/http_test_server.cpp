#include "support/http_test_server.h"

#include <netdb.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <netinet/in.h>
#include <optional>
#include <string_view>
#include <sys/socket.h>

#include "util/case_fold.h"

namespace tidewick::test {
namespace {

constexpr int kStepMs = 10;

int ListenOnLoopback(int& port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) {
    return -1;
  }
  const int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 512) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(fd);
    return -1;
  }
  port = ntohs(address.sin_port);
  return fd;
}

// Waits until fd is readable, the stop is requested or ms pass; true when readable.
bool WaitReadable(int fd, int ms, const std::stop_token& token) {
  for (int waited = 0; waited < ms && !token.stop_requested(); waited += kStepMs) {
    pollfd entry{fd, POLLIN, 0};
    if (poll(&entry, 1, kStepMs) > 0) {
      return true;
    }
  }
  return false;
}

void Pause(int ms, const std::stop_token& token) {
  for (int waited = 0; waited < ms && !token.stop_requested(); waited += kStepMs) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(kStepMs, ms - waited)));
  }
}

bool SendAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t sent = send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (sent <= 0) {
      return false;
    }
    data.remove_prefix(static_cast<size_t>(sent));
  }
  return true;
}

// Reads up to the blank line that ends a request head.
std::optional<std::string> ReadHead(int fd, const std::stop_token& token) {
  std::string head;
  std::array<char, 4096> buffer{};
  // The head, then as much of a body as its Content-Length announces.
  const auto complete = [&head] {
    const size_t end = head.find("\r\n\r\n");
    if (end == std::string::npos) {
      return false;
    }
    const std::string lower = LowerAscii(head.substr(0, end));
    const size_t field = lower.find("\r\ncontent-length:");
    const size_t length = field == std::string::npos ? 0 : std::strtoul(lower.c_str() + field + 17, nullptr, 10);
    return head.size() >= end + 4 + length;
  };
  while (!complete()) {
    if (!WaitReadable(fd, 5000, token)) {
      return std::nullopt;
    }
    const ssize_t got = recv(fd, buffer.data(), buffer.size(), 0);
    if (got <= 0) {
      return std::nullopt;
    }
    head.append(buffer.data(), static_cast<size_t>(got));
  }
  return head;
}

TTestRequest ParseRequest(const std::string& head) {
  TTestRequest request;
  const size_t lineEnd = head.find("\r\n");
  const std::string line = head.substr(0, lineEnd);
  const size_t firstBlank = line.find(' ');
  const size_t secondBlank = line.find(' ', firstBlank + 1);
  request.Method = line.substr(0, firstBlank);
  request.Target = line.substr(firstBlank + 1, secondBlank - firstBlank - 1);
  const size_t headEnd = head.find("\r\n\r\n");
  request.Headers = head.substr(lineEnd + 2, headEnd + 2 - (lineEnd + 2));
  request.Body = head.substr(headEnd + 4);
  return request;
}

std::string PathOf(const std::string& target) {
  const size_t scheme = target.find("://");
  if (scheme == std::string::npos) {
    return target;
  }
  const size_t slash = target.find('/', scheme + 3);
  return slash == std::string::npos ? "/" : target.substr(slash);
}

std::string ResponseHead(const TTestResponse& response, size_t bodyLength) {
  // Clients read the code only; the phrase is there because the status line needs one.
  std::string head = "HTTP/1.1 " + std::to_string(response.Status) + (response.Status == 200 ? " OK" : " Status");
  head += "\r\n";
  head += "Connection: close\r\n";
  if (response.SendLength) {
    head += "Content-Length: " + std::to_string(bodyLength) + "\r\n";
  }
  if (!response.Location.empty()) {
    head += "Location: " + response.Location + "\r\n";
  }
  for (const auto& [name, value] : response.Headers) {
    head += name + ": " + value + "\r\n";
  }
  return head + "\r\n";
}

// Waits until the peer closes the connection or the server stops.
void WaitForPeerClose(int fd, const std::stop_token& token) {
  std::array<char, 256> buffer{};
  while (!token.stop_requested()) {
    if (WaitReadable(fd, 100, token) && recv(fd, buffer.data(), buffer.size(), 0) <= 0) {
      return;
    }
  }
}

int ConnectTo(const std::string& host, const std::string& port) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0 || found == nullptr) {
    return -1;
  }
  const int fd = socket(found->ai_family, found->ai_socktype, 0);
  if (fd >= 0 && connect(fd, found->ai_addr, found->ai_addrlen) != 0) {
    close(fd);
    freeaddrinfo(found);
    return -1;
  }
  freeaddrinfo(found);
  return fd;
}

// Copies bytes both ways until one side closes.
void Pump(int a, int b, const std::stop_token& token) {
  std::array<char, 16384> buffer{};
  while (!token.stop_requested()) {
    std::array<pollfd, 2> entries{pollfd{a, POLLIN, 0}, pollfd{b, POLLIN, 0}};
    if (poll(entries.data(), 2, 50) <= 0) {
      continue;
    }
    for (size_t i = 0; i < 2; ++i) {
      if (entries[i].revents == 0) {
        continue;
      }
      const int from = i == 0 ? a : b;
      const int to = i == 0 ? b : a;
      const ssize_t got = recv(from, buffer.data(), buffer.size(), 0);
      if (got <= 0 || !SendAll(to, std::string_view(buffer.data(), static_cast<size_t>(got)))) {
        return;
      }
    }
  }
}

}  // namespace

std::string HeaderValue(const TTestRequest& request, const std::string& name) {
  const auto lower = [](std::string text) {
    for (char& c : text) {
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
  };
  const std::string wanted = lower(name) + ":";
  size_t start = 0;
  while (start < request.Headers.size()) {
    const size_t end = std::min(request.Headers.find("\r\n", start), request.Headers.size());
    const std::string line = request.Headers.substr(start, end - start);
    if (lower(line.substr(0, wanted.size())) == wanted) {
      const size_t first = line.find_first_not_of(' ', wanted.size());
      return first == std::string::npos ? std::string() : line.substr(first);
    }
    start = end + 2;
  }
  return {};
}

THttpTestServer::THttpTestServer() {
  m_listenSocket = ListenOnLoopback(m_port);
  m_acceptThread = std::jthread([this](const std::stop_token& token) { AcceptLoop(token); });
}

THttpTestServer::~THttpTestServer() {
  m_acceptThread.request_stop();
  m_acceptThread.join();
  m_connections.clear();  // each jthread asks its connection to stop and joins it
  if (m_listenSocket >= 0) {
    close(m_listenSocket);
  }
}

std::string THttpTestServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void THttpTestServer::SetResponse(const std::string& path, TTestResponse response) {
  const std::scoped_lock lock(m_mutex);
  m_responses[path] = std::move(response);
}

void THttpTestServer::SetHandler(THandler handler) {
  const std::scoped_lock lock(m_mutex);
  m_handler = std::move(handler);
}

std::vector<TTestRequest> THttpTestServer::Requests() const {
  const std::scoped_lock lock(m_mutex);
  return m_requests;
}

void THttpTestServer::ReapFinished() {
  m_connections.remove_if([](const TConnection& connection) { return connection.Finished.load(); });
}

void THttpTestServer::AcceptLoop(const std::stop_token& token) {
  while (!token.stop_requested()) {
    ReapFinished();
    if (!WaitReadable(m_listenSocket, 50, token)) {
      continue;
    }
    const int client = accept(m_listenSocket, nullptr, nullptr);
    if (client < 0) {
      continue;
    }
    TConnection& connection = m_connections.emplace_back();
    connection.Thread = std::jthread([this, client, &connection](const std::stop_token& connectionToken) {
      Serve(client, connectionToken);
      close(client);
      connection.Finished.store(true);
    });
  }
}

TTestResponse THttpTestServer::ResponseFor(const TTestRequest& request) {
  THandler handler;
  {
    const std::scoped_lock lock(m_mutex);
    m_requests.push_back(request);
    handler = m_handler;
  }
  if (handler) {
    return handler(request);
  }
  const std::scoped_lock lock(m_mutex);
  const auto found = m_responses.find(PathOf(request.Target));
  if (found != m_responses.end()) {
    return found->second;
  }
  return {.Status = 404, .Body = "<html><body>Not found</body></html>"};
}

void THttpTestServer::Serve(int socket, const std::stop_token& token) {
  const std::optional<std::string> head = ReadHead(socket, token);
  if (!head) {
    return;
  }
  ++m_requestCount;
  const int active = ++m_active;
  for (int peak = m_peakActive.load(); active > peak && !m_peakActive.compare_exchange_weak(peak, active);) {
  }
  const TTestResponse response = ResponseFor(ParseRequest(*head));
  Pause(response.DelayMs, token);
  if (response.Stall) {
    WaitForPeerClose(socket, token);
    --m_active;
  } else {
    const std::string& body = response.Body;
    // Leaves the count before the client can see the whole answer, so its next request never overlaps this one.
    --m_active;
    bool ok = response.Raw || SendAll(socket, ResponseHead(response, body.size()));
    if (response.DripIntervalMs > 0) {
      for (size_t i = 0; ok && i < body.size() && !token.stop_requested(); ++i) {
        ok = SendAll(socket, std::string_view(body).substr(i, 1));
        Pause(response.DripIntervalMs, token);
      }
    } else if (ok) {
      SendAll(socket, body);
    }
    shutdown(socket, SHUT_WR);
  }
}

TTestProxy::TTestProxy() {
  m_listenSocket = ListenOnLoopback(m_port);
  m_acceptThread = std::jthread([this](const std::stop_token& token) { AcceptLoop(token); });
}

TTestProxy::~TTestProxy() {
  m_acceptThread.request_stop();
  m_acceptThread.join();
  m_connections.clear();
  if (m_listenSocket >= 0) {
    close(m_listenSocket);
  }
}

void TTestProxy::AcceptLoop(const std::stop_token& token) {
  while (!token.stop_requested()) {
    if (!WaitReadable(m_listenSocket, 50, token)) {
      continue;
    }
    const int client = accept(m_listenSocket, nullptr, nullptr);
    if (client >= 0) {
      const std::scoped_lock lock(m_mutex);
      m_connections.emplace_back([this, client](const std::stop_token& connectionToken) {
        Relay(client, connectionToken);
        close(client);
      });
    }
  }
}

void TTestProxy::Relay(int client, const std::stop_token& token) {
  const std::optional<std::string> head = ReadHead(client, token);
  if (!head) {
    return;
  }
  const TTestRequest request = ParseRequest(*head);
  const bool tunnel = request.Method == "CONNECT";
  std::string authority = request.Target;
  if (!tunnel) {
    const size_t scheme = authority.find("://");
    if (scheme == std::string::npos) {
      SendAll(client, "HTTP/1.1 400 Bad Request\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
      return;
    }
    authority = authority.substr(scheme + 3);
    authority = authority.substr(0, authority.find('/'));
  }
  const size_t colon = authority.rfind(':');
  const int upstream =
      ConnectTo(authority.substr(0, colon), colon == std::string::npos ? "80" : authority.substr(colon + 1));
  if (upstream < 0) {
    SendAll(client, "HTTP/1.1 502 Bad Gateway\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
    return;
  }
  ++m_forwarded;
  const bool sent = tunnel ? SendAll(client, "HTTP/1.1 200 Connection established\r\n\r\n")
                           : SendAll(upstream, request.Method + " " + PathOf(request.Target) + " HTTP/1.1\r\n" +
                                                   request.Headers + "\r\n" + request.Body);
  if (sent) {
    Pump(client, upstream, token);
  }
  close(upstream);
}

}  // namespace tidewick::test
