#pragma once

#include "publishing/transfer_control.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quillet {

// Records every operation as a line ("cancel", "host example.org", "execute CD web") and
// plays a control whose commands take a given number of polls to end.
class FakeTransferControl final : public TransferControl {
public:
    std::vector<std::string> log;
    int pollsPerCommand = 0; // how often stillExecuting answers true after an execute
    // Command lines that the control refuses to start, with the description it gives.
    std::map<std::string, std::string> refusals;

    // Only the command lines, in order.
    std::vector<std::string> commands() const {
        std::vector<std::string> out;
        for (const std::string& line : log) {
            if (line.rfind("execute ", 0) == 0) {
                out.push_back(line.substr(8));
            }
        }
        return out;
    }

    void cancel() override {
        log.emplace_back("cancel");
        m_pollsLeft = 0;
    }
    void setProtocolFtp() override { log.emplace_back("protocol ftp"); }
    void setRemoteHost(const std::string& host) override { log.push_back("host " + host); }
    void setUserName(const std::string& user) override { log.push_back("user " + user); }
    void setPassword(const std::string& password) override {
        log.push_back("password " + password);
    }
    void setCaFile(const std::string& file) override {
        if (!file.empty()) {
            log.push_back("ca " + file);
        }
    }
    void setLocalDirectory(const std::string& directory) override {
        log.push_back("local " + directory);
    }
    Status execute(const std::string& commandLine) override {
        log.push_back("execute " + commandLine);
        if (m_pollsLeft > 0) {
            return fail("still executing the last command");
        }
        if (const auto refusal = refusals.find(commandLine); refusal != refusals.end()) {
            return fail(refusal->second);
        }
        m_pollsLeft = pollsPerCommand;
        return {};
    }
    bool stillExecuting() const override {
        if (m_pollsLeft > 0) {
            --m_pollsLeft;
            return true;
        }
        return false;
    }

private:
    mutable int m_pollsLeft = 0;
};

// Counts the waits instead of sleeping, optionally running a callback in each, as window
// events would run.
class FakeTransferWait final : public TransferWait {
public:
    int calls = 0;
    std::function<void()> onEvents;

    void processEvents() override {
        ++calls;
        if (onEvents) {
            onEvents();
        }
    }
};

} // namespace quillet
