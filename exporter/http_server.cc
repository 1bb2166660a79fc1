#include "exporter/http_server.h"

#include <httplib.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "exporter/exporter_process.h"
#include "exporter/exposition.h"

namespace tolvaran {

namespace {

// A slow client is given this long for each read and write; the request
// line and each header line are bounded by the library (8 KiB each).
constexpr int kSocketTimeoutSeconds = 5;
// Connections accepted but not yet taken up by a thread, at most; while
// they are this many, no further connection is accepted and the kernel's
// backlog holds them.
constexpr std::size_t kPendingConnections = 64;

// The library's own pool queues every accepted connection without bound;
// this one makes the accepting thread wait instead.
class BoundedPool : public httplib::TaskQueue {
 public:
  explicit BoundedPool(std::size_t threads) {
    for (std::size_t i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
  }

  void enqueue(std::function<void()> fn) override {
    std::unique_lock<std::mutex> lock(mutex_);
    room_.wait(lock, [this] { return jobs_.size() < kPendingConnections || shutdown_; });
    jobs_.push_back(std::move(fn));
    lock.unlock();
    work_.notify_one();
  }

  void shutdown() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      shutdown_ = true;
    }
    work_.notify_all();
    room_.notify_all();
    for (std::thread& t : threads_) t.join();
  }

 private:
  void Work() {
    for (;;) {
      std::function<void()> fn;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        work_.wait(lock, [this] { return !jobs_.empty() || shutdown_; });
        if (jobs_.empty()) return;
        fn = std::move(jobs_.front());
        jobs_.pop_front();
      }
      room_.notify_one();
      fn();
    }
  }

  std::mutex mutex_;
  std::condition_variable work_, room_;
  std::deque<std::function<void()>> jobs_;
  std::vector<std::thread> threads_;
  bool shutdown_ = false;
};

std::string HtmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '<') {
      out += "&lt;";
    } else if (c == '&') {
      out += "&amp;";
    } else {
      out += c;
    }
  }
  return out;
}

// The server, with TLS when the web configuration names a certificate.
// Debian's libcpp-httplib is built with OpenSSL; the single header that
// other builds compile is not.
std::unique_ptr<httplib::Server> MakeServer(const WebConfig& web, std::string* error) {
  if (!web.tls()) return std::make_unique<httplib::Server>();
#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
  auto server = std::make_unique<httplib::SSLServer>(web.certFile.c_str(), web.keyFile.c_str());
  if (!server->is_valid()) {
    *error = "cannot use the TLS certificate " + web.certFile + " and key " + web.keyFile;
    return nullptr;
  }
  return server;
#else
  *error = "this build has no TLS: put a TLS-terminating proxy in front (docs/exporter.md)";
  return nullptr;
#endif
}

}  // namespace

struct ExporterServer::Impl {
  const ExporterOptions& options;
  ProbeService& service;
  std::string version;
  WebConfig web;
  BasicAuth auth;
  std::mutex mutex;  // server, between Bind and a Stop from another thread
  std::unique_ptr<httplib::Server> server;
  bool stopped = false;

  Impl(const ExporterOptions& o, ProbeService& s, std::string v, const WebConfig& w)
      : options(o), service(s), version(std::move(v)), web(w), auth(w.users) {}

  void Routes(httplib::Server& server);
};

void ExporterServer::Impl::Routes(httplib::Server& server) {
  // Threads: one for each probe that may run or wait, and a few for
  // /metrics and the answers that need no worker.
  const std::size_t threads = static_cast<std::size_t>(options.service.maxProbes) +
                              static_cast<std::size_t>(options.service.maxQueued) + 4;
  server.new_task_queue = [threads] { return new BoundedPool(threads); };
  server.set_read_timeout(kSocketTimeoutSeconds, 0);
  server.set_write_timeout(kSocketTimeoutSeconds, 0);
  // One request per connection: an idle keep-alive connection would hold
  // a thread between scrapes.
  server.set_keep_alive_max_count(1);
  server.set_payload_max_length(0);
  server.set_socket_options(
      [](socket_t socket) { ListenSocketOptions(static_cast<std::uintptr_t>(socket)); });

  server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    if (!auth.Required() || auth.Allows(req.get_header_value("Authorization"))) {
      return httplib::Server::HandlerResponse::Unhandled;
    }
    res.status = 401;
    res.set_header("WWW-Authenticate", "Basic realm=\"tolvaran-exporter\"");
    res.set_content("Unauthorized\n", "text/plain; charset=utf-8");
    return httplib::Server::HandlerResponse::Handled;
  });

  server.Get("/probe", [this](const httplib::Request& req, httplib::Response& res) {
    std::vector<std::pair<std::string, std::string>> params(req.params.begin(), req.params.end());
    ParsedQuery parsed = ParseProbeQuery(params);
    std::int64_t deadlineMs = 0;
    std::string reason = parsed.reason;
    if (parsed.ok && !ProbeDeadlineMs(req.get_header_value("X-Prometheus-Scrape-Timeout-Seconds"),
                                      options.timeoutMs, options.marginMs, &deadlineMs, &reason)) {
      parsed.ok = false;
    }
    if (!parsed.ok) {
      service.metrics().Record(ProbeResult::kInvalid, 0);
      res.status = 400;
      res.set_content(reason + "\n", "text/plain; charset=utf-8");
      return;
    }
    ProbeAnswer answer =
        service.Probe(parsed.query, NegotiateFormat(req.get_header_value("Accept")), deadlineMs);
    res.status = answer.status;
    res.set_content(answer.body, answer.contentType.c_str());
  });

  server.Get("/metrics", [this](const httplib::Request& req, httplib::Response& res) {
    ExpositionFormat format = NegotiateFormat(req.get_header_value("Accept"));
    ExporterMetrics::Load load;
    load.busy = service.Busy();
    load.maxProbes = service.settings().maxProbes;
    load.queued = service.Queued();
    load.waitingForTarget = service.WaitingForTarget();
    std::string metrics = service.metrics().Render(load);
    res.set_content(InFormat(metrics, format), ContentType(format));
  });

  server.Get("/", [this](const httplib::Request&, httplib::Response& res) {
    res.set_content(
        "<!DOCTYPE html>\n<html><head><title>tolvaran-exporter</title></head><body>\n"
        "<h1>tolvaran-exporter</h1>\n<p>Version " +
            HtmlEscaped(version) +
            "</p>\n<ul>\n"
            "<li><a href=\"probe?target=PRD\">probe?target=PRD</a>: the check of "
            "profile PRD</li>\n"
            "<li><a href=\"metrics\">metrics</a>: the exporter's own</li>\n"
            "</ul>\n</body></html>\n",
        "text/html; charset=utf-8");
  });
}

ExporterServer::ExporterServer(const ExporterOptions& options, ProbeService& service,
                               std::string version, const WebConfig& web)
    : impl_(std::make_unique<Impl>(options, service, std::move(version), web)) {}

ExporterServer::~ExporterServer() = default;

bool ExporterServer::Bind(std::string* error) {
  std::unique_ptr<httplib::Server> server = MakeServer(impl_->web, error);
  if (!server) return false;
  impl_->Routes(*server);
  if (!server->bind_to_port(impl_->options.host.c_str(), impl_->options.port)) {
    *error = "cannot listen on " + impl_->options.host + ":" + std::to_string(impl_->options.port);
    return false;
  }
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->server = std::move(server);
  return true;
}

void ExporterServer::Serve() {
  httplib::Server* server;
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (impl_->stopped || !impl_->server) return;
    server = impl_->server.get();
  }
  server->listen_after_bind();
}

void ExporterServer::Stop() {
  impl_->service.Stop();
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->stopped = true;
  if (impl_->server) impl_->server->stop();
}

}  // namespace tolvaran
