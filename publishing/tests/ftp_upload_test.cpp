// Uploads to real FTP, FTPS and SFTP servers on 127.0.0.1 through the libcurl uploader.

#include "publishing/curl/curl_uploader.h"
#include "publishing_test_support.h"
#include "testsupport/ftp_test_servers.h"

#include <gtest/gtest.h>

#include <array>
#include <pwd.h>
#include <thread>

using namespace quillet;
using namespace quillet::testing;
using namespace std::chrono_literals;

namespace {

// Every byte value, so any text-mode change would show.
std::string pageBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) { // CR and LF among them
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

class FtpUpload : public ::testing::Test, public PublisherRig<CurlUploader> {
protected:
    TempDir root;
    const std::string script = "function go(c) {}\r\n" + pageBytes(3000);
    void SetUp() override {
        // "$RAWDATA" comes last, so the page ends with the bytes of the template.
        writeBytes(program / "quillet.template", pageBytes(200000));
        writeBytes(program / "quillet.js1", script);
        input.settings.ftpEnabled = true;
        input.settings.ftpUserName = "op";
        input.settings.ftpPassword = "right horse";
        input.settings.htmlFileName = "index.htm";
    }

    // Runs webpageAction as the schedule would.
    std::string publish() {
        statuses.clear();
        publisher.webpageAction(input);
        EXPECT_FALSE(publisher.busy());
        EXPECT_TRUE(!statuses.empty() && statuses.front().empty()) << "emptied first";
        return statuses.empty() ? "(no status)" : statuses.back();
    }
    void expectArrived(const fs::path& folder, const std::string& name = "index.htm") {
        EXPECT_EQ(publish(), "");
        const std::string page = readBytes(program / "quillet.htm");
        ASSERT_GT(page.size(), 200000u);
        EXPECT_EQ(readBytes(folder / name), page);
        EXPECT_EQ(readBytes(folder / "quillet.js"), script);
    }
    void expectFailure(const std::string& part) {
        const std::string status = publish();
        EXPECT_TRUE(status.starts_with("Error doing web page update -> ")) << status;
        EXPECT_NE(status.find(part), std::string::npos) << status;
        if (!input.settings.ftpPassword.empty()) {
            EXPECT_EQ(status.find(input.settings.ftpPassword), std::string::npos) << status;
        }
    }
};

// Plain FTP: each failure is reported in time, and the next run starts afresh.
TEST_F(FtpUpload, PlainFtpReportsEachFailureThenCarriesBothFilesByteForByte) {
    ASSERT_EQ(pyftpdlibMissing(), "");
    FtpServer server(root.path(), "op", "right horse");
    SilentServer silent(root / "silent.log");
    const std::vector<std::array<std::string, 4>> cases{
        // host, password, folder, what the status line says
        {server.host(), "wrong horse", "", "Login denied"},
        {server.host(), "right horse", "no_such_dir", "CD no_such_dir failed"},
        {"127.0.0.1:" + std::to_string(freeLoopbackPort()), "right horse", "", "Couldn't connect"},
        {silent.host(), "right horse", "", "Timeout"},
        {"ftps://" + server.host(), "right horse", "", "does not offer FTPS"},
    };
    for (const auto& [host, password, folder, expected] : cases) {
        input.settings.ftpHost = host;
        input.settings.ftpPassword = password;
        input.settings.ftpDirectory = folder;
        expectFailure(expected);
    }
    EXPECT_FALSE(fs::exists(root / "index.htm"));
    input.settings.ftpHost = server.host();
    input.settings.ftpDirectory.clear();
    expectArrived(root.path());
    // into a folder, over a new connection, with a blank in the remote page name
    fs::create_directories(root / "site" / "www");
    input.settings.ftpDirectory = "site/www";
    input.settings.htmlFileName = "bulletin board.htm";
    expectArrived(root / "site" / "www", "bulletin board.htm");
    // The program's end stops an upload that waits for a silent server, and it says so.
    input.settings.ftpHost = silent.host();
    const auto before = silent.accepted();
    std::thread ending([&] {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (silent.accepted() == before && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(10ms);
        }
        uploader.cancel();
    });
    expectFailure("CD site/www failed: the program is ending, so the upload stopped");
    ending.join();
    EXPECT_GT(silent.accepted(), before) << "the upload did not reach the silent server in 10 s";
}

// pure-ftpd takes anonymous uploads into the home of the `ftp` user, made here if missing.
TEST_F(FtpUpload, FtpsChecksTheCertificateAndTheHostName) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "pure-ftpd serves anonymous FTPS only when started as root";
    }
    struct MadeUser {
        bool made = !::getpwnam("ftp");
        ~MadeUser() { static_cast<void>(made && std::system("userdel ftp")); }
    } madeUser;
    if (madeUser.made) {
        shell("useradd --system -M -d " + root.path().string() + " -s /usr/sbin/nologin ftp");
    }
    const passwd* ftp = ::getpwnam("ftp");
    ASSERT_NE(ftp, nullptr);
    const fs::path upload = fs::path(ftp->pw_dir) / root.path().filename();
    fs::create_directories(upload);
    ASSERT_EQ(::chown(upload.c_str(), ftp->pw_uid, ftp->pw_gid), 0);
    shell("cd '" + root.path().string() +
          "' && openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 "
          "-subj /CN=localhost -addext subjectAltName=DNS:localhost 2>/dev/null && "
          "cat key.pem cert.pem > key-and-cert.pem");
    FtpsServer server(root / "key-and-cert.pem");
    input.settings.ftpUserName = "anonymous";
    input.settings.ftpPassword = "quillet@example.org";
    input.settings.ftpDirectory = upload.filename().string();
    const std::string localhost = "ftps://localhost:" + std::to_string(server.port());
    input.settings.ftpHost = localhost;
    expectFailure("certificate is not trusted");
    input.settings.ftpCaFile = (root / "cert.pem").string();
    input.settings.ftpHost = "ftps://" + server.host(); // the certificate names localhost
    expectFailure("host name mismatch");
    input.settings.ftpHost = localhost;
    expectArrived(upload);
    fs::remove_all(upload);
}

TEST_F(FtpUpload, SftpChecksTheHostKeyAndLogsInWithTheUsersKey) {
    TempDir home;
    TempDir sshd;
    fs::create_directories(home / ".ssh");
    fs::create_directories(root / "site");
    const std::string hostKey = (sshd / "host_key").string();
    shell("cd " + sshd.path().string() + " && ssh-keygen -q -t ed25519 -N '' -C '' -f host_key" +
          " && ssh-keygen -q -t ed25519 -N '' -C '' -f " + (home / ".ssh/id_ed25519").string() +
          " && cp " + (home / ".ssh/id_ed25519.pub").string() + " authorized_keys" +
          " && ssh-keygen -lf host_key.pub | cut -d' ' -f2 | tr -d '\\n' > fingerprint");
    ::setenv("HOME", home.path().c_str(), 1);
    SftpServer server(sshd.path(), root.path());
    input.settings.ftpUserName = ::getpwuid(::geteuid())->pw_name;
    input.settings.ftpPassword.clear();
    input.settings.ftpDirectory = "site"; // inside the login folder
    input.settings.ftpHost = "sftp://" + server.host();
    expectFailure(readBytes(sshd / "fingerprint"));
    expectFailure("ssh-keyscan -p " + std::to_string(server.port()) + " 127.0.0.1 >> ");
    writeBytes(home / ".ssh" / "known_hosts",
               "[127.0.0.1]:" + std::to_string(server.port()) + " " + readBytes(hostKey + ".pub"));
    expectArrived(root / "site");
    input.settings.ftpPassword = "not the key";
    expectFailure("Login denied");
}

} // namespace
