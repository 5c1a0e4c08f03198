#pragma once

#include "hostlink/host.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace quillet {

// Serves what the test sets, records every call by name, can fail, be slow or announce its
// closing. Calls may come from a worker thread: set the texts before the call reads them.
class FakeHost final : public Host {
public:
    std::string log;
    std::string callsign = "N0CALL";
    std::string mapFile = "/maps/demo.gif";
    bool failing = false; // every call fails while set
    std::atomic<int> replyDelayMs = 0;
    std::vector<std::string> calls;
    std::vector<int> selectors;
    // Set, the log is served by difference under this name, as quillet-host serves it.
    std::string logId;
    std::vector<LogPosition> askedAfter;
    // Its own interface: offered while set; what SendBulletin answers, and what it was given.
    bool direct = false;
    DirectSend directReply{true, "Sent on KISS 1"};
    std::vector<std::string> sentBulletins; // "addressee|port|path|text"
    std::string sendError;                  // SendBulletin alone fails with it while set

    Result<std::unique_ptr<HostMap>> currentMap() override {
        return answer("CurrentMap",
                      [this] { return std::unique_ptr<HostMap>(std::make_unique<Map>(*this)); });
    }
    Result<std::string> messageLog(int selector) override {
        return answer("MessageLog", [this, selector] {
            selectors.push_back(selector);
            return log;
        });
    }
    Result<LogLines> messageLogAfter(const LogPosition& held) override {
        if (logId.empty()) {
            return Host::messageLogAfter(held);
        }
        return answer("MessageLogAfter", [this, &held] {
            askedAfter.push_back(held);
            std::size_t start = held.logId == logId ? 0 : std::string::npos;
            for (int line = 0; line < held.linesHeld && start != std::string::npos; ++line) {
                start = log.find("\r\n", start);
                start = start == std::string::npos ? start : start + 2;
            }
            return start == std::string::npos ? LogLines{logId, 0, log}
                                              : LogLines{logId, held.linesHeld, log.substr(start)};
        });
    }
    Result<std::string> stationCallsign() override {
        return answer("StationCallsign", [this] { return callsign; });
    }
    void setClosingHandler(std::function<void()> handler) override {
        m_closing = std::move(handler);
    }
    void emitClosing() {
        if (m_closing) {
            m_closing();
        }
    }
    Result<bool> offersDirectSend() override {
        return answer("OffersDirectSend", [this] { return direct; });
    }
    Result<DirectSend> sendBulletin(const std::string& addressee, int port, const std::string& path,
                                    const std::string& text) override {
        if (!record("SendBulletin")) {
            return notRunning();
        }
        if (!sendError.empty()) {
            return fail(sendError);
        }
        sentBulletins.push_back(addressee + '|' + std::to_string(port) + '|' + path + '|' + text);
        return directReply;
    }
    void setLogChangedHandler(std::function<void()> handler) override {
        m_logChanged = std::move(handler);
    }
    void emitLogChanged() {
        if (m_logChanged) {
            m_logChanged();
        }
    }
    int count(const std::string& call) const {
        const std::lock_guard lock(m_mutex);
        return static_cast<int>(std::count(calls.begin(), calls.end(), call));
    }

private:
    class Map final : public HostMap {
    public:
        explicit Map(FakeHost& host) : m_host(host) {}
        Result<std::string> mapFileName() override {
            return m_host.answer("MapFileName", [this] { return m_host.mapFile; });
        }

    private:
        FakeHost& m_host;
    };

    static Failure notRunning() { return fail("Host not reachable: the host is not running"); }

    // Notes the call, then gives what `value` makes of the test's texts unless it is to fail.
    template <typename Make>
    auto answer(const char* call, Make value) -> Result<decltype(value())> {
        if (!record(call)) {
            return notRunning();
        }
        return value();
    }
    // Notes the call; false when it is to fail.
    bool record(const char* call) {
        std::this_thread::sleep_for(std::chrono::milliseconds(replyDelayMs.load()));
        const std::lock_guard lock(m_mutex);
        calls.emplace_back(call);
        return !failing;
    }

    std::function<void()> m_closing;
    std::function<void()> m_logChanged;
    mutable std::mutex m_mutex;
};

} // namespace quillet
