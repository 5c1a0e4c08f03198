#pragma once

#include "base/result.h"

#include <string>

namespace quillet {

// The Internet transfer control that carries the upload. Commands run one at a time on one
// connection to the host set before; the first command opens it and "CLOSE" ends it.
class TransferControl {
public:
    virtual ~TransferControl() = default;

    // Abandons whatever the control is still doing; afterwards it is not executing.
    virtual void cancel() = 0;

    virtual void setProtocolFtp() = 0;
    // "name" or "name:port", optionally after "ftps://" or "sftp://"; without a port the
    // scheme's standard port applies.
    virtual void setRemoteHost(const std::string& host) = 0;
    virtual void setUserName(const std::string& user) = 0;
    virtual void setPassword(const std::string& password) = 0;
    // A PEM certificate that FTPS trusts besides the system's; empty for none.
    virtual void setCaFile(const std::string& file) = 0;
    // Where the local names of "PUT local remote" are found.
    virtual void setLocalDirectory(const std::string& directory) = 0;

    // Starts one command line ("CD dir", "PUT local remote", "CLOSE") and returns at once,
    // failing with why it could not start. A command is refused while the
    // last one still runs and after one has failed, with that failure's description, so the
    // first failed command of a run always reaches the caller.
    virtual Status execute(const std::string& commandLine) = 0;

    // True while the last command is still running.
    virtual bool stillExecuting() const = 0;
};

// How the program waits for the transfer: lets pending window events run and, when none
// are pending, sleeps until one arrives or a short while has passed, so a loop that polls
// the control around it never spins the processor.
class TransferWait {
public:
    virtual ~TransferWait() = default;
    virtual void processEvents() = 0;
};

} // namespace quillet
