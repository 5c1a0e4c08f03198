#pragma once

#include "publishing/uploader.h"

#include <map>
#include <string>
#include <vector>

namespace quillet {

// Records every step as a line ("open host user password", "enter web", "put /dir/file
// remote", "close") and fails the steps it is told to.
class FakeUploader final : public Uploader {
public:
    std::vector<std::string> log;
    std::map<std::string, std::string> failures; // a step's line, and its failure's description

    Status open(const UploadTarget& target) override {
        return step("open " + target.host + " " + target.user + " " + target.password +
                    (target.caFile.empty() ? "" : " ca " + target.caFile));
    }
    Status enterFolder(const std::string& folder) override { return step("enter " + folder); }
    Status put(const std::filesystem::path& localFile, const std::string& remoteName) override {
        return step("put " + localFile.string() + " " + remoteName);
    }
    void close() override { log.emplace_back("close"); }

private:
    Status step(std::string line) {
        const auto failure = failures.find(line);
        log.push_back(std::move(line));
        return failure == failures.end() ? Status() : fail(failure->second);
    }
};

} // namespace quillet
